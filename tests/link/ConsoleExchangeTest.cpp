#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <tuple>

#include "PtyPeer.h"
#include "link/ConsoleExchange.h"
#include "support/BothTimings.h"
#include "support/RecordingLog.h"

namespace kora {
namespace {

using namespace std::chrono_literals;
using test::PtyPeer;
using test::RecordingLog;
using Lines = std::vector<std::string>;

// The scripted console outlasts every drain; the test ends it with finish().
constexpr auto kLongIdle = 5s;

TEST(ConsoleText, LinesPromptsAndMessages)
{
    RecordingLog log;
    ShowConsoleLine(log, "\r\n");
    ShowConsoleLine(log, "");
    EXPECT_TRUE(log.lines.empty());
    ShowConsoleLine(log, "di\rr\r\n");
    EXPECT_EQ(log.lines, Lines{"dir"});
    log.lines.assign(300, "old");
    ShowConsoleLine(log, "new\r\n");
    EXPECT_EQ(log.lines, Lines{"new"});

    for (const char* prompt : {"C:\\>", "D:\\TEMP>", "\nC:\\>", "\r\nD:\\>"}) {
        EXPECT_TRUE(IsPrompt(prompt)) << prompt;
    }
    for (const char* other : {"", "\r\n", "c:\\>", " C:\\>", "X C:\\>", "C:>", "D:"}) {
        EXPECT_FALSE(IsPrompt(other)) << other;
    }
    // Quick timing ends a read only at a prompt that is all there, its ">" included.
    for (const char* complete : {"C:\\>", "\nD:\\TEMP>"}) {
        EXPECT_TRUE(IsCompletePrompt(complete)) << complete;
    }
    for (const char* partial : {"", "C:\\", "D:\\TEMP", "dir>"}) {
        EXPECT_FALSE(IsCompletePrompt(partial)) << partial;
    }

    EXPECT_EQ(SendFailureMessage("C:\\mem\r"),
              "Unable to send command 'C:\\mem\r'!\n\nPlease make sure the KORA-7740P is in "
              "INIT mode\n\nand no program is running");
    EXPECT_EQ(SendFailureMessageWithHead("Unable to send command!"),
              "Unable to send command!\n\nPlease make sure the KORA-7740P is in INIT mode\n\n"
              "and no program is running");
}

// 30 characters of start bit, 8 data bits and stop bit, rounded up; never under 5 ms.
TEST(ConsoleText, QuietGapIsThirtyCharacterTimes)
{
    const std::pair<std::uint32_t, int> cases[] = {
        {1200, 250}, {9600, 32}, {19200, 16}, {38400, 8}, {57600, 6}, {115200, 5}, {0, 5},
    };
    for (const auto& [baudRate, ms] : cases) {
        EXPECT_EQ(QuietGap(baudRate), std::chrono::milliseconds(ms)) << baudRate;
    }
}

TEST(ConsoleText, QuickWaitsLastAtLeastThreeEchoRoundTrips)
{
    PtyPeer peer;
    SerialPort port(peer.devicePath());
    ASSERT_TRUE(port.Open());
    port.SetTimeouts(200);
    // Round trip measured -> the wait: the quiet gap at least, 2 T at most.
    const std::pair<int, int> cases[] = {{0, 6}, {1, 6}, {16, 48}, {50, 150}, {300, 400}};
    for (const auto& [roundTripMs, waitMs] : cases) {
        NoteEchoRoundTrip(port, std::chrono::milliseconds(roundTripMs));
        EXPECT_EQ(QuickGap(port), std::chrono::milliseconds(waitMs)) << roundTripMs;
    }
    NoteEchoRoundTrip(port, {});
}

class ExchangeTest : public ::testing::Test, public test::UnderEachTiming {
protected:
    void openPort()
    {
        ASSERT_TRUE(port.Open());
        port.LineEnd = 10;
        port.SetTimeouts(50);
    }
    DeviceOperation operation(std::vector<ConsoleStep> steps)
    {
        DeviceOperation op;
        op.steps = std::move(steps);
        op.timeoutMs = 50;
        op.timing = timing();
        return op;
    }
    PromptWait promptWait()
    {
        PromptWait how;
        how.timing = timing();
        return how;
    }
    DeviceOperation command(const std::string& text)
    {
        DeviceOperation op = GenericCommand(text);
        op.timing = timing();
        return op;
    }

    PtyPeer peer;
    SerialPort port{peer.devicePath()};
    RecordingLog log;
};

TEST_P(ExchangeTest, SendCommandStopsAtTheFirstBadEchoAndErasesOnlyBeforeTheEnter)
{
    openPort();
    EXPECT_EQ(SendCommand(port, log, "", timing()), CommandSent::No);
    EXPECT_TRUE(log.lines.empty());

    // Where the echo goes wrong, what the console is sent, and what SendCommand says.
    const std::tuple<std::size_t, const char*, CommandSent> cases[] = {
        // What went out is erased, one more for a character the console may have taken twice.
        {2, "abc\b\b\b\b", CommandSent::No},
        // The Enter went out: the console may be running the line, and gets nothing more.
        {6, "abcdef\r", CommandSent::MayHaveRun},
    };
    for (const auto& [wrongAt, received, sent] : cases) {
        log.clear();
        peer.run([wrongAt](PtyPeer& p) {
            p.console([](const std::string&) { return ""; }, 300ms,
                      [wrongAt](std::uint8_t b, std::size_t i) -> std::optional<std::uint8_t> {
                          return i == wrongAt ? 'X' : b;
                      });
        });
        EXPECT_EQ(SendCommand(port, log, "abcdef\r", timing()), sent) << wrongAt;
        peer.join();
        EXPECT_EQ(peer.received(), received) << wrongAt;
        EXPECT_EQ(log.lines, Lines{"abcdef"});
    }
    EXPECT_EQ(MayBeRunningMessage("C:\\mem\r"),
              "'C:\\mem' may be running on the KORA-7740P: its Enter went out, but the echo did "
              "not come back. Nothing more was typed, so as not to type into a running program.");
}

// The probe's answer decides the burst: only a console that erased a character gets it; a bell
// or a running program's output never does, so no program is sent 127 backspaces.
TEST_P(ExchangeTest, OnlyAnErasingAnswerToTheProbeGetsTheBurst)
{
    openPort();
    const std::pair<const char*, bool> cases[] = {
        {"", false},              // an empty line
        {"\b \b", true},          // a character erased: the line held something
        {"\a", false},            // a bell
        {"Counter 7\r\n", false}, // a running program's output
    };
    for (const auto& [answer, burst] : cases) {
        peer.run([](PtyPeer&) {}); // a fresh record of what the port writes
        peer.join();
        // The answer waits on the line before the probe goes out, so that no timing decides.
        peer.send(answer);
        ClearConsoleLine(port, timing());
        while (peer.receiveByte(100ms)) {
        }
        const std::size_t backspaces = burst ? 2 + kConsoleLineCapacity : 2;
        EXPECT_EQ(peer.received(), std::string(backspaces, '\b')) << answer;
        DrainInput(port, ExchangeTiming::Patient);
    }
}

TEST_P(ExchangeTest, ACharacterTheConsoleTookTwiceFailsTheCommandAndIsErasedWithIt)
{
    // Line noise made the console take the third character twice ("dell F1.BIN" would run
    // "Bad command or file name", and a delete has no line check to notice it), at each of the
    // three typings.
    peer.run([](PtyPeer& p) {
        while (const auto byte = p.receiveByte(500ms)) {
            if (*byte != '\b') {
                p.send(std::string(*byte == 'l' ? 2 : 1, static_cast<char>(*byte)));
            }
        }
    });
    const OperationResult result =
        RunDeviceOperation(peer.devicePath(), command("del F1.BIN\r"), log);
    peer.join();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, SendFailureMessage("del F1.BIN\r"));
    // The duplicate is read where the blank's echo belongs; the console holds five characters.
    // (The two backspaces before each typing are the clean-line probe.)
    EXPECT_EQ(peer.received(), "\b\bdel \b\b\b\b\b\b\bdel \b\b\b\b\b\b\bdel \b\b\b\b\b");
}

TEST_P(ExchangeTest, OnlyQuickTimingPassesOverALatePromptBeforeAnEcho)
{
    // What the console prints after the command's first character went out, before its echo.
    // A late return to the prompt starts with the very letter typed and is passed over whole
    // in quick timing only (patient timing never ends a read early, so never meets one); any
    // other output before an echo fails the check under either timing.
    const bool quick = timing() == ExchangeTiming::Quick;
    for (const auto& [before, passes] :
         {std::pair{"\r\nC:\\>", quick}, std::pair{"\r\nC:\\", false},
          std::pair{"Cxyz\r\n", false}}) {
        peer.run([before = std::string(before)](PtyPeer& p) {
            // Backspaces left from the case before are not the command.
            while (const auto byte = p.receiveByte(2s)) {
                if (*byte == 'C') {
                    p.send(before);
                    std::this_thread::sleep_for(50ms);
                    p.send("C");
                    break;
                }
            }
            p.console([](const std::string&) { return "\nok\r\nC:\\>"; }, kLongIdle);
        });
        log.clear();
        const OperationResult result =
            RunDeviceOperation(peer.devicePath(), command("C:\\mem\r"), log);
        peer.finish();
        // A check that failed before the Enter is typed again, and then passes.
        EXPECT_TRUE(result.ok) << before;
        EXPECT_EQ(log.contains(RetryLine("C:\\mem\r")), !passes) << before;
        if (passes) {
            EXPECT_EQ(peer.received(), "\b\bC:\\mem\r");
        }
    }
}

TEST_P(ExchangeTest, WaitForPromptReadsItsBudgetOfLinesAndNeverShowsThePrompt)
{
    openPort();
    EXPECT_TRUE(WaitForPrompt(port, log, "D:\\TEMP>", promptWait()));
    EXPECT_TRUE(log.lines.empty());

    peer.send("one\r\n\r\ntwo\r\nD:\\>");
    EXPECT_TRUE(WaitForPrompt(port, log, "partial", promptWait()));
    EXPECT_EQ(log.lines, (Lines{"one", "two"}));

    // ceil(5000 / T) reads: 5 at T = 1000, 3 at T = 1700; lines that are ready cost no wait.
    for (const auto& [step, reads] : {std::pair{1000u, 5}, std::pair{1700u, 3}}) {
        port.SetTimeouts(step);
        std::string lines;
        for (int i = 0; i < 8; ++i) {
            lines += "L" + std::to_string(i) + "\r\n";
        }
        peer.send(lines);
        log.clear();
        EXPECT_FALSE(WaitForPrompt(port, log, "", promptWait()));
        EXPECT_EQ(log.lineCount(), reads) << step;
        port.SetTimeouts(10);
        DrainInput(port, timing());
    }
}

TEST_P(ExchangeTest, DrainTakesAtMost1025Bytes)
{
    openPort();
    peer.send(std::string(2000, 'x'));
    std::this_thread::sleep_for(50ms); // all of it waits unread on the line
    DrainInput(port, timing());
    std::string rest(2000, '\0');
    std::size_t got = 0;
    while (got < rest.size() && port.Read(1, reinterpret_cast<std::uint8_t*>(&rest[got]))) {
        ++got;
    }
    EXPECT_EQ(got, 2000u - 1025u);
}

// A console still printing is drained to its end, a pause in the middle of its output
// included; only the prompt or silence from the start ends the drain after the quiet gap.
TEST_P(ExchangeTest, DrainWaitsOutAPauseInTheMiddleOfOutput)
{
    openPort();
    port.SetTimeouts(200);
    peer.send("copying");
    peer.run([](PtyPeer& p) {
        std::this_thread::sleep_for(80ms);
        p.send(" done\r\nD:\\>");
    });
    DrainInput(port, timing());
    peer.join();
    std::uint8_t left = 0;
    EXPECT_FALSE(port.ReadByteWithin(left, 10ms)) << left;
}

TEST_P(ExchangeTest, OperationShowsOutputAndClearsAFullPane)
{
    peer.run([](PtyPeer& p) {
        p.send("stale output\r\n");
        p.console(
            [](const std::string& line) {
                std::string out = "\n";
                for (int i = 1; i <= 350; ++i) {
                    out += "line " + std::to_string(i) + "\r\n";
                }
                return line == "C:\\mem" ? out + "\r\nD:\\TEMP>" : "Bad command\r\n";
            },
            kLongIdle);
    });
    const OperationResult result = RunDeviceOperation(peer.devicePath(), command("C:\\mem\r"), log);
    peer.finish();
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.message, "");
    ASSERT_EQ(log.lines.size(), 51u);
    EXPECT_EQ(log.lines.front(), "line 300");
    EXPECT_EQ(log.lines.back(), "line 350");
    EXPECT_EQ(peer.received(), "\b\bC:\\mem\r");
}

TEST_P(ExchangeTest, FailedStepsEndTheOperation)
{
    // No echo at all: the send-failure message quotes the command with its CR.
    peer.run([](PtyPeer& p) {
        p.console([](const std::string&) { return ""; }, kLongIdle,
                  [](std::uint8_t, std::size_t) { return std::nullopt; });
    });
    OperationResult result = RunDeviceOperation(peer.devicePath(), command("C:\\mem\r"), log);
    peer.finish();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, SendFailureMessage("C:\\mem\r"));
    EXPECT_EQ(peer.received(), "\b\bC\b\b\bC\b\b\bC\b")
        << "three times: the probe, the character sent, then erased again";

    // A line check that stops: the line is shown once, the prompt still awaited, and the
    // next command never typed.
    log.clear();
    peer.run([](PtyPeer& p) {
        p.console(
            [](const std::string& line) {
                return line == "md x" ? "\nUnable to create\r\nmore\r\nD:\\>" : "\nok\r\nD:\\>";
            },
            kLongIdle);
    });
    auto checkFor = [](bool stop) {
        return [stop](const std::string& line) -> std::optional<LineFailure> {
            if (line.find("Unable ") == std::string::npos) {
                return std::nullopt;
            }
            return LineFailure{line + "'x'!", stop};
        };
    };
    DeviceOperation op = operation({{"md x\r", "", checkFor(true), {}}, {"dir\r", "", {}, {}}});
    result = RunDeviceOperation(peer.devicePath(), op, log);
    peer.finish();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "Unable to create\r\n'x'!");
    EXPECT_EQ(log.lines, (Lines{"md x", "Unable to create", "more"}));
    EXPECT_EQ(peer.received(), "\b\bmd x\r");

    // Without the stop the output is read on; the first failure is the one reported.
    peer.run([](PtyPeer& p) {
        p.console([](const std::string&) { return "\nUnable 1\r\nUnable 2\r\nD:\\>"; }, kLongIdle);
    });
    op = operation({{"md x\r", "Custom failure", checkFor(false), {}}});
    log.clear();
    result = RunDeviceOperation(peer.devicePath(), op, log);
    peer.finish();
    EXPECT_EQ(result.message, "Unable 1\r\n'x'!");
    EXPECT_EQ(log.lines, (Lines{"md x", "Unable 1", "Unable 2"}));

    // After a stop the prompt wait reads the rest, within its budget (two reads here).
    peer.run([](PtyPeer& p) {
        p.console([](const std::string&) { return "\nUnable to create\r\n1\r\n2\r\n3\r\n4\r\n"; },
                  kLongIdle);
    });
    op = operation({{"md x\r", "", checkFor(true), {}}});
    op.promptBudgetMs = 2 * op.timeoutMs;
    log.clear();
    result = RunDeviceOperation(peer.devicePath(), op, log);
    peer.finish();
    EXPECT_EQ(log.lines, (Lines{"md x", "Unable to create", "1", "2"}));
}

TEST_P(ExchangeTest, PromptCutAtCarriageReturnStillEndsTheWait)
{
    peer.run([](PtyPeer& p) {
        p.console([](const std::string&) { return "\nFormatting\r\ndone\r\nC:\\>"; }, kLongIdle);
    });
    DeviceOperation op = command("C:\\DLFMT D: /C\r");
    op.lineEnd = 13;
    op.timeoutMs = 300; // without the prompt the wait would take 17 reads of 600 ms
    const auto start = std::chrono::steady_clock::now();
    const OperationResult result = RunDeviceOperation(peer.devicePath(), op, log);
    EXPECT_TRUE(result.ok);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(log.lines, (Lines{"C:\\DLFMT D: /C", "Formatting", "done"}));
    peer.finish();
}

TEST_P(ExchangeTest, ACommandSpoiltBeforeItsEnterIsTypedAgainUpToTwice)
{
    // Noise changes the echo of the first character of the first `spoilt` typings of "dir".
    for (const int spoilt : {1, 2, 3}) {
        peer.run([spoilt](PtyPeer& p) {
            int typings = 0;
            p.console(
                [](const std::string&) { return "\nok\r\nD:\\>"; }, kLongIdle,
                [&typings, spoilt](std::uint8_t b, std::size_t) -> std::optional<std::uint8_t> {
                    return b == 'd' && ++typings <= spoilt ? 'X' : b;
                });
        });
        log.clear();
        const OperationResult result = RunDeviceOperation(peer.devicePath(), command("dir\r"), log);
        peer.finish();
        EXPECT_EQ(result.ok, spoilt <= 2) << spoilt;
        EXPECT_EQ(std::count(log.lines.begin(), log.lines.end(),
                             "<<noise on the line: typing 'dir' again>>"),
                  std::min(spoilt, 2))
            << spoilt;
        // Each typing that failed was erased before the next one.
        const std::string received = peer.received();
        EXPECT_EQ(std::count(received.begin(), received.end(), 'd'), std::min(spoilt + 1, 3))
            << spoilt;
    }
}

TEST_P(ExchangeTest, AStrayByteAfterThePromptEndsTheReadingAndLeavesWithTheCleanLine)
{
    // The console prints its prompt and then a byte of noise (its echo): the prompt still ends
    // the reading, the next step's clean-line probe takes the byte out.
    peer.run([](PtyPeer& p) {
        p.console(
            [](const std::string& line) {
                return line.ends_with("cd\\BIN") ? "\r\nD:\\BIN>x" : "\r\nD:\\BIN>";
            },
            kLongIdle);
    });
    std::vector<std::string> prompts;
    const EndCheck seePrompt = [&prompts](const std::string& prompt) -> std::optional<StepFailure> {
        prompts.push_back(prompt);
        return std::nullopt;
    };
    const OperationResult result = RunDeviceOperation(
        peer.devicePath(),
        operation({{"cd\\BIN\r", "", {}, seePrompt}, {"dir\r", "", {}, seePrompt}}), log);
    peer.finish();
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(prompts, (Lines{"D:\\BIN>", "D:\\BIN>"}));
}

KORA_UNDER_EACH_TIMING(ExchangeTest);

TEST(DeviceOperation, OpenFailureNamesThePort)
{
    RecordingLog log;
    // No port at all: nothing more is known than the general advice.
    const std::pair<std::string, std::string> cases[] = {
        {"", "Please make sure there is no other application using the port!!"},
        {"/no/such/tty", "There is no such port (/no/such/tty does not exist)."},
    };
    for (const auto& [name, reason] : cases) {
        const OperationResult result = RunDeviceOperation(name, GenericCommand("dir\r"), log);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.message, "Unable to open " + name + "!\n\n" + reason);
    }
    EXPECT_TRUE(log.lines.empty());
}

} // namespace
} // namespace kora
