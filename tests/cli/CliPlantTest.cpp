// The tool as a plant scripts it: no port of its own choosing, named controllers, chains over
// one port, folders and wildcards. Rules in-process, the rest with the real tool on the
// simulator.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <atomic>
#include <filesystem>
#include <memory>
#include <variant>

#include "CliTestKit.h"
#include "cli/DosWildcard.h"
#include "cli/NamedPorts.h"
#include "link/SerialPort.h"

namespace kora::test {
namespace {

QJsonObject Json(const std::string& text)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

TEST(DosWildcard, MatchesFieldByFieldAsDelDoes)
{
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    for (const Case& c : std::vector<Case>{
             {"*.BAK", "OLD.BAK", true},
             {"*.bak", "OLD.BAK", true},
             {"*.BAK", "OLD.BA", false},
             {"*.BAK", "BAK", false},
             {"*.*", "README.TXT", true},
             {"*.*", "NOTES", true},
             {"LOG*", "LOG1", true},
             {"LOG*", "LOG1.TXT", false},     // no dot: names without an extension only
             {"LOG??.TXT", "LOG1.TXT", true}, // "?" is one character or none
             {"LOG??.TXT", "LOG123.TXT", false},
             {"A*B.TXT", "AXYZ.TXT", true}, // "*" ends its field
             {"README.TXT", "readme.txt", true},
             {"?.C", "AB.C", false},
         }) {
        EXPECT_EQ(cli::MatchesDosPattern(c.pattern, c.name), c.matches)
            << c.pattern << " " << c.name;
    }
    EXPECT_TRUE(cli::DosPatternFault("TOOLONGNAME*.TXT"));
    EXPECT_TRUE(cli::DosPatternFault("A B*"));
    EXPECT_FALSE(cli::DosPatternFault("*.BAK"));
}

TEST(ControllerNames, ParsedWithTheFaultyLineNamed)
{
    const auto good = cli::ParseControllerNames("# plant hall 2\n"
                                                "press-2 = /dev/serial/by-id/usb-X-if00\n"
                                                "\n"
                                                "oven=COM3\n"
                                                "default = oven\n");
    ASSERT_TRUE(std::holds_alternative<cli::ControllerNames>(good));
    const auto& names = std::get<cli::ControllerNames>(good);
    ASSERT_EQ(names.names.size(), 2u);
    EXPECT_EQ(names.names[0].second, "/dev/serial/by-id/usb-X-if00");
    EXPECT_EQ(names.names[1].first, "oven");
    EXPECT_EQ(names.defaultChoice, "oven");

    struct Bad {
        const char* text;
        const char* error;
    };
    for (const Bad& bad : std::vector<Bad>{
             {"press-2\n", "line 1: expected NAME = PORT"},
             {"a = COM1\nb = ttyUSB0\n", "line 2: 'ttyUSB0' is no port"},
             {"COM4 = /dev/ttyS3\n", "line 1: 'COM4' is a port, not a name"},
             {"a b = COM1\n", "line 1: 'a b' is no name"},
             {"a = COM1\na = COM2\n", "line 2: 'a' is named twice"},
             {"default = nobody\n", "the default 'nobody' is neither"},
         }) {
        const auto parsed = cli::ParseControllerNames(bad.text);
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << bad.text;
        EXPECT_EQ(std::get<std::string>(parsed).rfind(bad.error, 0), 0u)
            << std::get<std::string>(parsed);
    }
}

TEST_F(CliTest, NoPortIsChosenSilently)
{
    const ScopedEnv noPort("KORA_PORT", "");
    const ToolResult ls = tool({"ls"});
    EXPECT_EQ(ls.status, 2);
    EXPECT_EQ(ls.err.rfind("kora7740p: no port given: name one with -p PORT", 0), 0u) << ls.err;
    EXPECT_NE(ls.err.find("; ports found: COM1"), std::string::npos) << ls.err;
    EXPECT_EQ(sim().bytesReceived(), 0u);

    writeControllerNames("default = COM1\n");
    EXPECT_EQ(tool({"ls"}).status, 0);
}

TEST_F(CliTest, NamedControllersWorkWhereverAPortDoes)
{
    const ScopedEnv noPort("KORA_PORT", "");
    writeControllerNames("press-2 = " + portName() + "\nspare = /dev/kora-no-such-port\n");
    const ToolResult ports = tool({"ports"});
    // The machine's own ports come between them.
    EXPECT_EQ(ports.out.rfind("COM1  (press-2)\n", 0), 0u) << ports.out;
    EXPECT_TRUE(ports.out.ends_with("\n/dev/kora-no-such-port not found  (spare)\n")) << ports.out;
    const QJsonArray listed = Json(tool({"ports", "--json"}).out)["ports"].toArray();
    ASSERT_GE(listed.size(), 2);
    EXPECT_EQ(listed.first().toObject()["names"].toArray()[0].toString(), "press-2");
    EXPECT_EQ(listed.last().toObject()["state"].toString(), "not found");

    const ToolResult ls = tool({"-p", "press-2", "ls", "--json", "\\LOG"});
    ASSERT_EQ(ls.status, 0) << ls.err;
    const QJsonObject listing = Json(ls.out);
    EXPECT_EQ(listing["port"].toString(), "COM1");
    EXPECT_EQ(listing["portName"].toString(), "press-2");
    const QJsonObject entry = listing["entries"].toArray()[2].toObject();
    EXPECT_EQ(entry["modified"].toString(), "2006-07-08T12:01:00");
    EXPECT_EQ(entry["date"].toString().left(10), "2006/07/08");

    const std::uint64_t sent = sim().bytesReceived();
    const ToolResult unknown = tool({"ls", "-p", "press-9"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("'press-9' is neither a port"), std::string::npos) << unknown.err;
    writeControllerNames("press-2 /dev/ttyUSB0\n");
    const ToolResult broken = tool({"-p", "COM1", "ls"});
    EXPECT_EQ(broken.status, 2);
    EXPECT_NE(broken.err.find("controllers.conf, line 1: expected NAME = PORT"), std::string::npos)
        << broken.err;
    EXPECT_EQ(sim().bytesReceived(), sent);
}

TEST_F(CliTest, AChainRunsOverOnePortAndStopsAtItsFirstFailure)
{
    const std::string file = writeLocal("APP.EXE", RandomText(300, 7));
    const ToolResult chain =
        tool({"mkdir", "\\BIN2", "+", "put", file, "\\BIN2", "+", "ls", "\\BIN2"});
    ASSERT_EQ(chain.status, 0) << chain.err;
    EXPECT_NE(chain.out.find("APP.EXE"), std::string::npos) << chain.out;
    EXPECT_EQ(deviceFile("D:\\BIN2\\APP.EXE"), Padded(RandomText(300, 7)));

    const ToolResult stopped =
        tool({"mkdir", "\\ONE", "+", "rm", "NOPE.TXT", "+", "mkdir", "\\TWO"});
    EXPECT_EQ(stopped.status, 1);
    EXPECT_EQ(stopped.err, "kora7740p: 'NOPE.TXT' is not in D:\\.\n");
    EXPECT_TRUE(sim().fileSystem().isDirectory("D:\\ONE"));
    EXPECT_FALSE(onDevice("D:\\TWO"));

    // Wrong usage anywhere in the chain: nothing at all is sent.
    const std::uint64_t sent = sim().bytesReceived();
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"mkdir", "\\THREE", "+", "rm"},
             {"mkdir", "\\THREE", "+"},
             {"mkdir", "\\THREE", "+", "bogus"},
             {"-p", "COM1", "mkdir", "\\THREE", "+", "ls", "-p", "COM2"},
             // Found only by the command itself, checked before the first command runs.
             {"mkdir", "\\THREE", "+", "mkdir", "TOOLONGNAME"},
             {"mkdir", "\\THREE", "+", "rm", "CAF\xE2\x82\xAC.TXT"},
             {"mkdir", "\\THREE", "+", "ls", "+", "format"},
         }) {
        EXPECT_EQ(tool(args).status, 2) << ::testing::PrintToString(args);
    }
    EXPECT_EQ(sim().bytesReceived(), sent);
}

TEST_F(CliTest, PutMirrorsAFolderAfterCheckingEveryName)
{
    const std::filesystem::path tree = workDir() / "site";
    std::filesystem::create_directories(tree / "cfg" / "deep");
    writeLocal("site/run.bat", "APP.EXE\r\n");
    writeLocal("site/cfg/plant.ini", "speed=3\r\n");
    writeLocal("site/cfg/deep/x.dat", RandomText(200, 3));

    const ToolResult plan = tool({"put", "-r", "--dry-run", tree.string(), "\\SITE"});
    ASSERT_EQ(plan.status, 0) << plan.err;
    EXPECT_EQ(plan.out, "mkdir D:\\SITE\n"
                        "put " +
                            (tree / "run.bat").string() +
                            " -> D:\\SITE\\RUN.BAT (9 bytes)\n"
                            "mkdir D:\\SITE\\CFG\n"
                            "put " +
                            (tree / "cfg" / "plant.ini").string() +
                            " -> D:\\SITE\\CFG\\PLANT.INI (9 bytes)\n"
                            "mkdir D:\\SITE\\CFG\\DEEP\n"
                            "put " +
                            (tree / "cfg" / "deep" / "x.dat").string() +
                            " -> D:\\SITE\\CFG\\DEEP\\X.DAT (200 bytes)\n");
    EXPECT_EQ(sim().bytesReceived(), 0u);

    const ToolResult put = tool({"put", "-r", tree.string(), "\\SITE"});
    ASSERT_EQ(put.status, 0) << put.err;
    EXPECT_EQ(deviceFile("D:\\SITE\\RUN.BAT"), Padded("APP.EXE\r\n", '\x1a'));
    EXPECT_EQ(deviceFile("D:\\SITE\\CFG\\PLANT.INI"), Padded("speed=3\r\n", '\x1a'));
    EXPECT_EQ(deviceFile("D:\\SITE\\CFG\\DEEP\\X.DAT"), Padded(RandomText(200, 3)));

    // Two PC names that are one name for DOS: refused, both named, nothing sent.
    writeLocal("site/cfg/notes.txt", "a");
    writeLocal("site/cfg/NOTES.TXT", "b");
    const std::uint64_t sent = sim().bytesReceived();
    const ToolResult pair = tool({"put", "-r", tree.string(), "\\SITE"});
    EXPECT_EQ(pair.status, 2);
    EXPECT_NE(pair.err.find("/notes.txt' and 'NOTES.TXT' would be one name"), std::string::npos)
        << pair.err;
    EXPECT_EQ(sim().bytesReceived(), sent);
    std::filesystem::remove(tree / "cfg" / "NOTES.TXT");

    writeLocal("site/cfg/toolongname.ini", "x");
    const ToolResult refused = tool({"put", "-r", tree.string(), "\\SITE"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("toolongname.ini"), std::string::npos) << refused.err;
    EXPECT_EQ(sim().bytesReceived(), sent);
}

TEST_F(CliTest, RmWithAWildcardListsTheMatchesAndWantsYesForMore)
{
    for (const char* name : {"D:\\LOG\\A.BAK", "D:\\LOG\\B.BAK", "D:\\LOG\\C.BAK"}) {
        sim().fileSystem().writeFileChecked(name, "old");
    }
    const ToolResult asked = tool({"rm", "\\LOG\\*.bak"});
    EXPECT_EQ(asked.status, 2);
    EXPECT_EQ(asked.out, "D:\\LOG\\A.BAK\nD:\\LOG\\B.BAK\nD:\\LOG\\C.BAK\n");
    EXPECT_EQ(asked.err, "kora7740p: 3 files match '*.bak'; nothing was deleted: give --yes to "
                         "delete them all.\n");
    EXPECT_TRUE(onDevice("D:\\LOG\\A.BAK"));

    EXPECT_EQ(tool({"rm", "\\LOG\\A.B?K"}).status, 0); // one match needs no --yes
    EXPECT_FALSE(onDevice("D:\\LOG\\A.BAK"));
    EXPECT_EQ(tool({"rm", "--yes", "\\LOG\\*.BAK"}).status, 0);
    EXPECT_FALSE(onDevice("D:\\LOG\\C.BAK"));
    EXPECT_TRUE(onDevice("D:\\LOG\\A.TXT"));
    const ToolResult none = tool({"rm", "\\LOG\\*.BAK"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "kora7740p: No file in D:\\LOG matches '*.BAK'.\n");
}

// A pattern deletes files only: each is checked in the listing made just before its "del". A
// match that another user of the controller turned into a folder meanwhile is not removed.
TEST_F(CliTest, RmWithAWildcardNeverRemovesAFolder)
{
    for (const char* name : {"D:\\LOG\\A.BAK", "D:\\LOG\\B.BAK", "D:\\LOG\\C.BAK"}) {
        sim().fileSystem().writeFileChecked(name, "old");
    }
    auto changed = std::make_shared<std::atomic<bool>>(false);
    sim().beforeEachCommand([changed](sim::CommandContext& c) {
        if (c.commandWord.starts_with("del ") && !changed->exchange(true)) {
            c.fs.deleteFile("D:\\LOG\\B.BAK");
            c.fs.makeDirectory("D:\\LOG\\B.BAK");
        }
    });
    const ToolResult result = tool({"rm", "--yes", "\\LOG\\*.BAK"});
    sim().beforeEachCommand({});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "kora7740p: 'B.BAK' in D:\\LOG has become a directory; a pattern "
                          "deletes files only, so it and the files after it were not deleted.\n");
    EXPECT_FALSE(onDevice("D:\\LOG\\A.BAK"));
    EXPECT_TRUE(sim().fileSystem().isDirectory("D:\\LOG\\B.BAK"));
    EXPECT_TRUE(onDevice("D:\\LOG\\C.BAK"));
}

} // namespace
} // namespace kora::test

namespace kora::test {
namespace {

// --json: a failure is one JSON object on standard error, with a code a script can branch on.
TEST_F(CliTest, JsonFailuresCarryAStableCode)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* code;
    };
    SerialPort held(portName());
    ASSERT_TRUE(held.Open());
    const ToolResult busy = tool({"ls", "--json"});
    held.Close();
    const QJsonObject busyError = Json(busy.err);
    EXPECT_EQ(busyError["error"].toString(), "busy") << busy.err;
    EXPECT_EQ(busyError["port"].toString(), "COM1");
    for (const Case& c : std::vector<Case>{
             {{"--json", "rm"}, 2, "usage"},
             {{"cat", "--json", "\\BIN\\TOOL.COM"}, 1, "not-text"},
             {{"--json", "rm", "NOPE.TXT"}, 1, "not-found"},
             {{"--json", "ls", "\\NOPE"}, 1, "not-found"},
             {{"--json", "mkdir", "BIN"}, 1, "exists"},
             {{"--json", "-p", "/dev/kora-no-such-port", "ls"}, 1, "no-such-port"},
         }) {
        const ToolResult result = tool(c.args);
        EXPECT_EQ(result.status, c.status) << ::testing::PrintToString(c.args);
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line: " << result.err;
        const QJsonObject error = Json(result.err);
        EXPECT_EQ(error["error"].toString(), c.code) << result.err;
        EXPECT_EQ(error["status"].toInt(), c.status);
    }
}

} // namespace
} // namespace kora::test

namespace kora::test {
namespace {

// What the bash completion offers for the words, the last one being completed.
std::vector<std::string> Completions(std::vector<std::string> words)
{
    words.insert(words.begin(), kToolPath);
    std::string list;
    for (const std::string& word : words) {
        list += " '" + word + "'";
    }
    const std::string script = "source '" KORA_COMPLETION_PATH "'; COMP_WORDS=(" + list +
                               "); COMP_CWORD=" + std::to_string(words.size() - 1) +
                               "; _kora7740p; printf '%s\\n' \"${COMPREPLY[@]}\"";
    std::string command = "bash -c \"$KORA_TEST_SCRIPT\" 2>/dev/null";
    ::setenv("KORA_TEST_SCRIPT", script.c_str(), 1);
    std::string output;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            output.append(buffer, got);
        }
        ::pclose(pipe);
    }
    std::vector<std::string> lines = Lines(output);
    std::erase(lines, std::string());
    return lines;
}

TEST_F(CliTest, BashCompletesCommandsOptionsPortsAndDeviceNames)
{
    const ScopedEnv runtime("XDG_RUNTIME_DIR", workDir().string());
    writeControllerNames("press-2 = COM1\n");
    using Words = std::vector<std::string>;
    EXPECT_EQ(Completions({"c"}), (Words{"cat", "cfgio"}));
    EXPECT_EQ(Completions({"get", "--f"}), (Words{"--force", "--from"}));
    EXPECT_EQ(Completions({"-p", "pr"}), (Words{"press-2"}));
    EXPECT_EQ(Completions({"cat", "RE"}), (Words{"README.TXT"}));
    EXPECT_EQ(Completions({"ls", "lo"}), (Words{"LOG/"}));
    EXPECT_EQ(Completions({"-p", "press-2", "rm", "log/a"}), (Words{"log/A.TXT"}));
    std::filesystem::create_directories(workDir() / "project");
    const std::string pc = (workDir() / "proj").string();
    EXPECT_EQ(Completions({"sync", pc}), (Words{pc + "ect"})); // a PC folder, then D:'s
    EXPECT_EQ(Completions({"-p", "press-2", "sync", pc + "ect", "lo"}), (Words{"LOG/"}));
    // A listing a few seconds old is used again: the controller is not asked.
    const std::uint64_t sent = sim().bytesReceived();
    EXPECT_EQ(Completions({"-p", "press-2", "cat", "log/b"}), (Words{"log/B.TXT"}));
    EXPECT_EQ(sim().bytesReceived(), sent);
}

} // namespace
} // namespace kora::test
