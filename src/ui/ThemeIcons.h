#pragma once

#include <QIcon>

namespace kora {

// The pictures on the tool buttons and menu items of the window.
enum class ToolIcon {
    MoveUp,
    Refresh,
    LargeIcons,
    SmallIcons,
    ListView,
    ReportView,
    ConfigDevice,
    Terminal,
    OpenFolder,
    RunUtility,
    CopyToDevice,
};

// The desktop icon theme's picture for the button (freedesktop names, so it follows a dark
// theme and the screen's scale), or, where the theme has none or there is no theme at all, a
// scalable picture built into the program.
QIcon ThemeIcon(ToolIcon kind);

} // namespace kora
