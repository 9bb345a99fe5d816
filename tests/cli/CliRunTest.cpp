// run: a program uploaded, started in its directory and its output printed until the prompt
// returns; and put --watch, which uploads again on every change.
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "CliTestKit.h"
#include "cli/ProgramOutput.h"
#include "sim/Faults.h"
#include "sim/SamplePrograms.h"

namespace kora::test {
namespace {

// What ProgramOutput prints of a console's bytes, each "~" standing for the line falling quiet;
// and whether the prompt ended it.
struct Shown {
    std::string printed;
    bool promptReturned = false;
    bool unknownProgram = false;
};

Shown Feed(const std::string& console)
{
    cli::ProgramOutput output;
    Shown shown;
    for (const char c : console) {
        shown.printed += c == '~' ? output.quiet() : output.add(static_cast<std::uint8_t>(c));
    }
    shown.promptReturned = output.promptReturned();
    shown.unknownProgram = output.unknownProgram();
    return shown;
}

TEST(ProgramOutput, PrintsTheProgramsOutputAndNothingOfTheConsoles)
{
    struct Case {
        const char* console; // as it arrives after the echoed Enter of the program's line
        const char* printed;
        bool promptReturned;
        bool unknownProgram;
    };
    const Case cases[] = {
        // The LF after the echo, CR LF ends, DOS's blank line before its prompt and the prompt.
        {"\nHello\r\nWorld\r\n\r\nD:\\BIN>~", "Hello\nWorld\n", true, false},
        // Blank lines of the program between its lines stay.
        {"\nA\r\n\r\n\r\nB\r\n\r\nD:\\>~", "A\n\n\nB\n", true, false},
        // No such program: the console's refusal is no output.
        {"\nBad command or file name\r\n\r\nD:\\>~", "", true, true},
        // ... but a program's line that reads so is, once more follows.
        {"\nBad command or file name\r\nmore\r\n\r\nD:\\>~", "Bad command or file name\nmore\n",
         true, false},
        // A question without a line end is printed when the line falls quiet.
        {"\nValue? ~", "Value? ", false, false},
        // Something beginning like a prompt is held until it turns out not to be one.
        {"\nD:\\DATA~", "", false, false},
        {"\nD:\\DATA is full\r\n", "D:\\DATA is full\n", false, false},
        // A prompt with more after it is no prompt yet.
        {"\nC:\\>x\r\n~", "C:\\>x\n", false, false},
        // A lone CR goes through: the program redraws its line.
        {"\n10%\r20%\r\n", "10%\r20%\n", false, false},
        // More after the prompt: it was the program's own line, blank line and all.
        {"\nok\r\n\r\nD:\\>~late\r\n~", "ok\n\nD:\\>late\n", false, false},
    };
    for (const Case& c : cases) {
        const Shown shown = Feed(c.console);
        EXPECT_EQ(shown.printed, c.printed) << c.console;
        EXPECT_EQ(shown.promptReturned, c.promptReturned) << c.console;
        EXPECT_EQ(shown.unknownProgram, c.unknownProgram) << c.console;
    }
}

class CliRun : public CliTest {
protected:
    // A program the simulator runs for a long time: a line every 50 ms until "A" + Enter.
    std::string endlessProgram()
    {
        return writeLocal("COUNT.EXE", sim::ProgramImage(sim::CounterProgramTag(50, 100000), 900));
    }
};

TEST_F(CliRun, RunsABatchFileWithItsArgumentsInTheDirectoryItWentTo)
{
    ASSERT_TRUE(sim().fileSystem().writeFile("D:\\HELLO.BAT", "echo wrong directory\r\n"));
    ASSERT_EQ(sim().fileSystem().changeDirectory("D:\\"), sim::FsError::None);
    const std::string batch = writeLocal("hello.bat", "echo Hello %1 and %2\r\necho bye\r\n");
    const std::string log = (workDir() / "console.log").string();
    const ToolResult result =
        tool({"--log", log, "run", "-q", batch, "\\BIN", "--", "World", "you"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "Hello World and you\nbye\n");
    std::stringstream logged;
    logged << std::ifstream(log).rdbuf();
    EXPECT_NE(logged.str().find("  Hello World and you\n"), std::string::npos) << logged.str();
    EXPECT_EQ(deviceFile("D:\\BIN\\HELLO.BAT").rfind("echo Hello", 0), 0u);

    // Only run: the program named where it is on the controller.
    const ToolResult again =
        tool({"run", "--no-upload", "D:\\BIN\\HELLO.BAT", "--", "again", "me"});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, "Hello again and me\nbye\n");
}

TEST_F(CliRun, StartsNothingWhenTheControllerDidNotKeepTheUpload)
{
    // The receiver refuses the end and keeps the program of the same size that was there: it
    // must not be started in place of the one sent.
    ASSERT_TRUE(sim().fileSystem().writeFile("D:\\HELLO.BAT", "echo old\r\n"));
    const std::string batch = writeLocal("hello.bat", "echo new\r\n");
    sim().faults().transferEnd = sim::Faults::kTransferEndRefused;
    const ToolResult result = tool({"run", "-q", batch});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("D:\\hello.bat is still the earlier file"), std::string::npos)
        << result.err;
    EXPECT_EQ(deviceFile("D:\\HELLO.BAT"), "echo old\r\n");
}

TEST_F(CliRun, FailsForAProgramTheConsoleDoesNotFindOrADirectoryThatIsNotThere)
{
    const ToolResult unknown = tool({"run", "--no-upload", "NOPE.EXE"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.out, "");
    EXPECT_NE(unknown.err.find("\"Bad command or file name\""), std::string::npos) << unknown.err;

    const ToolResult nowhere = tool({"run", "--no-upload", "\\NODIR\\HELLO.BAT"});
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_NE(nowhere.err.find("Invalid directory"), std::string::npos) << nowhere.err;
}

TEST_F(CliRun, RefusesWhatCannotBeRunBeforeAnythingIsSent)
{
    const std::string text = writeLocal("README.TXT", "text");
    const std::string program = writeLocal("TOOL.EXE", "MZ");
    const std::vector<std::vector<std::string>> refused = {
        {"run", text},                                 // not a program
        {"run", program, "NOTADIR"},                   // arguments go after --
        {"run", program, "--timeout", "0"},            // no time at all
        {"run", program, "--", std::string(130, 'x')}, // longer than the console's line
        {"run", program, "--", "a\rdel *.*"},          // a second command
    };
    for (const std::vector<std::string>& args : refused) {
        EXPECT_EQ(tool(args).status, 2) << args.back();
    }
    EXPECT_EQ(sim().bytesReceived(), 0u);
}

TEST_F(CliRun, GivesUpAfterTheTimeOut)
{
    const ToolResult result = tool({"run", "-q", endlessProgram(), "--timeout", "1"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("Counter 1\n"), std::string::npos) << result.out;
    EXPECT_NE(result.err.find("did not return to the prompt"), std::string::npos) << result.err;
}

TEST_F(CliRun, CtrlCSendsTheAbortCommand)
{
    bool interrupted = false;
    const ToolResult result =
        RunToolWhile({"run", "-q", endlessProgram()}, [&](pid_t pid, const ToolResult& sofar) {
            if (!interrupted && sofar.out.find("Counter 2") != std::string::npos) {
                interrupted = ::kill(pid, SIGINT) == 0;
            }
        });
    EXPECT_TRUE(interrupted);
    EXPECT_EQ(result.status, 130) << result.err;
    // The simulated program prints this only when "A" + Enter reached it.
    EXPECT_NE(result.out.find("Program aborted"), std::string::npos) << result.out;
    // The console is at its prompt again: the next command works.
    EXPECT_EQ(tool({"exec", "cd"}).out, "D:\\\n");
}

TEST_F(CliRun, ALineLikeThePromptDoesNotEndTheRunWhileTheProgramGoesOn)
{
    // The program prints "D:\LOG>" and pauses a twentieth of the settle time before it goes
    // on; the chained command waits for its real end.
    ASSERT_TRUE(sim().fileSystem().writeFile(
        "D:\\BIN\\LOGGER.EXE", sim::ProgramImage(sim::PromptLookAlikeProgramTag(50, 2), 900)));
    const ToolResult result =
        tool({"run", "-q", "--no-upload", "--settle", "1", "\\BIN\\LOGGER.EXE", "+", "exec", "cd"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "LOGGER.EXE running\nD:\\LOG> step 1\nD:\\LOG> step 2\n"
                          "LOGGER.EXE finished\nD:\\BIN\n");
}

TEST_F(CliRun, AStartWhoseEnterWasNotEchoedSaysTheProgramMayBeRunning)
{
    ASSERT_TRUE(sim().fileSystem().writeFile(
        "D:\\COUNT.EXE", sim::ProgramImage(sim::CounterProgramTag(20, 5), 900)));
    sim().faults().noProgramEnterEcho = true;
    const ToolResult result = tool({"run", "-q", "--no-upload", "COUNT.EXE"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("'COUNT.EXE' may be running"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("'kora7740p abort' stops it"), std::string::npos) << result.err;
}

TEST_F(CliRun, WatchUploadsAgainOnEveryChange)
{
    const std::string path = writeLocal("WATCHED.BIN", "version 1");
    int changes = 0;
    const ToolResult result = RunToolWhile(
        {"put", "-q", "--watch", path, "\\BIN"}, [&](pid_t pid, const ToolResult& sofar) {
            const auto uploads = Lines(sofar.out).size();
            if (uploads == static_cast<std::size_t>(changes) + 1 && changes < 2) {
                ++changes;
                std::ofstream(path, std::ios::trunc) << "version " << changes + 1;
            } else if (uploads == 3 && changes == 2) {
                ++changes;
                ::kill(pid, SIGINT);
            }
        });
    EXPECT_EQ(result.status, 0) << result.err;
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 3u) << result.out << result.err;
    for (const std::string& line : lines) {
        EXPECT_NE(line.find(" uploaded D:\\BIN\\WATCHED.BIN (9 bytes)"), std::string::npos) << line;
    }
    EXPECT_EQ(deviceFile("D:\\BIN\\WATCHED.BIN"), Padded("version 3"));
}

} // namespace
} // namespace kora::test
