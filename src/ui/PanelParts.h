#pragma once

#include <QString>

#include <array>

#include "ui/ThemeIcons.h"

class QButtonGroup;
class QLabel;
class QToolBar;
class QToolButton;
class QWidget;

namespace kora {

// Pieces the two file panels of the main window share.

// The blue, centred title above a panel.
QLabel* MakePanelTitle(const QString& objectName, const QString& caption, QWidget* parent);

// A tool bar for a panel: small icons, no moving or floating.
QToolBar* MakePanelToolBar(const QString& objectName, QWidget* parent);

// A tool button on the bar; its hint is the tool tip (and status tip).
QToolButton* AddToolButton(QToolBar& bar, const QString& objectName, const QString& hint,
                           ToolIcon icon);

// The four grouped view-style buttons, in the order large icons, small icons, list, report.
// Names are prefix + "LgIcon", "SmIcon", "LsIcon", "DtIcon"; exactly one is pressed at a time.
struct ViewStyleButtons {
    std::array<QToolButton*, 4> buttons{};
    QButtonGroup* group = nullptr;
};
ViewStyleButtons AddViewStyleButtons(QToolBar& bar, const QString& namePrefix);

} // namespace kora
