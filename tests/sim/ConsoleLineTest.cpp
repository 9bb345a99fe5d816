// The console byte by byte, as a terminal sees it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "SimTestKit.h"
#include "sim/ByteLog.h"
#include "sim/SamplePrograms.h"
#include "support/SimFixture.h"

using namespace kora;
using namespace kora::test;
using namespace std::chrono_literals;

namespace {

class ConsoleLine : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        console_ = std::make_unique<RawConsole>(portName());
        ASSERT_TRUE(console_->isOpen());
        console_->readQuiet(50ms); // the first prompt
    }
    RawConsole& console() { return *console_; }

private:
    std::unique_ptr<RawConsole> console_;
};

} // namespace

TEST_F(ConsoleLine, EchoesEachByteAtOnceThenPrintsOutputAndPrompt)
{
    for (const char c : std::string("d:")) {
        console().type(std::string(1, c));
        EXPECT_EQ(console().readUntil(std::string(1, c), 500ms), std::string(1, c));
    }
    console().type("\r");
    EXPECT_EQ(console().readUntil("D:\\>", 1s), "\r\n\r\nD:\\>")
        << "CR echoed, LF right after it, then the prompt without a line end";
    console().type("\r");
    EXPECT_EQ(console().readUntil("D:\\>", 1s), "\r\nD:\\>") << "a lone CR: a fresh prompt";
    EXPECT_EQ(console().readQuiet(60ms), "");
}

TEST_F(ConsoleLine, BackspaceErasesFromTheCommandLine)
{
    console().type("cx\b");
    EXPECT_EQ(console().readUntil("\b \b", 1s), "cx\b \b");
    console().type("d\\BIN\r");
    EXPECT_EQ(console().readUntil(">", 1s), "d\\BIN\r\nInvalid directory\r\n\r\nC:\\>")
        << "the erased x is gone: cd\\BIN, and C: has no BIN";
    console().type("\b");
    EXPECT_EQ(console().readQuiet(60ms), "") << "nothing to erase at the prompt";
    console().type("D:\rcd BIN\r");
    EXPECT_TRUE(console().readUntil("D:\\BIN>", 1s).ends_with("D:\\BIN>"));
}

TEST_F(ConsoleLine, StrayBytesWaitInTheLineAndGlueOntoTheNextCommand)
{
    struct Case {
        int pending;
        int percent;
        char byte;
        std::string typed;
        std::string answerStart; // after the first prompt
        char driveAfter;
    };
    const std::vector<Case> cases = {
        {1, 0, 'x', "d:\r", "d:\r\nBad command or file name", 'C'}, // ran as "xd:"
        {1, 0, 'q', "\bd:\r", "\b \bd:\r\n\r\nD:\\>", 'D'},         // the first backspace erases it
        {2, 0, 'x', "\bd:\r", "\b \bd:\r\nBad command", 'C'},       // one is left: "xd:"
        {0, 100, 'x', "\rd:\r", "\r\nC:\\>d:\r\nBad command", 'C'}, // placed at every prompt
    };
    for (const Case& c : cases) {
        sim().faults().strayBytesPending = c.pending;
        sim().faults().strayBytePercent = c.percent;
        sim().faults().strayByte = c.byte;
        const auto placedBefore = sim().faults().strayBytesPlaced.load();
        console().type(c.typed);
        std::string answer = console().readUntil(std::string(1, c.driveAfter) + ":\\>", 1s);
        answer += console().readQuiet(60ms);
        EXPECT_TRUE(answer.starts_with(c.answerStart)) << c.typed << " -> " << answer;
        EXPECT_EQ(sim().fileSystem().currentDrive(), c.driveAfter) << c.typed;
        EXPECT_GE(sim().faults().strayBytesPlaced - placedBefore,
                  static_cast<std::uint64_t>(std::max(c.pending, 1)));
        // Ctrl-C drops whatever the line holds; back to C: for the next case.
        sim().faults().reset();
        console().type("\x03");
        console().readQuiet(60ms);
        sim().fileSystem().setCurrentDrive('C');
    }
}

TEST_F(ConsoleLine, ExternalCdMovesTheConsoleBehindItsPrompt)
{
    struct Case {
        int externalCd;
        int percent;
        std::string typed;
        std::string where; // the "cd" answer; empty: anywhere but D:\BIN
        std::string directoryOfD;
    };
    using F = sim::Faults;
    const std::vector<Case> cases = {
        {F::kCdRootOfD, 0, "cd\r", "D:\\", "\\"},
        {F::kCdDriveC, 0, "cd\r", "C:\\", "\\BIN"},
        {F::kCdRootOfD | F::kCdDriveC, 0, "cd\r", "C:\\", "\\"},
        {F::kCdElsewhereOnD, 0, "cd\r", "", ""},
        {0, 100, "\rcd\r", "", ""}, // drawn at the prompt after the lone CR
    };
    for (const Case& c : cases) {
        sim().fileSystem().setCurrentDrive('D');
        sim().fileSystem().changeDirectory("D:\\BIN");
        console().type("\r");
        ASSERT_TRUE(console().readUntil("D:\\BIN>", 1s).ends_with("D:\\BIN>"));
        const auto madeBefore = sim().faults().externalCdsMade.load();
        sim().faults().externalCd = c.externalCd;
        sim().faults().externalCdPercent = c.percent;
        console().type(c.typed);
        const std::string answer = console().readQuiet(100ms);
        sim().faults().reset();
        const auto cdLine = answer.find("cd\r\n");
        ASSERT_NE(cdLine, std::string::npos) << answer;
        const std::string where =
            answer.substr(cdLine + 4, answer.find("\r\n", cdLine + 4) - cdLine - 4);
        if (c.where.empty()) {
            EXPECT_NE(where, "D:\\BIN") << answer;
        } else {
            EXPECT_EQ(where, c.where) << answer;
        }
        if (!c.directoryOfD.empty()) {
            EXPECT_EQ(sim().fileSystem().currentDirectory('D'), c.directoryOfD);
        }
        EXPECT_GE(sim().faults().externalCdsMade - madeBefore, 1u);
    }
}

TEST_F(ConsoleLine, CutOffEndsACommandsOutputAfterItsLines)
{
    for (const bool hangUp : {false, true}) {
        (hangUp ? sim().faults().hangUpAfterLines : sim().faults().silentAfterLines) = 5;
        console().type("dir D:\\\r");
        const std::string answer = console().readQuiet(200ms);
        // The echoed command line, then the five lines.
        EXPECT_EQ(std::count(answer.begin(), answer.end(), '\n'), 6) << hangUp << answer;
        EXPECT_TRUE(answer.ends_with("\r\n")) << answer;
        EXPECT_EQ(hangUp ? sim().faults().hangUp.load() : sim().faults().silent.load(), true);
        EXPECT_EQ(sim().faults().hangUpAfterLines + sim().faults().silentAfterLines, 0) << "once";
        if (!hangUp) {
            console().type("\r");
            EXPECT_EQ(console().readQuiet(60ms), "") << "silent until cleared";
            sim().faults().silent = false;
        }
    }
}

TEST_F(ConsoleLine, TypeStopsAtCtrlZ)
{
    ASSERT_TRUE(sim().fileSystem().writeFile("D:\\NOTE.TXT", "one\r\ntwo\x1a\r\nrest"));
    console().type("type D:\\NOTE.TXT\r");
    EXPECT_EQ(console().readUntil("C:\\>", 1s), "type D:\\NOTE.TXT\r\none\r\ntwo\r\n\r\nC:\\>");
}

TEST_F(ConsoleLine, ControlCharactersStayInTheLineAsCaretsUntilErased)
{
    console().type("\x18\x18\b");
    EXPECT_EQ(console().readUntil("\b \b\b \b", 1s), "^X^X\b \b\b \b");
    console().type("dir\r");
    EXPECT_NE(console().readUntil(">", 1s).find("Bad command or file name"), std::string::npos)
        << "the CAN left in the line spoils the command";
}

TEST_F(ConsoleLine, ARunningCommandReadsTheLineRawWithoutEcho)
{
    sim().registerCommand("peek", [](sim::CommandContext& c) {
        const auto byte = c.io.readByte(std::chrono::milliseconds(2000));
        c.io.writeLine(byte ? "got " + std::string(1, static_cast<char>(*byte)) : "nothing");
    });
    console().type("peek\r");
    EXPECT_EQ(console().readUntil("\r\n", 1s), "peek\r\n");
    console().type("Q");
    EXPECT_EQ(console().readUntil("C:\\>", 1s), "got Q\r\n\r\nC:\\>");
}

TEST_F(ConsoleLine, ARunningProgramReadsTheLineItselfUntilAbort)
{
    ASSERT_TRUE(sim().fileSystem().writeFile(
        "D:\\COUNT.EXE", sim::ProgramImage(sim::CounterProgramTag(40, 1000), 1000)));
    console().type("D:\rCOUNT\r");
    EXPECT_NE(console().readUntil("Counter 2\r\n", 2s).find("Counter 1\r\n"), std::string::npos);

    // The program echoes what it reads; the console does not see it as a command line.
    console().type("xyz");
    const std::string during = console().readUntil("Counter 9\r\n", 2s);
    EXPECT_NE(during.find("xyz"), std::string::npos);

    console().type("A\r");
    const std::string end = console().readUntil("D:\\>", 2s);
    EXPECT_NE(end.find("Program aborted\r\n"), std::string::npos) << end;
    EXPECT_TRUE(end.ends_with("\r\nD:\\>")) << end;
    EXPECT_EQ(end.find("Bad command"), std::string::npos) << "xyz went to the program";
    console().type("A\r");
    EXPECT_NE(console().readUntil("D:\\>", 2s).find("No program is running"), std::string::npos);
}

TEST(RunningProgram, TheUtilitysAbortEndsIt)
{
    SimRunner runner;
    ASSERT_TRUE(runner.ok()) << runner.error();
    {
        RawConsole console(runner.portName());
        console.type("D:\rDEMO\r");
        ASSERT_NE(console.readUntil("Counter 1\r\n", 2s).find("Counter 1"), std::string::npos);
    }
    // As the device menu's ABORT sends it: T = 200 ms, drain, echo check.
    const auto run = RunCommands(runner.portName(), {"A\r"}, {.timeoutMs = 200});
    EXPECT_TRUE(run.result.ok) << run.result.message;
    EXPECT_TRUE(run.log.contains("Program aborted"));
    EXPECT_TRUE(RunCommands(runner.portName(), {"A\r"}).log.contains("No program is running"));
}

TEST_F(ConsoleLine, CursorKeysAreIgnoredAtThePrompt)
{
    console().type("\x1b[A\x1bOPdir/s NOPE\r");
    const std::string answer = console().readUntil("C:\\>", 1s);
    EXPECT_NE(answer.find("File not found"), std::string::npos) << answer;
    EXPECT_EQ(answer.find('\x1b'), std::string::npos);
}

class FloodConsole : public SimFixture {
protected:
    sim::SimulatorOptions simulatorOptions() const override
    {
        sim::SimulatorOptions options;
        options.flood = true;
        return options;
    }
};

TEST_F(FloodConsole, FloodProgramPrintsNumberedLinesUntilAborted)
{
    RawConsole console(portName());
    ASSERT_TRUE(console.isOpen());
    console.type("D:\rFLOOD\r");
    const std::string text = console.readUntil("FLOOD 00000300 ", 5s);
    EXPECT_NE(text.find("FLOOD 00000001 ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789\r\n"),
              std::string::npos);
    EXPECT_TRUE(text.ends_with("FLOOD 00000300 "));
    console.type("A\r");
    EXPECT_TRUE(console.readUntil("D:\\>", 5s).ends_with("Program aborted\r\n\r\nD:\\>"));
}

class LoggedConsole : public SimFixture {
protected:
    sim::SimulatorOptions simulatorOptions() const override
    {
        sim::SimulatorOptions options;
        options.byteLog = logPath_;
        return options;
    }
    TempDir dir_;
    std::filesystem::path logPath_ = dir_ / "line.log";
};

TEST_F(LoggedConsole, ByteLogRecordsBothDirectionsReadably)
{
    RawConsole console(portName());
    console.type("d:\r");
    console.readUntil("D:\\>", 1s);
    // The log is written as the bytes pass; the received burst is flushed by the reply.
    std::ifstream in(logPath_);
    std::stringstream text;
    text << in.rdbuf();
    const std::string log = text.str();
    EXPECT_NE(log.find(" RX d\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" TX d\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" TX \\r\\n\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" TX C:\\\\>\n"), std::string::npos) << log;
    EXPECT_EQ(sim::ByteLog::escape(std::string("a\x01\xff\t", 4)), "a\\x01\\xFF\\t");
}

TEST_F(FloodConsole, HangUpWorksWhileNobodyReadsTheOutput)
{
    {
        RawConsole console(portName());
        console.type("D:\rFLOOD\r");
        console.readUntil("FLOOD 00000002", 2s);
    }
    // The client has gone; the flood fills the line and its writes block.
    std::this_thread::sleep_for(200ms);
    const std::string terminal = sim().terminalPath();
    sim().faults().hangUp = true;
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (std::filesystem::exists(terminal) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(std::filesystem::exists(terminal)) << "the line was closed";
}
