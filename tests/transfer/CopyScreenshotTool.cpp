// Pictures of a copy to the simulator at the real line rate, for the project's docs: the rename
// prompt for a name the controller cannot take, the transfer dialog while a file is on its way,
// the whole screen with it over the main window, and the main window afterwards with the files
// listed. Under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x1024x24" copy_screenshot OUT_PREFIX
// writes OUT_PREFIX-rename.png, OUT_PREFIX-dialog.png, OUT_PREFIX-screen.png and
// OUT_PREFIX-after.png.
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QItemSelectionModel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>

#include <cstdio>
#include <fstream>
#include <string>

#include "app/MainWindow.h"
#include "device/DevicePanel.h"
#include "device/KoraAskNameDialog.h"
#include "local/LocalPanel.h"
#include "support/EventLoop.h"
#include "support/SimFixture.h"
#include "transfer/KoraTranDialog.h"

namespace {

void WriteFile(const std::filesystem::path& path, std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i * 7);
    }
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(size));
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
    const auto folder = simulator->tempDir().path() / "Programs";
    std::filesystem::create_directories(folder);
    WriteFile(folder / "CONTROL.EXE", 20 * 1024);
    WriteFile(folder / "PARAMS.DAT", 3000);
    WriteFile(folder / "my-prog.exe", 1000);

    kora::TfrmMain window;
    window.FormCreate();
    window.setGeometry(
        QGuiApplication::primaryScreen()->availableGeometry().adjusted(0, 0, 0, -200));
    window.show();
    kora::test::RunEventsFor(std::chrono::milliseconds(300));
    QComboBox& ports = *window.devicePanel()->cbxCOM();
    ports.setCurrentIndex(0);
    emit ports.activated(0);

    kora::LocalPanel& local = *window.localPanel();
    local.controller().ShowLocalPath(folder.string());
    QItemSelectionModel& selection = *local.reportView()->selectionModel();
    for (int row = 0; row < local.reportView()->model()->rowCount(); ++row) {
        selection.select(local.reportView()->model()->index(row, 0),
                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    bool taken = false;
    bool renamed = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto* prompt = qobject_cast<kora::TdlgKoraAskName*>(QApplication::activeModalWidget());
            prompt != nullptr && !renamed) {
            renamed = true;
            prompt->setText(QStringLiteral("MYPROG.EXE"));
            kora::test::RunEventsFor(std::chrono::milliseconds(100));
            QGuiApplication::primaryScreen()->grabWindow(0).save(prefix + "-rename.png");
            prompt->OKBtn()->click();
            return;
        }
        auto* dialog = qobject_cast<kora::TdlgKoraTran*>(QApplication::activeModalWidget());
        if (taken || dialog == nullptr || dialog->ProgressBar1()->value() < 40) {
            return;
        }
        taken = true;
        dialog->grab().save(prefix + "-dialog.png");
        QGuiApplication::primaryScreen()->grabWindow(0).save(prefix + "-screen.png");
    });
    watch.start(50);
    window.btnCopy()->click();
    kora::test::RunEventsFor(std::chrono::milliseconds(500));
    window.grab().save(prefix + "-after.png");
    return taken && renamed ? 0 : 1;
}
