// Upload and Run on the local panel: what it starts after which copy, and the whole item in the
// main window on the simulator, the program's output live in the terminal pane.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeView>

#include <filesystem>
#include <fstream>
#include <memory>

#include "app/MainWindow.h"
#include "device/DeviceBrowser.h"
#include "device/DevicePanel.h"
#include "device/DevicePanelController.h"
#include "link/DeviceLink.h"
#include "local/LocalPanel.h"
#include "sim/DosFileSystem.h"
#include "sim/SamplePrograms.h"
#include "support/EventLoop.h"
#include "support/RecordingPrompts.h"
#include "support/WindowSimFixture.h"
#include "terminal/TerminalWindow.h"
#include "transfer/UploadAndRun.h"

namespace kora {
namespace {

namespace fs = std::filesystem;

TEST(UploadAndRunRules, StartsOnlyASingleProgramTheCopySent)
{
    using Kind = QueueOutcome::Kind;
    const auto sent = [](Kind kind, std::vector<std::string> names) {
        QueueOutcome outcome{kind, {}, {}, {}};
        for (std::string& name : names) {
            outcome.sent.push_back({"/pc/x", std::move(name)});
        }
        return std::optional<QueueOutcome>(outcome);
    };
    const CopySource program{"/pc/TOOL.EXE", true, 10};
    struct Case {
        std::vector<CopySource> selection;
        std::optional<QueueOutcome> copied;
        std::optional<std::string> started;
    };
    const Case cases[] = {
        {{program}, sent(Kind::Completed, {"TOOL.EXE"}), "TOOL.EXE"},
        {{{"/pc/go.bat", true, 5}}, sent(Kind::Completed, {"go.bat"}), "go.bat"},
        {{{"/pc/RUN.Com", true, 5}}, sent(Kind::Completed, {"RUN.Com"}), "RUN.Com"},
        // Renamed at the prompt: the name it has on the controller; not a program any more.
        {{{"/pc/my-prog.exe", true, 5}}, sent(Kind::Completed, {"MYPROG.EXE"}), "MYPROG.EXE"},
        {{{"/pc/my-prog.exe", true, 5}}, sent(Kind::Completed, {"MYPROG.TXT"}), std::nullopt},
        // Copied, not started: no program, a folder, two files.
        {{{"/pc/README.TXT", true, 5}}, sent(Kind::Completed, {"README.TXT"}), std::nullopt},
        {{{"/pc/DIR.EXE", false, 0}}, std::nullopt, std::nullopt},
        {{program, program}, sent(Kind::Completed, {"TOOL.EXE", "B.EXE"}), std::nullopt},
        // The copy refused, failed, cancelled, or its rename prompt cancelled (file skipped).
        {{program}, std::nullopt, std::nullopt},
        {{program}, sent(Kind::Failed, {}), std::nullopt},
        {{program}, sent(Kind::Cancelled, {}), std::nullopt},
        // Cancelled just after the file went through: it is there, but nothing starts.
        {{program}, sent(Kind::Cancelled, {"TOOL.EXE"}), std::nullopt},
        {{program}, sent(Kind::Completed, {}), std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProgramToStart(c.selection, c.copied), c.started) << c.selection.front().path;
    }
}

class UploadAndRunWindow : public test::WindowSimFixture {
protected:
    void writePc(const std::string& name, const std::string& bytes)
    {
        std::ofstream(pcFolder_ / name, std::ios::binary)
            .write(bytes.data(), std::streamsize(bytes.size()));
    }
    QTreeView& localList() { return *window_->localPanel()->reportView(); }
    void selectPc(const QString& name)
    {
        window_->localPanel()->controller().ShowLocalPath(pcFolder_.string());
        QItemSelectionModel& selection = *localList().selectionModel();
        selection.clearSelection();
        const QAbstractItemModel& model = *localList().model();
        for (int row = 0; row < model.rowCount(); ++row) {
            if (model.index(row, 0).data().toString() == name) {
                selection.select(model.index(row, 0),
                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
            }
        }
        ASSERT_EQ(selection.selectedRows().size(), 1);
    }
    // The item as the context menu offers it for the selection.
    QAction& item()
    {
        QMenu& menu = *window_->localPanel()->controller().PopupMenu1();
        emit menu.aboutToShow();
        return *menu.findChild<QAction*>(QStringLiteral("UploadAndRun1"));
    }
    void ctrlR()
    {
        QApplication::setActiveWindow(window_.get());
        localList().setFocus();
        QTest::keyClick(&localList(), Qt::Key_R, Qt::ControlModifier);
    }
    QString pane() { return window_->meoDos()->toPlainText(); }
    bool paneShows(const QString& text, int times = 1)
    {
        return test::RunEventsUntil([&] { return pane().count(text) >= times; });
    }

    test::RecordingPrompts prompts_;
    ScopedPrompts scopedPrompts_{prompts_};
};

TEST_F(UploadAndRunWindow, CopiesTheProgramAndRunsItWhereItWentWithItsOutputInThePane)
{
    writePc("COUNT.EXE", sim::ProgramImage(sim::CounterProgramTag(20, 3), 2000));
    writePc("README.TXT", "text");
    // A program of the same name where the console will stand: it must not be the one run.
    ASSERT_TRUE(sim().fileSystem().writeFile("D:\\COUNT.EXE", "MZ"));
    QComboBox& ports = *window_->devicePanel()->cbxCOM();
    ports.setCurrentIndex(0);
    emit ports.activated(0);
    window_->deviceController()->browser().choosePath("\\BIN");
    ASSERT_EQ(sim().fileSystem().changeDirectory("D:\\"), sim::FsError::None);

    selectPc(QStringLiteral("COUNT.EXE"));
    ASSERT_TRUE(item().isEnabled());
    item().trigger();
    EXPECT_TRUE(prompts_.boxes.isEmpty()) << prompts_.boxes.join("\n").toStdString();
    EXPECT_TRUE(window_->terminal()->IsOn());
    ASSERT_TRUE(paneShows(QStringLiteral("COUNT.EXE finished")));
    EXPECT_TRUE(pane().contains(QStringLiteral("Counter 1\nCounter 2\nCounter 3\n")));
    EXPECT_FALSE(pane().contains(QStringLiteral("has run"))) << "the root's program ran";
    EXPECT_EQ(sim().fileSystem().readFile("D:\\BIN\\COUNT.EXE")->substr(0, 2), "MZ");

    // With the terminal on, Ctrl+R in the list: off for the copy, on again with the program.
    ctrlR();
    EXPECT_TRUE(window_->terminal()->IsOn());
    ASSERT_TRUE(paneShows(QStringLiteral("COUNT.EXE finished"), 2));

    // Not a program: greyed; the key copies it and starts nothing.
    window_->terminal()->tbtnDOSCmdClick();
    selectPc(QStringLiteral("README.TXT"));
    EXPECT_FALSE(item().isEnabled());
    ctrlR();
    EXPECT_TRUE(sim().fileSystem().exists("D:\\BIN\\README.TXT"));
    EXPECT_FALSE(window_->terminal()->IsOn());
    EXPECT_TRUE(prompts_.boxes.isEmpty()) << prompts_.boxes.join("\n").toStdString();
}

TEST_F(UploadAndRunWindow, AStartWhoseEnterWasNotEchoedShowsTheProgramInTheTerminal)
{
    // The program may be running: no error box, no erase typed into it; the terminal shows it.
    writePc("COUNT.EXE", sim::ProgramImage(sim::CounterProgramTag(20, 3), 2000));
    QComboBox& ports = *window_->devicePanel()->cbxCOM();
    ports.setCurrentIndex(0);
    emit ports.activated(0);
    sim().faults().noProgramEnterEcho = true;

    selectPc(QStringLiteral("COUNT.EXE"));
    item().trigger();
    EXPECT_TRUE(prompts_.boxes.isEmpty()) << prompts_.boxes.join("\n").toStdString();
    EXPECT_TRUE(window_->terminal()->IsOn());
    ASSERT_TRUE(paneShows(QStringLiteral("COUNT.EXE finished")));
    EXPECT_TRUE(pane().contains(QStringLiteral("'COUNT.EXE' may be running")))
        << pane().toStdString();
}

} // namespace
} // namespace kora
