#include "terminal/TerminalThread.h"

#include <sys/eventfd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace kora {

namespace {

void Knock(int eventFd)
{
    const std::uint64_t one = 1;
    // Cannot fail short of a full counter, which then wakes the waiter all the same.
    static_cast<void>(::write(eventFd, &one, sizeof one));
}

} // namespace

TerminalThread::TerminalThread() : wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (!wake_) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
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
    gui_.Release();
    changed_.notify_all();
}

void TerminalThread::Pause()
{
    std::unique_lock guard(lock_);
    paused_ = true;
    // Paused: a call queued before this must not touch the port or the pane.
    gui_.Hold();
    Knock(wake_.get());
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
    gui_.Abandon();
    Knock(wake_.get());
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

void TerminalThread::ClearWake()
{
    std::uint64_t count = 0;
    static_cast<void>(::read(wake_.get(), &count, sizeof count));
}

bool TerminalThread::GuiCallPending() const
{
    return gui_.Pending();
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
    {
        // Waiting for the GUI thread is a safe point: Pause() must not wait for this thread
        // while this thread waits for the GUI thread.
        std::lock_guard guard(lock_);
        working_ = false;
        changed_.notify_all();
    }
    const bool ran = gui_.RunAndWait(op);
    std::unique_lock guard(lock_);
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

} // namespace kora
