// ls, ports, the busy port and wrong usage, with the real tool on the simulator.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <fstream>
#include <regex>

#include "CliTestKit.h"
#include "device/DeviceOperations.h"
#include "link/ConsoleExchange.h"
#include "link/SerialPort.h"

namespace kora::test {
namespace {

QJsonObject ParseJson(const std::string& text)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
    return document.object();
}

TEST_F(CliTest, LsShowsThePanelsColumnsAndJsonReadsBack)
{
    const ToolResult text = tool({"ls"});
    ASSERT_EQ(text.status, 0) << text.err;
    const std::vector<std::string> lines = Lines(text.out);
    ASSERT_EQ(lines.size(), 10u) << text.out; // header, 4 folders, 4 files, status
    EXPECT_EQ(lines[0].substr(0, 4), "Name");
    EXPECT_EQ(lines[1].substr(0, 4), "BIN ");
    EXPECT_NE(lines[6].find("DEMO.EXE       12KB"), std::string::npos) << lines[6];
    EXPECT_NE(lines[6].find("2005/11/02 14:05"), std::string::npos) << lines[6];
    EXPECT_EQ(lines[9].rfind("8 object(s)  1.2 MB(", 0), 0u) << lines[9];
    EXPECT_NE(lines[9].find(" bytes free)"), std::string::npos);

    const ToolResult json = tool({"ls", "--json", "-s", "d:/log"});
    ASSERT_EQ(json.status, 0) << json.err;
    const QJsonObject listing = ParseJson(json.out);
    EXPECT_EQ(listing["path"].toString(), QStringLiteral("\\log"));
    EXPECT_EQ(listing["freeBytes"].toDouble(),
              static_cast<double>(sim().fileSystem().freeBytes('D')));
    const QJsonArray entries = listing["entries"].toArray();
    ASSERT_EQ(entries.size(), 4);
    const char* names[] = {"NEW", "OLD", "A.TXT", "B.TXT"};
    for (int i = 0; i < 4; ++i) {
        const QJsonObject entry = entries[i].toObject();
        EXPECT_EQ(entry["name"].toString(), QLatin1String(names[i]));
        EXPECT_EQ(entry["kind"].toString(), i < 2 ? "folder" : "file");
        EXPECT_EQ(entry["size"].toInt(), i < 2 ? 0 : 10);
        EXPECT_TRUE(entry["date"].toString().startsWith(QStringLiteral("2006/07/08 12:0")));
    }
    const QJsonObject tree = listing["tree"].toObject();
    EXPECT_EQ(tree["files"].toInt(), 4);
    EXPECT_EQ(tree["folders"].toInt(), 2);
    EXPECT_EQ(tree["bytes"].toInt(), 30);

    const ToolResult totals = tool({"ls", "-s", "\\LOG"});
    EXPECT_NE(totals.out.find("\nSize:      30 byte(s)\nContains:  4 file(s), 2 folder(s)\n"),
              std::string::npos)
        << totals.out;

    // A listing without its "bytes free" line was cut off: nothing is printed as if it were
    // the directory.
    sim().faults().noBytesFreeLine = true;
    const ToolResult partial = tool({"ls", "--json"});
    EXPECT_EQ(partial.status, 1) << partial.out;
    EXPECT_EQ(partial.out, "");
    // --json: the failure as one JSON object with its code.
    const QJsonObject error = ParseJson(partial.err);
    EXPECT_EQ(error["error"].toString(), "incomplete") << partial.err;
    EXPECT_EQ(error["status"].toInt(), 1);
    EXPECT_EQ(error["port"].toString(), "COM1");
    EXPECT_TRUE(error["message"].toString().startsWith("The listing of D:\\ is incomplete"));
    sim().faults().noBytesFreeLine = false;

    const ToolResult missing = tool({"ls", "\\NOPE"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "kora7740p: Invalid directory '\\NOPE'!\n");
    EXPECT_EQ(missing.out, "");

    // --json before the command word, as the manual's fan-out recipe has it.
    const ToolResult before = tool({"-p", "COM1", "--json", "ls", "\\LOG"});
    ASSERT_EQ(before.status, 0) << before.err;
    EXPECT_EQ(ParseJson(before.out)["entries"].toArray().size(), 4) << before.out;
}

// --log, before the command or after it: the lines the exchange shows, each with its time stamp;
// --log-raw: the bytes the port received, as they came.
TEST_F(CliTest, LogAppendsTheConsoleTrafficOfAnyCommand)
{
    const std::string file = (workDir() / "console.log").string();
    ASSERT_EQ(tool({"--log", file, "ls"}).status, 0);
    ASSERT_EQ(tool({"mkdir", "--log", file, "\\NEWDIR"}).status, 0);
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    const std::regex stamped(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}  (.*))");
    std::vector<std::string> texts;
    for (const std::string& line : lines) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, stamped)) << line;
        texts.push_back(match[1]);
    }
    const auto count = [&texts](const std::string& text) {
        return std::count(texts.begin(), texts.end(), text);
    };
    EXPECT_EQ(count("dir"), 3) << "the ls, and the listings mkdir makes before and after (the "
                                  "one after taken at once: it differs by the new folder alone)";
    EXPECT_EQ(count("md NEWDIR"), 1);
    EXPECT_EQ(
        std::count_if(texts.begin(), texts.end(),
                      [](const std::string& text) { return text.starts_with("DEMO     EXE"); }),
        3);

    const std::string raw = (workDir() / "raw.log").string();
    ASSERT_EQ(tool({"--log", raw, "--log-raw", "ls"}).status, 0);
    std::ifstream rawIn(raw, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(rawIn)), {});
    EXPECT_NE(bytes.find("DEMO     EXE"), std::string::npos);
    EXPECT_NE(bytes.find(" bytes free\r\n"), std::string::npos);

    const ToolResult unwritable = tool({"--log", "/proc/kora-no-log", "ls"});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.err.rfind("kora7740p: cannot write to '/proc/kora-no-log': ", 0), 0u)
        << unwritable.err;
}

TEST_F(CliTest, APortHeldElsewhereIsMarkedAndRefused)
{
    EXPECT_EQ(Lines(tool({"ports"}).out).at(0), "COM1");

    SerialPort held(portName());
    ASSERT_TRUE(held.Open());
    EXPECT_EQ(Lines(tool({"ports"}).out).at(0), "COM1 busy");
    const ToolResult ls = tool({"ls"});
    EXPECT_EQ(ls.status, 1);
    EXPECT_EQ(ls.err, "kora7740p: Unable to open COM1! The port is in use by another program.\n");
    const ToolResult term = tool({"-p", "COM1", "term"});
    EXPECT_EQ(term.status, 1);
    EXPECT_EQ(term.err,
              "kora7740p: Unable to open COM1 ! The port is in use by another program.\n");
    held.Close();
    EXPECT_EQ(sim().bytesReceived(), 0u);
}

TEST_F(CliTest, WrongUsageExitsWithTwoAndSendsNothing)
{
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"bogus"},
        {"ls", "A", "B"},
        {"rm"},
        {"mv", "A"},
        {"cfgio", "bogus"},
        {"cfgio", "apply"},
        {"ls", "--bogus"},
        {"put", "--as", "X.BIN", "a", "b"},
        {"rm", "BAD NAME"},
        {"mkdir", "TOOLONGNAME"},
        {"mv", "README.TXT", "A\\B"},
        {"ls", "C:\\DOS"},
        {"exec", ""},
        {"exec", "type\x7f"},
        {"format"},
        // Every command with one argument too few or too many.
        {"ports", "X"},
        {"put"},
        {"rm", "A", "B"},
        {"rmdir"},
        {"rmdir", "A", "B"},
        {"mkdir"},
        {"mkdir", "A", "B"},
        {"mv", "A", "B", "C"},
        {"mem", "extra"},
        {"abort", "X"},
        {"autorun"},
        {"autorun", "A.EXE", "B.EXE"},
        {"format", "--yes", "X"},
        {"cfgio"},
        {"cfgio", "show", "A", "B"},
        {"exec"},
        {"term", "X"},
    };
    for (const auto& args : wrong) {
        const ToolResult result = tool(args);
        EXPECT_EQ(result.status, 2) << ::testing::PrintToString(args) << result.err;
        EXPECT_EQ(result.err.rfind("kora7740p: ", 0), 0u) << result.err;
    }
    EXPECT_EQ(sim().bytesReceived(), 0u);
    EXPECT_EQ(tool({"rm", "BAD NAME"}).err, ErrLine(*UnsafeNameWarning("BAD NAME")));

    const ToolResult help = tool({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Commands:"), std::string::npos);
    for (const char* command : {"ports", "ls", "put", "rm", "rmdir", "mkdir", "mv", "mem", "abort",
                                "autorun", "format", "cfgio", "exec", "term"}) {
        const ToolResult result = tool({command, "--help"});
        EXPECT_EQ(result.status, 0) << command;
        EXPECT_NE(result.out.find(std::string("[options] ") + command), std::string::npos)
            << result.out;
    }
}

// A name becomes the controller's bytes before any check: a character its console has not (or a
// command-line byte that is not UTF-8) is refused, never turned into a "?" that DOS reads as a
// wildcard; and DOS's device names never go to it as the name of a file or folder.
TEST_F(CliTest, NamesTheControllerCannotHoldAreRefusedBeforeAnythingIsSent)
{
    sim().fileSystem().writeFileChecked("D:\\CAFE.TXT", "coffee");
    const std::string euro = "CAF\xE2\x82\xAC.TXT";
    const std::string program = writeLocal("lpt1.exe", "MZ program");
    const std::filesystem::path tree = workDir() / "tree";
    std::filesystem::create_directories(tree / "nul");
    writeLocal("tree/nul/a.txt", "a");
    const struct {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{"rm", euro}, "'\xE2\x82\xAC' (U+20AC) is not one of the single-byte"},
        {{"rm", "CAF\xC9.TXT"}, "holds the byte 0xC9, which is not UTF-8"},
        {{"rm", "\\LOG\\\xE6\x97\xA5.TXT"}, "(U+65E5)"},
        {{"exec", "type", euro}, "(U+20AC)"},
        {{"mv", "README.TXT", euro}, "(U+20AC)"},
        {{"put", program, "--as", euro}, "(U+20AC)"},
        {{"mkdir", "NUL"}, "are devices on KORA-7740P"},
        {{"mkdir", "\\BIN\\com1.dir"}, "are devices"},
        {{"mv", "README.TXT", "prn.txt"}, "are devices"},
        {{"put", program, "--as", "AUX.EXE"}, "are devices"},
        {{"put", program}, "are devices"},
        {{"put", "-r", tree.string(), "\\TREE"}, "are devices"},
        {{"ls", "\\CLOCK$"}, "are devices"},
    };
    for (const auto& c : cases) {
        const ToolResult result = tool(c.args);
        EXPECT_EQ(result.status, 2) << ::testing::PrintToString(c.args) << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
    }
    EXPECT_EQ(sim().bytesReceived(), 0u);
    EXPECT_EQ(deviceFile("D:\\CAFE.TXT"), "coffee");
    EXPECT_TRUE(onDevice("D:\\LOG\\A.TXT"));
}

} // namespace
} // namespace kora::test
