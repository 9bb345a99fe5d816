#include "app/WindowDivision.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>

#include <algorithm>

namespace kora {

WindowDivision DivideWindowSpace(int windowWidth, int windowHeight, int buttonColumnWidth,
                                 int splitterWidth)
{
    WindowDivision division;
    division.localPanelWidth =
        std::max(0, (windowWidth - buttonColumnWidth - 2 * splitterWidth) / 2);
    division.terminalPaneHeight = std::max(0, windowHeight / 3);
    return division;
}

void DivideWindow(QSplitter& upper, QSplitter& client, QSize window, int buttonColumnWidth,
                  int splitterWidth)
{
    const WindowDivision division =
        DivideWindowSpace(window.width(), window.height(), buttonColumnWidth, splitterWidth);
    const int deviceWidth = std::max(0, upper.width() - division.localPanelWidth -
                                            buttonColumnWidth - 2 * splitterWidth);
    upper.setSizes({division.localPanelWidth, buttonColumnWidth, deviceWidth});
    const int upperHeight =
        std::max(0, client.height() - division.terminalPaneHeight - splitterWidth);
    client.setSizes({upperHeight, division.terminalPaneHeight});
}

void CentreOnDesktop(QWidget& window)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->availableGeometry();
        window.resize(desktop.width() * 3 / 4, desktop.height() * 3 / 4);
        window.move(desktop.center() - window.rect().center());
    }
}

} // namespace kora
