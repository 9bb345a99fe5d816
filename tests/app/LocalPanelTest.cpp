#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>

#include "filelist/LocalPath.h"
#include "local/LocalBrowser.h"
#include "local/LocalContextMenu.h"
#include "local/LocalPanel.h"
#include "support/RecordingPrompts.h"
#include "support/TempDir.h"
#include "ui/StatusPanels.h"

namespace kora {
namespace {

namespace fs = std::filesystem;

// Answers the folder picker and the rename dialog from a script (cancel once it is used up).
class ScriptedDialogs final : public LocalDialogs {
public:
    std::optional<QString> chooseFolder(QWidget*) override { return next(); }
    std::optional<QString> askNewName(QWidget*, const QString& currentName) override
    {
        askedFor << currentName;
        return next();
    }

    std::deque<QString> answers;
    QStringList askedFor;

private:
    std::optional<QString> next()
    {
        if (answers.empty()) {
            return std::nullopt;
        }
        QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// Stands in for the desktop's default applications: records what it is asked to open.
class OpenedUrls final : public QObject {
    Q_OBJECT
public:
    OpenedUrls() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~OpenedUrls() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QStringList paths;

    QList<QUrl> urls;

public slots:
    void open(const QUrl& url)
    {
        paths << url.toLocalFile();
        urls << url;
    }
};

void WriteFile(const fs::path& path, std::size_t size)
{
    std::ofstream(path, std::ios::binary) << std::string(size, 'x');
}

// The panel on a tree of its own: "disk" stands for a mounted file system beside the root,
// "home" for the home folder.
class LocalPanelTest : public ::testing::Test {
protected:
    LocalPanelTest()
    {
        fs::create_directories(temp.path() / "disk" / "apple");
        fs::create_directories(temp.path() / "home");
        WriteFile(temp.path() / "disk" / "banana.txt", 100);
        WriteFile(temp.path() / "disk" / "avocado.txt", 3000);
        WriteFile(temp.path() / "disk" / "cherry.txt", 2000);

        LocalPanelController::Wiring wiring;
        wiring.environment = {
            [this] {
                return std::vector<MountedVolume>{{"/", "ext4"}, {path("disk"), "vfat"}};
            },
            path("home")};
        auto scripted = std::make_unique<ScriptedDialogs>();
        dialogs = scripted.get();
        wiring.dialogs = std::move(scripted);
        panel = std::make_unique<LocalPanel>(nullptr, std::move(wiring));
        panel->resize(600, 400);
        panel->show();
        panel->ShowDrivesFolder();
    }

    std::string path(const std::string& relative) const
    {
        return (temp.path() / relative).string();
    }
    QString qpath(const std::string& relative) const
    {
        return QString::fromStdString(path(relative));
    }
    QTreeView& tree() const { return *panel->reportView(); }
    LocalBrowser& browser() const { return panel->controller().browser(); }
    QComboBox& box() const { return *panel->pathBox(); }

    QStringList names() const
    {
        QStringList result;
        for (int row = 0; row < tree().model()->rowCount(); ++row) {
            result << tree().model()->index(row, 0).data().toString();
        }
        return result;
    }
    int rowOf(const QString& name) const { return names().indexOf(name); }
    QList<int> selectedRows() const
    {
        QList<int> rows;
        for (const QModelIndex& index : tree().selectionModel()->selectedRows()) {
            rows << index.row();
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    QPoint rowCentre(int row) const
    {
        return tree().visualRect(tree().model()->index(row, 0)).center();
    }
    void clickRow(int row, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(tree().viewport(), Qt::LeftButton, modifiers, rowCentre(row));
    }
    void doubleClickRow(int row)
    {
        clickRow(row);
        QTest::mouseDClick(tree().viewport(), Qt::LeftButton, {}, rowCentre(row));
    }
    void clickHeader(int column)
    {
        QHeaderView& header = *tree().header();
        QTest::mouseClick(header.viewport(), Qt::LeftButton, {},
                          QPoint(header.sectionViewportPosition(column) + 5, header.height() / 2));
    }
    void typePath(const QString& text)
    {
        box().lineEdit()->setText(text);
        QTest::keyClick(box().lineEdit(), Qt::Key_Return);
    }
    // A right click on the row, or below the rows, as on X11, where the menu opens on the
    // press and the view never sees the release; returns the menu's enabled items.
    QStringList openMenu(std::optional<int> row)
    {
        const QPoint at = row ? rowCentre(*row) : QPoint(10, tree().viewport()->height() - 5);
        QTest::mousePress(tree().viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent press(QContextMenuEvent::Mouse, at, tree().viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(tree().viewport(), &press);
        QMenu& menu = *panel->controller().PopupMenu1();
        menu.hide();
        QStringList enabled;
        for (QAction* action : menu.actions()) {
            if (!action->isSeparator() && action->isEnabled()) {
                enabled << action->text();
            }
        }
        return enabled;
    }
    LocalContextMenu& menu() const { return panel->controller().contextMenu(); }

    test::TempDir temp{"kora-local-panel"};
    test::RecordingPrompts prompts;
    ScopedPrompts scoped{prompts};
    ScriptedDialogs* dialogs = nullptr;
    std::unique_ptr<LocalPanel> panel;
};

TEST_F(LocalPanelTest, StartsAtComputerAndWalksIntoAFileSystemAndBackUp)
{
    EXPECT_EQ(box().currentText(), "Computer");
    EXPECT_EQ(names(), (QStringList{"/", qpath("disk"), qpath("home")}));
    EXPECT_EQ(panel->statusBar()->panelText(0), "3 object(s)");

    doubleClickRow(1);
    EXPECT_EQ(box().currentText(), qpath("disk"));
    EXPECT_EQ(names(), (QStringList{"apple", "avocado.txt", "banana.txt", "cherry.txt"}));
    EXPECT_EQ(tree().model()->index(1, 1).data().toString(), "3KB");
    EXPECT_EQ(panel->statusBar()->panelText(1), "5.0 KB"); // 5100 bytes
    EXPECT_TRUE(selectedRows().isEmpty()) << "entering a folder selects nothing";

    // Enter on a folder enters it; Backspace goes up; at the root of the file system, up is
    // Computer, above which there is nothing.
    clickRow(0);
    QTest::keyClick(&tree(), Qt::Key_Return);
    EXPECT_EQ(box().currentText(), qpath("disk/apple"));
    QTest::keyClick(&tree(), Qt::Key_Backspace);
    EXPECT_EQ(box().currentText(), qpath("disk"));
    QTest::mouseClick(panel->tbtnLocalUp(), Qt::LeftButton);
    EXPECT_EQ(box().currentText(), "Computer");
    QTest::mouseClick(panel->tbtnLocalUp(), Qt::LeftButton);
    EXPECT_EQ(box().currentText(), "Computer");
    EXPECT_EQ(box().count(), 3);
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

TEST_F(LocalPanelTest, AColumnClickSortsOnceAndRefreshListsByNameAgain)
{
    panel->controller().ShowLocalPath(path("disk"));
    clickHeader(1);
    EXPECT_EQ(names(), (QStringList{"apple", "banana.txt", "cherry.txt", "avocado.txt"}));
    EXPECT_EQ(selectedRows(), QList<int>{0});
    QTest::mouseClick(panel->tbtnLocalRefresh(), Qt::LeftButton);
    EXPECT_EQ(names(), (QStringList{"apple", "avocado.txt", "banana.txt", "cherry.txt"}));
    EXPECT_TRUE(selectedRows().isEmpty());
}

TEST_F(LocalPanelTest, TypeAheadWrapsAroundToTheFirstMatch)
{
    panel->controller().ShowLocalPath(path("disk"));
    clickRow(rowOf("cherry.txt"));
    QTest::keyClicks(&tree(), "a");
    EXPECT_EQ(tree().currentIndex().row(), rowOf("apple"));
}

TEST_F(LocalPanelTest, SeveralSelectedEntriesAreHandedOnInListOrder)
{
    panel->controller().ShowLocalPath(path("disk"));
    clickRow(3);
    clickRow(1, Qt::ControlModifier);
    clickRow(0, Qt::ControlModifier);
    const std::vector<SelectedLocalEntry> selected = panel->selectedEntries();
    ASSERT_EQ(selected.size(), 3u);
    EXPECT_EQ(selected[0].path.bytes, path("disk/apple"));
    EXPECT_TRUE(selected[0].isFolder);
    EXPECT_EQ(selected[1].path.bytes, path("disk/avocado.txt"));
    EXPECT_EQ(selected[1].size, 3000u);
    EXPECT_EQ(selected[2].path.bytes, path("disk/cherry.txt"));
    EXPECT_FALSE(selected[2].isFolder);
}

TEST_F(LocalPanelTest, ThePathBoxListsTypedAndPickedFoldersAndSaysWhyNot)
{
    typePath(qpath("disk"));
    EXPECT_EQ(browser().pathText(), path("disk"));
    EXPECT_EQ(box().itemText(0), qpath("disk"));

    typePath(qpath("nowhere"));
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes.front(),
              "error: '" + qpath("nowhere") + "'\n\nNo such file or directory");
    EXPECT_EQ(browser().pathText(), path("disk")) << "the view keeps what it showed";
    EXPECT_EQ(box().count(), 2);

    // Down opens the list instead of stepping through it; picking an item lists it.
    QTest::keyClick(box().lineEdit(), Qt::Key_Down);
    EXPECT_TRUE(box().view()->isVisible());
    EXPECT_EQ(browser().pathText(), path("disk"));
    box().hidePopup();
    box().setCurrentIndex(1);
    emit box().activated(1);
    EXPECT_TRUE(browser().LocalFolderPidl().isComputer());
    EXPECT_EQ(box().currentText(), "Computer");
    EXPECT_EQ(box().count(), 2);
}

TEST_F(LocalPanelTest, OpenDirectoryListsThePickedFolder)
{
    dialogs->answers = {qpath("home")};
    QTest::mouseClick(panel->tbtnLocalOpenDir(), Qt::LeftButton);
    EXPECT_EQ(browser().pathText(), path("home"));
    QTest::mouseClick(panel->tbtnLocalOpenDir(), Qt::LeftButton); // cancelled
    EXPECT_EQ(browser().pathText(), path("home"));
}

TEST_F(LocalPanelTest, NamesThatAreNotUtf8KeepTheirBytes)
{
    const std::string folder = path("bytes");
    fs::create_directories(folder);
    const std::string cafe = folder + "/caf\xE9.txt";
    const std::string the = folder + "/th\xE9.txt";
    WriteFile(cafe, 10);
    WriteFile(the, 20);
    panel->controller().ShowLocalPath(folder);
    ASSERT_EQ(names(), (QStringList{"caf\uFFFD.txt", "th\uFFFD.txt"}));

    clickRow(0);
    // Dragged out: the URL names the file by its bytes.
    const std::unique_ptr<QMimeData> dragged(
        tree().model()->mimeData(tree().selectionModel()->selectedIndexes()));
    ASSERT_TRUE(dragged);
    ASSERT_EQ(dragged->urls().size(), 1);
    EXPECT_EQ(LocalPathFromUrl(dragged->urls().front()), LocalPath{cafe});

    const OpenedUrls opened;
    openMenu(0);
    menu().Open1Click();
    ASSERT_EQ(opened.urls.size(), 1);
    EXPECT_EQ(LocalPathFromUrl(opened.urls.front()), LocalPath{cafe});

    // Rename answered with the name as shown: nothing changes.
    dialogs->answers = {"caf\uFFFD.txt"};
    openMenu(0);
    menu().Rename1Click();
    EXPECT_EQ(dialogs->askedFor, QStringList{"caf\uFFFD.txt"});
    EXPECT_TRUE(prompts.boxes.isEmpty()) << prompts.boxes.join("\n").toStdString();
    EXPECT_TRUE(fs::exists(cafe));
    EXPECT_FALSE(fs::exists(folder + "/caf\xEF\xBF\xBD.txt"));

    // Into the trash by its own bytes, which the trash records as its place.
    openMenu(1);
    menu().MoveToTrash1Click();
    EXPECT_TRUE(prompts.boxes.isEmpty()) << prompts.boxes.join("\n").toStdString();
    EXPECT_FALSE(fs::exists(the));
    const QString info = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                         "/Trash/info/th_.txt.trashinfo";
    QFile record(info);
    ASSERT_TRUE(record.open(QIODevice::ReadOnly)) << info.toStdString();
    EXPECT_TRUE(record.readAll().contains(
        "\nPath=" + QByteArray::fromStdString(the).toPercentEncoding("/") + "\n"));

    // In a folder whose own name is not UTF-8 the trash cannot take it: said, and kept.
    const std::string inside = folder + "/d\xE9/x.txt";
    fs::create_directories(folder + "/d\xE9");
    WriteFile(inside, 5);
    panel->controller().ShowLocalPath(folder + "/d\xE9");
    openMenu(0);
    menu().MoveToTrash1Click();
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_TRUE(prompts.boxes.front().endsWith("The folder's name is not valid UTF-8; nothing "
                                               "was moved to the trash."))
        << prompts.boxes.front().toStdString();
    EXPECT_TRUE(fs::exists(inside));
}

TEST_F(LocalPanelTest, ColumnsFitWhatTheFirstScreenShows)
{
    fs::create_directories(temp.path() / "wide");
    WriteFile(temp.path() / "wide" / "LONGFILENAME.WITH.A.LONGER.EXTENSION", 1);
    WriteFile(temp.path() / "wide" / "big.iso", 0);
    fs::resize_file(temp.path() / "wide" / "big.iso", std::uint64_t{5} << 30); // sparse
    panel->resize(1000, 400); // room beside the columns for the last one to take
    panel->controller().ShowLocalPath(path("wide"));

    const QFontMetrics metrics(tree().font());
    for (int row = 0; row < tree().model()->rowCount(); ++row) {
        for (int column = 0; column < 3; ++column) {
            const QString text = tree().model()->index(row, column).data().toString();
            EXPECT_GT(tree().columnWidth(column), metrics.horizontalAdvance(text))
                << text.toStdString();
        }
    }
    // The last column takes the rest of the view.
    const QHeaderView& header = *tree().header();
    EXPECT_EQ(header.sectionViewportPosition(3) + header.sectionSize(3),
              tree().viewport()->width());
}

TEST_F(LocalPanelTest, MenuCommandsWorkOnTheSelectionAndKeepTheSortAndRow)
{
    const OpenedUrls opened;
    panel->controller().ShowLocalPath(path("disk"));
    clickHeader(1); // by size: apple, banana.txt, cherry.txt, avocado.txt

    EXPECT_EQ(openMenu(2), (QStringList{"Open", "Copy Path", "Rename", "Move to Trash"}));
    menu().CopyPath1Click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), qpath("disk/cherry.txt"));
    EXPECT_EQ(selectedRows(), QList<int>{2}) << "the same row, in the same order";
    EXPECT_EQ(names().at(2), "cherry.txt");

    dialogs->answers = {"zucchini.txt"};
    openMenu(2);
    menu().Rename1Click();
    EXPECT_EQ(dialogs->askedFor, QStringList{"cherry.txt"});
    EXPECT_TRUE(fs::exists(temp.path() / "disk" / "zucchini.txt"));
    EXPECT_EQ(names(), (QStringList{"apple", "banana.txt", "zucchini.txt", "avocado.txt"}));

    dialogs->answers = {"banana.txt"}; // taken: nothing is replaced
    openMenu(2);
    menu().Rename1Click();
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_TRUE(prompts.boxes.front().endsWith("File exists"))
        << prompts.boxes.front().toStdString();
    EXPECT_TRUE(fs::exists(temp.path() / "disk" / "zucchini.txt"));

    clickRow(1);
    clickRow(2, Qt::ControlModifier);
    EXPECT_EQ(openMenu(2), (QStringList{"Open", "Copy Path", "Move to Trash"}))
        << "one new name for one entry";
    menu().Open1Click();
    EXPECT_EQ(opened.paths, (QStringList{qpath("disk/banana.txt"), qpath("disk/zucchini.txt")}));
    menu().MoveToTrash1Click();
    EXPECT_EQ(names(), (QStringList{"apple", "avocado.txt"}));
    EXPECT_FALSE(fs::exists(temp.path() / "disk" / "banana.txt"));
    // In the user's trash, which is made when missing (the tests' home has none at first).
    const QString trash =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/files/";
    EXPECT_TRUE(QFile::exists(trash + "banana.txt"));
    EXPECT_TRUE(QFile::exists(trash + "zucchini.txt"));
    EXPECT_EQ(selectedRows(), QList<int>{1}) << "the row the menu was opened on, or the last";

    // Beside the rows the menu opens the folder shown, whatever row was selected; under
    // Computer nothing can be renamed or thrown away, and beside its rows there is nothing to
    // open.
    EXPECT_EQ(openMenu(std::nullopt), (QStringList{"Open", "Copy Path"}));
    EXPECT_TRUE(selectedRows().isEmpty());
    menu().Open1Click();
    EXPECT_EQ(opened.paths.last(), qpath("disk"));
    panel->ShowDrivesFolder();
    EXPECT_EQ(openMenu(1), (QStringList{"Open", "Copy Path"}));
    EXPECT_TRUE(openMenu(std::nullopt).isEmpty());
}

} // namespace
} // namespace kora

#include "LocalPanelTest.moc"
