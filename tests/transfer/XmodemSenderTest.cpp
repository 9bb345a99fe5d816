// The upload worker against a scripted receiver on a real pseudo-terminal.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <memory>
#include <numeric>
#include <thread>

#include "ScriptedReceiver.h"
#include "TransferTestKit.h"
#include "support/PtyPair.h"
#include "transfer/XmodemProtocol.h"

namespace kora::test {
namespace {

using namespace std::chrono_literals;
using Script = ScriptedReceiver::Script;
using Frame = ScriptedReceiver::Frame;

// Five CAN stop a running receiver; five backspaces then empty a console line that got the
// CAN bytes because no receiver was running.
const std::vector<std::uint8_t> kCancelBytes{xmodem::CAN, xmodem::CAN, xmodem::CAN, xmodem::CAN,
                                             xmodem::CAN, xmodem::BS,  xmodem::BS,  xmodem::BS,
                                             xmodem::BS,  xmodem::BS};

bool EndsWithCancel(const std::vector<std::uint8_t>& received)
{
    return received.size() >= kCancelBytes.size() &&
           std::equal(kCancelBytes.begin(), kCancelBytes.end(),
                      received.end() - static_cast<long>(kCancelBytes.size()));
}
const std::string kCommandShown = "C:\\transfer /R D:\\DATA.BIN";

std::string Bytes(std::initializer_list<std::uint8_t> bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// Checks one frame byte for byte: SOH, number, complement, data + zero padding, checksum.
void ExpectFrame(const Frame& frame, std::uint8_t number, const std::uint8_t* data,
                 std::size_t length)
{
    ASSERT_EQ(frame.size(), 132u);
    EXPECT_EQ(frame[0], 0x01);
    EXPECT_EQ(frame[1], number);
    EXPECT_EQ(frame[2], static_cast<std::uint8_t>(0xFF - number));
    EXPECT_TRUE(std::equal(data, data + length, frame.begin() + 3));
    EXPECT_TRUE(std::all_of(frame.begin() + 3 + static_cast<long>(length), frame.begin() + 131,
                            [](std::uint8_t byte) { return byte == 0; }));
    const unsigned sum = std::accumulate(data, data + length, 0u);
    EXPECT_EQ(frame[131], static_cast<std::uint8_t>(sum & 0xFF));
}

class XmodemSender : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(line_.ok());
        port_ = std::make_unique<SerialPort>(line_.slavePath());
        ASSERT_TRUE(OpenTransferPort(*port_, kTransferTimeoutMs));
    }

    std::int32_t Upload(const std::filesystem::path& file, Script script,
                        const std::function<void(TThreadXModem&)>& onPoll = {})
    {
        receiver_ = std::make_unique<ScriptedReceiver>(line_, std::move(script));
        TThreadXModem worker;
        worker.Port = port_.get();
        worker.StatusMemo = &log_;
        worker.LocalPath = file.string();
        worker.DeviceName = "D:\\DATA.BIN";
        const std::int32_t result = RunUpload(worker, 30s, onPoll);
        progress_ = worker.Progress.load();
        receiver_->stop();
        return result;
    }

    // The lines after the command and the announcement.
    std::vector<std::string> StatusAfterStart() const
    {
        if (log_.lines.size() < 2) {
            return {};
        }
        return {log_.lines.begin() + 2, log_.lines.end()};
    }

    PtyPair line_;
    std::unique_ptr<SerialPort> port_;
    TempFolder folder_;
    RecordingLog log_;
    std::unique_ptr<ScriptedReceiver> receiver_;
    std::int32_t progress_ = -1;
};

TEST_F(XmodemSender, EmptyFileGoesStraightToEotAndShowsTheClosingOutput)
{
    const auto file = folder_.write("empty.bin", {});
    EXPECT_EQ(Upload(file, Script{}), 0);

    EXPECT_EQ(receiver_->command(), kCommandShown + "\r");
    EXPECT_TRUE(receiver_->frames().empty());
    EXPECT_EQ(receiver_->received(), std::vector<std::uint8_t>{xmodem::EOT});
    // The prompt ends the closing output and is not shown.
    EXPECT_EQ(log_.lines, (std::vector<std::string>{kCommandShown, "<<Transferring File...>>",
                                                    "<<Get ACK for EOT>>", "File received"}));
}

TEST_F(XmodemSender, LastBlockIsZeroPaddedAndChecksummedOverItsDataOnly)
{
    const auto bytes = RandomBytes(129, 7);
    const auto file = folder_.write("b129.bin", bytes);
    EXPECT_EQ(Upload(file, Script{}), 0);

    const auto frames = receiver_->frames();
    ASSERT_EQ(frames.size(), 2u);
    ExpectFrame(frames[0], 1, bytes.data(), 128);
    ExpectFrame(frames[1], 2, bytes.data() + 128, 1);
    EXPECT_EQ(frames[1][131], bytes[128]);
    EXPECT_EQ(progress_, 100);
}

TEST_F(XmodemSender, ExactBlockSendsOneBlockAndNoEmptyOne)
{
    const auto bytes = RandomBytes(128, 8);
    const auto file = folder_.write("b128.bin", bytes);
    EXPECT_EQ(Upload(file, Script{}), 0);

    const auto frames = receiver_->frames();
    ASSERT_EQ(frames.size(), 1u);
    ExpectFrame(frames[0], 1, bytes.data(), 128);
    EXPECT_EQ(receiver_->received().back(), xmodem::EOT);
}

TEST_F(XmodemSender, BlockNumbersWrapToZeroAfter255AcrossFileChunks)
{
    const auto bytes = RandomBytes(256 * 128 + 1, 9);
    const auto file = folder_.write("wrap.bin", bytes);
    EXPECT_EQ(Upload(file, Script{}), 0);

    const auto frames = receiver_->frames();
    ASSERT_EQ(frames.size(), 257u);
    ExpectFrame(frames[254], 255, bytes.data() + 254 * 128, 128);
    ExpectFrame(frames[255], 0, bytes.data() + 255 * 128, 128);
    EXPECT_EQ(frames[255][2], 0xFF);
    ExpectFrame(frames[256], 1, bytes.data() + 256 * 128, 1);
    // Every block, also across the 4096-byte read boundaries, carries its own slice.
    for (std::size_t i = 0; i < 256; ++i) {
        ASSERT_TRUE(std::equal(frames[i].begin() + 3, frames[i].begin() + 131,
                               bytes.begin() + static_cast<long>(i * 128)))
            << "block " << i + 1;
    }
    EXPECT_EQ(progress_, 100);
}

TEST_F(XmodemSender, BlockAcceptedAfterNineNaksAndTheNextOneFollows)
{
    const auto bytes = RandomBytes(200, 10);
    const auto file = folder_.write("nak9.bin", bytes);
    Script script;
    script.answerFrame = [](std::size_t index, const Frame&) {
        return Bytes({index < 9 ? xmodem::NAK : xmodem::ACK});
    };
    EXPECT_EQ(Upload(file, script), 0);

    const auto frames = receiver_->frames();
    ASSERT_EQ(frames.size(), 11u);
    for (std::size_t i = 1; i < 10; ++i) {
        EXPECT_EQ(frames[i], frames[0]) << "retransmission " << i;
    }
    ExpectFrame(frames[10], 2, bytes.data() + 128, 72);
    EXPECT_EQ(log_.lines.back(), "File received");
}

TEST_F(XmodemSender, TenthNakFailsTheBlockAndStopsTheReceiver)
{
    const auto file = folder_.write("nak10.bin", RandomBytes(300, 11));
    Script script;
    script.answerFrame = [](std::size_t, const Frame&) { return Bytes({xmodem::NAK}); };
    EXPECT_EQ(Upload(file, script), -1);

    EXPECT_EQ(receiver_->frames().size(), 10u);
    const auto received = receiver_->received();
    ASSERT_EQ(received.size(), 10 * 132u + kCancelBytes.size());
    EXPECT_TRUE(EndsWithCancel(received));
    EXPECT_EQ(StatusAfterStart(), std::vector<std::string>{TThreadXModem::kNoAckFromDevice});
    EXPECT_EQ(progress_, 0);
}

TEST_F(XmodemSender, SilentReceiverCountsReadsAsAttempts)
{
    const auto file = folder_.write("mute.bin", RandomBytes(140, 12));
    Script script;
    // The first block is answered after three silent reads; the second never.
    script.answerFrame = [](std::size_t index, const Frame&) {
        if (index == 0) {
            std::this_thread::sleep_for(
                std::chrono::milliseconds(3 * 2 * kTransferTimeoutMs + kTransferTimeoutMs));
            return Bytes({xmodem::ACK});
        }
        return std::string();
    };
    EXPECT_EQ(Upload(file, script), -1);

    // Block 2 is sent once: its ten attempts go to silent reads.
    const auto frames = receiver_->frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1][1], 2);
    EXPECT_EQ(receiver_->received().size(), 2 * 132u + kCancelBytes.size());
    EXPECT_TRUE(EndsWithCancel(receiver_->received()));
    EXPECT_EQ(progress_, 91); // 128 of 140 bytes
}

TEST_F(XmodemSender, TenthTransmissionIsTheLastAttemptEvenWithASilentRead)
{
    const auto file = folder_.write("late.bin", RandomBytes(100, 13));
    Script script;
    // Nine NAKs use nine attempts; the tenth copy's ACK comes after one silent read, too late.
    script.answerFrame = [](std::size_t index, const Frame&) {
        if (index < 9) {
            return Bytes({xmodem::NAK});
        }
        std::this_thread::sleep_for(
            std::chrono::milliseconds(2 * kTransferTimeoutMs + kTransferTimeoutMs));
        return Bytes({xmodem::ACK});
    };
    EXPECT_EQ(Upload(file, script), -1);
    EXPECT_EQ(receiver_->frames().size(), 10u);
}

TEST_F(XmodemSender, ReceiverCancelEndsWithoutFurtherStatusOrBytes)
{
    const auto file = folder_.write("can.bin", RandomBytes(600, 13));
    Script script;
    script.answerFrame = [](std::size_t index, const Frame&) {
        return Bytes({index == 1 ? xmodem::CAN : xmodem::ACK});
    };
    EXPECT_EQ(Upload(file, script), -1);

    EXPECT_EQ(receiver_->frames().size(), 2u);
    // The receiver stopped itself: no CAN back, no EOT.
    EXPECT_EQ(receiver_->received().size(), 2 * 132u);
    // One line says who ended it.
    EXPECT_EQ(StatusAfterStart(), std::vector<std::string>{TThreadXModem::kCancelledByDevice});
    EXPECT_EQ(progress_, 21); // 128 of 600
}

TEST_F(XmodemSender, CancelInDataPhasePutsFiveCanAfterAWholeBlock)
{
    const auto file = folder_.write("cancel.bin", RandomBytes(40 * 128, 14));
    Script script;
    script.answerFrame = [](std::size_t, const Frame&) {
        std::this_thread::sleep_for(15ms); // leaves the cancel time to land mid-exchange
        return Bytes({xmodem::ACK});
    };
    std::size_t framesAtCancel = 0;
    EXPECT_EQ(Upload(file, script,
                     [&](TThreadXModem& worker) {
                         if (framesAtCancel == 0 && receiver_->frameCount() >= 3) {
                             framesAtCancel = receiver_->frameCount();
                             worker.CancelRequested = true;
                         }
                     }),
              -1);

    const auto frames = receiver_->frames();
    ASSERT_GE(frames.size(), framesAtCancel);
    ASSERT_LE(frames.size(), framesAtCancel + 1);
    const auto received = receiver_->received();
    ASSERT_EQ(received.size(), frames.size() * 132 + kCancelBytes.size());
    EXPECT_TRUE(EndsWithCancel(received));
    for (const auto& frame : frames) {
        EXPECT_EQ(frame.size(), 132u);
    }
    // What the controller printed after the CAN bytes is the status; the cancel text is not.
    EXPECT_EQ(StatusAfterStart(), std::vector<std::string>{"Transfer cancelled by sender"});
    EXPECT_LT(progress_, 100);
}

TEST_F(XmodemSender, CancelWhileWaitingForTheReceiverStillStopsIt)
{
    const auto file = folder_.write("early.bin", RandomBytes(10, 15));
    Script script;
    script.inviteEvery = 0ms; // a receiver that never asks
    EXPECT_EQ(Upload(file, script, [](TThreadXModem& worker) { worker.CancelRequested = true; }),
              -1);

    EXPECT_EQ(log_.lines,
              (std::vector<std::string>{kCommandShown, "<<Transferring cancelled...>>"}));
    // The receiver was started by the command: it is told to stop.
    EXPECT_EQ(receiver_->received(), kCancelBytes);
}

TEST_F(XmodemSender, CrcRequestNeverStartsTheTransfer)
{
    const auto file = folder_.write("crc.bin", RandomBytes(10, 16));
    Script script;
    script.invite = 'C';
    script.inviteEvery = 4ms;
    EXPECT_EQ(Upload(file, script), -1);

    EXPECT_TRUE(receiver_->frames().empty());
    EXPECT_EQ(log_.lines, (std::vector<std::string>{kCommandShown, "<<No ACK from KORA-7740P>>"}));
    EXPECT_EQ(receiver_->received(), kCancelBytes);
}

TEST_F(XmodemSender, EotAnsweredOnTheTenthAttemptCountsAsAcknowledged)
{
    const auto file = folder_.write("eot.bin", RandomBytes(5, 17));
    Script script;
    script.answerEot = [](int index) { return index == 10 ? Bytes({xmodem::ACK}) : std::string(); };
    EXPECT_EQ(Upload(file, script), 0);
    EXPECT_EQ(receiver_->eotCount(), 10);
    EXPECT_EQ(StatusAfterStart(),
              (std::vector<std::string>{"<<Get ACK for EOT>>", "File received"}));
}

TEST_F(XmodemSender, EotNeverAcknowledgedIsNoSuccessWithoutTheListing)
{
    const auto file = folder_.write("noeot.bin", RandomBytes(5, 18));
    Script script;
    // The console returns to its prompt after the last EOT, without an ACK; then it echoes
    // nothing, so the listing that would decide cannot be made.
    script.answerEot = [](int index) { return index == 10 ? "\r\nD:\\>" : std::string(); };
    EXPECT_EQ(Upload(file, script), -1);
    EXPECT_EQ(receiver_->eotCount(), 10);
    EXPECT_EQ(StatusAfterStart(),
              (std::vector<std::string>{
                  TThreadXModem::kEndRefused, TThreadXModem::kCheckingKept, "d:", RetryLine("d:\r"),
                  "d:", RetryLine("d:\r"), "d:",
                  "<<Could not check that KORA-7740P kept the file: Unable to send command!>>"}));
}

TEST_F(XmodemSender, WrongEchoStopsTypingAndSaysWhy)
{
    const auto file = folder_.write("echo.bin", RandomBytes(5, 19));
    const std::string typed = kCommandShown + "\r";
    // What was typed is erased, one backspace more for a character the console may have taken
    // twice. Before the final carriage return the tool cannot have started; on the carriage
    // return it may have: it is told to stop, and nothing is erased (it would take the
    // backspaces for data).
    const auto erase = [](std::size_t count) { return std::vector<std::uint8_t>(count, '\b'); };
    for (const auto& [wrongAt, after] :
         {std::pair{3, erase(4)}, std::pair{static_cast<int>(typed.size()), kCancelBytes}}) {
        log_.lines.clear();
        Script script;
        script.wrongEchoAt = wrongAt;
        EXPECT_EQ(Upload(file, script), -1) << wrongAt;
        EXPECT_EQ(receiver_->command(), typed.substr(0, static_cast<std::size_t>(wrongAt)));
        EXPECT_EQ(receiver_->received(), after) << wrongAt;
        EXPECT_EQ(log_.lines,
                  (std::vector<std::string>{kCommandShown,
                                            "<<Unable to send command '" + kCommandShown + "'!>>"}))
            << wrongAt;
    }
    // A last character the console took twice ("...DATA.BINN") fails on the carriage return,
    // whose check reads the second echo: the carriage return is typed without throwing it away.
    log_.lines.clear();
    Script script;
    script.doubleEchoAt = static_cast<int>(kCommandShown.size());
    EXPECT_EQ(Upload(file, script), -1);
    EXPECT_EQ(receiver_->command(), typed);
    EXPECT_EQ(receiver_->received(), kCancelBytes);
}

TEST_F(XmodemSender, ARefusalAndAPromptEndTheWaitAtOnceWithTheRefusalShown)
{
    const auto file = folder_.write("refused.bin", RandomBytes(5, 22));
    Script script;
    script.inviteEvery = 0ms;
    script.afterEcho = "\nInvalid path\r\n\r\nD:\\>";
    EXPECT_EQ(Upload(file, script), -1);

    EXPECT_EQ(log_.lines, (std::vector<std::string>{kCommandShown, "Invalid path",
                                                    "<<No ACK from KORA-7740P>>"}));
    // The console is at its prompt: neither CAN nor backspaces would be anything but typing.
    EXPECT_TRUE(receiver_->received().empty());
}

TEST_F(XmodemSender, UnreadableFilesAreReportedWithoutTouchingTheLine)
{
    for (const std::string& path :
         {(folder_.path() / "missing.bin").string(), folder_.path().string()}) {
        log_.lines.clear();
        EXPECT_EQ(Upload(path, Script{}), -1) << path;
        EXPECT_EQ(log_.lines, std::vector<std::string>{"<<Cannot Open Send File>>"});
        EXPECT_TRUE(receiver_->command().empty());
    }
}

TEST_F(XmodemSender, LocalReadErrorSendsNoEotButStopsTheReceiver)
{
    // A regular file whose first read fails with EIO.
    EXPECT_EQ(Upload("/proc/self/mem", Script{}), -1);
    EXPECT_EQ(StatusAfterStart(), std::vector<std::string>{"<<Error Reading File>>"});
    EXPECT_EQ(receiver_->received(), kCancelBytes);
}

TEST_F(XmodemSender, MissingPortOrPaneFailsAtOnce)
{
    TThreadXModem worker;
    worker.StatusMemo = &log_;
    EXPECT_EQ(RunUpload(worker, 5s), -1);
    TThreadXModem other;
    other.Port = port_.get();
    EXPECT_EQ(RunUpload(other, 5s), -1);
    EXPECT_TRUE(log_.lines.empty());
}

TEST_F(XmodemSender, DestroyingARunningWorkerDoesNotLockUp)
{
    const auto file = folder_.write("abandon.bin", RandomBytes(64 * 128, 20));
    Script script;
    script.answerFrame = [](std::size_t, const Frame&) {
        std::this_thread::sleep_for(5ms);
        return Bytes({xmodem::ACK});
    };
    receiver_ = std::make_unique<ScriptedReceiver>(line_, script);
    {
        TThreadXModem worker;
        worker.Port = port_.get();
        worker.StatusMemo = &log_;
        worker.LocalPath = file.string();
        worker.DeviceName = "D:\\DATA.BIN";
        worker.Resume();
        while (receiver_->frameCount() < 2) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(2ms);
        }
        // The owner goes away without polling; the worker's status calls must still get
        // through.
    }
    receiver_->stop();
    EXPECT_TRUE(EndsWithCancel(receiver_->received()));
}

TEST(XmodemProgress, SixtyFourBitProductAndBounds)
{
    EXPECT_EQ(xmodem::PercentAcknowledged(45'000'000, 50'000'000), 90);
    EXPECT_EQ(xmodem::PercentAcknowledged(128, 129), 99);
    EXPECT_EQ(xmodem::PercentAcknowledged(129, 129), 100);
    EXPECT_EQ(xmodem::PercentAcknowledged(300, 129), 100);
    EXPECT_EQ(xmodem::PercentAcknowledged(0, 0), 0);
}

} // namespace
} // namespace kora::test
