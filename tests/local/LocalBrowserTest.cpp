#include <gtest/gtest.h>

#include <QSignalSpy>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "LocalTestKit.h"
#include "filelist/FileColumns.h"
#include "local/LocalBrowser.h"
#include "support/TempDir.h"

namespace kora {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// A temporary tree: "disk" stands for a mounted file system and "home" for the home folder.
class LocalBrowserTest : public ::testing::Test {
protected:
    LocalBrowserTest()
    {
        fs::create_directories(temp_ / "disk" / "inner");
        fs::create_directories(temp_ / "home");
        fs::create_directories(box());
    }

    fs::path box() const { return temp_ / "box"; }
    std::string path(const std::string& relative) const { return (temp_ / relative).string(); }

    Names names() const
    {
        Names result;
        for (const FolderEntry& entry : browser_.entries()) {
            result.push_back(entry.name);
        }
        return result;
    }

    test::TempDir temp_{"kora-local"};
    test::FakeInfoProvider provider_;
    std::vector<std::string> errors_;
    LocalBrowser browser_{
        {[this] {
             return std::vector<MountedVolume>{{"/", "ext4"}, {path("disk"), "vfat"}};
         },
         path("home")},
        &provider_,
        [this](const std::string& message) { errors_.push_back(message); }};
};

TEST_F(LocalBrowserTest, AListingReadsNamesAndSizesAndEachEntrysDetailsOnceWhenShown)
{
    test::WriteFile(box() / "empty.txt", 0);
    test::WriteFile(box() / "one.txt", 1);
    test::SetModified(box() / "one.txt", 1'700'000'000, 987'654'321);
    test::WriteFile(box() / "k.bin", 1025);
    test::WriteFile(box() / ".secret", 10);
    fs::create_directory(box() / "sub");
    fs::create_symlink("loop", box() / "loop"); // leads to itself: its status cannot be read

    ASSERT_TRUE(browser_.ShowLocalPath(box().string()));
    EXPECT_EQ(names(), (Names{"sub", "empty.txt", "k.bin", "loop", "one.txt"}));
    EXPECT_EQ(browser_.objectCountText(), "5 object(s)");
    EXPECT_EQ(browser_.sizeStatusText(), "1.0 KB"); // 1026 bytes
    EXPECT_EQ(browser_.entries().at(2).size, 1025u);
    EXPECT_TRUE(browser_.entries().at(0).isFolder);
    EXPECT_EQ(browser_.pathText(), box().string());
    EXPECT_EQ(browser_.focusRow(), 0u);
    EXPECT_TRUE(browser_.focusRowSelected());
    EXPECT_EQ(browser_.lookupCount(), 0u) << "listing looks nothing up";

    browser_.fillEntryInfo(0, 4);
    browser_.fillEntryInfo(1, 4);
    EXPECT_EQ(browser_.lookupCount(), 4u) << "once per entry, none for the unreadable one";
    const FolderEntry& sub = browser_.entries().at(0);
    const FolderEntry& loop = browser_.entries().at(3);
    const FolderEntry& one = browser_.entries().at(4);
    EXPECT_EQ(sub.typeName, "Folder");
    EXPECT_EQ(one.typeName, "txt file");
    EXPECT_EQ(one.iconIndex, 2);
    EXPECT_FALSE(one.modified.empty());
    EXPECT_EQ(one.modifiedTime, 1'700'000'000'987);
    EXPECT_FALSE(loop.infoPending);
    EXPECT_EQ(loop.typeName, "");
    EXPECT_EQ(loop.modified, "");
    EXPECT_EQ(loop.attributes, 0u);
    browser_.fillEntryInfo(3, 5); // beyond the last row: nothing
    EXPECT_TRUE(errors_.empty());
}

TEST_F(LocalBrowserTest, AnEmptyFolderHasNoRowAndNoBytes)
{
    ASSERT_TRUE(browser_.ShowLocalPath(box().string()));
    EXPECT_EQ(browser_.objectCountText(), "0 object(s)");
    EXPECT_EQ(browser_.sizeStatusText(), "0 byte(s)");
    EXPECT_FALSE(browser_.focusRow());
}

TEST_F(LocalBrowserTest, SizesAndTotalsGoBeyondFourGibibytes)
{
    constexpr std::uint64_t kFiveGiB = 5ull << 30;
    test::WriteFile(box() / "huge.img", kFiveGiB);
    test::WriteFile(box() / "also.img", kFiveGiB);
    ASSERT_TRUE(browser_.ShowLocalPath(box().string()));
    EXPECT_EQ(browser_.entries().at(1).size, kFiveGiB);
    EXPECT_EQ(browser_.sizeStatusText(), "10240.0 MB");
    EXPECT_EQ(browser_.entriesAt({1}).front().size, kFiveGiB);
}

TEST_F(LocalBrowserTest, UpStopsAtComputerWhichHoldsTheFileSystemsAndHome)
{
    QSignalSpy shown(&browser_, &LocalBrowser::folderShown);
    ASSERT_TRUE(browser_.ShowLocalFolder(LocalBrowser::DrivesPidl()));
    EXPECT_EQ(browser_.pathText(), "Computer");
    EXPECT_EQ(names(), (Names{"/", path("disk"), path("home")}));
    browser_.moveUp();
    EXPECT_EQ(shown.count(), 1) << "nothing above Computer";

    const struct {
        std::string from;
        std::string to;
    } steps[] = {
        {path("disk/inner"), path("disk")},
        {path("disk"), "Computer"}, // the root of a mounted file system
        {"/", "Computer"},
        {path("home"), temp_.path().string()},
        {"/usr", "/"}, // a top-level folder that is no file system of its own here
    };
    for (const auto& [from, to] : steps) {
        ASSERT_TRUE(browser_.ShowLocalPath(from));
        browser_.moveUp();
        EXPECT_EQ(browser_.pathText(), to) << "up from " << from;
        EXPECT_FALSE(browser_.focusRowSelected());
    }
}

TEST_F(LocalBrowserTest, AColumnSortsOnceAndACommandRefreshKeepsItsColumnAndRow)
{
    test::WriteFile(box() / "a", 300);
    test::WriteFile(box() / "b", 100);
    test::WriteFile(box() / "c", 200);
    ASSERT_TRUE(browser_.ShowLocalPath(box().string()));

    browser_.sortByColumn(kColumnSize);
    EXPECT_EQ(names(), (Names{"b", "c", "a"}));
    EXPECT_EQ(browser_.sortColumn(), 0);
    EXPECT_EQ(browser_.savedSortColumn(), kColumnSize);
    browser_.refresh();
    EXPECT_EQ(names(), (Names{"a", "b", "c"}));
    EXPECT_FALSE(browser_.focusRowSelected());

    browser_.setSavedFocusIndex(2);
    browser_.operationRefresh();
    EXPECT_EQ(names(), (Names{"b", "c", "a"}));
    EXPECT_EQ(browser_.focusRow(), 2u);
    EXPECT_TRUE(browser_.focusRowSelected());
    EXPECT_EQ(browser_.focusIndex(), 0);

    browser_.setFocusIndex(99);
    ASSERT_TRUE(browser_.ShowLocalFolder(browser_.LocalFolderPidl()));
    EXPECT_EQ(browser_.focusRow(), 2u) << "beyond the last row: the last row";
}

TEST_F(LocalBrowserTest, SortingByTypeOrDateReadsTheValuesOfRowsNeverShown)
{
    const std::pair<const char*, std::int64_t> files[] = {
        {"a.zip", 1'700'000'300}, {"b.doc", 1'700'000'100}, {"c.avi", 1'700'000'200}};
    for (const auto& [name, modified] : files) {
        test::WriteFile(box() / name);
        test::SetModified(box() / name, modified);
    }
    ASSERT_TRUE(browser_.ShowLocalPath(box().string()));
    browser_.sortByColumn(kColumnModified);
    EXPECT_EQ(names(), (Names{"b.doc", "c.avi", "a.zip"}));
    browser_.sortByColumn(kColumnType);
    EXPECT_EQ(names(), (Names{"c.avi", "b.doc", "a.zip"}));
}

TEST_F(LocalBrowserTest, ThePathBoxListsEachFolderOnceAndListsWhatIsChosen)
{
    fs::create_directory(box() / "sub");
    ASSERT_TRUE(browser_.ShowLocalFolder(LocalBrowser::DrivesPidl()));
    ASSERT_TRUE(browser_.ShowLocalPath(box().string()));
    ASSERT_EQ(browser_.activate(0).kind, LocalBrowser::Activation::Kind::EnteredFolder);
    ASSERT_TRUE(browser_.ShowLocalPath(box().string() + "/")); // the same folder again
    const auto texts = [&] {
        Names result;
        for (const auto& item : browser_.pathHistory()) {
            result.push_back(item.text);
        }
        return result;
    };
    EXPECT_EQ(texts(), (Names{path("box/sub"), path("box"), "Computer"}));
    EXPECT_EQ(browser_.pathHistoryIndex(), 1);

    browser_.choosePath("Computer");
    EXPECT_TRUE(browser_.LocalFolderPidl().isComputer());
    browser_.choosePath(path("disk/inner/../inner")); // typed: listed as the folder it names
    EXPECT_EQ(browser_.pathText(), path("disk/inner"));
    browser_.choosePath("..");
    EXPECT_EQ(browser_.pathText(), path("disk"));
    EXPECT_EQ(texts().front(), path("disk"));
    EXPECT_EQ(browser_.pathHistoryIndex(), 0);
    EXPECT_TRUE(errors_.empty());

    const Names before = names();
    for (const std::string& wrong : {path("missing"), path("box/sub/../../disk/nothing")}) {
        browser_.choosePath(wrong);
        ASSERT_FALSE(errors_.empty());
        EXPECT_EQ(errors_.back(), "'" + wrong + "'\n\nNo such file or directory");
    }
    test::WriteFile(box() / "file.txt");
    EXPECT_FALSE(browser_.ShowLocalPath(path("box/file.txt")));
    EXPECT_NE(errors_.back().find("Not a directory"), std::string::npos);
    EXPECT_EQ(browser_.pathText(), path("disk")) << "the view keeps what it showed";
    EXPECT_EQ(names(), before);
}

TEST_F(LocalBrowserTest, AFolderThatCannotBeReadLeavesTheViewAsItWas)
{
    fs::create_directory(box() / "locked");
    test::WriteFile(box() / "locked" / "inside");
    ::chmod((box() / "locked").c_str(), 0);
    struct Unlock {
        fs::path folder;
        ~Unlock() { ::chmod(folder.c_str(), 0755); }
    } unlock{box() / "locked"};
    ASSERT_TRUE(browser_.ShowLocalPath(box().string()));
    const test::PermissionsEnforced enforced;
    std::error_code refused;
    fs::directory_iterator(box() / "locked", refused);
    const bool readable = !refused;
    if (!enforced.active() || readable) {
        GTEST_SKIP() << "this process reads folders whatever their permissions";
    }
    browser_.setFocusIndex(3);
    browser_.activate(0); // not entered: the path below stays
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_.back(), "'" + path("box/locked") + "'\n\nPermission denied");
    EXPECT_EQ(browser_.pathText(), box().string());
    EXPECT_EQ(names(), Names{"locked"});
    EXPECT_EQ(browser_.pathHistory().size(), 1u);
    EXPECT_EQ(browser_.focusIndex(), 0);
}

TEST_F(LocalBrowserTest, AttributesComeFromPermissionsNamesAndKinds)
{
    test::WriteFile(box() / "plain");
    test::WriteFile(box() / "readonly");
    ::chmod((box() / "readonly").c_str(), 0444);
    ASSERT_EQ(::mkfifo((box() / "pipe").c_str(), 0644), 0);
    fs::create_directory(box() / "dir");
    ASSERT_TRUE(browser_.ShowLocalPath(box().string()));
    browser_.fillEntryInfo(0, 3);
    const std::pair<std::string, std::uint32_t> expected[] = {{"dir", 0},
                                                              {"pipe", FolderEntry::kSystem},
                                                              {"plain", 0},
                                                              {"readonly", FolderEntry::kReadOnly}};
    for (std::size_t row = 0; row < 4; ++row) {
        EXPECT_EQ(browser_.entries().at(row).name, expected[row].first);
        EXPECT_EQ(browser_.entries().at(row).attributes, expected[row].second)
            << expected[row].first;
    }
}

TEST_F(LocalBrowserTest, TheSelectionIsHandedOnInListOrderWithFullPaths)
{
    test::WriteFile(box() / "a.txt", 5);
    fs::create_directory(box() / "dir");
    test::WriteFile(box() / "b.txt", 7);
    ASSERT_TRUE(browser_.ShowLocalPath(box().string()));
    const std::vector<SelectedLocalEntry> selected = browser_.entriesAt({2, 0, 2});
    ASSERT_EQ(selected.size(), 2u);
    EXPECT_EQ(selected[0].path.bytes, path("box/dir"));
    EXPECT_TRUE(selected[0].isFolder);
    EXPECT_EQ(selected[1].path.bytes, path("box/b.txt"));
    EXPECT_EQ(selected[1].name, "b.txt");
    EXPECT_FALSE(selected[1].isFolder);
    EXPECT_EQ(selected[1].size, 7u);
}

} // namespace
} // namespace kora
