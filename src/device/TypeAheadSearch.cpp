#include "device/TypeAheadSearch.h"

#include <algorithm>

#include "device/DeviceSort.h"

namespace kora {

std::optional<std::size_t> TypeAheadSearch::type(const QString& typed,
                                                 std::optional<std::size_t> currentRow,
                                                 const DeviceEntries& entries)
{
    // Keys such as Backspace or Escape also come with a text; they are no part of a name.
    if (typed.isEmpty() ||
        !std::all_of(typed.begin(), typed.end(), [](QChar c) { return c.isPrint(); })) {
        return std::nullopt;
    }
    const bool continues =
        sinceLastKey_.isValid() && sinceLastKey_.elapsed() < static_cast<qint64>(intervalMs_);
    sinceLastKey_.restart();
    // Names are the controller's single bytes; a character outside Latin-1 matches nothing.
    const QByteArray bytes = typed.toLatin1();
    const std::string added(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    text_ = continues ? text_ + added : added;

    if (entries.empty()) {
        return std::nullopt;
    }
    std::size_t start = 0;
    if (currentRow && *currentRow < entries.size()) {
        start = continues ? *currentRow : *currentRow + 1;
        if (start >= entries.size()) {
            start = 0;
        }
    }
    return FindDeviceEntry(entries, text_, start, true);
}

} // namespace kora
