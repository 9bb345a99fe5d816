#include "device/DeviceEntries.h"

#include <algorithm>

#include "device/DeviceSort.h"

namespace kora {

std::uint64_t DeviceEntries::totalBytes() const
{
    std::uint64_t total = 0;
    for (const FolderEntry& entry : entries_) {
        total += entry.size;
    }
    return total;
}

void DeviceEntries::sortBy(int sortColumn)
{
    std::sort(entries_.begin(), entries_.end(),
              [sortColumn](const FolderEntry& left, const FolderEntry& right) {
                  return CompareDeviceEntries(left, right, sortColumn) < 0;
              });
}

} // namespace kora
