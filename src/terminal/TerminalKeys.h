#pragma once

#include <QString>
#include <Qt>

#include <array>
#include <cstdint>
#include <optional>

namespace kora {

// The three bytes a cursor key or F1 to F4 sends: the VT100 cursor-key and PF1 to PF4
// sequences the controller's console understands.
using SpecialKeySequence = std::array<std::uint8_t, 3>;

// ESC [ A to D for cursor up, down, right, left; ESC O P to S for F1 to F4; nothing for other
// keys, which are left to the character path or the pane.
std::optional<SpecialKeySequence> SpecialKeyBytes(int qtKey);

// The byte a typed key sends as a character: Enter 13, Backspace 8 (once), Escape 27, Tab 9,
// Ctrl+letter 1 to 26, otherwise the key's text as one byte (characters outside Latin-1 as
// "?"). Nothing for keys without a character (Shift, cursor keys, F-keys, Delete) and for Alt
// combinations.
std::optional<std::uint8_t> KeystrokeByte(int qtKey, Qt::KeyboardModifiers modifiers,
                                          const QString& text);

} // namespace kora
