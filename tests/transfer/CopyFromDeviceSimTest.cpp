// Text files from the controller in the window, on the simulator: "View" and F3 with the
// viewer's "Save As...", drags from the device list onto the local list and to a file manager.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeView>
#include <QUrl>

#include <filesystem>
#include <fstream>
#include <memory>

#include "app/MainWindow.h"
#include "device/DeviceBrowser.h"
#include "device/DevicePanel.h"
#include "device/DevicePanelController.h"
#include "device/KoraViewDialog.h"
#include "device/TextReadBack.h"
#include "local/LocalPanel.h"
#include "sim/DosFileSystem.h"
#include "support/ModalAnswer.h"
#include "support/RecordingPrompts.h"
#include "support/WindowSimFixture.h"
#include "transfer/CopyFromDeviceController.h"

namespace kora {
namespace {

namespace fs = std::filesystem;

std::string PcFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

class CopyFromDeviceSimTest : public test::WindowSimFixture {
protected:
    void SetUp() override
    {
        test::WindowSimFixture::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        QComboBox& ports = *window_->devicePanel()->cbxCOM();
        ports.setCurrentIndex(0);
        emit ports.activated(0);
        window_->localPanel()->controller().ShowLocalPath(pcFolder_.string());
    }

    QTreeView& deviceList() { return *window_->devicePanel()->reportView(); }
    CopyFromDeviceController& controller() { return *window_->copyFromController(); }

    void selectDevice(const QString& name)
    {
        const QAbstractItemModel& model = *deviceList().model();
        for (int row = 0; row < model.rowCount(); ++row) {
            if (model.index(row, 0).data().toString() == name) {
                deviceList().selectionModel()->setCurrentIndex(model.index(row, 0),
                                                               QItemSelectionModel::ClearAndSelect |
                                                                   QItemSelectionModel::Rows);
                return;
            }
        }
        FAIL() << "no row " << name.toStdString();
    }

    // A drag of the selected device file, dropped on the local list.
    void dropOnLocalList()
    {
        const std::unique_ptr<QMimeData> mime = controller().dragData();
        ASSERT_TRUE(mime);
        QWidget* target = window_->localPanel()->reportView()->viewport();
        const QPointF at(20, 20);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, mime.get(), Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        ASSERT_TRUE(drop.isAccepted());
        QApplication::processEvents(); // the copy follows the drop
    }

    test::RecordingPrompts prompts_;
    ScopedPrompts scopedPrompts_{prompts_};
};

TEST_F(CopyFromDeviceSimTest, F3ShowsTheTextAndSaveAsKeepsItsBytes)
{
    const std::string readme = sim().fileSystem().readFile("D:\\README.TXT").value();
    selectDevice(QStringLiteral("README.TXT"));
    deviceList().setFocus();
    QString title;
    QString shown;
    const fs::path saved = pcFolder_ / "readme-copy.txt";
    test::ModalAnswer<TdlgKoraView> answer([&](TdlgKoraView& viewer) {
        title = viewer.windowTitle();
        shown = viewer.meoText()->toPlainText();
        EXPECT_TRUE(viewer.meoText()->isReadOnly());
        viewer.saveTo({saved.string()});
        viewer.reject();
    });
    QTest::keyClick(&deviceList(), Qt::Key_F3);
    EXPECT_EQ(answer.answered(), 1);
    EXPECT_EQ(title, "README.TXT (1234 bytes)");
    EXPECT_EQ(shown,
              QString::fromLatin1(readme).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    EXPECT_EQ(PcFile(saved), readme);
    EXPECT_TRUE(prompts_.boxes.isEmpty()) << prompts_.boxes.join('\n').toStdString();
}

// An upload's text, shown and saved without the zero padding the controller keeps after it.
TEST_F(CopyFromDeviceSimTest, TheViewerOfAnUploadsTextSaysWhatWasKept)
{
    sim().fileSystem().writeFileChecked("D:\\RUNME.BAT", "echo hi\r\n" + std::string(119, '\0'));
    window_->deviceController()->tbtnRefreshClick();
    selectDevice(QStringLiteral("RUNME.BAT"));
    QString title;
    QString shown;
    const fs::path saved = pcFolder_ / "runme.bat";
    test::ModalAnswer<TdlgKoraView> answer([&](TdlgKoraView& viewer) {
        title = viewer.windowTitle();
        shown = viewer.meoText()->toPlainText();
        viewer.saveTo({saved.string()});
        viewer.reject();
    });
    controller().View1Click();
    EXPECT_EQ(answer.answered(), 1);
    EXPECT_EQ(title, "RUNME.BAT (9 of 128 bytes, the text before the zero padding of an upload)");
    EXPECT_EQ(shown, "echo hi\n");
    EXPECT_EQ(PcFile(saved), "echo hi\r\n");
}

TEST_F(CopyFromDeviceSimTest, ABinaryIsRefusedAndNothingIsWritten)
{
    selectDevice(QStringLiteral("DEMO.EXE"));
    test::ModalAnswer<TdlgKoraView> viewer([](TdlgKoraView& dialog) { dialog.reject(); });
    controller().View1Click();
    EXPECT_EQ(viewer.answered(), 0);
    EXPECT_EQ(prompts_.boxes,
              QStringList{"error: " + QString::fromStdString(NotExactTextMessage("DEMO.EXE"))});

    dropOnLocalList();
    EXPECT_FALSE(fs::exists(pcFolder_ / "DEMO.EXE"));
    // A file manager asks for the files at the drop: it gets none.
    EXPECT_TRUE(controller().dragData()->urls().isEmpty());
}

TEST_F(CopyFromDeviceSimTest, DragsCopyToTheLocalFolderOrAFileManagerAskingBeforeReplacing)
{
    const std::string notes = sim().fileSystem().readFile("D:\\NOTES").value();
    selectDevice(QStringLiteral("NOTES"));
    dropOnLocalList();
    EXPECT_EQ(PcFile(pcFolder_ / "NOTES"), notes);
    EXPECT_TRUE(window_->localPanel()
                    ->reportView()
                    ->model()
                    ->match(window_->localPanel()->reportView()->model()->index(0, 0),
                            Qt::DisplayRole, QStringLiteral("NOTES"))
                    .size() == 1)
        << "the local list shows the copy";

    std::ofstream(pcFolder_ / "NOTES", std::ios::trunc) << "mine";
    prompts_.answers = {false};
    dropOnLocalList();
    EXPECT_EQ(PcFile(pcFolder_ / "NOTES"), "mine");
    EXPECT_EQ(prompts_.boxes.back().left(9), "confirm: ");
    prompts_.answers = {true};
    dropOnLocalList();
    EXPECT_EQ(PcFile(pcFolder_ / "NOTES"), notes);

    const QList<QUrl> urls = controller().dragData()->urls();
    ASSERT_EQ(urls.size(), 1);
    EXPECT_EQ(PcFile(urls.front().toLocalFile().toStdString()), notes);

    // Several files go with a progress dialog; a binary among them is refused alone.
    std::vector<FolderEntry> several(3);
    several[0].name = "A.TXT";
    several[0].size = 10;
    several[1].name = "TOOL.COM";
    several[1].size = 4321;
    several[2].name = "START.BAT";
    several[2].size = 10;
    sim().fileSystem().writeFileChecked("D:\\BIN\\A.TXT", "0123456789");
    prompts_.boxes.clear();
    const std::vector<LocalPath> written =
        controller().CopyToFolder("\\BIN", several, {pcFolder_.string()});
    EXPECT_EQ(written.size(), 2u);
    EXPECT_EQ(PcFile(pcFolder_ / "START.BAT"), "DEMO.EXE\r\n");
    EXPECT_FALSE(fs::exists(pcFolder_ / "TOOL.COM"));
    EXPECT_EQ(prompts_.boxes,
              QStringList{"error: " + QString::fromStdString(NotExactTextMessage("TOOL.COM"))});
}

} // namespace
} // namespace kora
