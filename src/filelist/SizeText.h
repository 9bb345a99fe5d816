#pragma once

#include <cstdint>
#include <string>

#include "filelist/FolderEntry.h"

namespace kora {

// A list cell: whole kilobytes rounded up, "0KB" for an empty file; empty for a folder.
std::string SizeCellText(const FolderEntry& entry);

// A status-bar total: below 1024 "N byte(s)", below 1048576 "%.1f KB", else "%.1f MB", the
// quotient taken in single precision.
std::string TotalSizeText(std::uint64_t total);

// "N object(s)" for status panel 0.
std::string ObjectCountText(std::size_t count);

} // namespace kora
