// Interoperability with an independent XMODEM implementation: lrzsz's rx receives from our
// sender, lrzsz's sx sends to the simulator's transfer tool.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <thread>

#include "ChildProcess.h"
#include "RxConsole.h"
#include "TransferTestKit.h"
#include "sim/DosFileSystem.h"
#include "sim/Simulator.h"
#include "sim/XmodemReceiver.h"
#include "support/PtyPair.h"

namespace kora::test {
namespace {

using namespace std::chrono_literals;

// The upload's own time-out. rx answers an EOT only after a second of silence; the sender's
// first EOT waits two seconds for its answer.
constexpr std::uint32_t kRxTimeoutMs = 500;

struct RxCase {
    std::size_t size;
    UploadPacing pacing;
    std::uint8_t padding = 0x00;
};

class OurSenderToRx : public ::testing::TestWithParam<RxCase> {};

TEST_P(OurSenderToRx, FileArrivesWithItsPadding)
{
    const std::size_t size = GetParam().size;
    PtyPair line; // fresh for every upload: rx leaves its mark on a terminal
    ASSERT_TRUE(line.ok());
    TempFolder source;
    TempFolder rxFolder;
    const auto bytes = RandomBytes(size, static_cast<std::uint32_t>(size));
    const auto file = source.write("DATA.BIN", bytes);

    SerialPort port(line.slavePath());
    ASSERT_TRUE(OpenTransferPort(port, kRxTimeoutMs));
    RecordingLog log;
    RxConsole console(line, rxFolder.path(), std::chrono::milliseconds(4 * kRxTimeoutMs));
    TThreadXModem worker;
    worker.Port = &port;
    worker.StatusMemo = &log;
    worker.LocalPath = file.string();
    worker.DeviceName = "D:\\DATA.BIN";
    worker.Pacing = GetParam().pacing;
    worker.PadByte = GetParam().padding;
    ASSERT_EQ(RunUpload(worker, 60s), 0) << console.failure();
    console.join();

    ASSERT_TRUE(console.failure().empty()) << console.failure();
    EXPECT_EQ(console.command(), "C:\\transfer /R D:\\DATA.BIN\r");
    EXPECT_EQ(console.rxExitCode(), 0);
    EXPECT_EQ(ReadWholeFile(rxFolder.path() / "DATA.BIN"), PaddedTo128(bytes, GetParam().padding));
    // rx answers the EOT after the second of silence the first EOT waits for, but on a
    // pseudo-terminal it throws that ACK away now and then as it restores the terminal: the
    // sender then lists D: and finds the file there.
    EXPECT_EQ(log.lines[1], "<<Transferring File...>>");
    EXPECT_TRUE(log.lines ==
                    std::vector<std::string>({log.lines[0], log.lines[1], "<<Get ACK for EOT>>"}) ||
                log.lines.back() == TThreadXModem::kKept)
        << ::testing::PrintToString(log.lines);
}

// rx takes the next block straight after its ACK as well as 5 ms later, and a last block filled
// with Ctrl-Z (a text file's) with the checksum over it.
INSTANTIATE_TEST_SUITE_P(Sizes, OurSenderToRx,
                         ::testing::Values(RxCase{129, UploadPacing::Paced, 0x1A},
                                           RxCase{33000, UploadPacing::Paced},
                                           RxCase{33000, UploadPacing::Fast}),
                         [](const auto& info) {
                             return std::to_string(info.param.size) +
                                    (info.param.pacing == UploadPacing::Fast ? "Fast" : "Paced") +
                                    (info.param.padding == 0x1A ? "EndOfFileMark" : "");
                         });

TEST(SxToSimulator, ChecksumModeUploadIsStoredWithItsPadding)
{
    sim::Simulator simulator;
    auto options = std::make_shared<sim::TransferToolOptions>();
    sim::RegisterTransferCommand(simulator, options);
    std::string error;
    ASSERT_TRUE(simulator.start(&error)) << error;
    TempFolder folder;

    for (const std::size_t size : {std::size_t{300}, std::size_t{4096}}) {
        const auto bytes = RandomBytes(size, static_cast<std::uint32_t>(size) + 1);
        const auto file = folder.write("sx.bin", bytes);
        const int terminal =
            ::open(simulator.terminalPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(terminal, 0);
        ASSERT_TRUE(MakeRaw(terminal));
        // The prompt and anything else still on the line.
        while (ReadByteWithin(terminal, 300ms)) {
        }
        ASSERT_TRUE(TypeWithEcho(terminal, "C:\\transfer /R D:\\SX.BIN\r"));

        ChildProcess sx;
        ASSERT_TRUE(sx.start({"sx", "-b", file.string()}, terminal, folder.path(),
                             folder.path() / "sx.log"));
        EXPECT_EQ(sx.waitForExit(40s), 0);

        std::optional<std::string> stored;
        for (int i = 0; i < 200 && !stored; ++i) {
            stored = simulator.fileSystem().readFile("D:\\SX.BIN");
            std::this_thread::sleep_for(10ms);
        }
        ::close(terminal);
        ASSERT_TRUE(stored) << size;
        // sx pads the last block with ^Z; the receiver keeps the padding.
        const auto expected = PaddedTo128(bytes, 0x1A);
        EXPECT_EQ(std::vector<std::uint8_t>(stored->begin(), stored->end()), expected) << size;
        simulator.fileSystem().deleteFile("D:\\SX.BIN");
    }
}

} // namespace
} // namespace kora::test
