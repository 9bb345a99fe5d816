// put: files arrive byte-exact, with the copy button's checks, progress and verification.
#include <fcntl.h>

#include <filesystem>
#include <fstream>

#include "CliTestKit.h"
#include "sim/Faults.h"
#include "support/PtyPair.h"

namespace kora::test {
namespace {

TEST_F(CliTest, PutUploadsFilesByteExactAndVerifiesThem)
{
    const std::string first = RandomText(1000, 1);
    const std::string second = RandomText(129, 2);
    const ToolResult result = tool(
        {"put", writeLocal("a.bin", first), writeLocal("Second.Bin", second), "\\BIN", "--verify"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(deviceFile("D:\\BIN\\A.BIN"), Padded(first));
    EXPECT_EQ(deviceFile("D:\\BIN\\SECOND.BIN"), Padded(second));
    EXPECT_EQ(result.out, "verified D:\\BIN\\A.BIN: 1024 bytes\n"
                          "verified D:\\BIN\\SECOND.BIN: 256 bytes\n");
    // Not a terminal: plain progress lines.
    const std::vector<std::string> progress = Lines(result.err);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), "1/2 a.bin 0%");
    EXPECT_EQ(progress.back(), "2/2 Second.Bin 100%");

    const std::string third = RandomText(3000, 3);
    const ToolResult fast = tool({"put", "--fast", writeLocal("fast.bin", third)});
    ASSERT_EQ(fast.status, 0) << fast.err;
    EXPECT_EQ(deviceFile("D:\\FAST.BIN"), Padded(third));
}

// DOS stops a text file at Ctrl-Z; zero bytes it runs as a batch line ("Bad command or file
// name") and hands to programs as text.
TEST_F(CliTest, PutFillsATextFileUpWithTheEndOfFileMarkSoABatchRunsCleanly)
{
    const ToolResult put = tool({"put", writeLocal("runme.bat", "echo hi\r\n"),
                                 writeLocal("notes", "first\r\nsecond\r\n"),
                                 writeLocal("data.bin", "echo hi\r\n\x01"), "\\BIN"});
    ASSERT_EQ(put.status, 0) << put.err;
    EXPECT_EQ(deviceFile("D:\\BIN\\RUNME.BAT"), Padded("echo hi\r\n", '\x1a'));
    EXPECT_EQ(deviceFile("D:\\BIN\\NOTES"), Padded("first\r\nsecond\r\n", '\x1a'));
    EXPECT_EQ(deviceFile("D:\\BIN\\DATA.BIN"), Padded("echo hi\r\n\x01"));
    EXPECT_EQ(tool({"exec", "D:\\BIN\\RUNME.BAT"}).out, "hi\n");
}

TEST_F(CliTest, PutKeepsTheCopyButtonsChecks)
{
    const std::string program = writeLocal("my-prog.exe", RandomText(300, 3));
    const ToolResult unnamed = tool({"put", program});
    EXPECT_EQ(unnamed.status, 2);
    EXPECT_EQ(unnamed.err.rfind("kora7740p: Invalid file name 'my-prog.exe'", 0), 0u);
    EXPECT_NE(unnamed.err.find("--as NAME"), std::string::npos);
    EXPECT_EQ(sim().bytesReceived(), 0u);

    // Names the controller would cut to 8.3, and two files it would store under one name:
    // refused before anything is sent, as the first would be lost.
    const std::string first = writeLocal("LONGNAME123.TXT", "1");
    const std::string second = writeLocal("LONGNAME456.TXT", "2");
    std::filesystem::create_directory(workDir() / "other");
    const std::string sameName = (workDir() / "other" / "my.bin").string();
    std::ofstream(sameName) << "3";
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"put", first, second},
                                               {"put", "--as", "PROG.EXEC", program},
                                               {"put", "--as", "A.B.C", program},
                                               {"put", writeLocal("MY.BIN", "4"), sameName}}) {
        EXPECT_EQ(tool(args).status, 2) << args.back();
    }
    EXPECT_EQ(sim().bytesReceived(), 0u);

    const ToolResult named = tool({"put", "--as", "MYPROG.EXE", program});
    ASSERT_EQ(named.status, 0) << named.err;
    EXPECT_TRUE(onDevice("D:\\MYPROG.EXE"));

    // A PC name that is not UTF-8 is read by its bytes.
    const std::string latin1 = writeLocal("caf\xE9.bin", "caf\xE9");
    const ToolResult bytesNamed = tool({"put", latin1, "--as", "CAFE.BIN"});
    ASSERT_EQ(bytesNamed.status, 0) << bytesNamed.err;
    EXPECT_EQ(deviceFile("D:\\CAFE.BIN"), Padded("caf\xE9"));
    const ToolResult bytesUnnamed = tool({"put", latin1});
    EXPECT_EQ(bytesUnnamed.status, 2);
    EXPECT_NE(bytesUnnamed.err.find("--as NAME"), std::string::npos) << bytesUnnamed.err;

    // A device folder alone names no file.
    const ToolResult noFile = tool({"put", "\\BIN"});
    EXPECT_EQ(noFile.status, 2);
    EXPECT_EQ(noFile.err, "kora7740p: '\\BIN' is a place on KORA-7740P; name the PC file(s) to "
                          "send there first\n");

    const std::string empty = writeLocal("empty.bin", "");
    const std::string fits = writeLocal("fits.bin", "x");
    // The free space exactly: refused, as the window refuses it.
    const std::string whole = (workDir() / "whole.bin").string();
    {
        std::ofstream(whole).put('\0');
    }
    std::filesystem::resize_file(whole, sim().fileSystem().freeBytes('D'));
    const struct {
        std::vector<std::string> args;
        std::string message;
    } refused[] = {
        {{"put", workDir().string()}, "Only file can be transferred."},
        {{"put", fits, workDir().string()}, "Only file can be transferred."},
        {{"put", empty},
         "cannot send '" + empty +
             "': the file is empty, and XMODEM would store it as a 128-byte block of padding"},
        {{"put", whole}, "There is no enough space on KORA-7740P."},
        {{"put", fits, whole}, "There is no enough space on KORA-7740P."},
        {{"put", (workDir() / "none.bin").string()},
         "cannot read '" + (workDir() / "none.bin").string() + "': there is no such file"},
    };
    for (const auto& c : refused) {
        const ToolResult result = tool(c.args);
        EXPECT_EQ(result.status, 1) << c.message;
        EXPECT_EQ(result.err, "kora7740p: " + c.message + "\n");
    }
    EXPECT_FALSE(onDevice("D:\\FITS.BIN"));
    EXPECT_FALSE(onDevice("D:\\WHOLE.BIN"));
}

TEST_F(CliTest, PutFailsWhenTheControllerDidNotKeepTheFileOrTheLineWentAway)
{
    sim().faults().transferEnd = sim::Faults::kTransferEndRefused;
    const ToolResult refused = tool({"put", "-q", "--json", writeLocal("a.bin", "abc")});
    sim().faults().transferEnd = sim::Faults::kTransferEndAsUsual;
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("\"error\":\"refused\""), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("Fail to transfer file 'a.bin'! KORA-7740P did not keep the file"),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(onDevice("D:\\A.BIN"));

    // A hang-up in the middle of the file: the lost line's reason and code.
    const std::string big = writeLocal("big.bin", RandomText(64 * 1024, 5));
    const ToolResult lost =
        RunToolWhile({"put", "-q", "--json", big}, [&](pid_t, const ToolResult&) {
            if (sim().bytesReceived() > 4096) {
                sim().faults().hangUp = true;
            }
        });
    EXPECT_EQ(lost.status, 1);
    EXPECT_NE(lost.err.find("\"error\":\"line-lost\""), std::string::npos) << lost.err;
    EXPECT_NE(lost.err.find("Lost the connection to "), std::string::npos) << lost.err;
}

TEST_F(CliTest, PutDrawsABarOnATerminal)
{
    PtyPair terminal;
    ASSERT_TRUE(terminal.ok());
    const ToolResult result = RunTool({"put", writeLocal("bar.bin", RandomText(5000, 4))},
                                      std::chrono::seconds(90), terminal.slaveFd());
    ASSERT_EQ(result.status, 0);
    const std::string shown = terminal.readUntilQuiet(std::chrono::milliseconds(200));
    EXPECT_NE(shown.find("\r[##############################] 100%  1/1  bar.bin"),
              std::string::npos)
        << shown;
    EXPECT_EQ(result.err, "");
}

} // namespace
} // namespace kora::test
