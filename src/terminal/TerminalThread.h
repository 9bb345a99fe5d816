#pragma once

#include "guicall/GuiCallChannel.h"
#include "link/UniqueFd.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace kora {

// A worker thread of the terminal: created paused, resumed and paused again by the GUI thread,
// asked to terminate and waited for. The thread body is Execute().
//
// Pausing is cooperative. The body is "at rest" only at its safe points (Checkpoint, SleepFor,
// RunOnGui); Pause() marks the thread paused and returns once the body is at rest, so from then
// on it takes nothing from the port or the queue and writes nothing to the pane until Resume().
// The body is never at work while waiting for the GUI thread, so Pause() never waits on a
// thread that waits on the GUI. A wait of the body that is at work (for input on a port) also
// watches WakeHandle(), which Pause() and RequestTermination() knock on, so it ends at once.
//
// The synchronised call (RunOnGui) hands an operation to the GUI thread through a
// GuiCallChannel and waits for it. Pausing holds the channel: when the GUI thread gets to the
// call while the thread is paused, the call does nothing and stays pending; it runs after
// Resume(). Termination abandons the channel, so waiting for the end never needs the GUI thread
// to run anything.
//
// Construct, control and destroy it on the GUI thread (the thread whose event loop runs the
// synchronised calls).
class TerminalThread {
public:
    TerminalThread(const TerminalThread&) = delete;
    TerminalThread& operator=(const TerminalThread&) = delete;
    virtual ~TerminalThread();

    // Starts the thread on first use, otherwise lets it continue where it was paused.
    void Resume();
    // Returns once the body is at a safe point.
    void Pause();
    bool IsPaused() const;
    void RequestTermination();
    // Waits until the body has ended. Prompt after RequestTermination: every wait of the body
    // ends on termination, and none needs the GUI thread.
    void WaitForEnd();
    // Both of the above; what the destructors do.
    void TerminateAndWait();
    // Whether a synchronised call is waiting for the GUI thread (for diagnostics and tests).
    bool GuiCallPending() const;

protected:
    TerminalThread();

    // The thread body; loops until Checkpoint() (or another safe point) reports termination.
    virtual void Execute() = 0;

    // Safe point of the body: parks while paused. False once termination has been requested.
    bool Checkpoint();
    // Sleeps (cut short by termination), then parks while paused. False once terminating.
    bool SleepFor(std::chrono::milliseconds duration);
    // The synchronised call. True when op ran on the GUI thread; false when termination came
    // first. Afterwards the body parks while paused.
    bool RunOnGui(const std::function<void()>& op);
    // Readable once Pause() or RequestTermination() has been called since the last
    // ClearWake(): a wait that watches it besides a port ends then, and the body goes on to
    // its next safe point.
    int WakeHandle() const { return wake_.get(); }
    void ClearWake();

private:
    void Body();
    // With lock_ held: leave work, wait while paused, resume work. False when terminating.
    bool ParkWhilePaused(std::unique_lock<std::mutex>& lock);

    // Taken before the channel's own lock wherever both are held.
    mutable std::mutex lock_;
    std::condition_variable changed_;
    bool paused_ = true;
    bool terminating_ = false;
    bool working_ = false; // the body is between safe points
    GuiCallChannel gui_;   // outlives the thread, which is joined first
    UniqueFd wake_;        // an eventfd; see WakeHandle()
    std::thread thread_;
};

} // namespace kora
