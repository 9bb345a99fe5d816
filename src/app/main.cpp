#include <QApplication>
#include <QMessageBox>

#include <exception>

#include "app/ApplicationIcon.h"
#include "app/MainWindow.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("VELMORACK"));
    QApplication::setApplicationName(QStringLiteral("KORA-7740P Utility"));
    // The installed desktop entry, which lets the desktop match the window to its launcher.
    QGuiApplication::setDesktopFileName(QStringLiteral("kora7740p-utility"));
    QApplication::setWindowIcon(kora::ApplicationIcon());
    try {
        kora::TfrmMain window;
        window.FormCreate();
        window.showMaximized();
        return QApplication::exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QStringLiteral("KORA-7740P Utility"),
                              QString::fromLocal8Bit(error.what()));
        return 1;
    }
}
