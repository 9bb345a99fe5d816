#include "terminal/TerminalThread.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace kora {

TerminalThread::TerminalThread() : wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (!wakeFd_) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
    notifier_ = std::make_unique<QSocketNotifier>(wakeFd_.get(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        std::uint64_t knocks = 0;
        while (::read(wakeFd_.get(), &knocks, sizeof knocks) < 0 && errno == EINTR) {
        }
        ServeCall();
    });
}

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
    if (call_ != nullptr && !callDone_ && !callSignalled_) {
        SignalGui();
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
        SignalGui();
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

void TerminalThread::SignalGui()
{
    callSignalled_ = true;
    const std::uint64_t knock = 1;
    while (::write(wakeFd_.get(), &knock, sizeof knock) < 0 && errno == EINTR) {
    }
}

void TerminalThread::ServeCall()
{
    const std::function<void()>* op = nullptr;
    {
        std::lock_guard guard(lock_);
        callSignalled_ = false;
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
