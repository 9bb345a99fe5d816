#include "app/WindowDivision.h"

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

} // namespace kora
