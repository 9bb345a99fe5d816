#include "terminal/TerminalThread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

namespace kora {

namespace {
QEvent::Type CallEventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}
} // namespace

// Receives the events that tell the GUI thread a synchronised call is waiting. The events carry
// nothing; the call itself is handed over under the thread's lock.
class TerminalThread::CallTarget : public QObject {
public:
    explicit CallTarget(TerminalThread& owner) : owner_(owner) {}

protected:
    void customEvent(QEvent* /*event*/) override { owner_.ServeCall(); }

private:
    TerminalThread& owner_;
};

TerminalThread::TerminalThread() : target_(std::make_unique<CallTarget>(*this)) {}

TerminalThread::~TerminalThread()
{
    // Derived destructors have stopped the body already; this covers a thread that never ran.
    TerminateAndWait();
}

void TerminalThread::Resume()
{
    std::lock_guard guard(lock_);
    if (terminating_) {
        return;
    }
    paused_ = false;
    if (!thread_.joinable()) {
        thread_ = std::thread([this] { Body(); });
    }
    // A call the GUI thread turned away while paused is offered again.
    if (call_ != nullptr && !callDone_ && !callPosted_) {
        PostCallEvent();
    }
    changed_.notify_all();
}

void TerminalThread::Pause()
{
    std::unique_lock guard(lock_);
    paused_ = true;
    changed_.wait(guard, [this] { return !working_; });
}

bool TerminalThread::IsPaused() const
{
    std::lock_guard guard(lock_);
    return paused_;
}

void TerminalThread::RequestTermination()
{
    std::lock_guard guard(lock_);
    terminating_ = true;
    changed_.notify_all();
}

void TerminalThread::WaitForEnd()
{
    if (thread_.joinable()) {
        thread_.join();
    }
}

void TerminalThread::TerminateAndWait()
{
    RequestTermination();
    WaitForEnd();
}

bool TerminalThread::GuiCallPending() const
{
    std::lock_guard guard(lock_);
    return call_ != nullptr && !callDone_;
}

void TerminalThread::Body()
{
    Execute();
    std::lock_guard guard(lock_);
    working_ = false;
    changed_.notify_all();
}

bool TerminalThread::Checkpoint()
{
    std::unique_lock guard(lock_);
    return ParkWhilePaused(guard);
}

bool TerminalThread::SleepFor(std::chrono::milliseconds duration)
{
    std::unique_lock guard(lock_);
    working_ = false;
    changed_.notify_all();
    changed_.wait_for(guard, duration, [this] { return terminating_; });
    return ParkWhilePaused(guard);
}

bool TerminalThread::RunOnGui(const std::function<void()>& op)
{
    std::unique_lock guard(lock_);
    working_ = false;
    call_ = &op;
    callDone_ = false;
    if (!paused_) {
        PostCallEvent();
    }
    changed_.notify_all();
    changed_.wait(guard, [this] { return terminating_ || callDone_; });
    const bool ran = callDone_;
    call_ = nullptr;
    callDone_ = false;
    ParkWhilePaused(guard);
    return ran;
}

bool TerminalThread::ParkWhilePaused(std::unique_lock<std::mutex>& guard)
{
    working_ = false;
    changed_.notify_all();
    changed_.wait(guard, [this] { return terminating_ || !paused_; });
    if (terminating_) {
        return false;
    }
    working_ = true;
    return true;
}

void TerminalThread::PostCallEvent()
{
    // Allocated under the lock, so whatever the GUI thread reads once it holds the lock was
    // written before it.
    callPosted_ = true;
    QCoreApplication::postEvent(target_.get(), new QEvent(CallEventType()));
}

void TerminalThread::ServeCall()
{
    const std::function<void()>* op = nullptr;
    {
        std::lock_guard guard(lock_);
        callPosted_ = false;
        // Paused or stopping: a call queued before that must not touch the port or the pane.
        if (call_ == nullptr || callDone_ || paused_ || terminating_) {
            return;
        }
        op = call_;
    }
    // Only the GUI thread can abandon the call (by requesting termination), and it is busy here,
    // so op stays valid while it runs.
    (*op)();
    std::lock_guard guard(lock_);
    callDone_ = true;
    changed_.notify_all();
}

} // namespace kora
