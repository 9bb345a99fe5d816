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

QString TypeAheadSearch::decode(std::string_view bytes, NameBytes names)
{
    const auto size = static_cast<qsizetype>(bytes.size());
    return names == NameBytes::Latin1 ? QString::fromLatin1(bytes.data(), size)
                                      : QString::fromUtf8(bytes.data(), size);
}

std::string TypeAheadSearch::encode(const QString& text, NameBytes names)
{
    return (names == NameBytes::Latin1 ? text.toLatin1() : text.toUtf8()).toStdString();
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
    const std::string added = encode(typed, names_);
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
