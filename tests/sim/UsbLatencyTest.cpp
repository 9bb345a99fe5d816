// Output delivered as a USB adapter does (held until its latency timer runs out or a packet
// fills), met by the utility's quick timing.
#include <gtest/gtest.h>

#include "SimTestKit.h"
#include "support/SimFixture.h"

using namespace kora;
using namespace kora::test;

namespace {

class UsbAdapterConsole : public SimFixture {
protected:
    sim::SimulatorOptions simulatorOptions() const override
    {
        sim::SimulatorOptions options;
        options.baudRate = 57600;
        options.usbLatencyMs = 16;
        return options;
    }
};

} // namespace

// Echoes arrive a latency late and output in 64-byte packets, so a prompt may come split
// across two packets or glued to the end of a listing: quick timing must still end each read at
// the prompt, lose no line and fail no echo. Patient timing, which waits for silence, reads the
// same lines.
TEST_F(UsbAdapterConsole, QuickTimingReadsEveryLineToItsPromptFromPacketisedOutput)
{
    const std::vector<std::string> commands = {"d:\r",      "cd\\LOG\r", "dir\r",
                                               "C:\\mem\r", "cd\\\r",    "dir/s\r"};
    const CapturedRun patient =
        RunCommands(portName(), commands, {.timeoutMs = 200, .timing = ExchangeTiming::Patient});
    ASSERT_TRUE(patient.result.ok) << patient.result.message;
    const CapturedRun quick =
        RunCommands(portName(), commands, {.timeoutMs = 200, .timing = ExchangeTiming::Quick});
    EXPECT_TRUE(quick.result.ok) << quick.result.message;
    EXPECT_EQ(quick.rawLines, patient.rawLines);
    EXPECT_GT(quick.rawLines.size(), 40u);
}
