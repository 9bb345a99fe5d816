// The transfer dialog's figures of the current file: bytes sent, rate and time left.
#include <gtest/gtest.h>

#include "transfer/TransferMeter.h"

namespace kora {
namespace {

using namespace std::chrono_literals;

TEST(TransferMeter, BytesRateAndTimeLeftFromThePercentages)
{
    const auto t0 = TransferMeter::Clock::now();
    const struct {
        int percent;
        std::chrono::milliseconds at; // after the file started
        const char* sent;
        const char* rate; // empty: not known yet
        const char* left;
    } steps[] = {
        {0, 100ms, "0 bytes of 20.0 KB", "", ""},
        {10, 200ms, "2.0 KB of 20.0 KB", "", ""}, // the rate counts from here
        {20, 400ms, "4.0 KB of 20.0 KB", "", ""}, // too soon to tell
        {60, 1200ms, "12.0 KB of 20.0 KB", "10.0 KB/s", "0:01"},
        {99, 1900ms, "19.8 KB of 20.0 KB", "10.5 KB/s", "0:01"},
        {150, 2000ms, "20.0 KB of 20.0 KB", "10.0 KB/s", "0:00"}, // never beyond the file
    };
    TransferMeter meter;
    meter.start(20 * 1024);
    for (const auto& step : steps) {
        const TransferMeter::Reading reading = meter.read(step.percent, t0 + step.at);
        EXPECT_EQ(TransferMeter::SentText(reading), step.sent) << step.percent;
        EXPECT_EQ(TransferMeter::RateText(reading), step.rate) << step.percent;
        EXPECT_EQ(TransferMeter::TimeLeftText(reading), step.left) << step.percent;
    }

    // A new file starts counting afresh; long waits show hours.
    meter.start(3'000'000'000);
    meter.read(1, t0);
    const TransferMeter::Reading slow = meter.read(2, t0 + 10s);
    EXPECT_EQ(TransferMeter::SentText(slow), "57.2 MB of 2861.0 MB");
    EXPECT_EQ(TransferMeter::RateText(slow), "2.9 MB/s");
    EXPECT_EQ(TransferMeter::TimeLeftText(slow), "16:20");
    const TransferMeter::Reading crawl = meter.read(3, t0 + 1000s);
    EXPECT_EQ(TransferMeter::TimeLeftText(crawl), "13:28:20");
}

} // namespace
} // namespace kora
