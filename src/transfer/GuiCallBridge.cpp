#include "transfer/GuiCallBridge.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

namespace kora {

namespace {

QEvent::Type WakeUpEventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

} // namespace

// Lives on the delivery thread and turns the wake-up event into ServePending().
class GuiCallBridge::Courier final : public QObject {
public:
    explicit Courier(GuiCallBridge& bridge) : bridge_(bridge) {}

    bool event(QEvent* event) override
    {
        // The bridge's lock is taken before the event is looked at: the worker made the event
        // before it released that lock, and so the event's memory is seen to pass over too.
        bridge_.ServePending();
        return event->type() == WakeUpEventType() || QObject::event(event);
    }

private:
    GuiCallBridge& bridge_;
};

GuiCallBridge::GuiCallBridge() : courier_(std::make_unique<Courier>(*this)) {}

GuiCallBridge::~GuiCallBridge() = default;

void GuiCallBridge::DeliverOnThreadOf(const QObject& object)
{
    courier_->moveToThread(object.thread());
}

bool GuiCallBridge::OnDeliveryThread() const
{
    return QThread::currentThread() == courier_->thread();
}

void GuiCallBridge::RunAndWait(const std::function<void()>& call)
{
    if (OnDeliveryThread()) {
        call();
        return;
    }
    std::unique_lock lock(mutex_);
    pending_ = &call;
    auto wakeUp = std::make_unique<QEvent>(WakeUpEventType());
    lock.unlock();
    QCoreApplication::postEvent(courier_.get(), wakeUp.release());
    lock.lock();
    served_.wait(lock, [this] { return pending_ == nullptr; });
}

void GuiCallBridge::ServePending()
{
    std::unique_lock lock(mutex_);
    // A call that shows a line may let events through; it must not run itself again.
    if (pending_ == nullptr || running_) {
        return;
    }
    const std::function<void()>* call = pending_;
    running_ = true;
    // The worker stays parked until pending_ is cleared, so the call may run unlocked.
    lock.unlock();
    (*call)();
    lock.lock();
    running_ = false;
    pending_ = nullptr;
    served_.notify_one();
}

} // namespace kora
