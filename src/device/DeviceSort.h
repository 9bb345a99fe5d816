#pragma once

#include <optional>
#include <string_view>

#include "device/DeviceEntries.h"
#include "device/FolderEntry.h"

namespace kora {

// The list's columns, which are also the sort keys.
enum DeviceColumn : int {
    kDeviceColumnName = 0,
    kDeviceColumnSize = 1,
    kDeviceColumnType = 2,
    kDeviceColumnModified = 3,
};
inline constexpr int kDeviceColumnCount = 4;

// Byte-wise comparison: the first differing byte decides by its unsigned value; on an equal
// prefix the shorter text comes first. Returns <0, 0 or >0.
int CompareBytes(std::string_view left, std::string_view right);

// Folders before files; then by the key (0 name: no key of its own, 1 size ascending, 2 type
// name, 3 modified text, both byte-wise); ties broken by name, byte-wise. Always ascending.
// An unknown key sorts by name. Returns <0, 0 or >0.
int CompareDeviceEntries(const FolderEntry& left, const FolderEntry& right, int sortColumn);

// Type-ahead: visits each entry once from start up to the last one and, when wrap is set, on
// from the first entry up to just before start. Returns the first entry whose upper-cased
// name begins with the upper-cased text.
std::optional<std::size_t> FindDeviceEntry(const DeviceEntries& entries, std::string_view text,
                                           std::size_t start, bool wrap);

} // namespace kora
