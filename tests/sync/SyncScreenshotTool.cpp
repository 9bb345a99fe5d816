// Pictures of "Synchronise with KORA-7740P" on the simulator at the line rate, for the project's
// docs: the plan of a sync after a change on each side, the transfer dialog sending it, and
// the plan of a second sync with nothing to do. Under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x1024x24" sync_screenshot OUT_PREFIX
// writes OUT_PREFIX-plan.png, OUT_PREFIX-screen.png, OUT_PREFIX-transfer.png and
// OUT_PREFIX-nothing.png.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

#include "app/MainWindow.h"
#include "device/DeviceBrowser.h"
#include "device/DevicePanel.h"
#include "device/DevicePanelController.h"
#include "local/LocalPanel.h"
#include "support/EventLoop.h"
#include "support/SimFixture.h"
#include "sync/KoraSyncDialog.h"
#include "transfer/KoraTranDialog.h"

namespace {

void WriteFile(const std::filesystem::path& path, std::size_t size, int seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i * 7 + static_cast<std::size_t>(seed));
    }
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(size));
}

// The local panel's menu on the folder's row, and its Synchronise item triggered; `answer`
// gets each plan dialog, `sending` each transfer dialog while it sends.
void Synchronise(kora::TfrmMain& window, const std::filesystem::path& parent,
                 const std::function<void(kora::TdlgKoraSync&)>& answer,
                 const std::function<void(kora::TdlgKoraTran&)>& sending)
{
    kora::LocalPanel& local = *window.localPanel();
    local.controller().ShowLocalPath(parent.string());
    QTreeView& list = *local.reportView();
    for (int row = 0; row < list.model()->rowCount(); ++row) {
        if (list.model()->index(row, 0).data().toString() == "Project") {
            list.selectionModel()->select(list.model()->index(row, 0),
                                          QItemSelectionModel::ClearAndSelect |
                                              QItemSelectionModel::Rows);
        }
    }
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* plan = qobject_cast<kora::TdlgKoraSync*>(modal)) {
            kora::test::RunEventsFor(std::chrono::milliseconds(200));
            answer(*plan);
        } else if (auto* transfer = qobject_cast<kora::TdlgKoraTran*>(modal)) {
            sending(*transfer);
        }
    });
    watch.start(50);
    QMenu& menu = *local.controller().PopupMenu1();
    emit menu.aboutToShow();
    menu.findChild<QAction*>(QStringLiteral("Synchronise1"))->trigger();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_PREFIX\n", argv[0]);
        return 2;
    }
    const QString prefix = QString::fromLocal8Bit(argv[1]);
    const std::unique_ptr<kora::test::SimRunner> simulator = kora::test::StartPacedSimulator();
    if (!simulator) {
        return 1;
    }
    const auto pc = simulator->tempDir().path();
    ::setenv("XDG_STATE_HOME", (pc / "state").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (pc / "config").c_str(), 1);
    const auto project = pc / "Project";
    std::filesystem::create_directories(project / "cfg");
    WriteFile(project / "CONTROL.EXE", 9000, 1);
    WriteFile(project / "PARAMS.DAT", 1500, 2);
    WriteFile(project / "AUTORUN.BAT", 40, 3);
    WriteFile(project / "cfg" / "PLANT.INI", 600, 4);
    WriteFile(project / "cfg" / "LIMITS.INI", 300, 5);
    kora::sim::DosFileSystem& drive = simulator->sim().fileSystem();
    drive.makeDirectory("D:\\SITE");
    drive.writeFileChecked("D:\\SITE\\OLDTEST.EXE", std::string(2000, 'x'));

    kora::TfrmMain window;
    window.FormCreate();
    window.setGeometry(
        QGuiApplication::primaryScreen()->availableGeometry().adjusted(0, 0, 0, -200));
    window.show();
    kora::test::RunEventsFor(std::chrono::milliseconds(300));
    QComboBox& ports = *window.devicePanel()->cbxCOM();
    ports.setCurrentIndex(0);
    emit ports.activated(0);
    window.deviceController()->browser().choosePath("\\SITE");

    // The first sync, to have a record; then a change on each side.
    Synchronise(
        window, pc, [](kora::TdlgKoraSync& plan) { plan.btnSync()->click(); },
        [](kora::TdlgKoraTran&) {});
    WriteFile(project / "PARAMS.DAT", 1500, 9);
    drive.writeFileChecked("D:\\SITE\\CFG\\PLANT.INI", std::string(900, 'p'));

    bool planTaken = false;
    bool transferTaken = false;
    Synchronise(
        window, pc,
        [&](kora::TdlgKoraSync& plan) {
            if (!planTaken) {
                planTaken = true;
                plan.grab().save(prefix + "-plan.png");
                QGuiApplication::primaryScreen()->grabWindow(0).save(prefix + "-screen.png");
            }
            plan.btnSync()->click();
        },
        [&](kora::TdlgKoraTran& transfer) {
            if (!transferTaken && transfer.ProgressBar1()->value() >= 40) {
                transferTaken = true;
                transfer.grab().save(prefix + "-transfer.png");
            }
        });

    bool nothingTaken = false;
    Synchronise(
        window, pc,
        [&](kora::TdlgKoraSync& plan) {
            nothingTaken = true;
            plan.grab().save(prefix + "-nothing.png");
            plan.btnCancel()->click();
        },
        [](kora::TdlgKoraTran&) {});
    return planTaken && transferTaken && nothingTaken ? 0 : 1;
}
