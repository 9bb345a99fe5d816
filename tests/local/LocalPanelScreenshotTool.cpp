// Saves a picture of the local panel, for looking at it and for the project's docs:
//   xvfb-run -a -s "-screen 0 1280x1024x24" localpanel_screenshot OUT.png [STYLE [PATH]]
// STYLE 0..3 picks large icons, small icons, list or report (the default); "menu" shows the
// report view with the context menu opened on its first row, "blankmenu" with the first row
// selected and the menu opened below the rows (pictures of the whole screen).
// PATH is the folder to show ("Computer" when left out).
#include <QApplication>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QFile>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "local/LocalPanel.h"
#include "support/EventLoop.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: %s OUTPUT.png [STYLE [PATH]]\n", argv[0]);
        return 2;
    }
    kora::LocalPanel panel;
    panel.resize(560, 480);
    panel.show();
    if (argc == 4) {
        panel.controller().ShowLocalPath(argv[3]);
    } else {
        panel.ShowDrivesFolder();
    }
    const bool blank = argc >= 3 && QByteArray(argv[2]) == "blankmenu";
    const bool menu = blank || (argc >= 3 && QByteArray(argv[2]) == "menu");
    if (argc >= 3 && !menu) {
        panel.setViewStyle(static_cast<kora::FileViewStyle>(std::clamp(std::atoi(argv[2]), 0, 3)));
    }
    kora::test::RunEventsFor(std::chrono::milliseconds(500));
    QPixmap picture = panel.grab();
    if (menu) {
        QTreeView& list = *panel.reportView();
        const QPoint first = list.visualRect(list.model()->index(0, 0)).center();
        list.setCurrentIndex(list.model()->index(0, 0));
        const QPoint at = blank ? QPoint(first.x(), list.viewport()->height() - 20) : first;
        // As a right click arrives: the menu event from the mouse, on the press.
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, list.viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(list.viewport(), &click);
        kora::test::RunEventsFor(std::chrono::milliseconds(500));
        picture = QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, 700, 560);
    }
    if (!picture.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
