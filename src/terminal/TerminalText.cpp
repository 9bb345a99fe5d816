#include "terminal/TerminalText.h"

#include <QList>

namespace kora {

std::string ToTerminalBytes(const QString& text)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    // By code point, so a character outside the basic plane becomes one "?", not two.
    for (const uint codePoint : text.toUcs4()) {
        bytes.push_back(codePoint <= 0xFF ? static_cast<char>(codePoint) : '?');
    }
    return bytes;
}

std::optional<QString> CopyRefusal(const QString& selection)
{
    if (selection.size() > kCopyLimit) {
        return QStringLiteral("The selected text exceeds 1024 bytes!");
    }
    return std::nullopt;
}

} // namespace kora
