#pragma once

#include "filelist/FileColumns.h"
#include "filelist/FolderEntries.h"
#include "filelist/FolderEntry.h"

namespace kora {

// Folders before files; then by the key (0 name: no key of its own, 1 size ascending, 2 type
// name, 3 modified text, both byte-wise); ties broken by name, byte-wise. Always ascending.
// An unknown key sorts by name. Returns <0, 0 or >0.
int CompareDeviceEntries(const FolderEntry& left, const FolderEntry& right, int sortColumn);

// Orders the entries for display by the given key.
void SortDeviceEntries(FolderEntries& entries, int sortColumn);

} // namespace kora
