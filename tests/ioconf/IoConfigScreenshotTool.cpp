// Saves pictures of the I/O configuration dialog. Under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x1024x24" ioconf_screenshot OUT-PREFIX
// writes OUT-PREFIX0.png to OUT-PREFIX3.png, one per page: a high-speed input with a box per
// channel, a thermocouple module with one list for all, a digital module without a channel
// area and an analog output with four boxes.
//   KORA_PORT_DIR=DIR xvfb-run ... ioconf_screenshot OUT-PREFIX --live
// runs "Config KORA" in the main window against a simulator published as COM1 in DIR: saves
// the dialog as read (OUT-PREFIX-dialog.png), sets slot 0's first box to its second entry,
// confirms, and saves the window after the cycle (OUT-PREFIX-window.png).
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <cstdio>
#include <cstring>

#include "app/MainWindow.h"
#include "device/DevicePanel.h"
#include "ioconf/KoraIOConfDialog.h"
#include "support/EventLoop.h"

namespace {

bool Save(QWidget& widget, const QString& file)
{
    if (!widget.grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    return true;
}

int Pages(const QString& prefix)
{
    kora::TdlgKoraIOConf dialog;
    dialog.Config.NodeID = 26;
    dialog.Config.SlotConfig[0] = {12, 8, {0, 1, 2, 3, 10, 11, 8, -1}};
    dialog.Config.SlotConfig[1] = {5, 7, {16, 16, 16, 16, 16, 16, 16, -1}};
    dialog.Config.SlotConfig[2] = {16, 16, {-1, -1, -1, -1, -1, -1, -1, -1}};
    dialog.Config.SlotConfig[3] = {24, 4, {48, 49, 50, 48, -1, -1, -1, -1}};
    dialog.show();
    for (int page = 0; page < 4; ++page) {
        dialog.pagectrlSlot()->setCurrentIndex(page);
        kora::test::RunEventsFor(std::chrono::milliseconds(300));
        if (!Save(dialog, prefix + QString::number(page) + ".png")) {
            return 1;
        }
    }
    return 0;
}

int Live(const QString& prefix)
{
    kora::TfrmMain window;
    window.FormCreate();
    window.setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    window.show();
    kora::test::RunEventsFor(std::chrono::milliseconds(500));
    bool saved = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<kora::TdlgKoraIOConf*>(QApplication::activeModalWidget());
        if (!dialog) {
            return;
        }
        answer.stop();
        kora::test::RunEventsFor(std::chrono::milliseconds(300));
        saved = Save(*dialog, prefix + "-dialog.png");
        dialog->rangeBox(0, 0)->setCurrentIndex(1);
        dialog->btnOK()->click();
    });
    answer.start(50);
    window.devicePanel()->tbtnKoraConf()->click();
    kora::test::RunEventsFor(std::chrono::milliseconds(300));
    return saved && Save(window, prefix + "-window.png") ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2 || argc > 3 || (argc == 3 && std::strcmp(argv[2], "--live") != 0)) {
        std::fprintf(stderr, "usage: %s OUTPUT-PREFIX [--live]\n", argv[0]);
        return 2;
    }
    const QString prefix = QString::fromLocal8Bit(argv[1]);
    return argc == 3 ? Live(prefix) : Pages(prefix);
}
