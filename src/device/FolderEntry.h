#pragma once

#include <cstdint>
#include <string>

namespace kora {

// One item of a device folder listing. Names and texts are the controller's bytes as listed
// (8.3 names are ASCII), so comparisons and the commands built from them stay byte-exact.
struct FolderEntry {
    std::string name;      // name and extension joined by a dot, or the name alone
    bool isFolder = false; // the listing marked it "<DIR>"
    // Icon and type name are looked up only when a row is about to be shown.
    bool infoPending = true;
    std::string typeName;   // empty until looked up
    std::string modified;   // display text of the listed date and time, or empty
    int iconIndex = 0;      // index into the icon provider's list, 0 until looked up
    std::uint64_t size = 0; // bytes; 0 for a folder
};

} // namespace kora
