#pragma once

#include <QString>

#include <cstdint>

namespace kora {

// Sorting and focus state of the local panel. The saved values are what the user chose last;
// the others are consumed by the next listing.
struct LocalPanelState {
    int LocalSortColumn = 0;
    int SavedLocalSortColumn = 0;
    int LocalFocusIndex = 0;
    int SavedLocalFocusIndex = 0;
};

// What the device panel remembers between listings. DevicePath is empty until the first
// listing, then "\" for the root of D: or "\DIR\SUB".
struct DevicePanelState {
    QString DevicePath;
    std::uint64_t DeviceFreeBytes = 0;
    int DeviceSortColumn = 0;
    int SavedSortColumn = 0;
    int DeviceFocusIndex = 0;
    int SavedFocusIndex = 0;
};

} // namespace kora
