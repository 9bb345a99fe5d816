// The device panel's menu from the command line, the console commands and the I/O
// configuration, with the real tool on the simulator.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fstream>
#include <sstream>

#include "CliTestKit.h"
#include "device/DeviceOperations.h"
#include "link/ConsoleExchange.h"
#include "sim/IoConfigTool.h"
#include "sim/ToolCommands.h"

namespace kora::test {
namespace {

struct Expected {
    std::vector<std::string> args;
    int status;
    std::string err; // the whole of standard error
};

// Runs each command in turn and checks its exit status and its whole standard error.
class CliCommands : public CliTest {
protected:
    void expect(const std::vector<Expected>& cases)
    {
        for (const Expected& c : cases) {
            const ToolResult result = tool(c.args);
            EXPECT_EQ(result.status, c.status) << ::testing::PrintToString(c.args) << result.err;
            EXPECT_EQ(result.err, c.err) << ::testing::PrintToString(c.args);
        }
    }
};

TEST_F(CliCommands, DeletingFollowsThePanelsRules)
{
    expect({
        {{"rm", "bin\\tool.com"}, 0, ""},
        {{"rm", "LOG"}, 1, "kora7740p: 'LOG' is a directory; rmdir deletes it.\n"},
        {{"rmdir", "README.TXT"}, 1, "kora7740p: 'README.TXT' is not a directory.\n"},
        {{"rmdir", "\\LOG"}, 1, ErrLine(DirectoryNotEmptyWarning("LOG"))},
        {{"rmdir", "EMPTY"}, 0, ""},
        {{"rm", "NOPE.TXT"}, 1, "kora7740p: 'NOPE.TXT' is not in D:\\.\n"},
    });
    EXPECT_FALSE(onDevice("D:\\BIN\\TOOL.COM"));
    EXPECT_TRUE(onDevice("D:\\BIN\\START.BAT"));
    EXPECT_TRUE(onDevice("D:\\LOG\\A.TXT"));
    EXPECT_FALSE(onDevice("D:\\EMPTY"));
}

TEST_F(CliCommands, MakingAndRenaming)
{
    const std::string readme = deviceFile("D:\\README.TXT");
    expect({
        {{"mkdir", "\\BIN\\NEWFILES"}, 0, ""}, // the longest name the dialog takes
        // A name that is taken is refused before the controller would refuse it.
        {{"mkdir", "bin"}, 1, "kora7740p: A directory 'BIN' exists already in D:\\.\n"},
        {{"mv", "readme.txt", "READ.ME"}, 0, ""},
        {{"mv", "READ.ME", "notes"}, 1, "kora7740p: A file 'NOTES' exists already in D:\\.\n"},
        {{"mv", "READ.ME", "read.me"}, 0, ""}, // its own name in another case
        {{"mv", "BIN", "X"}, 1, "kora7740p: 'BIN' is a directory; only files are renamed.\n"},
    });
    // The controller would cut these names: refused before anything is sent.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"mv", "READ.ME", "ABCDEFGHIJ.T"}, {"mkdir", "\\LONGDIRNAME"}}) {
        const ToolResult result = tool(args);
        EXPECT_EQ(result.status, 2) << args.back();
        EXPECT_NE(result.err.find("(8.3)"), std::string::npos) << result.err;
    }
    EXPECT_TRUE(onDevice("D:\\read.me"));
    EXPECT_TRUE(sim().fileSystem().isDirectory("D:\\BIN\\NEWFILES"));
    EXPECT_FALSE(onDevice("D:\\README.TXT"));
    EXPECT_EQ(deviceFile("D:\\READ.ME"), readme);
}

TEST_F(CliCommands, AutorunAndConsoleCommands)
{
    expect({
        {{"autorun", "demo.exe"}, 0, ""},
        {{"autorun", "README.TXT"},
         1,
         "kora7740p: 'README.TXT' is not a program; only .EXE files are set to AutoRun.\n"},
    });
    EXPECT_EQ(deviceFile("D:\\AUTORUN.BAT"), "DEMO.EXE\r\n");
    // A full drive: the console answers, the exchange goes through, but the listing after it
    // shows no AutoRun.bat, and the controller's words say why.
    ASSERT_EQ(sim().fileSystem().deleteFile("D:\\AUTORUN.BAT"), sim::FsError::None);
    sim().fileSystem().setCapacity('D', sim().fileSystem().capacity('D') -
                                            sim().fileSystem().freeBytes('D'));
    expect({{{"autorun", "DEMO.EXE"},
             1,
             "kora7740p: KORA-7740P did not write AutoRun.bat. File creation error\n"}});

    const ToolResult mem = tool({"mem"});
    EXPECT_EQ(mem.status, 0);
    EXPECT_NE(mem.out.find("Largest executable program size"), std::string::npos) << mem.out;
    EXPECT_EQ(mem.out.find("mem"), std::string::npos) << "the command is no output";
    EXPECT_EQ(tool({"abort"}).out, "No program is running\n");
    EXPECT_EQ(tool({"exec", "type", "NOTES"}).out, "Calibrate slot 2 before the run.\n");

    // No such command: nothing ran, and a chain does not go on.
    const ToolResult unknown = tool({"exec", "nosuchcmd", "+", "mkdir", "\\AFTER"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.out, "Bad command or file name\n");
    EXPECT_EQ(unknown.err, "kora7740p: KORA-7740P did not run 'nosuchcmd': Bad command or file "
                           "name\n");
    EXPECT_FALSE(onDevice("D:\\AFTER"));

    sim().faults().noEcho = true;
    const ToolResult unechoed = tool({"exec", "type NOTES"});
    EXPECT_EQ(unechoed.status, 1);
    EXPECT_EQ(unechoed.err, ErrLine(SendFailureMessage("type NOTES")));
}

TEST_F(CliCommands, PatientTimingReadsOnPastAPromptLookAlike)
{
    // The real prompt follows the look-alike after a pause longer than the quick quiet gap.
    sim().fileSystem().writeFile("D:\\FAKE.TXT", "first line\r\nD:\\X>");
    sim().faults().pauseMs = 60;
    sim().faults().pauseAfterLines = 1;
    sim().faults().pauseIntoLine = 5;
    const ToolResult quick = tool({"exec", "type", "D:\\FAKE.TXT"});
    EXPECT_EQ(quick.status, 0) << quick.err;
    EXPECT_EQ(quick.out, "first line\n");
    const ToolResult patient = tool({"--patient", "exec", "type", "D:\\FAKE.TXT"});
    EXPECT_EQ(patient.status, 0) << patient.err;
    EXPECT_EQ(patient.out, "first line\nD:\\X>\n");
}

TEST_F(CliCommands, FormatAsksForYesFirst)
{
    const ToolResult refused = tool({"format"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, ErrLine(std::string(kFormatQuestion) +
                                   "\nNothing was done: give --yes to format the drive."));
    EXPECT_EQ(sim().bytesReceived(), 0u);
    EXPECT_TRUE(onDevice("D:\\README.TXT"));

    // The tool answers but the drive keeps its files: the listing afterwards tells.
    sim().registerCommand("dlfmt", [](sim::CommandContext& c) { c.io.writeLine("Format failed"); });
    const ToolResult failed = tool({"format", "--yes"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.err, "kora7740p: KORA-7740P did not format D:. Format failed\n");
    EXPECT_TRUE(onDevice("D:\\README.TXT"));
    sim::RegisterToolCommands(sim());

    const ToolResult formatted = tool({"format", "--yes"});
    EXPECT_EQ(formatted.status, 0) << formatted.err;
    EXPECT_EQ(sim().fileSystem().list("D:\\")->size(), 0u);
}

TEST_F(CliCommands, IoConfigurationReadEditedAndApplied)
{
    // A read-out cut before its end record is no configuration: nothing is shown or written.
    sim().faults().ioConfigNoEnd = true;
    const ToolResult cut = tool({"cfgio", "show", "--json"});
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.out, "");
    EXPECT_NE(cut.err.find("incomplete"), std::string::npos) << cut.err;
    sim().faults().ioConfigNoEnd = false;

    // Records noise has damaged are refused as well: a range or count that is no number, a
    // channel its slot header does not announce, a lost header or trailer, a lost channel record
    // (the last of its slot too: the dialog would show it unset and OK would write that back).
    const std::string whole = sim::FormatIoConfiguration(sim::SampleIoConfiguration());
    const std::vector<std::pair<std::string, std::string>> damages = {
        {"\n0 09 -1 -1\n", "\n0 0\x19 -1 -1\n"},    {"\n7 09 -1 -1\n@SLOT0 -1", "\n@SLOT0 -1"},
        {"\n3 48 -1 -1\n@SLOT1 -1", "\n@SLOT1 -1"}, {"@SLOT0 04 08 -1", "@SLOT0 04 0: -1"},
        {"@SLOT0 04 08 -1", "@SLOT0 04 00 -1"},     {"@SLOT1 24 04 -1", "`SLOT1 24 04 -1"},
        {"@SLOT1 -1 -1 -1", "`SLOT1 -1 -1 -1"}};
    for (const auto& [good, damaged] : damages) {
        std::string text = whole;
        ASSERT_NE(text.find(good), std::string::npos) << good;
        text.replace(text.find(good), good.size(), damaged);
        sim().registerCommand("cfgio", [text](sim::CommandContext& c) { c.io.write(text); });
        const ToolResult noisy = tool({"cfgio", "show", "--json"});
        EXPECT_EQ(noisy.status, 1) << damaged;
        EXPECT_NE(noisy.err.find("damaged"), std::string::npos) << noisy.err;
    }
    sim::RegisterIoConfigTool(sim());

    const std::string file = (workDir() / "io.cfg").string();
    const ToolResult shown = tool({"cfgio", "show", "--json", "-o", file});
    ASSERT_EQ(shown.status, 0) << shown.err;
    const QJsonObject table =
        QJsonDocument::fromJson(QByteArray::fromStdString(shown.out)).object();
    EXPECT_EQ(table["node"].toInt(), 1);
    const QJsonArray slotList = table["slots"].toArray();
    ASSERT_EQ(slotList.size(), 4);
    const QJsonObject first = slotList[0].toObject();
    EXPECT_EQ(first["moduleType"].toInt(), 4);
    EXPECT_EQ(first["channelCount"].toInt(), 8);
    EXPECT_EQ(first["channels"].toArray()[0].toObject()["rangeCode"].toInt(), 9);
    EXPECT_EQ(slotList[3].toObject()["moduleType"].toInt(), 99);

    std::stringstream text;
    text << std::ifstream(file).rdbuf();
    std::string edited = text.str();
    ASSERT_EQ(edited.rfind("@KORA7740PIOCFG-START 001 -1 -1\n", 0), 0u) << edited;
    const std::size_t channel = edited.find("\n0 09 -1 -1\n");
    ASSERT_NE(channel, std::string::npos);
    edited.replace(channel, 11, "\n0 10 -1 -1\n");
    std::ofstream(file, std::ios::binary | std::ios::trunc) << edited;

    const ToolResult applied = tool({"cfgio", "apply", file});
    EXPECT_EQ(applied.status, 0) << applied.err;
    EXPECT_EQ(applied.out, "I/O configuration applied\n");
    EXPECT_FALSE(onDevice("D:\\KORAIO.CFG"));
    EXPECT_NE(tool({"cfgio", "show"}).out.find("  Channel 0: code 10  +/-   1  V\n"),
              std::string::npos);

    const std::uint64_t sent = sim().bytesReceived();
    std::ofstream(file, std::ios::trunc) << "@KORA7740PIOCFG-START 001 -1 -1\n";
    const ToolResult truncated = tool({"cfgio", "apply", file});
    EXPECT_EQ(truncated.status, 1);
    EXPECT_NE(truncated.err.find("is no I/O configuration file"), std::string::npos);
    EXPECT_EQ(sim().bytesReceived(), sent);
}

} // namespace
} // namespace kora::test
