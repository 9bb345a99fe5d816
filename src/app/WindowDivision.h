#pragma once

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

} // namespace kora
