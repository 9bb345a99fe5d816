// cat and get: text files back from the controller, with the real tool on the simulator.
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "CliTestKit.h"
#include "device/TextReadBack.h"
#include "sim/DosFileSystem.h"

namespace kora::test {
namespace {

using namespace std::string_literals;

std::string LocalFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::string Refusal(const std::string& name)
{
    return "kora7740p: " + NotExactTextMessage(name) + "\n";
}

TEST_F(CliTest, CatPrintsATextFileByteForByteAndRefusesABinary)
{
    const ToolResult text = tool({"cat", "readme.txt"});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out, deviceFile("D:\\README.TXT"));

    const ToolResult binary = tool({"cat", "\\BIN\\TOOL.COM"});
    EXPECT_EQ(binary.status, 1);
    EXPECT_EQ(binary.out, "");
    EXPECT_EQ(binary.err, Refusal("TOOL.COM"));

    // The text of an upload, said on standard error to be less than D:'s bytes.
    sim().fileSystem().writeFileChecked("D:\\RUNME.BAT", "echo hi\r\n" + std::string(119, '\0'));
    const ToolResult padded = tool({"cat", "RUNME.BAT"});
    EXPECT_EQ(padded.status, 0) << padded.err;
    EXPECT_EQ(padded.out, "echo hi\r\n");
    EXPECT_EQ(padded.err, "kora7740p: D:\\RUNME.BAT: 9 of 128 bytes, the text before the zero "
                          "padding of an upload\n");

    const ToolResult folder = tool({"cat", "LOG"});
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.err, "kora7740p: 'LOG' is a directory; get --all-text copies folders.\n");
}

TEST_F(CliTest, GetCopiesTheOthersAfterARefusalAndNeverReplacesUnasked)
{
    const std::filesystem::path into = workDir() / "copies";
    std::filesystem::create_directory(into);
    const ToolResult get =
        tool({"get", "README.TXT", "\\bin\\tool.com", "notes", "\\LOG\\A.TXT", into.string()});
    EXPECT_EQ(get.status, 1);
    EXPECT_EQ(get.err, Refusal("TOOL.COM"));
    EXPECT_EQ(LocalFile(into / "README.TXT"), deviceFile("D:\\README.TXT"));
    EXPECT_EQ(LocalFile(into / "NOTES"), deviceFile("D:\\NOTES"));
    EXPECT_EQ(LocalFile(into / "A.TXT"), "0123456789");
    EXPECT_FALSE(std::filesystem::exists(into / "TOOL.COM"));
    // Nothing half-written is left beside them.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(into), {}), 3);

    sim().fileSystem().writeFileChecked("D:\\NOTES", "changed\r\n");
    const std::uint64_t sent = sim().bytesReceived();
    const ToolResult again = tool({"get", "README.TXT", "NOTES", into.string()});
    EXPECT_EQ(again.status, 2);
    EXPECT_EQ(again.err, "kora7740p: '" + (into / "README.TXT").string() +
                             "' exists already; nothing was copied (--force replaces it)\n");
    EXPECT_EQ(sim().bytesReceived(), sent);
    EXPECT_EQ(tool({"get", "--force", "NOTES", into.string()}).status, 0);
    EXPECT_EQ(LocalFile(into / "NOTES"), "changed\r\n");
}

TEST_F(CliTest, GetAllTextCopiesTheTreeAndFailsNamingEveryFileNotInIt)
{
    sim().fileSystem().writeFileChecked("D:\\LOG\\OLD\\EOF.TXT", "last\r\n\x1a");
    sim().fileSystem().writeFileChecked("D:\\LOG\\OLD\\CUT.TXT", "text\r\n\x1atail");
    sim().fileSystem().writeFileChecked("D:\\LOG\\OLD\\TOOL.COM", std::string("MZ\0\0", 4));
    const std::filesystem::path into = workDir() / "backup";
    const ToolResult get = tool({"get", "--all-text", "--from", "\\LOG", into.string()});
    EXPECT_EQ(get.status, 1) << get.err;
    EXPECT_EQ(LocalFile(into / "A.TXT"), "0123456789");
    EXPECT_EQ(LocalFile(into / "OLD" / "C.TXT"), "ABCDEFGHIJ");
    EXPECT_TRUE(std::filesystem::is_regular_file(into / "OLD" / "EMPTY.LOG"));
    EXPECT_TRUE(std::filesystem::is_directory(into / "NEW"));
    // The text before its end-of-file mark, and said so.
    EXPECT_EQ(LocalFile(into / "OLD" / "EOF.TXT"), "last\r\n");
    EXPECT_FALSE(std::filesystem::exists(into / "OLD" / "CUT.TXT"));
    EXPECT_FALSE(std::filesystem::exists(into / "OLD" / "TOOL.COM"));
    for (const std::string& line : {
             "kora7740p: D:\\LOG\\OLD\\EOF.TXT: 6 of 7 bytes, the text before its end-of-file "
             "mark (Ctrl-Z)\n"s,
             "kora7740p: not in the backup: D:\\LOG\\OLD\\CUT.TXT (read twice, not exact)\n"s,
             "kora7740p: not in the backup: D:\\LOG\\OLD\\TOOL.COM (binary: cannot be read over "
             "the console)\n"s,
             "kora7740p: The backup of D:\\LOG is incomplete: 2 of 7 file(s) are not in it\n"s,
         }) {
        EXPECT_NE(get.err.find(line), std::string::npos) << line << get.err;
    }
    EXPECT_NE(get.out.find("5 file(s) copied\n"), std::string::npos) << get.out;
}

// "get --all-text B && format --yes" erases D: only when every file of D: is in B: on consoles
// with and without a line end of their own before the prompt.
class CliBackupThenFormat : public CliTest, public ::testing::WithParamInterface<bool> {};

TEST_P(CliBackupThenFormat, ErasesDOnlyWhenEveryFileIsInTheBackup)
{
    sim().faults().noLineEndBeforePrompt = !GetParam();
    sim::DosFileSystem& drive = sim().fileSystem();
    drive.deleteFile("D:\\DATALOG.DAT"); // 1.2 MB of one letter: slow to read, nothing new
    drive.writeFileChecked("D:\\RUNME.BAT", "echo hi\r\n" + std::string(119, '\0'));
    drive.writeFileChecked("D:\\LOG\\EOF.TXT", "last\r\n\x1a");
    const std::filesystem::path backup = workDir() / "backup" / "press-2"; // made as mkdir -p
    const auto backupThenFormat = [&] {
        const ToolResult get = tool({"get", "--all-text", "--force", backup.string()});
        return get.status == 0 ? tool({"format", "--yes"}) : get;
    };

    const ToolResult partial = backupThenFormat();
    EXPECT_EQ(partial.status, 1);
    EXPECT_NE(partial.err.find(
                  "kora7740p: The backup of D:\\ is incomplete: 2 of 12 file(s) are not in it\n"),
              std::string::npos)
        << partial.err;
    EXPECT_NE(partial.err.find("D:\\BIN\\TOOL.COM (binary: cannot be read over the console)"),
              std::string::npos)
        << partial.err;
    EXPECT_TRUE(onDevice("D:\\DEMO.EXE"));

    drive.deleteFile("D:\\DEMO.EXE");
    drive.deleteFile("D:\\BIN\\TOOL.COM");
    // What each file of D: must be in the backup: its text.
    std::vector<std::pair<std::string, std::string>> expected;
    std::vector<std::string> folders{""};
    for (std::size_t next = 0; next < folders.size(); ++next) {
        const std::string folder = folders[next]; // the vector grows below
        const std::vector<sim::DosEntry> entries = *drive.list("D:" + folder + "\\");
        for (const sim::DosEntry& entry : entries) {
            const std::string path = folder + "\\" + entry.name;
            if (entry.isDirectory) {
                folders.push_back(path);
                continue;
            }
            const std::string bytes = deviceFile("D:" + path);
            expected.emplace_back(path, bytes.substr(0, bytes.find_first_of("\x1a"s + '\0')));
        }
    }
    ASSERT_EQ(expected.size(), 10u);
    const ToolResult whole = backupThenFormat();
    EXPECT_EQ(whole.status, 0) << whole.err;
    EXPECT_TRUE(drive.list("D:\\")->empty());
    for (const auto& [path, text] : expected) {
        std::string local = path;
        std::replace(local.begin(), local.end(), '\\', '/');
        EXPECT_EQ(LocalFile(backup.string() + local), text) << path;
    }
}

INSTANTIATE_TEST_SUITE_P(Consoles, CliBackupThenFormat, ::testing::Bool(), [](const auto& info) {
    return info.param ? "LineEndBeforePrompt" : "NoLineEndBeforePrompt";
});

TEST_F(CliTest, GetAllTextNeverFollowsALinkOutOfItsFolder)
{
    namespace fs = std::filesystem;
    const fs::path outside = workDir() / "outside";
    fs::create_directories(outside / "old");
    std::ofstream(outside / "mine.txt") << "mine";
    std::ofstream(outside / "old" / "C.TXT") << "mine too";
    const fs::path backup = workDir() / "backup";
    fs::create_directories(backup);
    fs::create_symlink(outside / "mine.txt", backup / "A.TXT");
    fs::create_directory_symlink(outside / "old", backup / "OLD");

    const ToolResult get =
        tool({"get", "--all-text", "--force", "--from", "\\LOG", backup.string()});
    EXPECT_EQ(get.status, 1);
    EXPECT_NE(get.err.find("not in the backup: D:\\LOG\\OLD\\C.TXT ('" + (backup / "OLD").string() +
                           "' is a link on the PC and is not followed)"),
              std::string::npos)
        << get.err;
    EXPECT_EQ(LocalFile(outside / "mine.txt"), "mine");
    EXPECT_EQ(LocalFile(outside / "old" / "C.TXT"), "mine too");
    EXPECT_FALSE(fs::exists(outside / "old" / "EMPTY.LOG"));
    // A link at a copy's name is replaced as a name, not written through.
    EXPECT_FALSE(fs::is_symlink(backup / "A.TXT"));
    EXPECT_EQ(LocalFile(backup / "A.TXT"), "0123456789");
}

TEST_F(CliTest, GetRefusesWrongUsageBeforeSendingAnything)
{
    const std::string file = writeLocal("A.TXT", "x");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"get", "A.TXT", "nowhere/"},
             {"get", "--from", "\\LOG", "A.TXT"},
             {"get", "--all-text", file},
             {"get", "--all-text", "--from", "C:\\DOS", workDir().string()},
             {"get", "README.TXT", "readme.txt", workDir().string()},
             {"get", "A.TXT", workDir().string()},
             {"cat", "\\"},
             {"cat", "BAD NAME"},
         }) {
        const ToolResult result = tool(args);
        EXPECT_EQ(result.status, 2) << ::testing::PrintToString(args) << result.err;
    }
    EXPECT_EQ(sim().bytesReceived(), 0u);
}

} // namespace
} // namespace kora::test
