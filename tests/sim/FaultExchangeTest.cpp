// Each fault of the simulated console as the utility's exchange meets it.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "SimTestKit.h"
#include "link/PortFailureText.h"
#include "sim/SamplePrograms.h"
#include "support/SimFixture.h"

using namespace kora;
using namespace kora::test;
using namespace std::chrono_literals;

namespace {
class FaultExchange : public TimedSimFixture {};
} // namespace

TEST_P(FaultExchange, MissingEchoIsASendFailureAfterTheFirstCharacter)
{
    sim().faults().noEcho = true;
    const auto before = sim().bytesReceived();
    const auto run = exchange({"dir\r"});
    EXPECT_FALSE(run.result.ok);
    EXPECT_EQ(run.result.message, SendFailureMessage("dir\r"));
    std::this_thread::sleep_for(100ms); // the simulator's own reading thread catches up
    EXPECT_EQ(sim().bytesReceived() - before, 12u)
        << "three typings: the clean-line probe's two backspaces, the first character and its "
           "backspace";
}

TEST_P(FaultExchange, WrongEchoAtTheKthCharacterStopsTheCommandThere)
{
    sim().faults().wrongEchoAt = 3;
    const auto before = sim().bytesReceived();
    const auto run = exchange({"C:\\mem\r"});
    // The console spoils the third character of a line once: typed again, the command runs.
    EXPECT_TRUE(run.result.ok) << run.result.message;
    EXPECT_TRUE(run.log.contains(RetryLine("C:\\mem\r")));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(sim().bytesReceived() - before, 18u)
        << "the clean-line probe's two backspaces, only the first three characters, then a "
           "backspace for each and one for a character the console may have taken twice; the "
           "probe again and the whole command";

    // They were taken out of the console's line again: the next command is not glued to them.
    sim().faults().wrongEchoAt = 0;
    const auto after = exchange({"d:\r"});
    EXPECT_TRUE(after.result.ok) << after.result.message;
    EXPECT_FALSE(after.log.contains("Invalid"));
    EXPECT_EQ(sim().fileSystem().currentDrive(), 'D');
}

TEST_P(FaultExchange, AHalfFinishedKeySequenceOnTheLineDoesNotHideWhatItHolds)
{
    // "x" then ESC, ESC "[" or ESC "O" left by another program: the key reader takes the next
    // byte as the end of its sequence. The probe's first backspace is that byte; the second
    // finds the "x", and the line is cleared before "d:" ("xd:" would run on C:).
    for (const int sequence :
         {sim::Faults::kKeyEscape, sim::Faults::kKeyCsi, sim::Faults::kKeySs3}) {
        sim().fileSystem().setCurrentDrive('C');
        sim().faults().strayBytesPending = 1;
        sim().faults().strayKeySequence = sequence;
        const auto run = exchange({"d:\r"});
        EXPECT_TRUE(run.result.ok) << sequence << run.result.message;
        EXPECT_FALSE(run.log.contains("Bad command")) << sequence;
        EXPECT_EQ(sim().fileSystem().currentDrive(), 'D') << sequence;
    }

    // A reader that takes every byte up to a final letter swallows the probe too, and the
    // command's first letter: its echo fails, and nothing runs. The erase of that command
    // takes the "x" out, so the command typed again goes through.
    sim().fileSystem().setCurrentDrive('C');
    sim().faults().collectingKeyReader = true;
    sim().faults().strayBytesPending = 1;
    sim().faults().strayKeySequence = sim::Faults::kKeyCsi;
    const auto swallowed = exchange({"d:\r"});
    EXPECT_TRUE(swallowed.result.ok) << swallowed.result.message;
    EXPECT_TRUE(swallowed.log.contains(RetryLine("d:\r")));
    EXPECT_FALSE(swallowed.log.contains("Bad command"));
    EXPECT_EQ(sim().fileSystem().currentDrive(), 'D');
    EXPECT_TRUE(exchange({"d:\r"}).result.ok);
    EXPECT_EQ(sim().fileSystem().currentDrive(), 'D');
}

TEST_P(FaultExchange, AProgramWhoseEnterWasNotEchoedIsNeverTypedInto)
{
    // The program echoes what it reads: a backspace typed into it would come back.
    ASSERT_TRUE(sim().fileSystem().writeFile(
        "D:\\COUNT.EXE", sim::ProgramImage(sim::CounterProgramTag(20, 10), 900)));
    sim().faults().noProgramEnterEcho = true;
    RawConsole console(portName());
    ASSERT_TRUE(console.isOpen());
    SerialPort& port = console.port();
    port.LineEnd = 10;
    port.SetTimeouts(50);
    PrepareConsole(port, timing());
    DeviceOperation op;
    op.steps = {{"d:\r", {}, {}, {}},
                {"cd\\\r", {}, {}, {}},
                {"COUNT.EXE\r", {}, {}, {}},
                {"dir\r", {}, {}, {}}};
    op.timing = timing();
    RecordingLog log;
    const OperationResult result = RunDeviceSteps(port, op, log);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.mayBeRunning);
    EXPECT_EQ(result.message, MayBeRunningMessage("COUNT.EXE\r"));
    // Everything the program and the console print until the prompt is back.
    const std::string rest = console.readUntil("D:\\>", 10s);
    EXPECT_NE(rest.find("COUNT.EXE finished"), std::string::npos) << rest;
    EXPECT_EQ(rest.find('\b'), std::string::npos) << "typed into the program: " << rest;
    EXPECT_EQ(rest.find("dir"), std::string::npos) << "the next step was typed: " << rest;
}

TEST_P(FaultExchange, SilenceLooksLikeAMissingController)
{
    sim().faults().silent = true;
    const auto run = exchange({"d:\r"});
    EXPECT_FALSE(run.result.ok);
    EXPECT_EQ(run.result.message, SendFailureMessage("d:\r"));
    EXPECT_EQ(sim().fileSystem().currentDrive(), 'C') << "nothing was executed";
    sim().faults().silent = false;
    EXPECT_TRUE(exchange({"\r"}).result.ok);
}

TEST_P(FaultExchange, LineNoiseEitherWayFailsTheEchoCheck)
{
    sim().faults().noisePerMillion = 1'000'000;
    for (const int direction : {sim::Faults::kNoiseReceived, sim::Faults::kNoiseSent}) {
        sim().faults().noiseDirections = direction;
        const auto run = exchange({"cd\\LOG\r"});
        EXPECT_FALSE(run.result.ok) << direction;
        EXPECT_EQ(run.result.message, SendFailureMessage("cd\\LOG\r")) << direction;
    }
    EXPECT_GT(sim().faults().injected, 0u);
}

TEST_P(FaultExchange, PauseInTheOutputIsPickedUpByThePromptWait)
{
    sim().faults().pauseMs = 300;
    sim().faults().pauseAfterLines = 12; // four bytes into the "NESTED" line
    sim().faults().pauseIntoLine = 4;
    const auto run = exchange({"d:\r", "dir\r"});
    ASSERT_TRUE(run.result.ok) << run.result.message;
    // T = 50 ms: the output loop gives up after 100 ms of silence; the prompt wait reads and
    // shows the rest of the listing. The part of the line before the pause is not shown.
    EXPECT_TRUE(run.log.contains("bytes free"));
    EXPECT_TRUE(run.log.contains("ED       <DIR>"));
    EXPECT_FALSE(run.log.contains("NESTED"));
    EXPECT_GE(run.elapsed, 300ms);
    // The operation's line check sees the lines after the pause too, the cut one joined again.
    const auto lineWith = [&](const char* text) {
        return std::find_if(run.rawLines.begin(), run.rawLines.end(),
                            [&](const auto& line) { return line.find(text) != std::string::npos; });
    };
    EXPECT_NE(lineWith("bytes free"), run.rawLines.end());
    const auto nested = lineWith("NESTED       <DIR>");
    ASSERT_NE(nested, run.rawLines.end());
    EXPECT_EQ(nested->rfind("NESTED", 0), 0u) << *nested;
}

TEST_P(FaultExchange, PromptLookingOutputCostsTheNextOperationNothing)
{
    // A file whose last line looks like a prompt, and the console's real prompt after a pause
    // longer than the quick quiet gap but shorter than 2 x T.
    sim().fileSystem().writeFile("D:\\FAKE.TXT", "first line\r\nD:\\X>");
    const auto reference = exchange({"d:\r", "cd\\\r", "dir\r"});
    ASSERT_TRUE(reference.result.ok) << reference.result.message;
    sim().faults().pauseMs = 60;
    sim().faults().pauseAfterLines = 1; // right after "D:\X>"
    sim().faults().pauseIntoLine = 5;
    const auto typed = exchange({"type FAKE.TXT\r"});
    sim().faults().pauseMs = 0; // the pause under way runs its course
    ASSERT_TRUE(typed.result.ok) << typed.result.message;
    const bool lookAlikeRead = std::find(typed.rawLines.begin(), typed.rawLines.end(),
                                         "D:\\X>\r\n") != typed.rawLines.end();
    // Quick: the read ended at the look-alike, which is neither shown nor checked.
    EXPECT_EQ(lookAlikeRead, timing() == ExchangeTiming::Patient);
    EXPECT_EQ(typed.log.contains("D:\\X>"), timing() == ExchangeTiming::Patient);

    // The next operation starts while the real prompt is still to come: no false echo
    // failure, and every line of its output reaches its check.
    const auto listing = exchange({"dir\r"});
    ASSERT_TRUE(listing.result.ok) << listing.result.message;
    const std::vector<std::string> expected(reference.rawLines.end() - listing.rawLines.size(),
                                            reference.rawLines.end());
    EXPECT_EQ(listing.rawLines, expected);
    EXPECT_GT(listing.rawLines.size(), 5u);
}

TEST_P(FaultExchange, MissingPromptCostsTheWholePromptBudgetButNotTheOperation)
{
    sim().faults().noPrompt = true;
    // T = 100 ms and a budget of 500 ms: 5 further reads of 200 ms each after the output.
    // (The product's 5 s budget at T = 500 ms is the same count of reads, 10 of 1 s.)
    const auto run = exchange({"A\r"}, {.timeoutMs = 100, .promptBudgetMs = 500});
    EXPECT_TRUE(run.result.ok) << run.result.message;
    EXPECT_TRUE(run.log.contains("No program is running"));
    EXPECT_GE(run.elapsed, 1000ms);
}

TEST_P(FaultExchange, HangUpFailsTheOperationInsteadOfHangingIt)
{
    // Hang-up while the utility holds the port open.
    {
        SerialPort port(portName());
        ASSERT_TRUE(port.Open());
        port.SetTimeouts(200);
        sim().faults().hangUp = true;
        std::this_thread::sleep_for(100ms);
        const auto start = std::chrono::steady_clock::now();
        std::uint8_t byte = 'd';
        const bool echoed = port.Write(1, &byte) && port.Read(1, &byte);
        EXPECT_FALSE(echoed);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    }
    // And a later operation: the line is gone, and the message says so.
    const auto run = exchange({"d:\r"});
    EXPECT_FALSE(run.result.ok);
    // Whether the open still finds the device node or not depends on how far the system has
    // taken the dead line down: either way the message says the line is lost.
    EXPECT_TRUE(run.result.message == "Unable to open COM1!\n\n" + LineLostReason() ||
                run.result.message == LineLostMessage("COM1"))
        << run.result.message;
    EXPECT_LT(run.elapsed, 2s);

    // Switched on again: a new line, and the console answers.
    std::string error;
    ASSERT_TRUE(sim().start(&error)) << error;
    ASSERT_TRUE(sim().publishAs(portsFolder(), portName()));
    EXPECT_TRUE(exchange({"d:\r"}).result.ok);
}

TEST_P(FaultExchange, HangUpInTheMiddleOfTheOutputFailsTheReadingAsLineLost)
{
    sim().faults().pauseMs = 3000;
    sim().faults().pauseAfterLines = 3;
    std::thread pull([this] {
        std::this_thread::sleep_for(300ms);
        sim().faults().hangUp = true;
    });
    const auto run = exchange({"dir\r"});
    pull.join();
    EXPECT_FALSE(run.result.ok);
    // Under a heavy load the hang-up can come before the port is even open.
    EXPECT_TRUE(run.result.message == LineLostMessage("COM1") ||
                run.result.message.starts_with("Unable to open COM1!"))
        << run.result.message;
}

KORA_UNDER_EACH_TIMING(FaultExchange);
