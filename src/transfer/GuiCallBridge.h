#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class QObject;

namespace kora {

// The synchronised call of a worker thread: the worker hands a function to the GUI thread and
// waits until it has run there. Delivery rides on the GUI thread's event loop, so the GUI
// thread must keep processing events while a worker may call (the owner's polling loop does).
//
// The hand-over itself goes through a std::mutex, not through Qt's blocking connection: Qt's
// locks are invisible to the thread checker, and the worker's data must be seen to pass
// between the threads. The posted event carries nothing but the wake-up.
class GuiCallBridge {
public:
    // Calls are delivered on the thread that constructs the bridge.
    GuiCallBridge();
    ~GuiCallBridge();
    GuiCallBridge(const GuiCallBridge&) = delete;
    GuiCallBridge& operator=(const GuiCallBridge&) = delete;

    // Delivers on the thread of another object instead. Call before any worker uses the bridge,
    // on the thread that constructed it.
    void DeliverOnThreadOf(const QObject& object);
    bool OnDeliveryThread() const;

    // From the worker: runs call on the delivery thread and returns once it has run there. On
    // the delivery thread itself it runs at once. One worker at a time.
    void RunAndWait(const std::function<void()>& call);

    // On the delivery thread: runs the call a worker is waiting for, if there is one. For an
    // owner that waits for its worker without an event loop.
    void ServePending();

private:
    class Courier;

    std::unique_ptr<Courier> courier_;
    std::mutex mutex_;
    std::condition_variable served_;
    const std::function<void()>* pending_ = nullptr;
    bool running_ = false;
};

} // namespace kora
