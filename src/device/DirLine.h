#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "filelist/FolderEntry.h"

namespace kora {

// The classic fixed-column DOS listing, columns counted from 1: name 1-8, extension 10-12,
// "<DIR>" 14-18, size right-aligned ending in column 26 (with "," separators; a figure wider
// than columns 20-26 runs leftwards), date and time 28-43. Lines still carry their line end.
inline constexpr std::size_t kDirLineMinLength = 43;

// The drive's free space from the line that contains "bytes free".
struct FreeSpace {
    std::uint64_t bytes = 0; // 0 when the line holds no usable figure
    std::string text;        // "(" + the trimmed line + ")", for status panel 1
};

// What one listing line is: nothing, an entry, or the free-space line.
using DirLine = std::variant<std::monostate, FolderEntry, FreeSpace>;

// One "dir" output line. "." and "..", short lines and lines not in the listing's column
// shape (headers such as " Directory of D:\...", summaries) give nothing.
DirLine ParseDirLine(std::string_view line);

// One "dir/s" output line: a folder, a file with its size, or nothing.
struct TreeLine {
    enum class Kind { Nothing, Folder, File };
    Kind kind = Kind::Nothing;
    std::uint64_t size = 0;
};
TreeLine ParseTreeLine(std::string_view line);

// A size text with "," separators; anything but digits and commas gives 0.
std::uint64_t ParseSizeText(std::string_view text);

// Leading and trailing blanks and control characters removed.
std::string_view TrimListing(std::string_view text);

// True for a line laid out in the listing's columns: a name starting in column 1 and blanks
// where the layout separates name, extension and date (columns 9, 13 and 27). Headers and
// summaries start with a blank and never have this shape.
bool HasListingColumnShape(std::string_view line);

// The "." and ".." lines of a directory below the root.
bool IsDotsLine(std::string_view line);

// The summary a listing ends a directory with: "N file(s) M bytes".
struct ListingSummary {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};
// The summary in a line, if the line is one ("bytes free" lines are not).
std::optional<ListingSummary> ParseSummaryLine(std::string_view line);

// True for a line laid out as an entry whose fields the console cannot have printed so: a name
// or extension with characters a listing never shows (control characters, blanks inside,
// punctuation DOS refuses), a size that is not a figure, a date column with other characters
// than digits, "-", ":", blanks and "a"/"p". Line noise makes such lines; a listing that holds
// one is read again rather than shown.
// Also true for what is left of an entry line that noise cut or shifted out of the columns
// (a "<DIR>" or a listing date such as 05-31-03 in a line that is no entry): such a line would
// otherwise be passed over, and its entry lost without a word.
bool IsDamagedEntryLine(std::string_view line);

} // namespace kora
