// "Synchronise with KORA-7740P" in the main window on the simulator: the plan dialog, the
// uploads through the transfer dialog, the refresh, and a second sync with nothing to do.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <memory>

#include "device/DeviceBrowser.h"
#include "device/DevicePanel.h"
#include "device/DevicePanelController.h"
#include "local/LocalPanel.h"
#include "support/ModalAnswer.h"
#include "support/RecordingPrompts.h"
#include "support/WindowSimFixture.h"
#include "sync/KoraSyncDialog.h"
#include "transfer/KoraTranDialog.h"

namespace kora {
namespace {

namespace fs = std::filesystem;

// The rows of a group of the plan ("To upload (2)": its items' first column).
QStringList Group(const TdlgKoraSync& dialog, const QString& title)
{
    QStringList rows;
    QTreeWidget& tree = *dialog.tvPlan();
    for (int i = 0; i < tree.topLevelItemCount(); ++i) {
        QTreeWidgetItem* group = tree.topLevelItem(i);
        if (group->text(0).startsWith(title + " (")) {
            for (int row = 0; row < group->childCount(); ++row) {
                rows << group->child(row)->text(0) + " " + group->child(row)->text(2);
            }
        }
    }
    return rows;
}

class SyncWindowTest : public test::WindowSimFixture {
protected:
    void SetUp() override
    {
        test::WindowSimFixture::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        state_ =
            std::make_unique<test::ScopedEnv>("XDG_STATE_HOME", (workDir() / "state").string());
        config_ =
            std::make_unique<test::ScopedEnv>("XDG_CONFIG_HOME", (workDir() / "config").string());
        fs::create_directories(pcFolder_ / "project" / "cfg");
        write("project/app.exe", std::string(700, 'a'));
        write("project/cfg/plant.ini", "speed=3\r\n");
    }
    void TearDown() override
    {
        config_.reset();
        state_.reset();
        test::WindowSimFixture::TearDown();
    }

    void write(const std::string& name, const std::string& bytes)
    {
        std::ofstream(pcFolder_ / name, std::ios::binary) << bytes;
    }

    DeviceBrowser& browser() { return window_->deviceController()->browser(); }

    // The device panel on the simulator's port, in the directory.
    void listDevice(const std::string& path)
    {
        QComboBox& ports = *window_->devicePanel()->cbxCOM();
        ports.setCurrentIndex(0);
        emit ports.activated(0);
        browser().choosePath(path);
        ASSERT_EQ(browser().DevicePath(), path);
    }

    // The local panel's menu opened on the row of the PC folder; its item, enabled or not.
    QAction* menuOnProject()
    {
        LocalPanel& local = *window_->localPanel();
        local.controller().ShowLocalPath(pcFolder_.string());
        QTreeView& list = *local.reportView();
        QItemSelectionModel& selection = *list.selectionModel();
        selection.clearSelection();
        for (int row = 0; row < list.model()->rowCount(); ++row) {
            if (list.model()->index(row, 0).data().toString() == "project") {
                selection.select(list.model()->index(row, 0),
                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
            }
        }
        QMenu& menu = *local.controller().PopupMenu1();
        emit menu.aboutToShow();
        return menu.findChild<QAction*>(QStringLiteral("Synchronise1"));
    }

    bool listed(const std::string& name)
    {
        for (const FolderEntry& entry : browser().entries()) {
            if (entry.name == name) {
                return true;
            }
        }
        return false;
    }

    test::RecordingPrompts prompts_;
    ScopedPrompts scopedPrompts_{prompts_};

private:
    std::unique_ptr<test::ScopedEnv> state_;
    std::unique_ptr<test::ScopedEnv> config_;
};

TEST_F(SyncWindowTest, ShowsThePlanUploadsThroughTheCopyDialogAndThenHasNothingToDo)
{
    sim().fileSystem().makeDirectory("D:\\SITE");
    sim().fileSystem().writeFileChecked("D:\\SITE\\OLD.TXT", "old");
    listDevice("\\SITE");

    QStringList uploads;
    QStringList deletions;
    test::ModalAnswer<TdlgKoraSync> plan([&](TdlgKoraSync& dialog) {
        uploads = Group(dialog, "To upload");
        deletions = Group(dialog, "Not in the PC folder, kept");
        dialog.chkDelete()->click();
        dialog.btnSync()->click();
    });
    int transfers = 0; // dialogs, each counted once
    test::ModalAnswer<TdlgKoraTran> transfer(
        [&](TdlgKoraTran& dialog) {
            if (!dialog.property("counted").toBool()) {
                dialog.setProperty("counted", true);
                ++transfers;
            }
        },
        test::AnswerTimes::Every);
    QAction* item = menuOnProject();
    ASSERT_NE(item, nullptr);
    ASSERT_TRUE(item->isEnabled());
    item->trigger();

    EXPECT_EQ(uploads, (QStringList{"D:\\SITE\\APP.EXE not on KORA-7740P",
                                    "D:\\SITE\\CFG\\PLANT.INI not on KORA-7740P"}));
    EXPECT_EQ(deletions, QStringList{"D:\\SITE\\OLD.TXT "});
    EXPECT_EQ(transfers, 1); // one transfer dialog for both folders
    EXPECT_EQ(sim().fileSystem().readFile("D:\\SITE\\CFG\\PLANT.INI").value_or("").substr(0, 9),
              "speed=3\r\n");
    EXPECT_FALSE(sim().fileSystem().exists("D:\\SITE\\OLD.TXT"));
    EXPECT_TRUE(listed("APP.EXE")); // the device panel was listed again
    EXPECT_FALSE(listed("OLD.TXT"));
    EXPECT_TRUE(prompts_.boxes.isEmpty()) << prompts_.boxes.join("|").toStdString();

    QString summary;
    bool canSync = true;
    test::ModalAnswer<TdlgKoraSync> again([&](TdlgKoraSync& dialog) {
        summary = dialog.lblSummary()->text();
        canSync = dialog.btnSync()->isEnabled();
        dialog.btnCancel()->click();
    });
    menuOnProject()->trigger();
    EXPECT_TRUE(summary.startsWith("Nothing to upload")) << summary.toStdString();
    EXPECT_FALSE(canSync);
    EXPECT_EQ(transfers, 1);
}

} // namespace
} // namespace kora
