// Pacing at a baud rate: a byte costs ten bit times on the wire, both ways.
#include <gtest/gtest.h>

#include "SimTestKit.h"
#include "support/SimFixture.h"

using namespace kora;
using namespace kora::test;
using namespace std::chrono_literals;

namespace {

class PacedConsole : public SimFixture {
protected:
    static constexpr unsigned kBaud = 19200;
    sim::SimulatorOptions simulatorOptions() const override
    {
        sim::SimulatorOptions options;
        options.baudRate = kBaud;
        return options;
    }
    static std::chrono::microseconds wireTime(std::size_t bytes)
    {
        return std::chrono::microseconds(bytes * 10'000'000ull / kBaud);
    }
};

} // namespace

TEST_F(PacedConsole, OutputTakesItsWireTime)
{
    RawConsole console(portName());
    ASSERT_TRUE(console.isOpen());
    console.readQuiet(50ms);
    console.type("dir/s\r");
    const auto start = std::chrono::steady_clock::now();
    const std::string output = console.readUntil("\r\nC:\\>", 10s);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(output.ends_with("C:\\>"));
    // The schedule never sends early; a loaded machine may make it late, never much faster.
    EXPECT_GE(elapsed, wireTime(output.size()) * 9 / 10) << output.size() << " bytes";
    EXPECT_LT(elapsed, wireTime(output.size()) * 3 + 500ms);
}

TEST_F(PacedConsole, EchoRoundTripCostsTwoByteTimes)
{
    RawConsole console(portName());
    console.readQuiet(50ms);
    constexpr int kBytes = 40;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kBytes; ++i) {
        console.type("x");
        ASSERT_EQ(console.readUntil("x", 1s), "x");
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, wireTime(2 * kBytes) * 9 / 10);
    console.type("\x03");
}
