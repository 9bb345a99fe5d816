// cat and get: text files back from the controller, with the real tool on the simulator.
#include <filesystem>
#include <fstream>

#include "CliTestKit.h"
#include "device/TextReadBack.h"
#include "sim/DosFileSystem.h"

namespace kora::test {
namespace {

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

TEST_F(CliTest, GetAllTextCopiesTheTreeAndListsTheBinariesSkipped)
{
    sim().fileSystem().writeFileChecked("D:\\LOG\\OLD\\EOF.TXT", "last\r\n\x1a");
    const std::filesystem::path into = workDir() / "backup";
    std::filesystem::create_directory(into);
    const ToolResult get = tool({"get", "--all-text", "--from", "\\LOG", into.string()});
    EXPECT_EQ(get.status, 0) << get.err;
    EXPECT_EQ(LocalFile(into / "A.TXT"), "0123456789");
    EXPECT_EQ(LocalFile(into / "OLD" / "C.TXT"), "ABCDEFGHIJ");
    EXPECT_TRUE(std::filesystem::is_regular_file(into / "OLD" / "EMPTY.LOG"));
    EXPECT_TRUE(std::filesystem::is_directory(into / "NEW"));
    EXPECT_FALSE(std::filesystem::exists(into / "OLD" / "EOF.TXT"));
    EXPECT_NE(
        get.out.find("4 text file(s) copied, 1 skipped (not text):\n  D:\\LOG\\OLD\\EOF.TXT\n"),
        std::string::npos)
        << get.out;
}

TEST_F(CliTest, GetRefusesWrongUsageBeforeSendingAnything)
{
    const std::string file = writeLocal("A.TXT", "x");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"get", "A.TXT", "nowhere/"},
             {"get", "--from", "\\LOG", "A.TXT"},
             {"get", "--all-text", (workDir() / "nowhere").string()},
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
