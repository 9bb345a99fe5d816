// Saves pictures of the I/O configuration dialog, one per page: a high-speed input with a box
// per channel, a thermocouple module with one list for all, a digital module without a channel
// area and an analog output with four boxes. Under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x1024x24" ioconf_screenshot OUT-PREFIX
// writes OUT-PREFIX0.png to OUT-PREFIX3.png.
#include <QApplication>
#include <QEventLoop>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

#include "ioconf/KoraIOConfDialog.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-PREFIX\n", argv[0]);
        return 2;
    }
    kora::TdlgKoraIOConf dialog;
    dialog.Config.NodeID = 26;
    dialog.Config.SlotConfig[0] = {12, 8, {0, 1, 2, 3, 10, 11, 8, -1}};
    dialog.Config.SlotConfig[1] = {5, 7, {16, 16, 16, 16, 16, 16, 16, -1}};
    dialog.Config.SlotConfig[2] = {16, 16, {-1, -1, -1, -1, -1, -1, -1, -1}};
    dialog.Config.SlotConfig[3] = {24, 4, {48, 49, 50, 48, -1, -1, -1, -1}};
    dialog.show();
    for (int page = 0; page < 4; ++page) {
        dialog.pagectrlSlot()->setCurrentIndex(page);
        QEventLoop settle;
        QTimer::singleShot(300, &settle, &QEventLoop::quit);
        settle.exec();
        const QString file = QString::fromLocal8Bit(argv[1]) + QString::number(page) + ".png";
        if (!dialog.grab().save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
