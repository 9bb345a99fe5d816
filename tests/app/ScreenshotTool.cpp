// Saves a picture of the main window as it looks after start-up, for the project's docs:
//   xvfb-run -a -s "-screen 0 1280x800x24" app_screenshot docs/screenshot.png
#include <QApplication>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>

#include <cstdio>

#include "app/MainWindow.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    kora::TfrmMain window;
    window.FormCreate();
    // Without a window manager nothing maximises the window, so give it the screen.
    window.setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    window.showMaximized();
    QEventLoop settle;
    QTimer::singleShot(1500, &settle, &QEventLoop::quit);
    settle.exec();
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
