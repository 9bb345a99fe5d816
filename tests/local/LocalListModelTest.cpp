#include <gtest/gtest.h>

#include <QFont>
#include <QGuiApplication>
#include <QPalette>
#include <QTreeView>

#include <sys/stat.h>

#include <filesystem>

#include "LocalTestKit.h"
#include "filelist/FolderListModel.h"
#include "local/LocalBrowser.h"
#include "support/TempDir.h"

namespace kora {
namespace {

namespace fs = std::filesystem;

class LocalListModelTest : public ::testing::Test {
protected:
    test::TempDir folder_{"kora-local-model"};
    test::FakeInfoProvider provider_;
    LocalBrowser browser_{{}, &provider_, [](const std::string&) {}};
    FolderListModel model_{browser_};
};

TEST_F(LocalListModelTest, CellsAndColoursFollowTheEntries)
{
    fs::create_directory(folder_ / "dir");
    test::WriteFile(folder_ / "plain.txt", 1025);
    test::WriteFile(folder_ / "readonly.txt", 0);
    ::chmod((folder_ / "readonly.txt").c_str(), 0444);
    ASSERT_EQ(::mkfifo((folder_ / "pipe").c_str(), 0644), 0);
    ASSERT_TRUE(browser_.ShowLocalPath(folder_.path().string()));
    ASSERT_EQ(model_.rowCount(), 4); // dir, pipe, plain.txt, readonly.txt

    EXPECT_EQ(model_.index(0, 1).data().toString(), "") << "a folder has no size";
    EXPECT_EQ(model_.index(2, 1).data().toString(), "2KB");
    EXPECT_EQ(model_.index(3, 1).data().toString(), "0KB");
    EXPECT_EQ(provider_.lookups.size(), 0u) << "names and sizes need no details";
    EXPECT_EQ(model_.index(2, 2).data().toString(), "txt file");
    EXPECT_EQ(model_.index(2, 0).data(Qt::DecorationRole).toInt(), 2);
    EXPECT_EQ(provider_.lookups.size(), 1u);

    const QPalette palette = QGuiApplication::palette();
    EXPECT_FALSE(model_.index(2, 0).data(Qt::ForegroundRole).isValid());
    EXPECT_EQ(model_.index(3, 0).data(Qt::ForegroundRole).value<QColor>(),
              palette.color(QPalette::Disabled, QPalette::Text));
    EXPECT_EQ(model_.index(1, 0).data(Qt::ForegroundRole).value<QColor>(),
              palette.color(QPalette::Highlight));
    EXPECT_FALSE(model_.index(3, 2).data(Qt::ForegroundRole).isValid())
        << "the other columns keep the window-text colour";

    // Hidden items are not listed, but one whose attributes say so is struck out.
    EXPECT_FALSE(model_.index(2, 0).data(Qt::FontRole).isValid());
    browser_.entries().at(2).attributes |= FolderEntry::kHidden;
    EXPECT_TRUE(model_.index(2, 0).data(Qt::FontRole).value<QFont>().strikeOut());
    EXPECT_FALSE(model_.index(2, 1).data(Qt::FontRole).isValid());
}

TEST_F(LocalListModelTest, AViewLooksUpAboutOneScreenOfALargeFolder)
{
    for (int i = 0; i < 3000; ++i) {
        test::WriteFile(folder_ / ("file" + std::to_string(10000 + i) + ".dat"));
    }
    ASSERT_TRUE(browser_.ShowLocalPath(folder_.path().string()));
    QTreeView view;
    view.setUniformRowHeights(true);
    view.setRootIsDecorated(false);
    view.setModel(&model_);
    view.resize(500, 400);
    view.show();
    view.grab();
    const std::size_t firstScreen = browser_.lookupCount();
    const int visibleRows = view.viewport()->height() / view.sizeHintForRow(0) + 2;
    EXPECT_GT(firstScreen, 0u);
    EXPECT_LE(firstScreen, static_cast<std::size_t>(visibleRows) * 2);

    view.scrollToBottom();
    view.grab();
    const std::size_t afterEnd = browser_.lookupCount();
    view.scrollToTop();
    view.grab();
    EXPECT_EQ(browser_.lookupCount(), afterEnd) << "each entry once";
    EXPECT_LE(afterEnd, firstScreen * 3);
}

} // namespace
} // namespace kora
