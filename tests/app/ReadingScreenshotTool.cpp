// Pictures of what a user reads in the window at its first size, in the light or the dark
// palette under Fusion, against the simulator at the line rate:
//   xvfb-run -a -s "-screen 0 1280x1024x24" reading_screenshot light|dark OUT_PREFIX
// writes OUT_PREFIX-computer.png (the local list at "Computer"), -longname.png (a folder with a
// name of 48 characters, its tool tip shown), -ports.png (the port box open with a port that
// went away), -dialog.png (the transfer dialog during a copy) and -failure.png (the box of a
// failed upload). It prints the contrast of the dialog's fields and the gone port's accessible
// description.
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>
#include <QToolTip>
#include <QTreeView>

#include <cstdio>
#include <fstream>
#include <string>

#include "app/MainWindow.h"
#include "device/DevicePanel.h"
#include "local/LocalPanel.h"
#include "local/LocalPanelController.h"
#include "sim/XmodemReceiver.h"
#include "support/EventLoop.h"
#include "support/Palettes.h"
#include "support/PtyPair.h"
#include "support/SimFixture.h"
#include "transfer/KoraTranDialog.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

void WriteFile(const fs::path& path, std::size_t size)
{
    std::ofstream(path, std::ios::binary) << std::string(size, 'k');
}

void SaveScreen(const QString& path)
{
    QGuiApplication::primaryScreen()->grabWindow(0).save(path);
}

// Selects the rows of these names in the local list.
void SelectLocal(QTreeView& list, const QStringList& names)
{
    QItemSelectionModel& selection = *list.selectionModel();
    selection.clearSelection();
    for (int row = 0; row < list.model()->rowCount(); ++row) {
        if (names.contains(list.model()->index(row, 0).data().toString())) {
            selection.select(list.model()->index(row, 0),
                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 3 || (QByteArray(argv[1]) != "light" && QByteArray(argv[1]) != "dark")) {
        std::fprintf(stderr, "usage: %s light|dark OUTPUT_PREFIX\n", argv[0]);
        return 2;
    }
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(QByteArray(argv[1]) == "dark" ? kora::test::DarkPalette()
                                                           : kora::test::LightPalette());
    const QString prefix = QString::fromLocal8Bit(argv[2]);

    const std::unique_ptr<kora::test::SimRunner> simulator = kora::test::StartPacedSimulator();
    if (!simulator) {
        return 1;
    }
    // The receiver gives up on the second block of W.BIN only.
    auto tool = std::make_shared<kora::sim::TransferToolOptions>();
    kora::sim::RegisterTransferCommand(simulator->sim(), tool);
    // A second port, unplugged once the window has started.
    kora::test::PtyPair adapter;
    const fs::path unplugged = simulator->portsFolder() / "COM3";
    fs::create_symlink(adapter.slavePath(), unplugged);

    const fs::path folder = simulator->tempDir().path() / "Press line 4";
    fs::create_directories(folder);
    WriteFile(folder / "Measurements of line 4, press 2 - 2026-12-08.txt", 5200);
    WriteFile(folder / "CONTROL.EXE", 20 * 1024);
    WriteFile(folder / "W.BIN", 300);
    WriteFile(folder / "readme.txt", 900);

    kora::TfrmMain window; // at its first size: three quarters of the screen
    window.FormCreate();
    window.show();
    kora::test::RunEventsFor(500ms);
    window.grab().save(prefix + "-computer.png");

    kora::LocalPanel& local = *window.localPanel();
    QTreeView& list = *local.reportView();
    local.controller().ShowLocalPath(folder.string());
    kora::test::RunEventsFor(300ms);
    for (int row = 0; row < list.model()->rowCount(); ++row) {
        const QModelIndex name = list.model()->index(row, 0);
        if (name.data().toString().size() == 48) {
            const QRect cell = list.visualRect(name);
            QToolTip::showText(list.viewport()->mapToGlobal(cell.center()),
                               name.data(Qt::ToolTipRole).toString(), list.viewport());
        }
    }
    kora::test::RunEventsFor(400ms);
    SaveScreen(prefix + "-longname.png");
    QToolTip::hideText();

    QComboBox& ports = *window.devicePanel()->cbxCOM();
    ports.setCurrentIndex(0);
    emit ports.activated(0);
    fs::remove(unplugged);
    kora::test::RunEventsFor(800ms);
    ports.showPopup();
    kora::test::RunEventsFor(300ms);
    SaveScreen(prefix + "-ports.png");
    for (int row = 0; row < ports.count(); ++row) {
        QAccessibleInterface* item =
            QAccessible::queryAccessibleInterface(ports.view())->tableInterface()->cellAt(row, 0);
        std::printf("port %s: description \"%s\"\n", qPrintable(ports.itemText(row)),
                    qPrintable(item->text(QAccessible::Description)));
    }
    ports.hidePopup();

    bool dialogTaken = false;
    bool failureTaken = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal); box != nullptr && !failureTaken) {
            failureTaken = true;
            kora::test::RunEventsFor(200ms);
            SaveScreen(prefix + "-failure.png");
            std::printf("box: %s\n", qPrintable(box->text()));
            box->accept();
            return;
        }
        auto* dialog = qobject_cast<kora::TdlgKoraTran*>(modal);
        if (dialogTaken || dialog == nullptr || dialog->ProgressBar1()->value() < 40) {
            return;
        }
        dialogTaken = true;
        dialog->grab().save(prefix + "-dialog.png");
        for (QLineEdit* field : {dialog->edtName(), dialog->edtCount()}) {
            const QPalette& drawn = field->palette();
            const auto group = field->isEnabled() ? QPalette::Active : QPalette::Disabled;
            std::printf("%s: contrast %.1f:1, read-only %d\n", qPrintable(field->objectName()),
                        kora::test::ContrastRatio(drawn.color(group, field->foregroundRole()),
                                                  drawn.color(group, field->backgroundRole())),
                        field->isReadOnly() ? 1 : 0);
        }
    });
    watch.start(50);
    SelectLocal(list, {QStringLiteral("CONTROL.EXE")});
    window.btnCopy()->click();
    tool->cancelAtBlock = 2;
    SelectLocal(list, {QStringLiteral("W.BIN")});
    window.btnCopy()->click();
    kora::test::RunEventsFor(300ms);
    return dialogTaken && failureTaken ? 0 : 1;
}
