#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/DosFileSystem.h"

namespace kora::sim {

// The controller's directory listing in its fixed columns (counted from 1):
//   1-8 name, 10-12 extension, 14-18 "<DIR>", 20-26 size right-aligned ending in column 26
//   (a longer figure runs leftwards), 28-43 date and time "05-31-03   6:22a".
// Lines are returned without their CR LF.

// 1234567 -> "1,234,567".
std::string WithThousands(std::uint64_t value);
// "05-31-03   6:22a"
std::string FormatDateColumn(const DosDateTime& when);
std::string FormatEntryLine(const DosEntry& entry);
// "." or ".." of a sub-directory, stamped with the directory's own date.
std::string FormatDotLine(const std::string& dots, const DosDateTime& when);
// "        3 file(s)      1,234 bytes": kept below 41 characters, so that with its CR LF it
// stays shorter than a listing line and is never taken for an entry.
std::string FormatFileCountLine(std::uint64_t files, std::uint64_t bytes);
// "                     1,234,567 bytes free"
std::string FormatBytesFreeLine(std::uint64_t bytes);

struct ListingOptions {
    bool recursive = false; // "dir/s"
};

// The complete output of "dir" (or "dir/s") for a path, as lines without line ends; a path
// that names nothing gives {"File not found"}.
std::vector<std::string> ListDirectory(const DosFileSystem& fs, const std::string& path,
                                       const ListingOptions& options);

} // namespace kora::sim
