#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QIcon>
#include <QMimeDatabase>
#include <QScrollBar>
#include <QTreeView>

#include "FakeConsole.h"
#include "ListingLines.h"
#include "device/DeviceBrowser.h"
#include "filelist/EntryInfoProvider.h"
#include "filelist/FolderListModel.h"
#include "filelist/ShellEntryInfoProvider.h"

namespace kora {
namespace {

// Counts lookups per entry name and hands out one icon index per call.
class CountingProvider : public EntryInfoProvider {
public:
    std::map<std::string, int> lookups;

    Info lookUp(const FolderEntry& entry) override
    {
        ++lookups[entry.name];
        return {entry.isFolder ? "Folder" : "Type of " + entry.name, entry.isFolder ? 1 : 2};
    }
    QVariant icon(int iconIndex) const override { return iconIndex; }
};

class DeviceListModelTest : public ::testing::Test {
protected:
    void list(int fileCount)
    {
        std::vector<std::string> lines = {test::FolderLine("SUB")};
        for (int i = 0; i < fileCount; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "F%07d", i);
            lines.push_back(test::FileLine(name, "TXT", std::to_string(i * 1000)));
        }
        lines.push_back(test::FreeLine("1,000"));
        console_.output["dir\r"] = lines;
        browser_.ShowDeviceFolder("\\");
    }

    test::FakeConsole console_;
    CountingProvider provider_;
    DeviceBrowser browser_{console_.runner(), {}, &provider_};
    FolderListModel model_{browser_};
};

TEST_F(DeviceListModelTest, RowsReadTheEntriesWithTheirCellTexts)
{
    list(3);
    ASSERT_EQ(model_.rowCount(), 4);
    ASSERT_EQ(model_.columnCount(), 4);
    EXPECT_EQ(model_.headerData(0, Qt::Horizontal).toString(), "Name");
    EXPECT_EQ(model_.headerData(1, Qt::Horizontal).toString(), "Size");
    EXPECT_EQ(model_.headerData(2, Qt::Horizontal).toString(), "Type");
    EXPECT_EQ(model_.headerData(3, Qt::Horizontal).toString(), "Modified");

    EXPECT_EQ(model_.index(0, 0).data().toString(), "SUB");
    EXPECT_EQ(model_.index(0, 1).data().toString(), "");
    EXPECT_EQ(model_.index(2, 0).data().toString(), "F0000001.TXT");
    EXPECT_EQ(model_.index(2, 1).data().toString(), "1KB");
    EXPECT_EQ(model_.index(3, 1).data().toString(), "2KB");
    EXPECT_EQ(model_.index(3, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_TRUE(model_.index(3, 3).data().toString().startsWith("2003/05/31"));
    EXPECT_EQ(browser_.lookupCount(), 0u); // no icon or type asked for yet

    EXPECT_EQ(model_.index(0, 2).data().toString(), "Folder");
    EXPECT_EQ(model_.index(2, 0).data(Qt::DecorationRole).toInt(), 2);
    EXPECT_EQ(model_.index(2, 2).data().toString(), "Type of F0000001.TXT");
    EXPECT_EQ(browser_.lookupCount(), 2u);
    EXPECT_EQ(provider_.lookups["F0000001.TXT"], 1);

    browser_.fillEntryInfo(0, 3);
    EXPECT_EQ(browser_.lookupCount(), 4u);
    browser_.fillEntryInfo(2, 99); // out of range: nothing
    EXPECT_EQ(browser_.lookupCount(), 4u);
}

TEST_F(DeviceListModelTest, AViewFetchesAboutOneScreenOfALargeListing)
{
    list(10000);
    QTreeView view;
    view.setUniformRowHeights(true);
    view.setRootIsDecorated(false);
    view.setModel(&model_);
    view.resize(500, 400);
    view.show();
    view.grab(); // paints the visible rows
    const std::size_t firstScreen = browser_.lookupCount();
    const int visibleRows = view.viewport()->height() / view.sizeHintForRow(0) + 2;
    EXPECT_GT(firstScreen, 0u);
    EXPECT_LE(firstScreen, static_cast<std::size_t>(visibleRows) * 2);

    // Scrolling to the end fetches that screen; going back fetches nothing again.
    view.scrollToBottom();
    view.grab();
    const std::size_t afterEnd = browser_.lookupCount();
    EXPECT_LE(afterEnd, firstScreen * 3);
    view.scrollToTop();
    view.grab();
    EXPECT_EQ(browser_.lookupCount(), afterEnd);
    for (const auto& [name, count] : provider_.lookups) {
        EXPECT_EQ(count, 1) << name;
    }
}

TEST_F(DeviceListModelTest, ANewListingResetsTheModel)
{
    list(5);
    QTreeView view;
    view.setModel(&model_);
    view.setCurrentIndex(model_.index(5, 0));
    list(1);
    EXPECT_EQ(model_.rowCount(), 2);
    EXPECT_EQ(model_.index(1, 0).data().toString(), "F0000000.TXT");
    // A listing that fails keeps the rows, no longer enabled, until one succeeds.
    console_.echoFails = {"d:\r"};
    browser_.refresh();
    EXPECT_EQ(model_.rowCount(), 2);
    EXPECT_FALSE(model_.flags(model_.index(1, 0)) & Qt::ItemIsEnabled);
    console_.echoFails = {};
    list(1);
    EXPECT_TRUE(model_.flags(model_.index(1, 0)) & Qt::ItemIsEnabled);
}

TEST(ShellEntryInfoProvider, FoldersLookLikeFoldersAndFilesLikeLocalFiles)
{
    ShellEntryInfoProvider provider;
    const QMimeDatabase db;
    const auto entry = [](std::string name, bool isFolder) {
        FolderEntry e;
        e.name = std::move(name);
        e.isFolder = isFolder;
        return e;
    };
    const auto folder = provider.lookUp(entry("BIN", true));
    const auto exe = provider.lookUp(entry("TEST.EXE", false));
    EXPECT_EQ(folder.typeName, db.mimeTypeForName("inode/directory").comment().toStdString());
    EXPECT_EQ(
        exe.typeName,
        db.mimeTypeForFile("local.exe", QMimeDatabase::MatchExtension).comment().toStdString());
    EXPECT_FALSE(exe.typeName.empty());
    EXPECT_EQ(provider.lookUp(entry("OTHER.EXE", false)).iconIndex, exe.iconIndex); // one per type
    EXPECT_NE(provider.lookUp(entry("README.TXT", false)).iconIndex, exe.iconIndex);
    EXPECT_NE(folder.iconIndex, exe.iconIndex);
    EXPECT_FALSE(provider.icon(0).isValid()); // not looked up
}

} // namespace
} // namespace kora
