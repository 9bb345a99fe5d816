#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include "app/MainWindow.h"
#include "device/DeviceBrowser.h"
#include "device/DevicePanel.h"
#include "device/DevicePanelController.h"
#include "device/KoraAskNameDialog.h"
#include "device/KoraPropDialog.h"
#include "link/DeviceLink.h"
#include "link/PortNames.h"
#include "sim/DosFileSystem.h"
#include "support/ModalAnswer.h"
#include "support/QtPrinters.h"
#include "support/RecordingPrompts.h"
#include "support/WindowSimFixture.h"
#include "terminal/TerminalWindow.h"
#include "ui/StatusPanels.h"

namespace kora {
namespace {

// The main window started against the simulator, published as COM1 in a ports folder of the
// test's own.
class DevicePanelSimTest : public test::WindowSimFixture {
protected:
    DevicePanel& panel() { return *window_->devicePanel(); }
    DevicePanelController& controller() { return *window_->deviceController(); }
    QTreeView& tree() { return *panel().reportView(); }

    void pickFirstPort()
    {
        QComboBox& ports = *panel().cbxCOM();
        ports.setCurrentIndex(0);
        emit ports.activated(0);
    }

    QStringList rows()
    {
        QStringList names;
        for (int row = 0; row < tree().model()->rowCount(); ++row) {
            names << tree().model()->index(row, 0).data().toString();
        }
        return names;
    }

    int rowOf(const QString& name) { return rows().indexOf(name); }

    void select(int row)
    {
        tree().selectionModel()->setCurrentIndex(tree().model()->index(row, 0),
                                                 QItemSelectionModel::ClearAndSelect |
                                                     QItemSelectionModel::Rows);
    }

    test::RecordingPrompts prompts_;
    ScopedPrompts scopedPrompts_{prompts_};
};

TEST_F(DevicePanelSimTest, OffersThePortListsItsRootWhenChosenAndTakesATypedNameOnEnter)
{
    ASSERT_GE(panel().cbxCOM()->count(), 1);
    EXPECT_EQ(panel().cbxCOM()->itemText(0), "COM1");
    EXPECT_EQ(window_->deviceLink()->portName(), "COM1");
    EXPECT_EQ(tree().model()->rowCount(), 0) << "start-up lists nothing";
    EXPECT_TRUE(window_->meoDos()->toPlainText().isEmpty());

    pickFirstPort();
    ASSERT_TRUE(prompts_.boxes.isEmpty()) << prompts_.boxes.join("\n").toStdString();
    const auto drive = sim().fileSystem().list("D:\\");
    ASSERT_TRUE(drive);
    EXPECT_EQ(rows().size(), static_cast<qsizetype>(drive->size()));
    EXPECT_EQ(rows().first(), "BIN") << "folders first, by name";
    EXPECT_EQ(QString::fromStdString(window_->deviceController()->browser().DevicePath()), "\\");
    EXPECT_EQ(window_->deviceController()->browser().DeviceFreeBytes(),
              sim().fileSystem().freeBytes('D'));
    EXPECT_EQ(panel().statusBar()->panelText(0), QString::number(drive->size()) + " object(s)");
    EXPECT_TRUE(panel().statusBar()->panelText(1).endsWith(" bytes free)"));
    EXPECT_TRUE(window_->meoDos()->toPlainText().contains("dir"));

    // Into a folder by a double click and back by Backspace.
    const QRect logRow = tree().visualRect(tree().model()->index(rowOf("LOG"), 0));
    QTest::mouseClick(tree().viewport(), Qt::LeftButton, {}, logRow.center());
    QTest::mouseDClick(tree().viewport(), Qt::LeftButton, {}, logRow.center());
    EXPECT_EQ(QString::fromStdString(window_->deviceController()->browser().DevicePath()), "\\LOG");
    EXPECT_EQ(rows(), QStringList({"NEW", "OLD", "A.TXT", "B.TXT"}));
    QTest::keyClick(&tree(), Qt::Key_Backspace);
    EXPECT_EQ(QString::fromStdString(window_->deviceController()->browser().DevicePath()), "\\");

    // Typing a name lists nothing until Enter; then the new port is used.
    const qsizetype rootRows = rows().size();
    QLineEdit& typed = *panel().cbxCOM()->lineEdit();
    typed.selectAll();
    QTest::keyClicks(&typed, "/dev/kora-no-such-port");
    EXPECT_EQ(window_->deviceLink()->portName(), "COM1");
    EXPECT_TRUE(prompts_.boxes.isEmpty());
    QTest::keyClick(&typed, Qt::Key_Return);
    EXPECT_EQ(window_->deviceLink()->portName(), "/dev/kora-no-such-port");
    ASSERT_EQ(prompts_.boxes.size(), 1) << prompts_.boxes.join("\n").toStdString();
    EXPECT_EQ(prompts_.boxes[0], "error: Unable to open /dev/kora-no-such-port!\n\nThere is no "
                                 "such port (/dev/kora-no-such-port does not exist).");
    // The listing shown was the other port's controller's: it is not kept for this one.
    EXPECT_GT(rootRows, 0);
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(QString::fromStdString(window_->deviceController()->browser().DevicePath()), "\\");
    // Leaving the box afterwards changes nothing more.
    tree().setFocus();
    EXPECT_EQ(prompts_.boxes.size(), 1);
}

TEST_F(DevicePanelSimTest, MakesRenamesAndDeletesThroughTheMenuAndItsDialogs)
{
    pickFirstPort();
    QHeaderView& header = *tree().header();
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {},
                      QPoint(header.sectionViewportPosition(1) + 5, header.height() / 2));
    ASSERT_TRUE(prompts_.boxes.isEmpty()) << prompts_.boxes.join("\n").toStdString();

    // Make Directory with nothing selected: the dialog takes 8 characters.
    tree().selectionModel()->clearSelection();
    controller().PopupMenu2Popup();
    QString caption;
    test::ModalAnswer<TdlgKoraAskName> makeDir([&](TdlgKoraAskName& dialog) {
        caption = dialog.windowTitle();
        EXPECT_EQ(dialog.lblPrompt()->text(), "Please input new directory name:");
        EXPECT_EQ(dialog.focusWidget(), dialog.edtFileName());
        QTest::keyClicks(dialog.edtFileName(), "NEWDIR123");
        dialog.OKBtn()->click();
    });
    controller().menuItem("MakeDirectory1")->trigger();
    EXPECT_EQ(caption, "Make directory");
    EXPECT_TRUE(sim().fileSystem().isDirectory("D:\\NEWDIR12"));
    EXPECT_GE(rowOf("NEWDIR12"), 0);
    EXPECT_EQ(rows().mid(rows().size() - 1), QStringList{"DATALOG.DAT"})
        << "the refresh keeps the size order";

    // Rename README.TXT: the list is read again in size order with the same row selected.
    const int readme = rowOf("README.TXT");
    select(readme);
    controller().PopupMenu2Popup();
    test::ModalAnswer<TdlgKoraAskName> rename([&](TdlgKoraAskName& dialog) {
        caption = dialog.windowTitle();
        QTest::keyClicks(dialog.edtFileName(), "READ.ME");
        dialog.OKBtn()->click();
    });
    controller().menuItem("Rename1")->trigger();
    EXPECT_EQ(caption, "Rename file 'README.TXT'");
    EXPECT_TRUE(sim().fileSystem().exists("D:\\READ.ME"));
    EXPECT_EQ(rowOf("READ.ME"), readme);
    EXPECT_EQ(tree().selectionModel()->selectedRows().value(0).row(), readme);

    // Delete it after Yes.
    prompts_.answers = {true};
    controller().PopupMenu2Popup();
    controller().menuItem("Delete1")->trigger();
    ASSERT_EQ(prompts_.boxes.size(), 1);
    EXPECT_EQ(prompts_.boxes[0],
              "confirm: Are you sure to delete the file 'READ.ME'\nfrom KORA-7740P?");
    EXPECT_FALSE(sim().fileSystem().exists("D:\\READ.ME"));
    EXPECT_EQ(rowOf("READ.ME"), -1);

    // A folder holding files is refused before anything is asked.
    select(rowOf("LOG"));
    controller().PopupMenu2Popup();
    controller().menuItem("Delete1")->trigger();
    ASSERT_EQ(prompts_.boxes.size(), 2);
    EXPECT_EQ(prompts_.boxes[1],
              "warning: The directory 'LOG' is not empty.\nCannot delete this directory!");
    EXPECT_TRUE(sim().fileSystem().isDirectory("D:\\LOG"));
}

TEST_F(DevicePanelSimTest, ADoubleClickedProgramRunsInTheTerminal)
{
    pickFirstPort();
    const QRect demo = tree().visualRect(tree().model()->index(rowOf("DEMO.EXE"), 0));
    QTest::mouseClick(tree().viewport(), Qt::LeftButton, {}, demo.center());
    QTest::mouseDClick(tree().viewport(), Qt::LeftButton, {}, demo.center());
    EXPECT_TRUE(panel().tbtnDOSCmd()->isChecked());
    // The terminal holds the port: neither view of the list can start an operation.
    EXPECT_FALSE(tree().isEnabled());
    EXPECT_FALSE(panel().iconView()->isEnabled());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return window_->meoDos()->toPlainText().contains("DEMO.EXE"); }, 3000))
        << "the controller echoes the program's name";

    QTest::mouseClick(panel().tbtnDOSCmd(), Qt::LeftButton);
    EXPECT_FALSE(panel().tbtnDOSCmd()->isChecked());
    EXPECT_TRUE(tree().isEnabled());
    EXPECT_TRUE(panel().iconView()->isEnabled());
}

TEST_F(DevicePanelSimTest, PropertiesOfTheRootCountItsWholeTree)
{
    pickFirstPort();
    tree().selectionModel()->clearSelection();
    QStringList shown;
    test::ModalAnswer<TdlgKoraProp> answer([&](TdlgKoraProp& dialog) {
        for (QLabel* label :
             {dialog.lblModule(), dialog.lblName(), dialog.lblPath(), dialog.lblType(),
              dialog.lblSize(), dialog.lblDate(), dialog.lblContain()}) {
            shown << label->text();
        }
        dialog.accept();
    });
    controller().menuItem("Properities1")->trigger();
    ASSERT_EQ(answer.answered(), 1);
    ASSERT_EQ(shown.size(), 7);
    EXPECT_EQ(shown.mid(0, 4), QStringList({"KORA-7740P", "", "\\", "KORA disk (D:)"}));
    EXPECT_TRUE(shown[4].endsWith(" byte(s)"));
    EXPECT_EQ(shown[5], "");
    EXPECT_EQ(shown[6], "11 file(s), 8 folder(s)");
}

// The tool buttons take no focus, so a name typed into the port box is still unconfirmed when
// one of them is clicked: the click confirms it first, as Enter would.
TEST_F(DevicePanelSimTest, ATypedPortNameIsWhatTheNextClickUses)
{
    QLineEdit& typed = *panel().cbxCOM()->lineEdit();
    typed.setFocus();
    typed.selectAll();
    QTest::keyClicks(&typed, "/dev/kora-no-such-port");
    QTest::keyClick(&typed, Qt::Key_Return);
    ASSERT_EQ(prompts_.boxes.size(), 1);

    typed.selectAll();
    QTest::keyClicks(&typed, "COM1");
    QTest::mouseClick(panel().tbtnRefresh(), Qt::LeftButton);
    EXPECT_EQ(window_->deviceLink()->portName(), "COM1");
    EXPECT_EQ(prompts_.boxes.size(), 1) << prompts_.boxes.join("\n").toStdString();
    EXPECT_GE(rowOf("LOG"), 0);

    const QString device = QString::fromStdString(ResolvePortName("COM1"));
    typed.selectAll();
    QTest::keyClicks(&typed, device);
    QTest::mouseClick(panel().tbtnDOSCmd(), Qt::LeftButton);
    EXPECT_EQ(window_->deviceLink()->portName(), device);
    EXPECT_TRUE(window_->terminal()->IsOn());
    EXPECT_EQ(window_->deviceLink()->holder(), PortHolder::Terminal);
    QTest::mouseClick(panel().tbtnDOSCmd(), Qt::LeftButton);
    EXPECT_FALSE(window_->deviceLink()->busy());
    EXPECT_EQ(prompts_.boxes.size(), 1) << prompts_.boxes.join("\n").toStdString();
}

// Lines of the pane that are exactly this command, as typed.
int TypedCount(const QPlainTextEdit& pane, const QString& command)
{
    return static_cast<int>(pane.toPlainText().split(QLatin1Char('\n')).count(command));
}

// Posts the action as soon as the exchange shows its first text in the pane, so that the
// exchange's nested event loop delivers it, however quickly the console answers.
void DuringTheExchange(QPlainTextEdit& pane, QObject& context, std::function<void()> action)
{
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(&pane, &QPlainTextEdit::textChanged, &context,
                                   [connection, &context, action = std::move(action)] {
                                       QObject::disconnect(*connection);
                                       QTimer::singleShot(0, &context, action);
                                   });
}

// The nested event loop that repaints the window during an exchange still delivers events that
// are not user input. Leaving the port box with a name typed into it is one: it must not start
// a listing on the other port inside the running one.
TEST_F(DevicePanelSimTest, AFocusChangeDuringAListingStartsNoSecondExchange)
{
    pickFirstPort();
    QLineEdit& typed = *panel().cbxCOM()->lineEdit();
    typed.setFocus();
    typed.selectAll();
    QTest::keyClicks(&typed, "/dev/kora-no-such-port");
    window_->meoDos()->clear();

    bool duringTheListing = false;
    DuringTheExchange(*window_->meoDos(), tree(), [&] {
        duringTheListing = window_->deviceLink()->busy();
        tree().setFocus();
    });
    // Stands for a listing under way when the focus moves.
    window_->deviceController()->browser().refresh();

    EXPECT_TRUE(duringTheListing);
    EXPECT_TRUE(prompts_.boxes.isEmpty()) << prompts_.boxes.join("\n").toStdString();
    EXPECT_EQ(TypedCount(*window_->meoDos(), "dir"), 1);
    EXPECT_EQ(window_->deviceLink()->portName(), "COM1");
    EXPECT_EQ(rows().size(), static_cast<qsizetype>(sim().fileSystem().list("D:\\")->size()));

    // The typed name takes effect with the next action that needs the port.
    QTest::mouseClick(panel().tbtnRefresh(), Qt::LeftButton);
    EXPECT_EQ(window_->deviceLink()->portName(), "/dev/kora-no-such-port");
    ASSERT_EQ(prompts_.boxes.size(), 1);
    EXPECT_TRUE(prompts_.boxes[0].startsWith("error: Unable to open /dev/kora-no-such-port!"));
}

TEST_F(DevicePanelSimTest, PropertiesOfAFolderSurviveAListingAskedForDuringTheCount)
{
    pickFirstPort();
    select(rowOf("LOG"));
    controller().PopupMenu2Popup();
    window_->meoDos()->clear();
    QStringList shown;
    test::ModalAnswer<TdlgKoraProp> answer([&](TdlgKoraProp& dialog) {
        shown << dialog.lblName()->text() << dialog.lblContain()->text();
        dialog.accept();
    });
    // A listing asked for while "dir/s" runs would replace the entries under the handler.
    bool duringTheCount = false;
    DuringTheExchange(*window_->meoDos(), tree(), [&] {
        duringTheCount = window_->deviceLink()->busy();
        controller().tbtnRefreshClick();
    });
    controller().menuItem("Properities1")->trigger();

    ASSERT_EQ(answer.answered(), 1);
    EXPECT_TRUE(duringTheCount);
    EXPECT_EQ(shown, QStringList({"LOG", "4 file(s), 2 folder(s)"}));
    EXPECT_EQ(TypedCount(*window_->meoDos(), "dir"), 0);
    EXPECT_EQ(TypedCount(*window_->meoDos(), "dir/s LOG"), 1);
    EXPECT_EQ(tree().selectionModel()->selectedRows().value(0).row(), rowOf("LOG"))
        << "the listing and its selection are left as they were";
}

} // namespace
} // namespace kora
