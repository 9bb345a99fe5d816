#include "filelist/FolderEntries.h"

namespace kora {

std::uint64_t FolderEntries::totalBytes() const
{
    std::uint64_t total = 0;
    for (const FolderEntry& entry : entries_) {
        total += entry.size;
    }
    return total;
}

} // namespace kora
