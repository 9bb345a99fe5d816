// A picture of Upload and Run on the simulator at the real line rate: the local panel's menu
// with the item, then the main window with the program's output live in the terminal pane.
// Under Xvfb:
//   xvfb-run -a -s "-screen 0 1400x900x24" upload_and_run_screenshot OUT_PREFIX
// writes OUT_PREFIX-menu.png and OUT_PREFIX-running.png.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QTreeView>

#include <cstdio>
#include <fstream>
#include <string>

#include "app/MainWindow.h"
#include "device/DeviceBrowser.h"
#include "device/DevicePanel.h"
#include "device/DevicePanelController.h"
#include "local/LocalPanel.h"
#include "sim/SamplePrograms.h"
#include "support/EventLoop.h"
#include "support/SimFixture.h"

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
    const auto folder = simulator->tempDir().path() / "Programs";
    std::filesystem::create_directories(folder);
    const std::string program =
        kora::sim::ProgramImage(kora::sim::CounterProgramTag(250, 40), 16 * 1024);
    std::ofstream(folder / "CONTROL.EXE", std::ios::binary)
        .write(program.data(), std::streamsize(program.size()));
    std::ofstream(folder / "PARAMS.DAT") << "speed=3\n";

    kora::TfrmMain window;
    window.FormCreate();
    window.setGeometry(
        QGuiApplication::primaryScreen()->availableGeometry().adjusted(0, 0, 0, -100));
    window.show();
    kora::test::RunEventsFor(std::chrono::milliseconds(300));
    QComboBox& ports = *window.devicePanel()->cbxCOM();
    ports.setCurrentIndex(0);
    emit ports.activated(0);
    window.deviceController()->browser().choosePath("\\BIN");

    kora::LocalPanel& local = *window.localPanel();
    local.controller().ShowLocalPath(folder.string());
    QTreeView& list = *local.reportView();
    for (int row = 0; row < list.model()->rowCount(); ++row) {
        if (list.model()->index(row, 0).data().toString() == QStringLiteral("CONTROL.EXE")) {
            list.selectionModel()->select(list.model()->index(row, 0),
                                          QItemSelectionModel::ClearAndSelect |
                                              QItemSelectionModel::Rows);
        }
    }
    QMenu& menu = *local.controller().PopupMenu1();
    menu.popup(list.viewport()->mapToGlobal(QPoint(60, 30)));
    kora::test::RunEventsFor(std::chrono::milliseconds(400));
    QGuiApplication::primaryScreen()->grabWindow(0).save(prefix + "-menu.png");
    QAction* item = menu.findChild<QAction*>(QStringLiteral("UploadAndRun1"));
    const bool offered = item != nullptr && item->isEnabled();
    menu.hide();
    if (offered) {
        item->trigger();
    }
    kora::test::RunEventsFor(std::chrono::milliseconds(3000));
    QGuiApplication::primaryScreen()->grabWindow(0).save(prefix + "-running.png");
    const bool ran = window.meoDos()->toPlainText().contains(QStringLiteral("Counter 3"));
    return offered && ran ? 0 : 1;
}
