// The copy to the device through the main window on the simulator: the copy button, the
// transfer dialog, the rename prompt, drops on the device panel and F5 in the local list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

#include "app/MainWindow.h"
#include "device/DeviceBrowser.h"
#include "device/DevicePanel.h"
#include "device/DevicePanelController.h"
#include "device/KoraAskNameDialog.h"
#include "link/DeviceLink.h"
#include "local/LocalPanel.h"
#include "sim/DosFileSystem.h"
#include "sim/XmodemReceiver.h"
#include "support/EventLoop.h"
#include "support/ModalAnswer.h"
#include "support/Palettes.h"
#include "support/QtPrinters.h"
#include "support/RecordingPrompts.h"
#include "support/WindowSimFixture.h"
#include "transfer/KoraTranDialog.h"

namespace kora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// What the controller stores: the file with its last block filled up with zeros.
std::string Padded(std::string bytes)
{
    bytes.resize((bytes.size() + 127) / 128 * 128, '\0');
    return bytes;
}

std::string Pattern(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 131 + seed * 17 + i / 256) & 0xFF);
    }
    return bytes;
}

// Answers every rename prompt from a script: a name for OK, nothing for Cancel. Records the
// captions, and what the prompt offered.
class NamePrompts {
public:
    explicit NamePrompts(std::deque<std::optional<QString>> answers) : answers_(std::move(answers))
    {
    }

    QStringList captions;
    QStringList offered;

private:
    void answer(TdlgKoraAskName& dialog)
    {
        captions << dialog.windowTitle();
        offered << dialog.lblPrompt()->text() + "|" + dialog.edtFileName()->text() + "|" +
                       QString::number(dialog.edtFileName()->maxLength());
        const std::optional<QString> answer = answers_.empty() ? std::nullopt : answers_.front();
        if (!answers_.empty()) {
            answers_.pop_front();
        }
        if (answer) {
            // Key clicks carry ASCII only; other characters arrive as an input method would.
            const bool ascii = std::all_of(answer->begin(), answer->end(),
                                           [](QChar c) { return c.unicode() < 0x80; });
            if (ascii) {
                QTest::keyClicks(dialog.edtFileName(), *answer);
            } else {
                dialog.edtFileName()->insert(*answer);
            }
            dialog.OKBtn()->click();
        } else {
            dialog.CancelBtn()->click();
        }
    }

    std::deque<std::optional<QString>> answers_;
    test::ModalAnswer<TdlgKoraAskName> modal_{[this](TdlgKoraAskName& dialog) { answer(dialog); },
                                              test::AnswerTimes::Every};
};

class CopyToDeviceSimTest : public test::WindowSimFixture {
protected:
    void SetUp() override
    {
        test::WindowSimFixture::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        listingsShown_ = std::make_unique<QSignalSpy>(&browser(), &DeviceBrowser::folderShown);
    }

    void TearDown() override
    {
        listingsShown_.reset();
        test::WindowSimFixture::TearDown();
    }

    DeviceBrowser& browser() { return window_->deviceController()->browser(); }
    QTreeView& localList() { return *window_->localPanel()->reportView(); }
    QString pane() { return window_->meoDos()->toPlainText(); }

    fs::path writePc(const std::string& name, const std::string& bytes)
    {
        const fs::path path = pcFolder_ / name;
        std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        return path;
    }

    // The PC folder in the local panel, with the named rows selected.
    void selectPc(const QStringList& names)
    {
        window_->localPanel()->controller().ShowLocalPath(pcFolder_.string());
        QItemSelectionModel& selection = *localList().selectionModel();
        selection.clearSelection();
        const QAbstractItemModel& model = *localList().model();
        for (int row = 0; row < model.rowCount(); ++row) {
            if (names.contains(model.index(row, 0).data().toString())) {
                selection.select(model.index(row, 0),
                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
            }
        }
        ASSERT_EQ(selection.selectedRows().size(), names.size());
    }

    // Picks the simulator's port, which lists D:\, then goes to the given directory.
    void listDevice(const std::string& path = "\\")
    {
        QComboBox& ports = *window_->devicePanel()->cbxCOM();
        ports.setCurrentIndex(0);
        emit ports.activated(0);
        if (path != "\\") {
            browser().choosePath(path);
        }
        ASSERT_EQ(browser().DevicePath(), path);
    }

    void clickCopy() { QTest::mouseClick(window_->btnCopy(), Qt::LeftButton); }

    // The entry the device list shows for a name, or nothing.
    std::optional<FolderEntry> listed(const std::string& name)
    {
        for (std::size_t row = 0; row < browser().entries().size(); ++row) {
            if (browser().entries().at(row).name == name) {
                return browser().entries().at(row);
            }
        }
        return std::nullopt;
    }

    QStringList rows()
    {
        QStringList names;
        for (std::size_t row = 0; row < browser().entries().size(); ++row) {
            names << QString::fromStdString(browser().entries().at(row).name);
        }
        return names;
    }

    // How many listings the device panel has shown.
    int listings() { return static_cast<int>(listingsShown_->count()); }

    test::RecordingPrompts prompts_;
    ScopedPrompts scopedPrompts_{prompts_};
    std::unique_ptr<QSignalSpy> listingsShown_;
};

TEST_F(CopyToDeviceSimTest, RefusesWhatCannotBeSentAndCopiesWhatFitsTheFreeSpace)
{
    writePc("EMPTY.BIN", "");
    writePc("NINE.BIN", Pattern(999, 1));
    writePc("THOUSAND.BIN", Pattern(1000, 2));
    fs::create_directories(pcFolder_ / "SUB");

    selectPc({"NINE.BIN"});
    clickCopy();
    EXPECT_EQ(prompts_.boxes, QStringList{"warning: Please press 'Refresh folder' button in the "
                                          "KORA-7740P panel first."});

    auto& drive = sim().fileSystem();
    drive.setCapacity('D', drive.capacity('D') - drive.freeBytes('D') + 1000);
    listDevice();
    ASSERT_EQ(browser().DeviceFreeBytes(), 1000u);
    prompts_.boxes.clear();
    const int listed = listings();
    for (const QStringList& refused :
         {QStringList{"THOUSAND.BIN"}, QStringList{"EMPTY.BIN"}, QStringList{"SUB", "NINE.BIN"}}) {
        selectPc(refused);
        clickCopy();
    }
    EXPECT_EQ(prompts_.boxes, QStringList({"warning: There is no enough space on KORA-7740P.",
                                           "warning: There is no enough space on KORA-7740P.",
                                           "warning: Only file can be transferred."}));
    EXPECT_FALSE(pane().contains("transfer")) << "nothing was sent";
    EXPECT_EQ(listings(), listed) << "and nothing listed again";

    // The panel's figure lets 999 bytes through; the receiver keeps them as 1024 bytes in a
    // 2048-byte cluster, which must fit on the controller, or the upload fails as not kept.
    drive.setCapacity('D', drive.capacity('D') + 2048);
    prompts_.boxes.clear();
    selectPc({"NINE.BIN"});
    clickCopy();
    EXPECT_TRUE(prompts_.boxes.isEmpty()) << prompts_.boxes.join("\n").toStdString();
    EXPECT_TRUE(pane().contains("C:\\transfer /R D:\\NINE.BIN"));
    EXPECT_TRUE(pane().contains("<<Get ACK for EOT>>")) << "999 bytes went all the way";
    EXPECT_EQ(listings(), listed + 1) << "listed again afterwards";

    // A port that cannot be opened: its message, no dialog, no listing.
    window_->deviceLink()->setPortName(QStringLiteral("/dev/kora-no-such-port"));
    prompts_.boxes.clear();
    clickCopy();
    EXPECT_EQ(prompts_.boxes,
              QStringList{"error: Unable to open /dev/kora-no-such-port!\n\nThere is no such port "
                          "(/dev/kora-no-such-port does not exist)."});
    EXPECT_EQ(listings(), listed + 1);
}

TEST_F(CopyToDeviceSimTest, SendsIntoTheShownDirectoryByteExactAndListsTheFiles)
{
    const std::string a = Pattern(1000, 3);
    const std::string b = Pattern(128, 4);
    writePc("A.EXE", a);
    writePc("B.BIN", b);

    listDevice();
    selectPc({"A.EXE"});
    clickCopy();
    ASSERT_TRUE(prompts_.boxes.isEmpty()) << prompts_.boxes.join("\n").toStdString();
    EXPECT_TRUE(pane().split('\n').contains("C:\\transfer /R D:\\A.EXE"));
    EXPECT_EQ(sim().fileSystem().readFile("D:\\A.EXE"), Padded(a));

    // In a sub-directory, sorted by size with the second row selected: both files go in one
    // batch, and the list comes back the same way with them in it.
    listDevice("\\BIN");
    browser().sortByColumn(1);
    browser().setSavedFocusIndex(1);
    selectPc({"A.EXE", "B.BIN"});
    clickCopy();
    ASSERT_TRUE(prompts_.boxes.isEmpty()) << prompts_.boxes.join("\n").toStdString();
    const QStringList lines = pane().split('\n');
    EXPECT_TRUE(lines.contains("C:\\transfer /R D:\\BIN\\A.EXE"));
    EXPECT_TRUE(lines.contains("C:\\transfer /R D:\\BIN\\B.BIN"));
    EXPECT_EQ(sim().fileSystem().readFile("D:\\BIN\\A.EXE"), Padded(a));
    EXPECT_EQ(sim().fileSystem().readFile("D:\\BIN\\B.BIN"), b);

    EXPECT_EQ(browser().DevicePath(), "\\BIN");
    ASSERT_TRUE(listed("A.EXE"));
    EXPECT_EQ(listed("A.EXE")->size, 1024u) << "the received size";
    ASSERT_TRUE(listed("B.BIN"));
    EXPECT_EQ(listed("B.BIN")->size, 128u);
    EXPECT_EQ(browser().focusRow(), std::optional<std::size_t>(1));
    const QStringList afterCopy = rows();
    browser().sortByColumn(1);
    EXPECT_EQ(afterCopy, rows()) << "still sorted by size";
}

TEST_F(CopyToDeviceSimTest, AsksForANameTheControllerCannotTakeAndSkipsTheFileOnCancel)
{
    const std::string program = Pattern(300, 5);
    writePc("my-prog.exe", program);
    writePc("bad name.txt", "text");
    listDevice();
    selectPc({"bad name.txt", "my-prog.exe"});

    // A DOS device's name is asked for again, and so is a name the controller has no bytes
    // for (after a warning): neither is sent.
    NamePrompts names({std::nullopt, QStringLiteral("NUL.EXE"), QStringLiteral("MY\u20ac.EXE"),
                       QStringLiteral("MYPROG.EXE")});
    clickCopy();
    EXPECT_EQ(prompts_.boxes,
              QStringList({"warning: 'MY\u20ac.EXE' cannot be typed on KORA-7740P: '\u20ac' "
                           "(U+20AC) is not one of the single-byte (Latin-1) characters its "
                           "console takes."}));
    EXPECT_EQ(names.captions,
              QStringList({"Invalid file name 'bad name.txt'", "Invalid file name 'my-prog.exe'",
                           "Invalid file name 'NUL.EXE'", "Invalid file name 'NUL.EXE'"}));
    EXPECT_EQ(names.offered.value(0), "Please input new file name:||12");
    EXPECT_EQ(sim().fileSystem().readFile("D:\\MYPROG.EXE"), Padded(program));
    EXPECT_FALSE(pane().contains("bad name")) << "the skipped file is not sent";
    EXPECT_TRUE(listed("MYPROG.EXE"));
}

TEST_F(CopyToDeviceSimTest, AFailedFileEndsTheQueueKeepingTheFilesBeforeIt)
{
    // The receiver cancels the second block of every file: only the second file has one.
    auto tool = std::make_shared<sim::TransferToolOptions>();
    tool->cancelAtBlock = 2;
    sim::RegisterTransferCommand(sim(), tool);
    writePc("A1.BIN", Pattern(100, 6));
    writePc("A2.BIN", Pattern(300, 7));
    writePc("A3.BIN", Pattern(100, 8));
    listDevice();
    selectPc({"A1.BIN", "A2.BIN", "A3.BIN"});
    clickCopy();

    // The reason follows in a paragraph of its own.
    EXPECT_EQ(prompts_.boxes, QStringList{"error: Fail to transfer file 'A2.BIN'!\n\n"
                                          "KORA-7740P cancelled the transfer."});
    EXPECT_EQ(sim().fileSystem().readFile("D:\\A1.BIN"), Padded(Pattern(100, 6)));
    EXPECT_FALSE(sim().fileSystem().readFile("D:\\A2.BIN"));
    EXPECT_FALSE(pane().contains("A3.BIN")) << "the third file is not sent";
    EXPECT_TRUE(listed("A1.BIN")) << "listed again after the failure";
}

TEST_F(CopyToDeviceSimTest, CancelStopsTheFileSendsNoOtherAndListsAgainWithoutAMessage)
{
    writePc("BIG.BIN", Pattern(32 * 1024, 9));
    writePc("SMALL.BIN", Pattern(10, 10));
    listDevice();
    selectPc({"BIG.BIN", "SMALL.BIN"});

    // Cancel once the first file is on its way.
    bool cancelled = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<TdlgKoraTran*>(QApplication::activeModalWidget());
        if (!cancelled && dialog != nullptr && dialog->ProgressBar1()->value() > 0) {
            cancelled = true;
            EXPECT_EQ(dialog->edtCount()->text(), "1/2");
            EXPECT_TRUE(dialog->edtName()->text().endsWith("/BIG.BIN"));
            EXPECT_FALSE(dialog->lblSent()->text().isEmpty());
            // The port is the copy's for the whole batch: the device controls are off, and a
            // listing asked for meanwhile (an event that got through) is not made.
            EXPECT_EQ(window_->deviceLink()->holder(), PortHolder::CopyBatch);
            EXPECT_FALSE(window_->btnCopy()->isEnabled());
            EXPECT_FALSE(window_->devicePanel()->reportView()->isEnabled());
            window_->deviceController()->tbtnRefreshClick();
            dialog->btnCancel()->click();
        }
    });
    watch.start(2);
    const int listed = listings();
    clickCopy();

    EXPECT_TRUE(cancelled);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the dialog has closed";
    EXPECT_TRUE(prompts_.boxes.isEmpty()) << prompts_.boxes.join("\n").toStdString();
    EXPECT_FALSE(pane().contains("SMALL.BIN"));
    EXPECT_FALSE(sim().fileSystem().readFile("D:\\SMALL.BIN"));
    EXPECT_EQ(listings(), listed + 1) << "listed again, once";
    EXPECT_FALSE(window_->deviceLink()->busy());
    EXPECT_TRUE(window_->btnCopy()->isEnabled());
}

// Delivers a drag of urls at a point of the window as the window system does: to the widget
// under the point, or the nearest of its parents that takes drops. True when the drop was taken
// as a copy.
bool DropAt(QWidget& window, QWidget& over, const QList<QUrl>& urls)
{
    const QPoint inWindow = over.mapTo(&window, over.rect().center());
    QWidget* target = window.childAt(inWindow);
    while (target != nullptr && !target->acceptDrops() && !target->isWindow()) {
        target = target->parentWidget();
    }
    if (target == nullptr || !target->acceptDrops()) {
        return false;
    }
    const QPoint at = target->mapFrom(&window, inWindow);
    QMimeData mime;
    mime.setUrls(urls);
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDragMoveEvent move(at, actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(at, actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

TEST_F(CopyToDeviceSimTest, DroppedFilesAndF5CopyAsTheButtonDoes)
{
    const std::string one = Pattern(200, 11);
    const std::string two = Pattern(129, 12);
    writePc("ONE.BIN", one);
    writePc("TWO.BIN", two);
    fs::create_directories(pcFolder_ / "SUB");
    listDevice("\\LOG");
    QWidget& deviceList = *window_->devicePanel()->reportView()->viewport();

    // Dragged out of the local panel: the views start a drag of the selection, which the
    // model hands over as file URLs (in every view style: the icon styles reset dragging).
    selectPc({"ONE.BIN"});
    LocalPanel& local = *window_->localPanel();
    local.viewStyleButton(FileViewStyle::LargeIcons)->click();
    EXPECT_TRUE(local.iconView()->dragEnabled());
    local.viewStyleButton(FileViewStyle::Report)->click();
    EXPECT_TRUE(localList().dragEnabled());
    const QModelIndexList chosen = localList().selectionModel()->selectedIndexes();
    const std::unique_ptr<QMimeData> dragged(localList().model()->mimeData(chosen));
    ASSERT_TRUE(dragged);
    EXPECT_EQ(dragged->urls(), QList<QUrl>{QUrl::fromLocalFile(
                                   QString::fromStdString((pcFolder_ / "ONE.BIN").string()))});
    ASSERT_TRUE(DropAt(*window_, deviceList, dragged->urls()));
    ASSERT_TRUE(test::RunEventsUntil(
        [&] { return sim().fileSystem().readFile("D:\\LOG\\ONE.BIN").has_value(); }));
    EXPECT_EQ(sim().fileSystem().readFile("D:\\LOG\\ONE.BIN"), Padded(one));
    test::RunEventsUntil([&] { return listed("ONE.BIN").has_value(); });
    EXPECT_TRUE(listed("ONE.BIN"));

    // From a file manager, with a folder among the files: refused as the button refuses it.
    const auto url = [&](const char* name) {
        return QUrl::fromLocalFile(QString::fromStdString((pcFolder_ / name).string()));
    };
    ASSERT_TRUE(DropAt(*window_, deviceList, {url("TWO.BIN"), url("SUB")}));
    test::RunEventsUntil([&] { return !prompts_.boxes.isEmpty(); });
    EXPECT_EQ(prompts_.boxes, QStringList{"warning: Only file can be transferred."});
    EXPECT_FALSE(DropAt(*window_, deviceList, {QUrl("https://example.org/TWO.BIN")}));

    // A file manager percent-encodes the bytes of a name that is not UTF-8: the drop names
    // the very file.
    const std::string three = Pattern(300, 13);
    fs::create_directories(pcFolder_ / "pc\xE9");
    std::ofstream(pcFolder_ / "pc\xE9" / "THREE.BIN", std::ios::binary) << three;
    const QByteArray encoded =
        QByteArray::fromStdString((pcFolder_ / "pc\xE9" / "THREE.BIN").string())
            .toPercentEncoding("/");
    ASSERT_TRUE(DropAt(*window_, deviceList, {QUrl::fromEncoded("file://" + encoded)}));
    ASSERT_TRUE(test::RunEventsUntil(
        [&] { return sim().fileSystem().readFile("D:\\LOG\\THREE.BIN").has_value(); }));
    EXPECT_EQ(sim().fileSystem().readFile("D:\\LOG\\THREE.BIN"), Padded(three));
    test::RunEventsUntil([&] { return listed("THREE.BIN").has_value(); });

    // While another holder has the port, a drop is not taken and F5 does nothing at all.
    prompts_.boxes.clear();
    selectPc({"TWO.BIN"});
    QApplication::setActiveWindow(window_.get());
    {
        const PortLease terminal = window_->deviceLink()->acquire(PortHolder::Terminal);
        EXPECT_FALSE(DropAt(*window_, deviceList, {url("TWO.BIN")}));
        localList().setFocus();
        QTest::keyClick(&localList(), Qt::Key_F5);
        test::RunEventsFor(20ms);
    }
    EXPECT_TRUE(prompts_.boxes.isEmpty());
    EXPECT_FALSE(pane().contains("TWO.BIN"));

    // F5 in the local list sends its selection.
    localList().setFocus();
    QTest::keyClick(&localList(), Qt::Key_F5);
    EXPECT_TRUE(prompts_.boxes.isEmpty()) << prompts_.boxes.join("\n").toStdString();
    EXPECT_EQ(sim().fileSystem().readFile("D:\\LOG\\TWO.BIN"), Padded(two));
}

TEST(TransferDialog, CancelBeforeTheQueueStartsClosesAndSendsNothing)
{
    TdlgKoraTran dialog;
    dialog.setFileList({"/nowhere/A.EXE"});
    dialog.show();
    dialog.btnCancel()->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.Timer1()->isActive()) << "the queue will not run";
    EXPECT_FALSE(dialog.outcome());
}

// The file and the count are only read, never typed into: in the light and the dark palette
// their text stands out from the box as much as normal text must (4.5:1), under Fusion.
TEST(TransferDialog, TheFileAndTheCountAreReadableAndCannotBeEdited)
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    for (const auto& [name, palette] :
         {std::pair{"light", test::LightPalette()}, std::pair{"dark", test::DarkPalette()}}) {
        TdlgKoraTran dialog;
        dialog.setPalette(palette);
        for (QLineEdit* field : {dialog.edtName(), dialog.edtCount()}) {
            SCOPED_TRACE(name + (" " + field->objectName().toStdString()));
            field->setText(QStringLiteral("/home/user/CONTROL.EXE"));
            const QPalette& drawn = field->palette();
            for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
                const QPalette::ColorGroup shown = field->isEnabled() ? group : QPalette::Disabled;
                EXPECT_GE(test::ContrastRatio(drawn.color(shown, field->foregroundRole()),
                                              drawn.color(shown, field->backgroundRole())),
                          4.5);
            }
            QTest::keyClicks(field, QStringLiteral("x"));
            QTest::keyClick(field, Qt::Key_Backspace);
            EXPECT_EQ(field->text(), "/home/user/CONTROL.EXE");
        }
    }
}

} // namespace
} // namespace kora
