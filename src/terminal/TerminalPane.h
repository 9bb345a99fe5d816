#pragma once

class QPlainTextEdit;
class QWidget;

namespace kora {

// meoDos, the pane across the bottom of the main window: the console's log between
// operations, the terminal's screen while it is on. Bold green Courier on the menu colour,
// read-only, no wrapping; its pop-up menu is the terminal's own.
QPlainTextEdit* MakeTerminalPane(QWidget* parent);

} // namespace kora
