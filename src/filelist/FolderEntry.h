#pragma once

#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

namespace kora {

// One item of a folder listing, in either panel. Names and texts are bytes: the controller's as
// listed for device entries (8.3 names are ASCII, so comparisons and the commands built from
// them stay byte-exact), UTF-8 for PC entries.
struct FolderEntry {
    // Attribute bits of an entry.
    enum Attribute : std::uint32_t {
        kReadOnly = 1u << 0,
        kHidden = 1u << 1,
        kSystem = 1u << 2,
    };

    std::string name;      // display name: for device entries name and extension joined by a dot
    bool isFolder = false; // a folder (the device listing marked it "<DIR>")
    // Details (icon, type name, and for PC entries date, size and attributes) are looked up only
    // when a row is about to be shown.
    bool infoPending = true;
    std::string typeName; // empty until looked up
    std::string modified; // display text of the date and time, or empty
    // PC entries: the last-write time in milliseconds since the epoch, 0 when unknown. Sorting
    // by date compares this, since the display text need not sort by date.
    std::int64_t modifiedTime = 0;
    int iconIndex = 0;            // index into the icon provider's list, 0 until looked up
    std::uint64_t size = 0;       // bytes; 0 for a folder
    std::uint32_t attributes = 0; // Attribute bits
};

// The entries of a panel's last listing in display order: row n of the list shows entry n.
using FolderEntries = std::vector<FolderEntry>;

// Sum of all sizes (folders count 0), in 64 bits so that large drives do not wrap.
inline std::uint64_t TotalBytes(const FolderEntries& entries)
{
    return std::accumulate(
        entries.begin(), entries.end(), std::uint64_t{0},
        [](std::uint64_t sum, const FolderEntry& entry) { return sum + entry.size; });
}

} // namespace kora
