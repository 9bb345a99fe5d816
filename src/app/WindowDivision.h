#pragma once

#include <QSize>

class QSplitter;
class QWidget;

namespace kora {

// How the main window shares its space when it is first shown: the local and device panels
// start equally wide on either side of the button column and its two splitters, and the
// terminal pane takes a third of the window's height.
struct WindowDivision {
    int localPanelWidth = 0;
    int terminalPaneHeight = 0;
};

// Widths and heights in pixels; the divisions are truncated. Never negative.
WindowDivision DivideWindowSpace(int windowWidth, int windowHeight, int buttonColumnWidth,
                                 int splitterWidth);

// Gives the upper splitter's local panel, button column and device panel, and the client
// splitter's upper area and terminal pane, their sizes for a window of this size.
// Three quarters of the desktop's width and height, in its middle.
void CentreOnDesktop(QWidget& window);

void DivideWindow(QSplitter& upper, QSplitter& client, QSize window, int buttonColumnWidth,
                  int splitterWidth);

} // namespace kora
