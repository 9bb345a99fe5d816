// The upload worker against the simulator's transfer tool, and the console afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>

#include "TransferTestKit.h"
#include "link/ConsoleExchange.h"
#include "sim/DosFileSystem.h"
#include "sim/Faults.h"
#include "sim/Simulator.h"
#include "sim/XmodemReceiver.h"
#include "transfer/CopyPlan.h"

namespace kora::test {
namespace {

using namespace std::chrono_literals;

class SimulatorUpload : public TransferToolTest {
protected:
    void SetUp() override
    {
        TransferToolTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        port_ = std::make_unique<SerialPort>(simulator_.terminalPath());
        // The copy's own T: the simulator stands for a controller, whose answers a busy PC
        // does not delay, yet here it shares the PC's cores and may wait for one.
        ASSERT_TRUE(OpenTransferPort(*port_, kCopyTimeoutMs));
    }

    std::int32_t Upload(const std::vector<std::uint8_t>& bytes, const std::string& deviceName,
                        const std::function<void(TThreadXModem&)>& onPoll = {})
    {
        const auto file = folder_.write("upload.bin", bytes);
        TThreadXModem worker;
        worker.Port = port_.get();
        worker.StatusMemo = &log_;
        worker.LocalPath = file.string();
        worker.DeviceName = deviceName;
        worker.CheckedLength = checkedLength_;
        worker.Pacing = pacing_;
        const std::int32_t result = RunUpload(worker, 30s, onPoll);
        progress_ = worker.Progress.load();
        return result;
    }

    std::optional<std::vector<std::uint8_t>> Stored(const std::string& path)
    {
        const auto text = simulator_.fileSystem().readFile(path);
        if (!text) {
            return std::nullopt;
        }
        return std::vector<std::uint8_t>(text->begin(), text->end());
    }

    // The console is back at its prompt: a command typed now is echoed.
    bool ConsoleAnswers()
    {
        DrainInput(*port_);
        return SendCommand(*port_, log_, "dir\r") == CommandSent::Yes;
    }

    // ... and runs it as typed, with nothing left in its line from before.
    bool ConsoleRunsTheNextCommand()
    {
        log_.lines.clear();
        // The prompt wait's budget counts reads (budget / T): enough of them for the whole
        // listing of C:\ at the copy's T.
        PromptWait wait;
        wait.budgetMs = 100 * kCopyTimeoutMs;
        return ConsoleAnswers() && WaitForPrompt(*port_, log_, "", wait) &&
               std::find(log_.lines.begin(), log_.lines.end(), "Bad command or file name") ==
                   log_.lines.end();
    }

    std::unique_ptr<SerialPort> port_;
    TempFolder folder_;
    RecordingLog log_;
    std::int32_t progress_ = -1;
    std::optional<std::uint64_t> checkedLength_;
    UploadPacing pacing_ = UploadPacing::Paced;
};

// What must hold whether or not the sender pauses after each ACK: the file arrives whole, NAKs
// bring the block again, the receiver's CAN and the user's cancel end the upload.
class SimulatorUploadEachPacing : public SimulatorUpload,
                                  public ::testing::WithParamInterface<UploadPacing> {
protected:
    void SetUp() override
    {
        SimulatorUpload::SetUp();
        pacing_ = GetParam();
    }
};

INSTANTIATE_TEST_SUITE_P(Pacing, SimulatorUploadEachPacing,
                         ::testing::Values(UploadPacing::Paced, UploadPacing::Fast),
                         [](const auto& info) {
                             return info.param == UploadPacing::Paced ? "Paced" : "Fast";
                         });

TEST_P(SimulatorUploadEachPacing, RandomFilesArriveByteExactWithZeroPadding)
{
    for (const std::size_t size : {0, 1, 127, 128, 129, 4096, 4097, 40000}) {
        const auto bytes = RandomBytes(size, static_cast<std::uint32_t>(size) + 100);
        const std::string name = "D:\\F" + std::to_string(size) + ".BIN";
        log_.lines.clear();
        ASSERT_EQ(Upload(bytes, name), 0) << size;
        EXPECT_EQ(Stored(name), PaddedTo128(bytes, 0x00)) << size;
        EXPECT_EQ(progress_, size == 0 ? 0 : 100) << size;
        const std::vector<std::string> expected{
            "C:\\transfer /R " + name, "<<Transferring File...>>", "<<Get ACK for EOT>>",
            "File received: " + std::to_string(PaddedTo128(bytes, 0).size()) + " bytes"};
        EXPECT_EQ(log_.lines, expected) << size;
    }
}

TEST_P(SimulatorUploadEachPacing, RefusedAndDamagedBlocksAreSentAgain)
{
    options_->nakBlock = 2;
    options_->nakTimes = 4;
    options_->corruptBlock = 5;
    options_->corruptTimes = 2;
    const auto bytes = RandomBytes(1000, 3);
    ASSERT_EQ(Upload(bytes, "D:\\NOISY.BIN"), 0);
    EXPECT_EQ(Stored("D:\\NOISY.BIN"), PaddedTo128(bytes, 0x00));
}

TEST_P(SimulatorUploadEachPacing, NakStormsAreRiddenOutUnlessTheyOutlastTheTries)
{
    simulator_.faults().nakStormPercent = 100;
    const auto bytes = RandomBytes(300, 5);
    ASSERT_EQ(Upload(bytes, "D:\\STORM.BIN"), 0);
    EXPECT_EQ(Stored("D:\\STORM.BIN"), PaddedTo128(bytes, 0x00));
    simulator_.faults().nakStormLength = 10;
    EXPECT_EQ(Upload(bytes, "D:\\GONE.BIN"), -1);
    EXPECT_FALSE(Stored("D:\\GONE.BIN"));
    EXPECT_TRUE(ConsoleRunsTheNextCommand());
}

TEST_P(SimulatorUploadEachPacing, ReceiverCancelFailsAndStoresNothing)
{
    options_->cancelAtBlock = 3;
    EXPECT_EQ(Upload(RandomBytes(1000, 4), "D:\\HALF.BIN"), -1);
    EXPECT_EQ(progress_, 25); // two blocks of 1000 bytes
    EXPECT_EQ(log_.lines.back(), TThreadXModem::kCancelledByDevice);
    EXPECT_FALSE(Stored("D:\\HALF.BIN"));
    EXPECT_TRUE(ConsoleRunsTheNextCommand());
}

TEST_F(SimulatorUpload, ConsoleIsBackAtItsPromptAfterAnUnansweredStart)
{
    // A receiver that insists on the CRC variant: no transfer, and the CAN bytes sent after the
    // hundredth attempt stop it, so the next command reaches the console.
    options_->askForCrc = true;
    options_->inviteIntervalMs = 10;
    options_->inviteLimit = 100000;
    EXPECT_EQ(Upload(RandomBytes(10, 5), "D:\\CRC.BIN"), -1);
    EXPECT_EQ(log_.lines.back(), "<<No ACK from KORA-7740P>>");
    EXPECT_TRUE(ConsoleRunsTheNextCommand());
    EXPECT_FALSE(Stored("D:\\CRC.BIN"));
}

TEST_F(SimulatorUpload, ConsoleIsBackAtItsPromptAfterCancellingTheWait)
{
    options_->silent = true;
    options_->inviteLimit = 100000;
    EXPECT_EQ(Upload(RandomBytes(10, 6), "D:\\MUTE.BIN",
                     [](TThreadXModem& worker) { worker.CancelRequested = true; }),
              -1);
    EXPECT_EQ(log_.lines.back(), "<<Transferring cancelled...>>");
    EXPECT_TRUE(ConsoleRunsTheNextCommand());
}

TEST_P(SimulatorUploadEachPacing, ConsoleIsBackAtItsPromptAfterCancellingMidFile)
{
    std::size_t polls = 0;
    EXPECT_EQ(Upload(RandomBytes(64 * 1024, 7), "D:\\BIG.BIN",
                     [&](TThreadXModem& worker) {
                         if (worker.Progress.load() > 0 && ++polls == 1) {
                             worker.CancelRequested = true;
                         }
                     }),
              -1);
    EXPECT_EQ(log_.lines.back(), "Transfer cancelled");
    EXPECT_FALSE(Stored("D:\\BIG.BIN"));
    EXPECT_TRUE(ConsoleRunsTheNextCommand());
}

TEST_F(SimulatorUpload, AFileThatChangesWhileItIsSentFailsAndIsNotKept)
{
    const std::filesystem::path file = folder_.path() / "upload.bin";
    const struct {
        const char* what;
        std::function<void()> change;
    } cases[] = {
        {"grows",
         [&] { std::ofstream(file, std::ios::app | std::ios::binary) << std::string(1000, 'x'); }},
        {"shrinks", [&] { std::filesystem::resize_file(file, 300); }},
        {"is rewritten in place",
         [&] {
             std::fstream rewrite(file, std::ios::in | std::ios::out | std::ios::binary);
             rewrite << std::string(128, 'y');
         }},
    };
    for (const auto& c : cases) {
        log_.lines.clear();
        bool changed = false;
        EXPECT_EQ(Upload(RandomBytes(16 * 1024, 9), "D:\\MIX.BIN",
                         [&](TThreadXModem& worker) {
                             if (!changed && worker.Progress.load() > 0) {
                                 changed = true;
                                 c.change();
                             }
                         }),
                  -1)
            << c.what;
        EXPECT_TRUE(log_.contains(TThreadXModem::kFileChanged)) << c.what;
        EXPECT_FALSE(Stored("D:\\MIX.BIN")) << c.what;
        EXPECT_TRUE(ConsoleRunsTheNextCommand()) << c.what;
    }

    // Another size than the copy checked: it changed before its turn, and nothing is typed.
    log_.lines.clear();
    checkedLength_ = 100;
    EXPECT_EQ(Upload(RandomBytes(101, 9), "D:\\MIX.BIN"), -1);
    EXPECT_EQ(log_.lines, std::vector<std::string>{TThreadXModem::kFileChanged});
}

TEST_F(SimulatorUpload, ARefusedDestinationFailsAtOnceWithItsReason)
{
    EXPECT_EQ(Upload(RandomBytes(10, 9), "D:\\NODIR\\X.BIN"), -1);
    EXPECT_EQ(log_.lines, (std::vector<std::string>{"C:\\transfer /R D:\\NODIR\\X.BIN",
                                                    "Invalid path", "<<No ACK from KORA-7740P>>"}));
    EXPECT_TRUE(ConsoleRunsTheNextCommand()) << ::testing::PrintToString(log_.lines);
}

TEST_F(SimulatorUpload, AStartWhoseLastEchoFailedLeavesTheConsoleClean)
{
    // The carriage return comes back wrong, but the console has taken it: the tool either
    // runs (and must be stopped) or refused at once (and the console's line must stay empty).
    for (const std::string destination : {"D:\\ECHO.BIN", "D:\\NODIR\\ECHO.BIN"}) {
        const std::string command = "C:\\transfer /R " + destination + "\r";
        simulator_.faults().wrongEchoAt = static_cast<int>(command.size());
        EXPECT_EQ(Upload(RandomBytes(10, 10), destination), -1) << destination;
        simulator_.faults().wrongEchoAt = 0;
        EXPECT_TRUE(ConsoleRunsTheNextCommand())
            << destination << ": " << ::testing::PrintToString(log_.lines);
        EXPECT_FALSE(Stored(destination));
    }
}

TEST_F(SimulatorUpload, AnEndThatIsNotCleanCountsOnlyWhenTheListingShowsTheFile)
{
    using sim::Faults;
    const std::string notKept = "<<KORA-7740P did not keep the file: D:\\ holds no file END.BIN>>";
    const struct {
        int end;
        std::int32_t result;
        std::string last;
    } cases[] = {
        {Faults::kTransferEndRefused, -1, notKept},
        {Faults::kTransferEndUnanswered, -1, notKept},
        {Faults::kTransferEndAckedNotKept, -1, notKept},
        {Faults::kTransferEndRefusedKept, 0, TThreadXModem::kKept},
    };
    const auto bytes = RandomBytes(300, 11);
    for (const auto& c : cases) {
        static_cast<void>(simulator_.fileSystem().deleteFile("D:\\END.BIN"));
        simulator_.faults().transferEnd = c.end;
        log_.lines.clear();
        EXPECT_EQ(Upload(bytes, "D:\\END.BIN"), c.result) << c.end;
        EXPECT_EQ(Stored("D:\\END.BIN").has_value(), c.result == 0) << c.end;
        EXPECT_TRUE(log_.contains(TThreadXModem::kCheckingKept)) << c.end;
        EXPECT_EQ(log_.lines.back(), c.last) << c.end;
        simulator_.faults().transferEnd = Faults::kTransferEndAsUsual;
        EXPECT_TRUE(ConsoleRunsTheNextCommand()) << c.end << ::testing::PrintToString(log_.lines);
    }
}

TEST_F(SimulatorUpload, LineThatGoesDeadMidFileFailsTheUpload)
{
    // A controller switched off: every read fails at once or times out, and the worker
    // must end instead of spinning or taking the silence for acknowledgements.
    EXPECT_EQ(Upload(RandomBytes(64 * 1024, 8), "D:\\DEAD.BIN",
                     [&](TThreadXModem& worker) {
                         if (worker.Progress.load() > 0) {
                             simulator_.faults().hangUp = true;
                         }
                     }),
              -1);
    EXPECT_LT(progress_, 100);
    EXPECT_FALSE(Stored("D:\\DEAD.BIN"));
}

} // namespace
} // namespace kora::test
