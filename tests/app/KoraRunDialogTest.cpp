#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "ModalDialogs.h"
#include "ProgramScripts.h"
#include "app/CompanionProgram.h"
#include "app/KoraRunDialog.h"
#include "app/MainWindow.h"
#include "device/DevicePanel.h"
#include "link/DeviceLink.h"
#include "local/LocalPanel.h"
#include "support/EventLoop.h"
#include "support/QtPrinters.h"
#include "support/RecordingPrompts.h"
#include "support/ScopedSettingsFolder.h"
#include "support/SimFixture.h"
#include "support/TempDir.h"
#include "terminal/TerminalWindow.h"

namespace kora {
namespace {

namespace fs = std::filesystem;
using test::WhenModal;

using test::ScopedSettingsFolder;

QString StoredRunFile()
{
    return QSettings("VELMORACK", "KORA-7740P Utility").value("Config/Run File").toString();
}

class RunDialog : public ::testing::Test {
protected:
    ScopedSettingsFolder settings;
};

TEST_F(RunDialog, OkRemembersTheLineForTheNextDialogAndCancelDoesNot)
{
    TdlgKoraRun first;
    EXPECT_EQ(first.windowTitle(), "Run KORA-7200 Utility");
    EXPECT_EQ(first.Label1()->text(), "Run");
    EXPECT_EQ(first.edtAppName()->text(), "edtAppName") << "nothing stored yet";
    first.edtAppName()->setText("/opt/tool --port COM1");
    QTest::mouseClick(first.btnOK(), Qt::LeftButton);
    EXPECT_EQ(first.result(), QDialog::Accepted);
    EXPECT_EQ(first.ConfirmedCommandLine(), "/opt/tool --port COM1");
    EXPECT_EQ(StoredRunFile(), "/opt/tool --port COM1");

    TdlgKoraRun second;
    EXPECT_EQ(second.edtAppName()->text(), "/opt/tool --port COM1");
    second.edtAppName()->setText("other");
    QTest::mouseClick(second.btnCancel(), Qt::LeftButton);
    EXPECT_EQ(second.result(), QDialog::Rejected);
    EXPECT_EQ(second.ConfirmedCommandLine(), "");
    EXPECT_EQ(TdlgKoraRun().edtAppName()->text(), "/opt/tool --port COM1");
}

// The names the file dialog lists in its current folder.
QStringList ListedNames(QFileDialog& dialog)
{
    const auto* view = dialog.findChild<QListView*>("listView");
    QStringList names;
    if (!view) {
        return names;
    }
    for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
        names << view->model()->index(row, 0, view->rootIndex()).data().toString();
    }
    names.sort();
    return names;
}

TEST_F(RunDialog, BrowseOffersProgramsAndTakesTheChosenOne)
{
    test::TempDir dir{"kora-browse"};
    const fs::path folder = dir / "My Tools";
    fs::create_directories(folder / "sub");
    test::WriteScript(folder / "tool", "#!/bin/sh\n");
    test::WriteScript(folder / "SETUP.EXE", "", false);
    test::WriteScript(folder / "notes.txt", "", false);
    const QString folderText = QString::fromStdString(folder.string());

    TdlgKoraRun run;
    run.show();
    WhenModal<QFileDialog>([&](QFileDialog& files) {
        EXPECT_EQ(files.nameFilters(), TdlgKoraRun::BrowseFilters());
        EXPECT_EQ(files.selectedNameFilter(), "EXE file (*.exe)");
        EXPECT_EQ(files.fileMode(), QFileDialog::ExistingFile);
        files.setDirectory(folderText);
        const QStringList programs{"SETUP.EXE", "sub", "tool"};
        EXPECT_TRUE(test::RunEventsUntil([&] { return ListedNames(files) == programs; }))
            << ListedNames(files).join(' ').toStdString();
        files.selectNameFilter("All files (*)");
        const QStringList all{"SETUP.EXE", "notes.txt", "sub", "tool"};
        EXPECT_TRUE(test::RunEventsUntil([&] { return ListedNames(files) == all; }))
            << ListedNames(files).join(' ').toStdString();
        files.selectNameFilter("EXE file (*.exe)");
        EXPECT_TRUE(test::RunEventsUntil([&] { return ListedNames(files) == programs; }))
            << ListedNames(files).join(' ').toStdString();
        // A click picks the program: rows the filter lets in must be selectable.
        auto* view = files.findChild<QListView*>("listView");
        const QModelIndexList tool =
            view->model()->match(view->model()->index(0, 0, view->rootIndex()), Qt::DisplayRole,
                                 "tool", 1, Qt::MatchExactly);
        ASSERT_EQ(tool.size(), 1);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualRect(tool.front()).center());
        EXPECT_EQ(files.selectedFiles(), QStringList{folderText + "/tool"});
        static_cast<QDialog&>(files).accept(); // what its Open button does
    });
    QTest::mouseClick(run.btnBrowse(), Qt::LeftButton);
    EXPECT_TRUE(run.isVisible()) << "Browse does not close the dialog";
    // Quoted, so the blank in the folder's name does not split the line.
    EXPECT_EQ(run.edtAppName()->text(), "'" + folderText + "/tool'");
    EXPECT_EQ(run.focusWidget(), run.btnOK());
}

TEST_F(RunDialog, BrowseCancelledLeavesTheText)
{
    TdlgKoraRun run;
    run.show();
    run.edtAppName()->setText("keep me");
    WhenModal<QFileDialog>([](QFileDialog& files) { files.reject(); });
    QTest::mouseClick(run.btnBrowse(), Qt::LeftButton);
    EXPECT_EQ(run.edtAppName()->text(), "keep me");
    EXPECT_TRUE(run.isVisible());
}

// The local panel's "Run KORA Utility" button on the main window.
class RunUtilityButton : public test::SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        window = std::make_unique<TfrmMain>();
        window->FormCreate();
        window->deviceLink()->setPortName(QString::fromStdString(portName()));
        window->show();
    }
    void TearDown() override
    {
        window.reset();
        SimFixture::TearDown();
    }

    // Clicks the button and answers the run dialog with the line, by OK or by Cancel.
    void Run(const QString& line, bool ok)
    {
        WhenModal<TdlgKoraRun>([&](TdlgKoraRun& dialog) {
            dialog.edtAppName()->setText(line);
            QTest::mouseClick(ok ? dialog.btnOK() : dialog.btnCancel(), Qt::LeftButton);
        });
        window->localPanel()->tbtnLocalRun()->click();
    }
    void SwitchTerminalOn()
    {
        window->devicePanel()->tbtnDOSCmd()->click();
        ASSERT_TRUE(window->terminal()->IsOn());
    }
    QString ProbeLine()
    {
        const fs::path probe = test::WritePortProbe(workDir());
        return QString::fromStdString(probe.string() + " " + (portsFolder() / "COM1").string());
    }

    ScopedSettingsFolder settings;
    test::RecordingPrompts prompts;
    ScopedPrompts scopedPrompts{prompts};
    std::unique_ptr<TfrmMain> window;
};

TEST_F(RunUtilityButton, AnEmptyLineIsStoredAndEndsInTheErrorBox)
{
    EXPECT_EQ(window->localPanel()->tbtnLocalRun()->toolTip(), "Run KORA Utility");
    Run("", true);
    EXPECT_EQ(prompts.boxes, QStringList{"error: Unable to run the application. ''"});
    EXPECT_EQ(LoadRunFile(), QString(""));
}

TEST_F(RunUtilityButton, ARunningTerminalIsSwitchedOffSoTheProgramFindsThePortFree)
{
    SwitchTerminalOn();
    Run(ProbeLine(), true);
    EXPECT_FALSE(window->terminal()->IsOn());
    EXPECT_TRUE(window->devicePanel()->tbtnRefresh()->isEnabled());
    EXPECT_EQ(test::WaitForFile(workDir() / "probe"), "free");
    EXPECT_TRUE(prompts.boxes.isEmpty()) << prompts.boxes.join('\n').toStdString();
}

TEST_F(RunUtilityButton, CancelStartsNothingAndLeavesTheTerminalOn)
{
    SwitchTerminalOn();
    Run(ProbeLine(), false);
    EXPECT_TRUE(window->terminal()->IsOn());
    EXPECT_EQ(LoadRunFile(), std::nullopt);
    EXPECT_TRUE(prompts.boxes.isEmpty());
    // What the program would have found: the port held by the terminal.
    ASSERT_TRUE(StartCommandLine(ProbeLine()));
    EXPECT_EQ(test::WaitForFile(workDir() / "probe"), "held");
}

} // namespace
} // namespace kora
