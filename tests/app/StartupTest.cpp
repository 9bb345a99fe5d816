#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QSplitterHandle>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <gtest/gtest.h>

#include "app/KoraInitDialog.h"
#include "app/MainWindow.h"
#include "device/DeviceBrowser.h"
#include "device/DevicePanel.h"
#include "device/DevicePanelController.h"
#include "filelist/FileListViews.h"
#include "link/DeviceLink.h"
#include "local/LocalPanel.h"
#include "support/ScopedSettingsFolder.h"
#include "terminal/TerminalWindow.h"
#include "ui/StatusPanels.h"

namespace kora {
namespace {

TEST(Startup, ShowsEachStepInOrderThenRemovesTheDialog)
{
    TfrmMain window;
    QStringList shown;
    QObject::connect(&window, &TfrmMain::startupProgress, [&](const QString& text) {
        // Each text is on screen, in the start-up dialog, while its step runs.
        const auto* dialog = window.findChild<TdlgKoraInit*>();
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->windowTitle(), "KORA-7740P Initializing...");
        EXPECT_EQ(dialog->findChild<QLabel*>("lblMsg")->text(), text);
        EXPECT_FALSE(window.isVisible()) << "the main window appears only after start-up";
        shown << text;
    });
    window.FormCreate();
    EXPECT_EQ(shown, QStringList({"Scanning local system...", "Scanning COM port...",
                                  "Constructing local view...", "Starting COM thread...",
                                  "Initialization done!!"}));
    EXPECT_EQ(window.findChild<TdlgKoraInit*>(), nullptr);
}

TEST(Options, PatientTimingIsOffUntilChosenAndTheChoiceIsKept)
{
    test::ScopedSettingsFolder settings;
    {
        TfrmMain window;
        auto* item = window.findChild<QAction*>("PatientTiming1");
        ASSERT_NE(item, nullptr);
        EXPECT_TRUE(window.findChild<QMenu*>("Options1")->actions().contains(item));
        EXPECT_EQ(item->text(), "Patient Timing (wait for silence)");
        EXPECT_FALSE(item->isChecked());
        EXPECT_EQ(window.deviceLink()->timing(), ExchangeTiming::Quick);
        item->trigger();
        EXPECT_EQ(window.deviceLink()->timing(), ExchangeTiming::Patient);
    }
    EXPECT_TRUE(
        QSettings("VELMORACK", "KORA-7740P Utility").value("Config/Patient Timing").toBool());
    TfrmMain again;
    EXPECT_TRUE(again.findChild<QAction*>("PatientTiming1")->isChecked());
    EXPECT_EQ(again.deviceLink()->timing(), ExchangeTiming::Patient);
}

TEST(Options, FastUploadIsOffUntilChosenAndTheChoiceIsKept)
{
    test::ScopedSettingsFolder settings;
    {
        TfrmMain window;
        auto* item = window.findChild<QAction*>("FastUpload1");
        ASSERT_NE(item, nullptr);
        EXPECT_TRUE(window.findChild<QMenu*>("Options1")->actions().contains(item));
        EXPECT_EQ(item->text(), "Fast Upload (no pause between blocks)");
        EXPECT_FALSE(item->isChecked());
        EXPECT_EQ(window.deviceLink()->uploadPacing(), UploadPacing::Paced);
        item->trigger();
        EXPECT_EQ(window.deviceLink()->uploadPacing(), UploadPacing::Fast);
    }
    EXPECT_TRUE(QSettings("VELMORACK", "KORA-7740P Utility").value("Config/Fast Upload").toBool());
    TfrmMain again;
    EXPECT_TRUE(again.findChild<QAction*>("FastUpload1")->isChecked());
    EXPECT_EQ(again.deviceLink()->uploadPacing(), UploadPacing::Fast);
}

TEST(Startup, TheDialogStartsBlueWithoutTitleBarButtons)
{
    TdlgKoraInit dialog;
    const auto* label = dialog.findChild<QLabel*>("lblMsg");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "Initializing...");
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::blue));
    const Qt::WindowFlags flags = dialog.windowFlags();
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinMaxButtonsHint);
    EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
}

class StartedWindow : public ::testing::Test {
protected:
    void SetUp() override { window.FormCreate(); }
    TfrmMain window;
};

TEST_F(StartedWindow, BothPanelsAreInReportViewAndTheDevicePanelIsEmpty)
{
    EXPECT_TRUE(window.localPanel()->viewStyleButton(FileViewStyle::Report)->isChecked());
    EXPECT_TRUE(window.devicePanel()->viewStyleButton(FileViewStyle::Report)->isChecked());
    EXPECT_FALSE(window.devicePanel()->viewStyleButton(FileViewStyle::LargeIcons)->isChecked());
    const QTreeView* deviceList = window.devicePanel()->reportView();
    EXPECT_EQ(deviceList->model()->rowCount(deviceList->rootIndex()), 0);
    EXPECT_EQ(window.devicePanel()->pathBox()->count(), 0);
    EXPECT_TRUE(window.deviceController()->browser().DevicePath().empty());
    EXPECT_EQ(window.terminal()->Session().KeyInputState(), 1);
    EXPECT_FALSE(window.devicePanel()->tbtnDOSCmd()->isChecked());
}

TEST_F(StartedWindow, FocusIsInTheLocalPathBoxWithItsTextSelected)
{
    QComboBox* pathBox = window.localPanel()->pathBox();
    EXPECT_EQ(pathBox->currentText(), "Computer");
    EXPECT_EQ(pathBox->lineEdit()->selectedText(), pathBox->currentText());
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QWidget* focus = QApplication::focusWidget();
    EXPECT_TRUE(focus == pathBox || focus == pathBox->lineEdit())
        << (focus ? focus->objectName().toStdString() : "nothing");
    EXPECT_EQ(pathBox->lineEdit()->selectedText(), pathBox->currentText());
}

TEST_F(StartedWindow, TheConfigurationFileLivesInTheDocumentsFolder)
{
    const QFileInfo file(window.IOConfigPath);
    EXPECT_EQ(file.fileName(), "K7740PIO.cfg");
    EXPECT_TRUE(file.dir().exists()) << "documents folder created";
    EXPECT_TRUE(file.absoluteFilePath().startsWith(QDir::homePath()));
}

// All four columns of the local list stay in view at the window's first size: at "Computer"
// (the home folder's path for a name) and in a folder with a name of 48 characters. A name too
// long for its column is elided in the middle and has its whole text as its tool tip.
TEST_F(StartedWindow, TheLocalColumnsShareTheViewAndElideLongNamesWithATooltip)
{
    const QDir home = QDir::home();
    ASSERT_TRUE(home.mkpath(QStringLiteral("long")));
    const QString longName = QStringLiteral("Measurements of line 4, press 2 - 2026-12-08.txt");
    ASSERT_EQ(longName.size(), 48);
    QFile(home.filePath(QStringLiteral("long/") + longName)).open(QIODevice::WriteOnly);

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTreeView& list = *window.localPanel()->reportView();
    const auto expectEveryColumnInView = [&list](const QString& where) {
        SCOPED_TRACE(where.toStdString());
        QApplication::processEvents();
        int total = 0;
        for (int column = 0; column < 4; ++column) {
            total += list.columnWidth(column);
        }
        EXPECT_LE(total, list.viewport()->width());
        EXPECT_EQ(list.horizontalScrollBar()->maximum(), 0);
        const QAbstractItemModel& model = *list.model();
        for (int row = 0; row < model.rowCount(); ++row) {
            const QModelIndex name = model.index(row, 0);
            const QString text = name.data().toString();
            QStyleOptionViewItem option;
            option.initFrom(&list);
            option.textElideMode = list.textElideMode();
            qobject_cast<ReportItemDelegate*>(list.itemDelegate())->initStyleOption(&option, name);
            EXPECT_EQ(option.textElideMode, Qt::ElideMiddle) << text.toStdString();
            EXPECT_EQ(name.data(Qt::ToolTipRole).toString(), text);
        }
    };
    expectEveryColumnInView(QStringLiteral("Computer"));
    window.localPanel()->controller().ShowLocalPath(
        home.filePath(QStringLiteral("long")).toStdString());
    expectEveryColumnInView(QStringLiteral("a long name"));

    // Where the view has room, "Computer" shows its names whole.
    window.resize(1000, 600);
    window.localPanel()->ShowDrivesFolder();
    expectEveryColumnInView(QStringLiteral("Computer, wider"));
    const QFontMetrics metrics(list.font());
    for (int row = 0; row < list.model()->rowCount(); ++row) {
        const QString text = list.model()->index(row, 0).data().toString();
        EXPECT_GT(list.columnWidth(0), metrics.horizontalAdvance(text) + 16) << text.toStdString();
    }

    // A column the user drags wider stays so, its scroll bar and all.
    list.header()->resizeSection(0, 900);
    QTest::qWait(100);
    EXPECT_EQ(list.columnWidth(0), 900);
    EXPECT_GT(list.horizontalScrollBar()->maximum(), 0);
}

TEST_F(StartedWindow, FirstShowDividesTheSpace)
{
    window.resize(1000, 600);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.localPanel()->width(), 477);
    EXPECT_EQ(window.findChild<QWidget*>("pnlBtn")->width(), 40);
    // The splitters take 3 pixels each between the columns (their handles overlap the
    // neighbours a little so that they are easier to grab).
    const QWidget* buttons = window.findChild<QWidget*>("pnlBtn");
    EXPECT_EQ(buttons->x() - window.localPanel()->geometry().right() - 1, 3);
    EXPECT_EQ(window.devicePanel()->x() - buttons->geometry().right() - 1, 3);
    EXPECT_EQ(window.devicePanel()->width(), 477);
    EXPECT_EQ(window.meoDos()->height(), 200);

    // While the window settles into its size the halves stay equal ...
    window.resize(1200, 600);
    EXPECT_EQ(window.localPanel()->width(), 577);
    EXPECT_EQ(window.devicePanel()->width(), 577);

    // ... until the user moves a splitter; from then on the device panel takes the change.
    QSplitterHandle* handle = window.findChild<QSplitterHandle*>("Splitter1");
    QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(1, 50));
    QTest::mouseMove(handle, QPoint(-99, 50));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(-99, 50));
    const int movedWidth = window.localPanel()->width();
    ASSERT_NE(movedWidth, 577) << "the drag moved the splitter";
    window.resize(1300, 600);
    EXPECT_EQ(window.localPanel()->width(), movedWidth);
}

} // namespace
} // namespace kora
