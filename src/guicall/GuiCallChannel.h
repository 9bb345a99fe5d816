#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace kora {

// The synchronised call: a worker thread hands a function to the delivery thread (the GUI
// thread) and waits until it has run there. One worker calls through a channel at a time.
//
// The worker publishes the call under a std::mutex and rings a doorbell: an eventfd that a
// QSocketNotifier on the delivery thread watches. Qt's BlockingQueuedConnection, and posting
// an event, would hand the call over through Qt's own locks instead, which ThreadSanitizer
// cannot see (Debian's Qt is not instrumented): it reports races inside Qt's event queue, and
// a real race of ours would hide among them. Here the worker touches no Qt data at all, so
// every hand-over is visible to the checker. The doorbell also costs no allocation per call.
//
// The delivery thread may hold the channel: a call that arrives while it is held does nothing
// and stays pending; Release() offers it again. It may also abandon the channel, which lets a
// waiting worker go without the delivery thread running anything, so stopping a worker never
// needs the event loop (and never waits on a worker that waits on the GUI thread).
//
// Construct, control and destroy it on the delivery thread; the worker only calls RunAndWait.
class GuiCallChannel {
public:
    // Calls are delivered on the thread that constructs the channel, which must run an event
    // loop (or call ServePending) while a worker may call.
    GuiCallChannel();
    ~GuiCallChannel();
    GuiCallChannel(const GuiCallChannel&) = delete;
    GuiCallChannel& operator=(const GuiCallChannel&) = delete;

    bool OnDeliveryThread() const;

    // From the worker: runs call on the delivery thread and returns true once it has run there,
    // or false when the channel was abandoned first. On the delivery thread itself the call
    // runs at once.
    bool RunAndWait(const std::function<void()>& call);

    // On the delivery thread: runs the call a worker is waiting for, if there is one and the
    // channel is not held. The doorbell does this from the event loop; an owner that waits for
    // its worker without an event loop calls it itself. A call that lets events through while
    // it runs is not run a second time from inside itself.
    void ServePending();
    // On the delivery thread, for an owner that waits for its worker without an event loop:
    // waits until a call is pending, Wake() was called or within has passed, then serves the
    // pending call, if any. A call is served as soon as it is made, not at the next poll.
    void ServeWithin(std::chrono::milliseconds within);
    // From any thread: ends the current or next ServeWithin wait early (the worker has ended).
    void Wake();

    // On the delivery thread: while held, no call runs; a pending one waits for Release().
    void Hold();
    void Release();
    // On the delivery thread: the waiting call, and every later one, returns false without
    // running. A call already running is waited for.
    void Abandon();

    // Whether a call is waiting for the delivery thread (for diagnostics and tests).
    bool Pending() const;

private:
    class Doorbell;

    const std::thread::id deliveryThread_;
    std::unique_ptr<Doorbell> doorbell_;
    mutable std::mutex mutex_;
    std::condition_variable served_;
    std::condition_variable knocked_; // a call was made, or Wake()
    const std::function<void()>* pending_ = nullptr;
    bool done_ = false;
    bool running_ = false;
    bool held_ = false;
    bool abandoned_ = false;
    bool woken_ = false;
};

} // namespace kora
