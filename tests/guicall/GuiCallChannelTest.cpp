#include "guicall/GuiCallChannel.h"

#include <QCoreApplication>

#include "support/EventLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

namespace kora {
namespace {

using namespace std::chrono_literals;

using test::RunEventsFor;
using test::RunEventsUntil;

// A worker thread that makes one synchronised call and keeps its outcome.
class Worker {
public:
    Worker(GuiCallChannel& channel, std::function<void()> call) : call_(std::move(call))
    {
        thread_ = std::thread([this, &channel] {
            const bool ran = channel.RunAndWait(call_);
            // What the call wrote is seen here, after the hand-over.
            seenAfterwards_ = ranOn_;
            ran_ = ran;
            finished_ = true;
        });
    }
    ~Worker() { join(); }
    void join()
    {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    bool finished() const { return finished_; }
    std::optional<bool> ran() const { return finished_ ? std::optional<bool>(ran_) : std::nullopt; }
    std::thread::id seenAfterwards() const { return seenAfterwards_; }

    // Set by the call; read by the worker afterwards.
    std::thread::id ranOn_;

private:
    std::function<void()> call_;
    std::thread::id seenAfterwards_;
    bool ran_ = false;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

TEST(GuiCallChannel, ACallRunsOnTheDeliveryThreadOnceAndTheWorkerSeesItsEffects)
{
    GuiCallChannel channel;
    int runs = 0;
    std::unique_ptr<Worker> worker;
    worker = std::make_unique<Worker>(channel, [&] {
        ++runs;
        worker->ranOn_ = std::this_thread::get_id();
        // A call that lets events through (a status line does) is not run again from inside.
        QCoreApplication::processEvents();
        channel.ServePending();
    });
    ASSERT_TRUE(RunEventsUntil([&] { return worker->finished(); }));
    EXPECT_EQ(worker->ran(), true);
    EXPECT_EQ(worker->seenAfterwards(), std::this_thread::get_id());
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(channel.Pending());

    // Made on the delivery thread itself, a call runs at once.
    EXPECT_TRUE(channel.RunAndWait([&] { ++runs; }));
    EXPECT_EQ(runs, 2);
}

TEST(GuiCallChannel, AHeldCallStaysPendingAndRunsAfterRelease)
{
    GuiCallChannel channel;
    channel.Hold();
    int runs = 0;
    Worker worker(channel, [&] { ++runs; });
    RunEventsFor(100ms);
    EXPECT_EQ(runs, 0);
    EXPECT_TRUE(channel.Pending());
    EXPECT_FALSE(worker.finished());

    channel.Release();
    ASSERT_TRUE(RunEventsUntil([&] { return worker.finished(); }));
    EXPECT_EQ(worker.ran(), true);
    EXPECT_EQ(runs, 1);
}

TEST(GuiCallChannel, AbandoningLetsAWaitingWorkerGoWithoutTheEventLoop)
{
    GuiCallChannel channel;
    int runs = 0;
    Worker worker(channel, [&] { ++runs; });
    while (!channel.Pending()) {
        std::this_thread::sleep_for(1ms);
    }
    channel.Abandon();
    worker.join(); // no event is processed meanwhile
    EXPECT_EQ(worker.ran(), false);
    // Later calls return at once, and nothing runs when the events do come.
    Worker later(channel, [&] { ++runs; });
    later.join();
    EXPECT_EQ(later.ran(), false);
    RunEventsFor(50ms);
    EXPECT_EQ(runs, 0);
}

TEST(GuiCallChannel, AnOwnerWithoutEventLoopServesTheCallItself)
{
    GuiCallChannel channel;
    int runs = 0;
    Worker worker(channel, [&] { ++runs; });
    while (!worker.finished()) {
        channel.ServePending();
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(worker.ran(), true);
    EXPECT_EQ(runs, 1);
}

TEST(GuiCallChannel, AWaitWithoutEventLoopEndsWithTheCallItServesOrWithWake)
{
    GuiCallChannel channel;
    int runs = 0;
    Worker worker(channel, [&] { ++runs; });
    // Far longer than the suite's time-out: only the call can end this wait.
    channel.ServeWithin(1h);
    worker.join();
    EXPECT_EQ(worker.ran(), true);
    EXPECT_EQ(runs, 1);

    std::thread ending([&] { channel.Wake(); });
    channel.ServeWithin(1h);
    ending.join();
}

} // namespace
} // namespace kora
