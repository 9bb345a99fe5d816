#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <chrono>

namespace kora::test {

// Runs the GUI thread's events (where the terminal threads' synchronised calls run) until the
// condition holds or the time is up; returns the condition.
template <typename Condition>
bool RunEventsUntil(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(5))
{
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer tick; // wakes the loop so the limit is noticed
    tick.start(5);
    while (!condition()) {
        if (elapsed.elapsed() > limit.count()) {
            return condition();
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

inline void RunEventsFor(std::chrono::milliseconds duration)
{
    RunEventsUntil([] { return false; }, duration);
}

} // namespace kora::test
