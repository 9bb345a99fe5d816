#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <map>

#include "FakeConsole.h"
#include "ListingLines.h"
#include "device/DeviceBrowser.h"
#include "device/DevicePanel.h"
#include "device/DevicePanelController.h"
#include "device/KoraPropDialog.h"
#include "filelist/FolderListModel.h"
#include "link/DeviceLink.h"
#include "support/ModalAnswer.h"
#include "support/QtPrinters.h"
#include "support/RecordingPrompts.h"
#include "ui/StatusPanels.h"

namespace kora {
namespace {

using test::FileLine;
using test::FolderLine;
using test::FreeLine;

// Folders look like folders, files get their extension's type; no pictures.
class PlainProvider final : public EntryInfoProvider {
public:
    Info lookUp(const FolderEntry& entry) override
    {
        if (entry.isFolder) {
            return {"File folder", 1};
        }
        const auto dot = entry.name.rfind('.');
        return {dot == std::string::npos ? "File" : entry.name.substr(dot + 1) + " file", 2};
    }
    QVariant icon(int) const override { return {}; }
};

// The device panel on a scripted console: "dir" prints the listing of the path "cd" accepted.
class DevicePanelTest : public ::testing::Test {
protected:
    DevicePanelTest()
    {
        listDir("\\",
                {" Volume in drive D is KORA-USER\r\n", FolderLine("SUB"), FolderLine("BIN"),
                 FileLine("README", "TXT", "1,234"),
                 FileLine("DEMO", "EXE", "12,288", "11-02-05   2:05p"),
                 FileLine("notes", "txt", "0"), FileLine("B", "EXE", "5"), FreeLine("1,000,000")});
        listDir("\\SUB", {FolderLine("."), FolderLine(".."), FileLine("INNER", "DAT", "1,025"),
                          FreeLine("1,000,000")});
        listDir("\\BIN", {FolderLine("."), FolderLine(".."), FreeLine("1,000,000")});

        DevicePanelController::Wiring wiring;
        wiring.run = [this](const DeviceOperation& op) { return run(op); };
        wiring.runProgram = [this](const QString& name) { programs << name; };
        wiring.infoProvider = std::make_unique<PlainProvider>();
        QObject::connect(&link, &DeviceLink::portNameChanged,
                         [this](const QString& name) { chosenPorts << name; });
        controller = std::make_unique<DevicePanelController>(panel, link, std::move(wiring));
        panel.resize(700, 400);
        panel.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&panel));
    }

    void listDir(const std::string& path, std::vector<std::string> lines)
    {
        listings[path] = std::move(lines);
    }

    OperationResult run(const DeviceOperation& op)
    {
        for (const ConsoleStep& step : op.steps) {
            if (step.command.rfind("cd", 0) == 0) {
                const std::string path = step.command.substr(2, step.command.size() - 3);
                const auto found = listings.find(path);
                const bool known = found != listings.end();
                console.output[step.command] =
                    known ? std::vector<std::string>{}
                          : std::vector<std::string>{"Invalid directory\r\n"};
                console.output["dir\r"] = known ? found->second : std::vector<std::string>{};
            }
        }
        return console.run(op);
    }

    // Picks the port as the user does from the box's list: the root is listed.
    void pickPort(int index)
    {
        QComboBox& ports = *panel.cbxCOM();
        ports.setCurrentIndex(index);
        emit ports.activated(index);
    }

    void listRoot()
    {
        controller->ScanComPort({"COM1", "COM3"});
        pickPort(0);
    }

    QTreeView& tree() { return *panel.reportView(); }

    QStringList rows(const QAbstractItemView& view) const
    {
        QStringList names;
        const QAbstractItemModel& model = *view.model();
        for (int row = 0; row < model.rowCount(); ++row) {
            names << model.index(row, 0).data().toString();
        }
        return names;
    }

    int rowOf(const QString& name) const { return rows(*panel.reportView()).indexOf(name); }

    QList<int> selectedRows() const
    {
        QList<int> selected;
        for (const QModelIndex& index : panel.reportView()->selectionModel()->selectedRows()) {
            selected << index.row();
        }
        return selected;
    }

    QPoint rowCentre(QAbstractItemView& view, int row)
    {
        QCoreApplication::processEvents(); // a list view lays its items out later
        return view.visualRect(view.model()->index(row, 0)).center();
    }

    // As the window system delivers it: a click, then the double click.
    void doubleClickRow(QAbstractItemView& view, int row)
    {
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, rowCentre(view, row));
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, rowCentre(view, row));
    }

    void clickRow(QAbstractItemView& view, int row)
    {
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, rowCentre(view, row));
    }

    void clickHeader(int column)
    {
        QHeaderView& header = *tree().header();
        QTest::mouseClick(header.viewport(), Qt::LeftButton, {},
                          QPoint(header.sectionViewportPosition(column) + 5, header.height() / 2));
    }

    // Opens PopupMenu2 over the row (or over the empty area below the rows) as a right click
    // does on X11, where the menu opens on the press and the view never sees the release, and
    // returns whether each named item is enabled.
    std::map<std::string, bool> openMenu(std::optional<int> row)
    {
        const QPoint at =
            row ? rowCentre(tree(), *row) : QPoint(10, tree().viewport()->height() - 5);
        QTest::mousePress(tree().viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, at, tree().viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(tree().viewport(), &menu);
        std::map<std::string, bool> enabled;
        for (const PopupMenuItem& item : kPopupMenu2Items) {
            enabled[std::string(item.objectName)] =
                controller->menuItem(item.objectName)->isEnabled();
        }
        controller->PopupMenu2()->hide();
        return enabled;
    }

    int listingsRun() const
    {
        return static_cast<int>(std::count(console.sent.begin(), console.sent.end(), "dir\r"));
    }

    std::map<std::string, std::vector<std::string>> listings;
    test::FakeConsole console;
    DeviceLink link;
    QStringList chosenPorts;
    QStringList programs;
    test::RecordingPrompts prompts;
    ScopedPrompts scopedPrompts{prompts};
    DevicePanel panel;
    std::unique_ptr<DevicePanelController> controller;
};

TEST_F(DevicePanelTest, PickingAPortListsTheRootIntoListStatusBarAndPathBox)
{
    EXPECT_EQ(controller->ScanComPort({}), "") << "no port: an empty box";
    EXPECT_EQ(panel.cbxCOM()->count(), 0);
    EXPECT_EQ(controller->ScanComPort({"COM1", "COM3", "/dev/ttyUSB0"}), "COM1");
    EXPECT_EQ(panel.cbxCOM()->count(), 3);
    EXPECT_TRUE(console.sent.empty()) << "selecting the first port from code lists nothing";
    EXPECT_TRUE(chosenPorts.isEmpty());

    pickPort(1);
    EXPECT_EQ(chosenPorts, QStringList{"COM3"});
    EXPECT_EQ(console.sent, (std::vector<std::string>{"d:\r", "cd\\\r", "dir\r"}));
    EXPECT_EQ(rows(tree()),
              QStringList({"BIN", "SUB", "B.EXE", "DEMO.EXE", "README.TXT", "notes.txt"}));
    EXPECT_EQ(panel.statusBar()->panelText(0), "6 object(s)");
    EXPECT_EQ(panel.statusBar()->panelText(1), "13.2 KB(1,000,000 bytes free)");
    EXPECT_EQ(panel.pathBox()->count(), 1);
    EXPECT_EQ(panel.pathBox()->currentText(), "\\");
    EXPECT_EQ(selectedRows(), QList<int>{0});

    const QAbstractItemModel& model = *tree().model();
    EXPECT_EQ(model.index(rowOf("README.TXT"), 1).data().toString(), "2KB");
    EXPECT_EQ(model.index(rowOf("notes.txt"), 1).data().toString(), "0KB");
    EXPECT_EQ(model.index(rowOf("SUB"), 1).data().toString(), "");
    EXPECT_EQ(model.index(rowOf("DEMO.EXE"), 2).data().toString(), "EXE file");
    EXPECT_TRUE(model.index(rowOf("DEMO.EXE"), 3).data().toString().startsWith("2005/11/02 "));

    // Sub-items are drawn in the window-text colour, the name in the list's own text colour.
    QPalette palette = tree().palette();
    palette.setColor(QPalette::Text, Qt::red);
    palette.setColor(QPalette::WindowText, Qt::blue);
    tree().setPalette(palette);
    auto* delegate = qobject_cast<ReportItemDelegate*>(tree().itemDelegate());
    ASSERT_NE(delegate, nullptr);
    for (int column = 0; column < 4; ++column) {
        QStyleOptionViewItem option;
        option.initFrom(&tree());
        delegate->initStyleOption(&option, model.index(2, column));
        EXPECT_EQ(option.palette.color(QPalette::Text), column == 0 ? Qt::red : Qt::blue)
            << "column " << column;
    }
}

TEST_F(DevicePanelTest, ATypedPortTakesEffectOnEnterOrWhenTheBoxIsLeftAndOnlyOnce)
{
    controller->ScanComPort({"COM1", "COM3"});
    QApplication::setActiveWindow(&panel);
    QLineEdit& typed = *panel.cbxCOM()->lineEdit();
    typed.setFocus();
    typed.selectAll();
    QTest::keyClicks(&typed, "COM7");
    EXPECT_TRUE(console.sent.empty()) << "no listing while typing";
    tree().setFocus(); // the box is left
    EXPECT_EQ(chosenPorts, QStringList{"COM7"});
    EXPECT_EQ(listingsRun(), 1);

    // Picking an item acts at once, also the item chosen at start-up.
    pickPort(0);
    EXPECT_EQ(chosenPorts, QStringList({"COM7", "COM1"}));
    EXPECT_EQ(listingsRun(), 2);

    // A listed name typed in another case is that item; Enter and then leaving act once.
    typed.setFocus();
    typed.selectAll();
    QTest::keyClicks(&typed, "com1");
    QTest::keyClick(&typed, Qt::Key_Return);
    EXPECT_EQ(chosenPorts.last(), "COM1");
    EXPECT_EQ(panel.cbxCOM()->currentText(), "COM1");
    tree().setFocus();
    EXPECT_EQ(listingsRun(), 3);
    EXPECT_EQ(link.portName(), "COM1");
}

TEST_F(DevicePanelTest, AColumnClickSortsAscendingAndRefreshGoesBackToNameOrder)
{
    listRoot();
    const QStringList bySize{"BIN", "SUB", "notes.txt", "B.EXE", "README.TXT", "DEMO.EXE"};
    clickHeader(1);
    EXPECT_EQ(rows(tree()), bySize);
    clickHeader(1);
    EXPECT_EQ(rows(tree()), bySize) << "a second click does not reverse";
    EXPECT_FALSE(tree().header()->isSortIndicatorShown());
    EXPECT_EQ(controller->browser().savedSortColumn(), 1);
    EXPECT_EQ(listingsRun(), 3) << "each click reads the directory again";

    clickHeader(2);
    EXPECT_EQ(rows(tree()).mid(2), QStringList({"B.EXE", "DEMO.EXE", "README.TXT", "notes.txt"}));

    clickRow(tree(), 3);
    QTest::mouseClick(panel.tbtnRefresh(), Qt::LeftButton);
    EXPECT_EQ(rows(tree()),
              QStringList({"BIN", "SUB", "B.EXE", "DEMO.EXE", "README.TXT", "notes.txt"}));
    EXPECT_TRUE(selectedRows().isEmpty());
    EXPECT_EQ(listingsRun(), 5);
}

// Type names are looked up only for rows a view draws; sorting by type must not see them empty.
TEST_F(DevicePanelTest, SortingByTypeUsesTheTypeNamesOfRowsNotYetDrawn)
{
    listDir("\\", {FileLine("AAA", "TXT", "1"), FileLine("BBB", "EXE", "1"),
                   FileLine("CCC", "BAT", "1"), FreeLine("1,000,000")});
    listRoot();
    clickHeader(2);
    EXPECT_EQ(rows(tree()), QStringList({"CCC.BAT", "BBB.EXE", "AAA.TXT"}));
    controller->browser().operationRefresh(); // keeps the column the user clicked
    EXPECT_EQ(rows(tree()), QStringList({"CCC.BAT", "BBB.EXE", "AAA.TXT"}));
}

TEST_F(DevicePanelTest, WalksIntoFoldersAndBackByMouseKeysAndPathBox)
{
    listRoot();
    doubleClickRow(tree(), rowOf("SUB"));
    EXPECT_EQ(controller->browser().DevicePath(), "\\SUB");
    EXPECT_EQ(rows(tree()), QStringList{"INNER.DAT"});
    EXPECT_TRUE(selectedRows().isEmpty());
    EXPECT_EQ(panel.pathBox()->count(), 2);
    EXPECT_EQ(panel.pathBox()->itemText(0), "\\SUB");
    EXPECT_EQ(panel.pathBox()->currentText(), "\\SUB");
    EXPECT_EQ(panel.statusBar()->panelText(0), "1 object(s)");

    tree().setFocus();
    QTest::keyClick(&tree(), Qt::Key_Backspace);
    EXPECT_EQ(controller->browser().DevicePath(), "\\");
    EXPECT_EQ(panel.pathBox()->count(), 2) << "a known path is chosen, not added";
    EXPECT_EQ(panel.pathBox()->currentText(), "\\");

    clickRow(tree(), rowOf("BIN"));
    QTest::keyClick(&tree(), Qt::Key_Return);
    EXPECT_EQ(controller->browser().DevicePath(), "\\BIN");
    EXPECT_EQ(panel.pathBox()->itemText(0), "\\BIN");

    QTest::mouseClick(panel.tbtnKoraUp(), Qt::LeftButton);
    EXPECT_EQ(controller->browser().DevicePath(), "\\");
    QTest::mouseClick(panel.tbtnKoraUp(), Qt::LeftButton);
    EXPECT_EQ(controller->browser().DevicePath(), "\\") << "up at the root lists the root";

    const int sub = panel.pathBox()->findText("\\SUB");
    emit panel.pathBox()->activated(sub);
    EXPECT_EQ(controller->browser().DevicePath(), "\\SUB");

    // A file is run in the terminal, not listed.
    const int before = listingsRun();
    doubleClickRow(tree(), 0);
    EXPECT_EQ(programs, QStringList{"INNER.DAT"});
    EXPECT_EQ(listingsRun(), before);

    // A directory the controller refuses: the error box; the last listing stays, greyed, with
    // its status texts and its path.
    const int rows = tree().model()->rowCount();
    const QString objects = panel.statusBar()->panelText(0);
    const QString status = panel.statusBar()->panelText(1);
    controller->browser().ShowDeviceFolder("\\GONE");
    ASSERT_EQ(console.errorBoxes.size(), 1u);
    EXPECT_EQ(console.errorBoxes[0], "Invalid directory\r\n'\\GONE'!");
    ASSERT_EQ(tree().model()->rowCount(), rows);
    EXPECT_FALSE(tree().model()->flags(tree().model()->index(0, 0)) & Qt::ItemIsEnabled);
    EXPECT_EQ(panel.statusBar()->panelText(0), objects);
    EXPECT_EQ(panel.statusBar()->panelText(1), status);
    EXPECT_EQ(panel.pathBox()->currentText(), "\\SUB");
}

TEST_F(DevicePanelTest, ViewStylesShowTheSameRowsAndSelection)
{
    listRoot();
    clickRow(tree(), rowOf("DEMO.EXE"));
    const int listed = listingsRun();
    QListView& icons = *panel.iconView();

    QTest::mouseClick(panel.viewStyleButton(FileViewStyle::LargeIcons), Qt::LeftButton);
    EXPECT_EQ(panel.currentView(), &icons);
    EXPECT_TRUE(icons.isVisible());
    EXPECT_FALSE(tree().isVisible());
    EXPECT_EQ(icons.viewMode(), QListView::IconMode);
    EXPECT_EQ(rows(icons), rows(tree()));
    EXPECT_EQ(icons.selectionModel(), tree().selectionModel());
    EXPECT_EQ(selectedRows(), QList<int>{rowOf("DEMO.EXE")});

    // Every item has the first one's size ("BIN"), which still holds a whole 8.3 name.
    const auto nameFits = [&] {
        const QModelIndex readme = icons.model()->index(rowOf("README.TXT"), 0);
        QCoreApplication::processEvents();
        return icons.visualRect(readme).width() >
               icons.fontMetrics().horizontalAdvance(QStringLiteral("README.TXT"));
    };
    EXPECT_TRUE(nameFits()) << "large icons";

    QTest::mouseClick(panel.viewStyleButton(FileViewStyle::SmallIcons), Qt::LeftButton);
    EXPECT_EQ(icons.viewMode(), QListView::ListMode);
    EXPECT_EQ(icons.flow(), QListView::LeftToRight);
    EXPECT_TRUE(nameFits()) << "small icons";
    QTest::mouseClick(panel.viewStyleButton(FileViewStyle::List), Qt::LeftButton);
    EXPECT_EQ(icons.flow(), QListView::TopToBottom);
    EXPECT_TRUE(panel.viewStyleButton(FileViewStyle::List)->isChecked());
    EXPECT_EQ(listingsRun(), listed) << "switching the style reads nothing";

    // The icon view works like the report view.
    doubleClickRow(icons, rowOf("SUB"));
    EXPECT_EQ(controller->browser().DevicePath(), "\\SUB");
    tree().setEnabled(false); // as the terminal does while it holds the port
    EXPECT_FALSE(icons.isEnabled());
    tree().setEnabled(true);
    EXPECT_TRUE(icons.isEnabled());

    QTest::mouseClick(panel.viewStyleButton(FileViewStyle::Report), Qt::LeftButton);
    EXPECT_EQ(panel.currentView(), &tree());
    EXPECT_TRUE(tree().isVisible());
}

TEST_F(DevicePanelTest, TypeAheadFindsNamesByTheirUpperCasedPrefix)
{
    listRoot(); // BIN SUB B.EXE DEMO.EXE README.TXT notes.txt, row 0 current
    tree().setFocus();
    QTest::keyClicks(&tree(), "NO");
    EXPECT_EQ(tree().currentIndex().row(), rowOf("notes.txt"));
    EXPECT_EQ(selectedRows(), QList<int>{rowOf("notes.txt")});
    // A new search starts past the current row and wraps round to the top.
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    QTest::keyClicks(&tree(), "b");
    EXPECT_EQ(tree().currentIndex().row(), rowOf("BIN"));
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    QTest::keyClicks(&tree(), "b");
    EXPECT_EQ(tree().currentIndex().row(), rowOf("B.EXE"));
    // Nothing matches: the row stays.
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    QTest::keyClicks(&tree(), "x");
    EXPECT_EQ(tree().currentIndex().row(), rowOf("B.EXE"));
}

TEST_F(DevicePanelTest, MenuItemsFollowTheSelection)
{
    listRoot();
    // The items, their captions and separators, in order.
    QStringList captions;
    for (QAction* action : controller->PopupMenu2()->actions()) {
        captions << (action->isSeparator() ? "-" : action->text());
    }
    EXPECT_EQ(captions, QStringList({"&Make Directory", "-", "KORA Cop&y", "KORA Pas&te", "-",
                                     "&Delete", "&Rename", "-", "D&OS command", "Set to &AutoRun",
                                     "-", "&Properities"}));
    const auto* dos = controller->PopupMenu2()->findChild<QMenu*>("DOScommand1");
    ASSERT_NE(dos, nullptr);
    QStringList dosCaptions;
    for (QAction* action : dos->actions()) {
        dosCaptions << action->text();
    }
    EXPECT_EQ(dosCaptions, QStringList({"&ABORT", "&FORMAT", "M&EM"}));

    using Enabled = std::map<std::string, bool>;
    const auto expect = [](const Enabled& got, bool make, bool del, bool rename, bool autorun) {
        EXPECT_EQ(got.at("MakeDirectory1"), make);
        EXPECT_EQ(got.at("Delete1"), del);
        EXPECT_EQ(got.at("Rename1"), rename);
        EXPECT_EQ(got.at("SetToAutoRun1"), autorun);
        EXPECT_TRUE(got.at("Properities1"));
        EXPECT_TRUE(got.at("DOScommand1") && got.at("ABORT1") && got.at("FORMAT1") &&
                    got.at("MEM1"));
        EXPECT_FALSE(got.at("KORACopy1") || got.at("KORAPaste1"));
    };
    {
        SCOPED_TRACE("the menu key keeps the selected row");
        clickRow(tree(), rowOf("SUB"));
        // No mouse press comes first: the menu is for the selected row.
        const QPoint blank(10, tree().viewport()->height() - 5);
        QContextMenuEvent key(QContextMenuEvent::Keyboard, blank,
                              tree().viewport()->mapToGlobal(blank));
        QCoreApplication::sendEvent(tree().viewport(), &key);
        EXPECT_TRUE(controller->menuItem("Delete1")->isEnabled());
        controller->PopupMenu2()->hide();
    }
    {
        SCOPED_TRACE("file");
        expect(openMenu(rowOf("README.TXT")), false, true, true, false);
        EXPECT_EQ(controller->browser().savedFocusIndex(), rowOf("README.TXT"));
    }
    {
        SCOPED_TRACE(".EXE file");
        expect(openMenu(rowOf("DEMO.EXE")), false, true, true, true);
    }
    {
        SCOPED_TRACE("lower-case .exe is not a program");
        const std::vector<std::string> root = listings["\\"];
        listDir("\\", {FileLine("test", "exe", "1"), FreeLine("1")});
        QTest::mouseClick(panel.tbtnRefresh(), Qt::LeftButton);
        expect(openMenu(0), false, true, true, false);
        listDir("\\", root);
        QTest::mouseClick(panel.tbtnRefresh(), Qt::LeftButton);
    }
    {
        SCOPED_TRACE("directory");
        expect(openMenu(rowOf("SUB")), false, true, false, false);
    }
    {
        SCOPED_TRACE("empty area");
        expect(openMenu(std::nullopt), true, false, false, false);
        EXPECT_TRUE(selectedRows().isEmpty());
    }
}

TEST_F(DevicePanelTest, FormatAsksFirstAndNoSendsNothing)
{
    listRoot();
    const auto operations = console.operations.size();
    prompts.answers = {false};
    controller->menuItem("FORMAT1")->trigger();
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0], "confirm: This action will format the D drive on "
                                "KORA-7740P.\nAll the data on that drive will be erased.\nAre "
                                "you sure?");
    EXPECT_EQ(console.operations.size(), operations);

    prompts.answers = {true};
    controller->menuItem("FORMAT1")->trigger();
    ASSERT_EQ(console.operations.size(), operations + 2) << "format, then the refresh";
    EXPECT_EQ(console.operations[operations].steps.at(0).command, "C:\\DLFMT D: /C\r");
}

TEST_F(DevicePanelTest, PropertiesOfAFileFillTheDialog)
{
    listRoot();
    clickRow(tree(), rowOf("README.TXT"));
    QStringList shown;
    test::ModalAnswer<TdlgKoraProp> answer([&](TdlgKoraProp& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Properities");
        EXPECT_EQ(dialog.size(), QSize(482, 301));
        for (QLabel* label :
             {dialog.lblModule(), dialog.lblName(), dialog.lblPath(), dialog.lblType(),
              dialog.lblSize(), dialog.lblDate(), dialog.lblContain()}) {
            shown << label->text();
        }
        dialog.OKBtn()->click();
    });
    controller->menuItem("Properities1")->trigger();
    ASSERT_EQ(answer.answered(), 1);
    EXPECT_EQ(shown, QStringList({"KORA-7740P", "README.TXT", "\\", "TXT file", "1234 byte(s)",
                                  "2003/05/31 06:22:00", ""}));
}

TEST_F(DevicePanelTest, StatusPanelZeroTakesAThirdOfThePanelsWidth)
{
    panel.resize(901, 400);
    QTest::qWait(20);
    EXPECT_EQ(panel.statusBar()->panelWidth(0), 300);
    const QRect first = panel.statusBar()->panel(0)->geometry();
    const QRect second = panel.statusBar()->panel(1)->geometry();
    EXPECT_EQ(first.width(), 300);
    EXPECT_GT(second.x(), first.right()) << "the panels do not overlap";
    panel.resize(600, 400);
    QTest::qWait(20);
    EXPECT_EQ(panel.statusBar()->panelWidth(0), 200);
}

} // namespace
} // namespace kora
