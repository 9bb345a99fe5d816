// The console commands the utility types, and the error lines its checks look for.
#include <gtest/gtest.h>

#include "SimTestKit.h"
#include "support/SimFixture.h"

using namespace kora;
using namespace kora::test;

namespace {

class CommandExchange : public TimedSimFixture {
protected:
    // Runs the commands in D:\ as the device panel does after a listing.
    CapturedRun inRoot(const std::string& command) { return exchange({"d:\r", "cd\\\r", command}); }
    bool exists(const std::string& path) { return sim().fileSystem().exists(path); }
};

} // namespace

TEST_P(CommandExchange, ChangeDirectoryAnswersABadPathWithInvalid)
{
    const auto bad = exchange({"d:\r", "cd\\LOG\r", "cd\\NOPE\r"});
    ASSERT_TRUE(bad.result.ok);
    EXPECT_TRUE(bad.log.contains("Invalid "));
    EXPECT_EQ(sim().fileSystem().prompt(), "D:\\LOG>");

    const auto up = exchange({"cd..\r", "cd\r"});
    EXPECT_TRUE(up.log.contains("D:\\")) << "cd alone names the current directory";
    EXPECT_EQ(sim().fileSystem().prompt(), "D:\\>");
    EXPECT_TRUE(exchange({"cd..\r"}).log.contains("Invalid ")) << "no parent above the root";
}

TEST_P(CommandExchange, MakeDirectoryErrorsCarryTheCheckedWords)
{
    EXPECT_FALSE(inRoot("md NEWDIR\r").log.contains("Unable "));
    EXPECT_TRUE(sim().fileSystem().isDirectory("D:\\NEWDIR"));

    const auto taken = inRoot("md LOG\r");
    EXPECT_TRUE(taken.log.contains("Unable "));
    const auto fileTaken = inRoot("md README.TXT\r");
    EXPECT_TRUE(fileTaken.log.contains("Unable "));
    const auto badName = inRoot("md A*B\r");
    EXPECT_TRUE(badName.log.contains("Invalid "));
    EXPECT_TRUE(inRoot("md TOOLONGNAME\r").log.contains("Invalid "));
    EXPECT_FALSE(exists("D:\\TOOLONGN"));
}

TEST_P(CommandExchange, RemoveDirectoryRefusesOneThatIsNotEmpty)
{
    const auto refused = inRoot("rd LOG\r");
    ASSERT_TRUE(refused.result.ok);
    EXPECT_EQ(refused.log.lines.back(), "Directory not empty");
    EXPECT_TRUE(exists("D:\\LOG"));

    inRoot("rd EMPTY\r");
    EXPECT_FALSE(exists("D:\\EMPTY"));
    EXPECT_TRUE(inRoot("rd NOPE\r").log.contains("Invalid path"));
}

TEST_P(CommandExchange, DeleteAndRenameFiles)
{
    inRoot("del NOTES\r");
    EXPECT_FALSE(exists("D:\\NOTES"));
    EXPECT_TRUE(inRoot("del NOTES\r").log.contains("File not found"));
    EXPECT_TRUE(inRoot("del LOG\r").log.contains("Access denied"));
    EXPECT_TRUE(exists("D:\\LOG\\A.TXT"));

    EXPECT_FALSE(inRoot("ren README.TXT READ.ME\r").log.contains("Duplicate "));
    EXPECT_EQ(sim().fileSystem().readFile("D:\\READ.ME")->size(), 1234u);
    EXPECT_TRUE(inRoot("ren READ.ME DEMO.EXE\r").log.contains("Duplicate "));
    EXPECT_TRUE(inRoot("ren GONE.TXT NEW.TXT\r").log.contains("Duplicate "));
    EXPECT_TRUE(inRoot("ren READ.ME BAD*NAME\r").log.contains("Invalid "));
    EXPECT_TRUE(exists("D:\\READ.ME"));
}

TEST_P(CommandExchange, EchoWritesTheAutoRunBatchFile)
{
    const auto run = exchange({"d:\r", "cd\\BIN\r", "echo DEMO.EXE>AutoRun.bat\r"});
    ASSERT_TRUE(run.result.ok);
    EXPECT_EQ(sim().fileSystem().readFile("D:\\BIN\\AUTORUN.BAT"), "DEMO.EXE\r\n");
}

TEST_P(CommandExchange, ToolsOnTheSystemDriveAnswer)
{
    const auto mem = exchange({"C:\\mem\r"});
    ASSERT_TRUE(mem.result.ok);
    EXPECT_GE(mem.log.lines.size(), 5u) << "the command line and a report of several lines";
    EXPECT_TRUE(mem.log.contains("Conventional"));

    const auto abort = exchange({"A\r"});
    EXPECT_TRUE(abort.log.contains("No program is running"));

    const auto badSwitch = exchange({"dir/w\r", "dir /\r", "dir A B\r"});
    EXPECT_TRUE(badSwitch.log.contains("Invalid switch - /w"));
    EXPECT_TRUE(badSwitch.log.contains("Invalid switch - /"));
    EXPECT_TRUE(badSwitch.log.contains("Too many parameters"));
    EXPECT_FALSE(badSwitch.log.contains("bytes free"));

    const auto unknown = exchange({"FROB\r"});
    EXPECT_TRUE(unknown.log.contains("Bad command or file name"));
    EXPECT_TRUE(exchange({"C:\\NOPE.EXE\r"}).log.contains("Bad command"));
}

TEST_P(CommandExchange, FormatPrintsProgressWithBareCarriageReturnsAndEmptiesD)
{
    // The utility reads this command's lines up to CR (with T = 1000 ms; shorter here).
    const auto run = exchange({"C:\\DLFMT D: /C\r"}, {.timeoutMs = 300, .lineEnd = 13});
    ASSERT_TRUE(run.result.ok) << run.result.message;
    int progress = 0;
    std::string final;
    for (const auto& line : run.rawLines) {
        if (line.find("% done") != std::string::npos) {
            ++progress;
            EXPECT_TRUE(line.ends_with("\r")) << line;
        } else if (line.find("Format complete") != std::string::npos) {
            final = line;
        }
    }
    EXPECT_GE(progress, 2);
    EXPECT_FALSE(final.empty());
    EXPECT_TRUE(sim().fileSystem().list("D:\\")->empty());

    EXPECT_TRUE(exchange({"C:\\DLFMT C: /C\r"}).log.contains("Cannot format"));
    EXPECT_TRUE(exists("C:\\MEM.EXE"));
}

TEST_P(CommandExchange, ABatchFileRunsItsLines)
{
    ASSERT_TRUE(sim().fileSystem().writeFile("D:\\HELLO.BAT", "@echo off\r\necho hello there\r\n"));
    const auto run = inRoot("HELLO\r");
    ASSERT_TRUE(run.result.ok);
    EXPECT_EQ(run.log.lines.back(), "hello there");
}

TEST_P(CommandExchange, EachRefusalHasItsOwnLine)
{
    // Each command as the pane shows it, then its one line of refusal.
    const std::vector<std::pair<std::string, std::string>> refusals = {
        {"md", "Required parameter missing"},
        {"md A*B", "Invalid directory name"},
        {"md NOPE\\SUB", "Invalid path"},
        {"rd", "Required parameter missing"},
        {"rd README.TXT", "Invalid path, not directory"},
        {"del", "Required parameter missing"},
        {"del NOPE\\X", "Path not found"},
        {"del A*B", "Invalid file name"},
        {"del GONE", "File not found"},
        {"ren README.TXT", "Required parameter missing"},
        {"ren A B C", "Too many parameters"},
        {"ren NOPE\\A.TXT B.TXT", "Invalid path"},
        {"type", "Required parameter missing"},
        {"type GONE", "File not found - GONE"},
        {"cd\\EMPTY", ""},
        {"rd \\EMPTY", "Attempt to remove current directory - \\EMPTY"},
    };
    std::vector<std::string> commands = {"d:\r", "cd\\\r"};
    std::vector<std::string> expected = {"d:", "cd\\"};
    for (const auto& [command, refusal] : refusals) {
        commands.push_back(command + "\r");
        expected.push_back(command);
        if (!refusal.empty())
            expected.push_back(refusal);
    }
    const auto run = exchange(commands);
    ASSERT_TRUE(run.result.ok);
    EXPECT_EQ(run.log.lines, expected);
    EXPECT_TRUE(exists("D:\\EMPTY"));
    EXPECT_TRUE(exists("D:\\README.TXT"));
}

KORA_UNDER_EACH_TIMING(CommandExchange);
