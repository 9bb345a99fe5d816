// The copy's rules (names, destination, the checks before anything is sent) and its queue of
// uploads against the simulator's transfer tool.
#include <QCoreApplication>

#include <gtest/gtest.h>

#include <map>

#include "TransferTestKit.h"
#include "transfer/CopyPlan.h"

namespace kora::test {
namespace {

using namespace std::chrono_literals;

// The rows from "09.AZ" on hold each end of each allowed range and the characters just outside.
TEST(CopyRules, FileNamesTheControllerTakes)
{
    const struct {
        const char* name;
        bool valid;
    } cases[] = {
        {"A.EXE", true},
        {"ABCDEFGH.TXT", true},
        {"README", true},
        {"my_prog.exe", true},
        {"", false},
        // The controller would cut these to 8.3 (or drop the dot), changing the name.
        {"a.b.c", false},
        {"LONGFILENAME.TEXT", false},
        {"ABCDEFGHI", false},
        {"PROG.EXEC", false},
        {"A.", false},
        {".EXE", false},
        {"...", false},
        {"my-prog.exe", false},
        {"MY PROG.EXE", false},
        {"caf\xc3\xa9.txt", false},
        {"A\\B.EXE", false},
        {"A:B", false},
        {"tab\t", false},
        // Each end of every allowed range, and the character just outside it.
        {"09.AZ", true},
        {"az_", true},
        {"A/B", false},
        {"A@B", false},
        {"A[B", false},
        {"A^B", false},
        {"A`B", false},
        {"A{B", false},
        {"A9:", false},
        // A DOS device (IsDosDeviceName): the upload would go to the device.
        {"NUL.TXT", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ValidFileName(c.name), c.valid) << c.name;
    }
}

// The failure box's second paragraph: what the worker's end says, in a sentence.
TEST(CopyRules, AFailedUploadGivesTheReasonTheWorkerStoppedOn)
{
    const std::string start = "C:\\transfer /R D:\\W.BIN\r";
    const struct {
        std::string status;
        bool lineLost;
        std::string reason;
    } cases[] = {
        {"<<KORA-7740P cancelled the transfer>>", false, "KORA-7740P cancelled the transfer."},
        {"<<No ACK from KORA-7740P>>", false, "No ACK from KORA-7740P."},
        {"<<The file changed while it was sent; KORA-7740P did not keep it>>", false,
         "The file changed while it was sent; KORA-7740P did not keep it."},
        // Any reason the worker names reaches the user, said once.
        {"<<Some new reason!>>", false, "Some new reason!"},
        {"<<Already a sentence.>>", false, "Already a sentence."},
        // A block no longer answered leaves the progress line as the worker's status.
        {"<<Transferring File...>>", false, "No ACK from KORA-7740P."},
        {"<<Transferring File...>>", true,
         "The line was lost: the adapter was unplugged or the other end closed it."},
        {"<<Lost the connection to COM1! The line was lost: the adapter was unplugged or the "
         "other end closed it.>>",
         true,
         "Lost the connection to COM1! The line was lost: the adapter was unplugged or the other "
         "end closed it."},
        {start, false,
         "Unable to send command 'C:\\transfer /R D:\\W.BIN'!\n\nPlease make sure the "
         "KORA-7740P is in INIT mode\n\nand no program is running"},
        // A line of the console's is no reason of the worker's.
        {"Transfer aborted", false, ""},
        {"<<>>", false, ""},
        {"", false, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UploadFailureReason(c.status, start, c.lineLost), c.reason) << c.status;
    }
    QueueOutcome outcome;
    outcome.message = "Fail to transfer file 'W.BIN'!";
    EXPECT_EQ(QueueFailureText(outcome), "Fail to transfer file 'W.BIN'!");
    outcome.reason = "No ACK from KORA-7740P.";
    EXPECT_EQ(QueueFailureText(outcome),
              "Fail to transfer file 'W.BIN'!\n\nNo ACK from KORA-7740P.");
}

TEST(CopyRules, DestinationAndNames)
{
    EXPECT_EQ(DeviceDirectory("\\"), "D:\\");
    EXPECT_EQ(DeviceDirectory("\\BIN"), "D:\\BIN\\");
    EXPECT_EQ(DeviceDirectory("\\BIN\\TEST"), "D:\\BIN\\TEST\\");
    EXPECT_EQ(FileNamePart("/home/user/A.EXE"), "A.EXE");
    EXPECT_EQ(FileNamePart("A.EXE"), "A.EXE");
    EXPECT_EQ(InvalidFileNameCaption("my-prog.exe"), "Invalid file name 'my-prog.exe'");
    EXPECT_EQ(TransferFailedMessage("B.BIN"), "Fail to transfer file 'B.BIN'!");
}

TEST(CopyRules, ChecksBeforeAnythingIsSent)
{
    const CopySource folder{"/tmp/dir", false, 0};
    const auto file = [](std::uint64_t size) { return CopySource{"/tmp/f", true, size}; };
    constexpr std::uint64_t kGiB = 1ull << 30;
    const struct {
        std::vector<CopySource> sources;
        std::optional<std::uint64_t> free;
        CopyRefusal refusal;
    } cases[] = {
        {{}, 1000, CopyRefusal::NothingSelected},
        {{file(10), folder}, 1000, CopyRefusal::NotOnlyFiles},
        {{file(10)}, std::nullopt, CopyRefusal::FreeSpaceUnknown},
        {{file(0)}, 1000, CopyRefusal::NotEnoughSpace},
        {{file(999)}, 1000, CopyRefusal::None},
        {{file(1000)}, 1000, CopyRefusal::NotEnoughSpace},
        {{file(500), file(499)}, 1000, CopyRefusal::None},
        // Totals beyond 32 bits neither wrap round nor get cut: 4 GiB + 1 against 5 GiB free
        // fits, two 3 GiB files do not.
        {{file(4 * kGiB), file(1)}, 5 * kGiB, CopyRefusal::None},
        {{file(3 * kGiB), file(3 * kGiB)}, 5 * kGiB, CopyRefusal::NotEnoughSpace},
        {{file(UINT64_MAX), file(2)}, UINT64_MAX, CopyRefusal::NotEnoughSpace},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(CheckCopySelection(cases[i].sources, cases[i].free), cases[i].refusal) << i;
    }
    EXPECT_EQ(CopyRefusalText(CopyRefusal::NotEnoughSpace),
              "There is no enough space on KORA-7740P.");
    EXPECT_EQ(CopyRefusalText(CopyRefusal::NotOnlyFiles), "Only file can be transferred.");
}

class CopyQueue : public TransferToolTest {
protected:
    void SetUp() override
    {
        TransferToolTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        port_ = std::make_unique<SerialPort>(simulator_.terminalPath());
        ASSERT_TRUE(OpenTransferPort(*port_, kCopyTimeoutMs));
    }

    QueuedFile file(const std::string& localName, const std::string& deviceName, std::size_t size)
    {
        const auto bytes = RandomBytes(size, static_cast<std::uint32_t>(size));
        contents_[deviceName] = bytes;
        return {folder_.write(localName, bytes).string(), deviceName};
    }

    QueueOutcome run(const std::vector<QueuedFile>& files, QueueHooks hooks = {})
    {
        const auto poll = hooks.poll;
        hooks.poll = [&, poll](const QueueProgress& progress) {
            QCoreApplication::processEvents();
            seen_.push_back(progress);
            if (poll) {
                poll(progress);
            }
        };
        return UploadQueue(*port_, "D:\\BIN\\", files, log_, hooks);
    }

    bool stored(const std::string& deviceName)
    {
        // The padding's byte is the upload's own rule (a text file's is Ctrl-Z), not this test's.
        const auto text = simulator_.fileSystem().readFile("D:\\BIN\\" + deviceName);
        if (!text) {
            return false;
        }
        const std::vector<std::uint8_t> bytes(text->begin(), text->end());
        return bytes == PaddedTo128(contents_[deviceName], 0) ||
               bytes == PaddedTo128(contents_[deviceName], 0x1A);
    }

    std::unique_ptr<SerialPort> port_;
    TempFolder folder_;
    RecordingLog log_;
    std::map<std::string, std::vector<std::uint8_t>> contents_;
    std::vector<QueueProgress> seen_;
};

TEST_F(CopyQueue, FirstFailureEndsTheQueueAndNamesTheFile)
{
    options_->cancelAtBlock = 3; // the receiver gives up on the third block of any file
    const QueueOutcome outcome =
        run({file("a", "A.BIN", 200), file("b", "B.BIN", 1000), file("c", "C.BIN", 100)});
    EXPECT_EQ(outcome.kind, QueueOutcome::Kind::Failed);
    EXPECT_EQ(outcome.message, "Fail to transfer file 'B.BIN'!");
    EXPECT_EQ(outcome.reason, "KORA-7740P cancelled the transfer.");
    ASSERT_EQ(outcome.sent.size(), 1u);
    EXPECT_TRUE(stored("A.BIN"));
    EXPECT_FALSE(simulator_.fileSystem().exists("D:\\BIN\\B.BIN"));
    EXPECT_FALSE(simulator_.fileSystem().exists("D:\\BIN\\C.BIN"));
    EXPECT_TRUE(log_.contains("C:\\transfer /R D:\\BIN\\A.BIN"));
    ASSERT_FALSE(seen_.empty());
    EXPECT_EQ(seen_.back().index, 1u);
    EXPECT_EQ(seen_.back().count, 3u);
}

TEST_F(CopyQueue, InvalidNamesAreAskedForAgainOrSkipped)
{
    QueueHooks hooks;
    std::vector<std::string> asked;
    hooks.askNewName = [&](const std::string& name) -> std::optional<std::string> {
        asked.push_back(name);
        if (name == "my-prog.exe") {
            return "still bad"; // checked again
        }
        if (name == "still bad") {
            return "MYPROG.EXE";
        }
        return std::nullopt; // skip
    };
    const QueuedFile skippedFile = file("x y.bin", "x y.bin", 10);
    // A second file of the batch that DOS would store under the first one's name is asked for
    // a name too, rather than replacing the first.
    const QueuedFile sameName = file("myprog.exe", "myprog.exe", 20);
    const QueueOutcome outcome = run(
        {file("my-prog.exe", "my-prog.exe", 300), skippedFile, sameName, file("ok", "OK.BIN", 50)},
        hooks);
    EXPECT_EQ(outcome.kind, QueueOutcome::Kind::Completed);
    EXPECT_EQ(asked,
              (std::vector<std::string>{"my-prog.exe", "still bad", "x y.bin", "myprog.exe"}));
    ASSERT_EQ(outcome.sent.size(), 2u);
    EXPECT_EQ(outcome.sent[0].deviceName, "MYPROG.EXE");
    EXPECT_EQ(outcome.skipped,
              (std::vector<std::string>{skippedFile.localPath, sameName.localPath}));
    contents_["MYPROG.EXE"] = contents_["my-prog.exe"];
    EXPECT_TRUE(stored("MYPROG.EXE"));
    EXPECT_TRUE(stored("OK.BIN"));
}

TEST_F(CopyQueue, ASecondNameOfTheBatchIsComparedAsDosKeysIt)
{
    // The lower-case name first: a check of the names as typed would send both, and the second
    // would replace the first.
    QueueHooks hooks;
    std::vector<std::string> asked;
    hooks.askNewName = [&](const std::string& name) -> std::optional<std::string> {
        asked.push_back(name);
        return std::nullopt;
    };
    const QueuedFile second = file("b", "README.TXT", 20);
    const QueueOutcome outcome = run({file("a", "readme.txt", 10), second}, hooks);
    EXPECT_EQ(asked, std::vector<std::string>{"README.TXT"});
    EXPECT_EQ(outcome.skipped, std::vector<std::string>{second.localPath});
    EXPECT_TRUE(stored("readme.txt"));
}

TEST_F(CopyQueue, ACancelAtThePollAfterTheLastFileEndedStillCancels)
{
    // A click made while the worker read the closing output on this thread gets through at the
    // next poll, which may come after the worker's end: it must still cancel, or Upload and Run
    // would start the program the user cancelled.
    QueueHooks hooks;
    std::string calls;
    bool clicked = false;
    hooks.poll = [&](const QueueProgress&) {
        calls += 'p';
        clicked = log_.contains("File received: 128 bytes");
    };
    hooks.cancelRequested = [&] {
        calls += 'c';
        return clicked;
    };
    const QueueOutcome outcome = run({file("a", "A.BIN", 100)}, hooks);
    EXPECT_EQ(calls.back(), 'c') << "the last poll is answered by a cancel check";
    EXPECT_EQ(outcome.kind, QueueOutcome::Kind::Cancelled);
    ASSERT_EQ(outcome.sent.size(), 1u);
    EXPECT_TRUE(stored("A.BIN"));
}

TEST_F(CopyQueue, ACancelBetweenFilesStopsBeforeTheNextPromptOrStart)
{
    // The cancel comes while the first file's rename prompt is up; the file is skipped. The
    // next file gets neither a prompt nor a start command.
    QueueHooks hooks;
    bool cancel = false;
    std::vector<std::string> asked;
    hooks.askNewName = [&](const std::string& name) -> std::optional<std::string> {
        asked.push_back(name);
        cancel = true;
        return std::nullopt;
    };
    hooks.cancelRequested = [&] { return cancel; };
    const QueueOutcome outcome =
        run({file("a b", "a b", 10), file("c d", "c d", 10), file("ok", "OK.BIN", 10)}, hooks);
    EXPECT_EQ(outcome.kind, QueueOutcome::Kind::Cancelled);
    EXPECT_EQ(asked, std::vector<std::string>{"a b"});
    EXPECT_FALSE(log_.contains("C:\\transfer"));
    EXPECT_FALSE(simulator_.fileSystem().exists("D:\\BIN\\OK.BIN"));
}

TEST_F(CopyQueue, CancelStopsTheCurrentFileAndTheRestWithoutMessage)
{
    QueueHooks hooks;
    bool cancel = false;
    hooks.poll = [&](const QueueProgress& progress) { cancel = cancel || progress.percent > 0; };
    hooks.cancelRequested = [&] { return cancel; };
    const QueueOutcome outcome =
        run({file("big", "BIG.BIN", 64 * 1024), file("next", "NEXT.BIN", 10)}, hooks);
    EXPECT_EQ(outcome.kind, QueueOutcome::Kind::Cancelled);
    EXPECT_TRUE(outcome.message.empty());
    EXPECT_TRUE(outcome.sent.empty());
    EXPECT_FALSE(simulator_.fileSystem().exists("D:\\BIN\\BIG.BIN"));
    EXPECT_FALSE(simulator_.fileSystem().exists("D:\\BIN\\NEXT.BIN"));
}

} // namespace
} // namespace kora::test
