#include "filelist/TypeAheadSearch.h"

#include <algorithm>

#include "filelist/ByteCompare.h"

namespace kora {

std::optional<std::size_t> FindEntryByPrefix(const FolderEntries& entries, std::string_view text,
                                             std::size_t start, bool wrap)
{
    const std::size_t count = entries.size();
    for (std::size_t row = start; row < count; ++row) {
        if (StartsWithIgnoringAsciiCase(entries.at(row).name, text)) {
            return row;
        }
    }
    if (wrap) {
        for (std::size_t row = 0; row < std::min(start, count); ++row) {
            if (StartsWithIgnoringAsciiCase(entries.at(row).name, text)) {
                return row;
            }
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> TypeAheadSearch::type(const QString& typed,
                                                 std::optional<std::size_t> currentRow,
                                                 const FolderEntries& entries)
{
    // Keys such as Backspace or Escape also come with a text; they are no part of a name.
    if (typed.isEmpty() ||
        !std::all_of(typed.begin(), typed.end(), [](QChar c) { return c.isPrint(); })) {
        return std::nullopt;
    }
    const bool continues =
        sinceLastKey_.isValid() && sinceLastKey_.elapsed() < static_cast<qint64>(intervalMs_);
    sinceLastKey_.restart();
    // On the controller a character outside Latin-1 matches nothing.
    const QByteArray bytes = names_ == NameBytes::Latin1 ? typed.toLatin1() : typed.toUtf8();
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
    return FindEntryByPrefix(entries, text_, start, true);
}

} // namespace kora
