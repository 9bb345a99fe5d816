#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <gtest/gtest.h>

#include "local/LocalPanel.h"
#include "support/RecordingPrompts.h"
#include "ui/StatusPanels.h"

namespace kora {
namespace {

void Touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
}

class LocalBrowsing : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        QDir dir(root.path());
        ASSERT_TRUE(dir.mkpath("alpha/inner"));
        ASSERT_TRUE(dir.mkpath("beta"));
        Touch(dir.filePath("one.exe"));
        Touch(dir.filePath(".hidden"));
        panel.resize(600, 400);
        panel.show();
    }

    int rows() const
    {
        const QTreeView* list = panel.lstviewLocal();
        return list->model()->rowCount(list->rootIndex());
    }
    // The listing is read in the background; wait until it holds the expected rows.
    bool waitForRows(int expected)
    {
        return QTest::qWaitFor([&] { return rows() == expected; }, 5000);
    }
    QModelIndex rowNamed(const QString& name) const
    {
        const QTreeView* list = panel.lstviewLocal();
        for (int r = 0; r < rows(); ++r) {
            const QModelIndex index = list->model()->index(r, 0, list->rootIndex());
            if (index.data().toString() == name) {
                return index;
            }
        }
        return {};
    }
    QString path(const QString& relative) const
    {
        return QDir::cleanPath(root.path() + "/" + relative);
    }

    QTemporaryDir root;
    LocalPanel panel;
    test::RecordingPrompts prompts;
    ScopedPrompts scoped{prompts};
};

TEST_F(LocalBrowsing, ListsAFolderWithoutHiddenItems)
{
    ASSERT_TRUE(panel.ShowLocalPath(root.path()));
    ASSERT_TRUE(waitForRows(3));
    EXPECT_FALSE(rowNamed(".hidden").isValid());
    EXPECT_TRUE(rowNamed("one.exe").isValid());
    EXPECT_EQ(panel.LocalPathText(), path(""));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return panel.stabarLocal()->panelText(0) == "3 object(s)"; }, 5000));
}

TEST_F(LocalBrowsing, EntersFoldersAndGoesUp)
{
    ASSERT_TRUE(panel.ShowLocalPath(root.path()));
    ASSERT_TRUE(waitForRows(3));
    emit panel.lstviewLocal()->activated(rowNamed("alpha"));
    EXPECT_EQ(panel.LocalPathText(), path("alpha"));
    ASSERT_TRUE(waitForRows(1));
    // Activating a file does not leave the folder.
    emit panel.lstviewLocal()->activated(rowNamed("inner"));
    EXPECT_EQ(panel.LocalPathText(), path("alpha/inner"));
    QTest::mouseClick(panel.tbtnLocalUp(), Qt::LeftButton);
    QTest::mouseClick(panel.tbtnLocalUp(), Qt::LeftButton);
    EXPECT_EQ(panel.LocalPathText(), path(""));
    ASSERT_TRUE(waitForRows(3));
    emit panel.lstviewLocal()->activated(rowNamed("one.exe"));
    EXPECT_EQ(panel.LocalPathText(), path(""));

    ASSERT_TRUE(panel.ShowLocalPath("/"));
    QTest::mouseClick(panel.tbtnLocalUp(), Qt::LeftButton);
    EXPECT_EQ(panel.LocalPathText(), "/") << "Up stays at the root";
}

TEST_F(LocalBrowsing, RefreshReadsTheFolderAgainAndClearsTheSelection)
{
    ASSERT_TRUE(panel.ShowLocalPath(root.path()));
    ASSERT_TRUE(waitForRows(3));
    QTreeView* list = panel.lstviewLocal();
    list->selectionModel()->select(rowNamed("one.exe"),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(panel.selectedPaths(), QStringList{path("one.exe")});
    Touch(path("two.bin"));
    QTest::mouseClick(panel.tbtnLocalRefresh(), Qt::LeftButton);
    ASSERT_TRUE(waitForRows(4));
    EXPECT_TRUE(rowNamed("two.bin").isValid());
    EXPECT_TRUE(panel.selectedPaths().isEmpty());
}

TEST_F(LocalBrowsing, PathBoxKeepsVisitedFoldersNewestFirst)
{
    QComboBox* box = panel.cbxLocal();
    ASSERT_TRUE(panel.ShowLocalPath(root.path()));
    ASSERT_TRUE(panel.ShowLocalPath(path("alpha")));
    ASSERT_TRUE(panel.ShowLocalPath(path("beta")));
    EXPECT_EQ(box->count(), 3);
    EXPECT_EQ(box->itemText(0), path("beta"));
    EXPECT_EQ(box->itemText(2), path(""));
    // A folder already listed keeps its place and becomes the current item.
    ASSERT_TRUE(panel.ShowLocalPath(path("alpha")));
    EXPECT_EQ(box->count(), 3);
    EXPECT_EQ(box->itemText(1), path("alpha"));
    EXPECT_EQ(box->currentIndex(), 1);
    EXPECT_EQ(box->currentText(), path("alpha"));
}

TEST_F(LocalBrowsing, ATypedPathThatIsNoFolderIsRefused)
{
    QComboBox* box = panel.cbxLocal();
    ASSERT_TRUE(panel.ShowLocalPath(root.path()));
    EXPECT_FALSE(panel.ShowLocalPath(path("one.exe")));
    EXPECT_FALSE(panel.ShowLocalPath(""));
    EXPECT_EQ(panel.LocalPathText(), path(""));

    box->lineEdit()->setText(path("missing"));
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(prompts.beeps, 1);
    EXPECT_EQ(box->currentText(), path(""));
    EXPECT_EQ(panel.LocalPathText(), path(""));

    box->lineEdit()->setText(path("beta"));
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(panel.LocalPathText(), path("beta"));
    EXPECT_EQ(prompts.beeps, 1);
}

} // namespace
} // namespace kora
