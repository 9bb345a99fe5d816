#pragma once

#include <string_view>

#include "filelist/FolderEntries.h"

namespace kora {

// Names in the order a user expects: letters without regard to case, then byte-wise, so that
// the order is total ("readme" before "README.txt", "Apple" before "apple").
int CompareLocalNames(std::string_view left, std::string_view right);

// The order of a local listing sorted by a column (kColumnName .. kColumnModified): folders
// before files, then by the column's value (size, type name, last-write time), the name
// deciding ties and the name column. There is no descending order.
int CompareLocalEntries(const FolderEntry& left, const FolderEntry& right, int column);

void SortLocalEntries(FolderEntries& entries, int column);

// Whether sorting by the column needs the entries' details (type name, last-write time), which
// are otherwise read only for rows on screen.
bool SortNeedsDetails(int column);

} // namespace kora
