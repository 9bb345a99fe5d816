#pragma once

#include <string_view>

#include "filelist/FolderEntry.h"

namespace kora {

// How a panel orders its names and dates. The controller's 8.3 names compare byte-wise and
// its dates by their text (which sorts by date); the PC's names as a user expects them and
// its dates by the last-write time, which is read with the entry's details.
struct SortRules {
    bool namesIgnoreCase = false;
    bool datesByTime = false;
};

// Names in the order a user expects: letters without regard to case, then byte-wise, so that
// the order is total ("readme" before "README.txt", "Apple" before "apple").
int CompareLocalNames(std::string_view left, std::string_view right);

// Folders before files; then by the column (kColumnName: no key of its own, size ascending,
// type name, date); ties broken by the name. Always ascending; an unknown column sorts by
// name. Returns <0, 0 or >0.
int CompareFolderEntries(const FolderEntry& left, const FolderEntry& right, int column,
                         SortRules rules);

void SortFolderEntries(FolderEntries& entries, int column, SortRules rules);

// Whether sorting by the column needs the entries' details (type name, and the last-write time
// where dates sort by it), which are otherwise read only for rows on screen.
bool SortNeedsDetails(int column, SortRules rules);

} // namespace kora
