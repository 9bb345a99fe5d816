// Saves a picture of the main window with the controller's D: drive listed, for the project's
// docs. Start the simulator first, publishing COM1 in a ports folder, then:
//   KORA_PORT_DIR=DIR xvfb-run -a -s "-screen 0 1280x800x24" devicepanel_screenshot OUT.png [STYLE]
// STYLE 0..3 picks large icons, small icons, list or report (the default).
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/MainWindow.h"
#include "device/DevicePanel.h"
#include "support/EventLoop.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT.png [STYLE]\n", argv[0]);
        return 2;
    }
    kora::TfrmMain window;
    window.FormCreate();
    // Without a window manager nothing maximises the window, so give it the screen.
    window.setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    window.showMaximized();
    kora::test::RunEventsFor(std::chrono::milliseconds(500));

    // The user picks the first port: its D: root is listed.
    QComboBox& ports = *window.devicePanel()->cbxCOM();
    if (ports.count() == 0) {
        std::fprintf(stderr, "no COM port found; is the simulator running?\n");
        return 1;
    }
    ports.setCurrentIndex(0);
    emit ports.activated(0);
    if (argc == 3) {
        window.devicePanel()->setViewStyle(
            static_cast<kora::FileViewStyle>(std::clamp(std::atoi(argv[2]), 0, 3)));
    }
    kora::test::RunEventsFor(std::chrono::milliseconds(1000));
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
