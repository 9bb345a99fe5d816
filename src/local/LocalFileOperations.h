#pragma once

#include <string>

#include "filelist/LocalPath.h"

namespace kora {

// The file operations of the local context menu. Each returns the empty text on success, else
// the message to show: the item and the system's reason.

// Gives an entry a new name in the same folder; an existing item of that name is never
// replaced. A name with a "/" in it, "." or ".." is refused.
std::string RenameLocalEntry(const LocalPath& path, const std::string& newName);

// Moves a file or folder to the desktop's trash. The trash records the item's own bytes as the
// place to restore it to, also for a name that is not UTF-8.
std::string MoveLocalEntryToTrash(const LocalPath& path);

} // namespace kora
