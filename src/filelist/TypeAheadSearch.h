#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "filelist/FolderEntry.h"

namespace kora {

// Visits each entry once from start up to the last one and, when wrap is set, on from the
// first entry up to just before start. Returns the first entry whose name begins with the
// text, ASCII letters compared without regard to case.
std::optional<std::size_t> FindEntryByPrefix(const FolderEntries& entries, std::string_view text,
                                             std::size_t start, bool wrap);

// Type-ahead in a file list: characters typed in quick succession make one search text,
// and the list jumps to the first entry whose name begins with it (upper-cased on both sides),
// searching from the current row on and wrapping round. A new search starts one row past the
// current one, so typing the same first letter again steps through the entries that share it.
class TypeAheadSearch {
public:
    // How the entries' names are stored: the controller's single bytes, or UTF-8 (PC files).
    enum class NameBytes { Latin1, Utf8 };

    // Typed characters belong to the same search while they come less than `intervalMs` apart.
    explicit TypeAheadSearch(int intervalMs, NameBytes names = NameBytes::Latin1)
        : intervalMs_(intervalMs), names_(names)
    {
    }

    // Adds the typed characters and returns the row to go to, if any entry matches.
    std::optional<std::size_t> type(const QString& typed, std::optional<std::size_t> currentRow,
                                    const FolderEntries& entries);

    // The search text so far, in the entries' byte form.
    const std::string& text() const { return text_; }

    // A name or text in the panel's byte form and back. Latin-1 shows each of the controller's
    // bytes as itself; a character outside it has no byte there.
    static QString decode(std::string_view bytes, NameBytes names);
    static std::string encode(const QString& text, NameBytes names);

private:
    int intervalMs_;
    NameBytes names_;
    QElapsedTimer sinceLastKey_;
    std::string text_;
};

} // namespace kora
