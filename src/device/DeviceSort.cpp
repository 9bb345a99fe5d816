#include "device/DeviceSort.h"

#include "filelist/ByteCompare.h"

namespace kora {

int CompareDeviceEntries(const FolderEntry& left, const FolderEntry& right, int sortColumn)
{
    if (left.isFolder != right.isFolder) {
        return left.isFolder ? -1 : 1;
    }
    int order = 0;
    switch (sortColumn) {
    case kColumnSize:
        order = left.size < right.size ? -1 : (left.size > right.size ? 1 : 0);
        break;
    case kColumnType:
        order = CompareBytes(left.typeName, right.typeName);
        break;
    case kColumnModified:
        order = CompareBytes(left.modified, right.modified);
        break;
    default:
        break;
    }
    return order != 0 ? order : CompareBytes(left.name, right.name);
}

void SortDeviceEntries(FolderEntries& entries, int sortColumn)
{
    entries.sort([sortColumn](const FolderEntry& left, const FolderEntry& right) {
        return CompareDeviceEntries(left, right, sortColumn);
    });
}

} // namespace kora
