#pragma once

#include <QIcon>

namespace kora {

// The pictures on the tool buttons. They are drawn here rather than taken from the desktop's
// icon theme, so the buttons read the same on a bare X server, under a window manager without
// a theme and in tests.
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

// The icon for one button, with pixmaps for the usual tool-bar sizes.
QIcon MakeToolIcon(ToolIcon kind);

} // namespace kora
