// The console byte by byte, as a terminal sees it.
#include <gtest/gtest.h>

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
