// Saves pictures of the run dialog, the About box and the application icon, to look at them:
//   xvfb-run -a -s "-screen 0 1280x1024x24" launcher_screenshot OUTPUT_FOLDER
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

#include "app/ApplicationIcon.h"
#include "app/KoraAboutDialog.h"
#include "app/KoraRunDialog.h"

namespace {

bool Save(QDialog& dialog, const QString& path)
{
    dialog.show();
    QEventLoop settle;
    QTimer::singleShot(300, &settle, &QEventLoop::quit);
    settle.exec();
    return dialog.grab().save(path);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    kora::TdlgKoraRun run;
    kora::TdlgKoraAbout about;
    const bool saved = Save(run, out.filePath("run-dialog.png")) &&
                       Save(about, out.filePath("about-box.png")) &&
                       kora::ApplicationIcon().pixmap(256, 256).save(out.filePath("icon.png"));
    if (!saved) {
        std::fprintf(stderr, "cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
