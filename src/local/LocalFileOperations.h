#pragma once

#include <string>

namespace kora {

// The file operations of the local context menu. Each returns the empty text on success, else
// the message to show: the item and the system's reason.

// Gives an entry a new name in the same folder; an existing item of that name is never
// replaced. A name with a "/" in it, "." or ".." is refused.
std::string RenameLocalEntry(const std::string& path, const std::string& newName);

// Moves a file or folder to the desktop's trash.
std::string MoveLocalEntryToTrash(const std::string& path);

} // namespace kora
