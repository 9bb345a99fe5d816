#pragma once

#include <QString>

#include <optional>
#include <string>

namespace kora {

// Text the user types or pastes as the bytes the controller gets: one byte per character,
// Latin-1, "?" for a character the controller's single-byte console cannot show.
std::string ToTerminalBytes(const QString& text);

// The most the pane's "Copy" puts on the clipboard.
inline constexpr int kCopyLimit = 1024;

// Why a selection cannot be copied ("The selected text exceeds 1024 bytes!"), or nothing when
// it can.
std::optional<QString> CopyRefusal(const QString& selection);

} // namespace kora
