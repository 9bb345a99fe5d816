#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "sim/DosFileSystem.h"
#include "support/TempDir.h"

using kora::sim::DosFileSystem;
using kora::sim::FsError;

namespace {

std::vector<std::string> names(const DosFileSystem& fs, const std::string& dir)
{
    std::vector<std::string> result;
    for (const auto& e : fs.list(dir).value_or(std::vector<kora::sim::DosEntry>{}))
        result.push_back(e.name);
    return result;
}

} // namespace

TEST(DosFileSystem, NamesAreEightDotThreeAndFoundWithoutRegardToCase)
{
    EXPECT_TRUE(DosFileSystem::isValidName("AUTORUN.BAT"));
    EXPECT_TRUE(DosFileSystem::isValidName("readme"));
    EXPECT_TRUE(DosFileSystem::isValidName("A_B-1~2.$$$"));
    EXPECT_FALSE(DosFileSystem::isValidName("TOOLONGNAME"));
    EXPECT_FALSE(DosFileSystem::isValidName("NAME.TOOL"));
    EXPECT_FALSE(DosFileSystem::isValidName("A*B"));
    EXPECT_FALSE(DosFileSystem::isValidName("A B"));
    EXPECT_FALSE(DosFileSystem::isValidName("A.B.C"));
    EXPECT_FALSE(DosFileSystem::isValidName("NAME."));
    EXPECT_FALSE(DosFileSystem::isValidName(".TXT"));

    DosFileSystem fs;
    ASSERT_TRUE(fs.writeFile("d:\\log\\new\\x.txt", "abc"));
    EXPECT_EQ(fs.readFile("D:\\LOG\\NEW\\X.TXT"), "abc");
    EXPECT_EQ(names(fs, "D:\\Log\\New"), std::vector<std::string>{"X.TXT"});
}

TEST(DosFileSystem, RelativePathsFollowEachDrivesCurrentDirectory)
{
    DosFileSystem fs;
    EXPECT_EQ(fs.prompt(), "C:\\>");
    ASSERT_TRUE(fs.setCurrentDrive('d'));
    ASSERT_EQ(fs.changeDirectory("LOG\\OLD"), FsError::None);
    EXPECT_EQ(fs.prompt(), "D:\\LOG\\OLD>");
    EXPECT_EQ(fs.absolutePath("..\\A.TXT"), "D:\\LOG\\A.TXT");
    EXPECT_EQ(fs.absolutePath("\\"), "D:\\");
    EXPECT_EQ(fs.absolutePath("C:MEM.EXE"), "C:\\MEM.EXE");
    EXPECT_EQ(fs.absolutePath("..\\..\\.."), std::nullopt) << "no parent above the root";
    EXPECT_EQ(fs.absolutePath("A\\\\B"), std::nullopt);
    EXPECT_EQ(fs.absolutePath("E:\\X"), std::nullopt);

    ASSERT_TRUE(fs.writeFile("NOTE.TXT", "n"));
    EXPECT_TRUE(fs.exists("D:\\LOG\\OLD\\NOTE.TXT"));
    EXPECT_EQ(fs.changeDirectory("C.TXT"), FsError::NotDirectory);
    EXPECT_EQ(fs.changeDirectory("MISSING"), FsError::PathNotFound);
    EXPECT_EQ(fs.changeDirectory("BAD*NAME"), FsError::InvalidName);
    EXPECT_EQ(fs.currentDirectory('D'), "\\LOG\\OLD") << "a failed cd leaves it";
    EXPECT_EQ(fs.currentDirectory('C'), "\\");
    EXPECT_FALSE(fs.setCurrentDrive('E'));
}

TEST(DosFileSystem, FileOperationsReportWhyTheyFail)
{
    DosFileSystem fs;
    EXPECT_FALSE(fs.writeFile("D:\\MISSING\\X.TXT", "x"));
    EXPECT_FALSE(fs.writeFile("D:\\LOG", "x")) << "a directory is not overwritten";
    EXPECT_FALSE(fs.writeFile("D:\\", "x"));

    EXPECT_EQ(fs.makeDirectory("D:\\LOG"), FsError::Exists);
    EXPECT_EQ(fs.makeDirectory("D:\\LOG\\A.TXT"), FsError::Exists);
    EXPECT_EQ(fs.makeDirectory("D:\\NO\\NEW"), FsError::PathNotFound);
    EXPECT_EQ(fs.makeDirectory("D:\\TOOLONGNAME"), FsError::InvalidName);

    EXPECT_EQ(fs.removeDirectory("D:\\LOG"), FsError::NotEmpty);
    EXPECT_EQ(fs.removeDirectory("D:\\README.TXT"), FsError::NotDirectory);
    EXPECT_EQ(fs.removeDirectory("D:\\EMPTY"), FsError::None);
    EXPECT_FALSE(fs.exists("D:\\EMPTY"));
    ASSERT_TRUE(fs.setCurrentDrive('D'));
    ASSERT_EQ(fs.changeDirectory("\\LOG\\NEW"), FsError::None);
    EXPECT_EQ(fs.removeDirectory("D:\\LOG\\NEW"), FsError::InUse) << "the current directory stays";

    EXPECT_EQ(fs.deleteFile("D:\\LOG"), FsError::IsDirectory);
    EXPECT_EQ(fs.deleteFile("D:\\NOPE.TXT"), FsError::NotFound);
    EXPECT_EQ(fs.deleteFile("D:\\README.TXT"), FsError::None);

    EXPECT_EQ(fs.rename("D:\\NOTES", "DEMO.EXE"), FsError::Exists);
    EXPECT_EQ(fs.rename("D:\\NOPE", "X"), FsError::NotFound);
    EXPECT_EQ(fs.rename("D:\\NOTES", "BAD NAME"), FsError::InvalidName);
    EXPECT_EQ(fs.rename("D:\\NOTES", "notes.txt"), FsError::None);
    EXPECT_TRUE(fs.exists("D:\\NOTES.TXT"));
    EXPECT_EQ(names(fs, "D:\\").at(2), "NOTES.TXT") << "a rename keeps the entry in its place";
}

TEST(DosFileSystem, SpaceIsCountedInClustersAndAFullDriveRefusesWrites)
{
    DosFileSystem fs;
    const auto before = fs.freeBytes('D');
    ASSERT_TRUE(fs.writeFile("D:\\ONE.BIN", std::string(1, 'x')));
    EXPECT_EQ(before - fs.freeBytes('D'), 2048u);
    ASSERT_TRUE(fs.writeFile("D:\\ONE.BIN", std::string(2049, 'x')));
    EXPECT_EQ(before - fs.freeBytes('D'), 4096u) << "replacing frees the old clusters";
    ASSERT_EQ(fs.makeDirectory("D:\\SUB"), FsError::None);
    EXPECT_EQ(before - fs.freeBytes('D'), 6144u) << "a directory takes a cluster";
    ASSERT_EQ(fs.removeDirectory("D:\\SUB"), FsError::None);
    ASSERT_EQ(fs.deleteFile("D:\\ONE.BIN"), FsError::None);
    EXPECT_EQ(fs.freeBytes('D'), before);
    ASSERT_TRUE(fs.writeFile("D:\\ONE.BIN", std::string(2049, 'x')));

    fs.setCapacity('D', fs.capacity('D') - fs.freeBytes('D') + 2048);
    EXPECT_EQ(fs.writeFileChecked("D:\\TWO.BIN", std::string(4096, 'y')), FsError::DiskFull);
    EXPECT_FALSE(fs.exists("D:\\TWO.BIN"));
    EXPECT_TRUE(fs.writeFile("D:\\TWO.BIN", std::string(2048, 'y')));
    EXPECT_EQ(fs.freeBytes('D'), 0u);
}

TEST(DosFileSystem, FormatEmptiesTheUserDriveOnly)
{
    DosFileSystem fs;
    ASSERT_TRUE(fs.setCurrentDrive('D'));
    ASSERT_EQ(fs.changeDirectory("LOG"), FsError::None);
    EXPECT_NE(fs.format('C'), FsError::None);
    EXPECT_TRUE(fs.exists("C:\\MEM.EXE"));
    EXPECT_EQ(fs.format('D'), FsError::None);
    EXPECT_TRUE(names(fs, "D:\\").empty());
    EXPECT_EQ(fs.currentDirectory('D'), "\\");
    EXPECT_EQ(fs.freeBytes('D'), fs.capacity('D'));

    fs.resetToSample();
    EXPECT_EQ(names(fs, "D:\\").size(), 8u);
    EXPECT_EQ(fs.entry("D:\\DATALOG.DAT")->size, 1234567u);
    EXPECT_EQ(fs.prompt(), "C:\\>");
}

TEST(DosFileSystem, HostFolderBehindDriveDIsMirrored)
{
    kora::test::TempDir host;
    std::filesystem::create_directory(host / "Progs");
    std::ofstream(host / "Progs" / "run.exe") << "MZ";
    std::ofstream(host / "a long name.txt") << "skipped";
    std::ofstream(host / "data.txt") << "12345";

    DosFileSystem fs;
    std::string error;
    ASSERT_TRUE(fs.mountHostFolder(host.path(), &error)) << error;
    auto root = names(fs, "D:\\");
    std::sort(root.begin(), root.end());
    EXPECT_EQ(root, (std::vector<std::string>{"DATA.TXT", "PROGS"}));
    EXPECT_EQ(fs.readFile("D:\\PROGS\\RUN.EXE"), "MZ");

    ASSERT_TRUE(fs.writeFile("D:\\PROGS\\NEW.BIN", "new"));
    EXPECT_TRUE(std::filesystem::exists(host / "Progs" / "NEW.BIN"))
        << "written into the host folder under its existing spelling";
    ASSERT_EQ(fs.rename("D:\\DATA.TXT", "DATA2.TXT"), FsError::None);
    EXPECT_TRUE(std::filesystem::exists(host / "DATA2.TXT"));
    EXPECT_FALSE(std::filesystem::exists(host / "data.txt"));
    ASSERT_EQ(fs.makeDirectory("D:\\SUB"), FsError::None);
    EXPECT_TRUE(std::filesystem::is_directory(host / "SUB"));
    ASSERT_EQ(fs.deleteFile("D:\\PROGS\\RUN.EXE"), FsError::None);
    EXPECT_FALSE(std::filesystem::exists(host / "Progs" / "run.exe"));

    ASSERT_EQ(fs.format('D'), FsError::None);
    EXPECT_FALSE(std::filesystem::exists(host / "Progs"));
    EXPECT_TRUE(std::filesystem::exists(host / "a long name.txt"))
        << "what D: never showed is not erased";

    EXPECT_FALSE(fs.mountHostFolder(host / "missing", &error));
    EXPECT_FALSE(error.empty());
}
