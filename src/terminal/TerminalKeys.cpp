#include "terminal/TerminalKeys.h"

#include "terminal/TerminalText.h"

namespace kora {

namespace {
constexpr std::uint8_t kEscape = 27;

constexpr SpecialKeySequence Csi(char final)
{
    return {kEscape, '[', std::uint8_t(final)};
}
constexpr SpecialKeySequence Ss3(char final)
{
    return {kEscape, 'O', std::uint8_t(final)};
}
} // namespace

std::optional<SpecialKeySequence> SpecialKeyBytes(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Up:
        return Csi('A');
    case Qt::Key_Down:
        return Csi('B');
    case Qt::Key_Right:
        return Csi('C');
    case Qt::Key_Left:
        return Csi('D');
    case Qt::Key_F1:
        return Ss3('P');
    case Qt::Key_F2:
        return Ss3('Q');
    case Qt::Key_F3:
        return Ss3('R');
    case Qt::Key_F4:
        return Ss3('S');
    default:
        return std::nullopt;
    }
}

std::optional<std::uint8_t> KeystrokeByte(int qtKey, Qt::KeyboardModifiers modifiers,
                                          const QString& text)
{
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Escape:
        return kEscape;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Delete:
        return std::nullopt; // an editing key, not a character, whatever text X11 gives it
    default:
        break;
    }
    if (modifiers & Qt::AltModifier) {
        return std::nullopt; // menu accelerators, not typing
    }
    // Platforms differ in the text they give Ctrl+letter; the console wants the control code.
    if ((modifiers & Qt::ControlModifier) && qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
        return static_cast<std::uint8_t>(qtKey - Qt::Key_A + 1);
    }
    if (text.isEmpty()) {
        return std::nullopt;
    }
    const std::string bytes = ToTerminalBytes(text);
    return static_cast<std::uint8_t>(bytes.front());
}

} // namespace kora
