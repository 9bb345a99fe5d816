#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "filelist/LocalPath.h"

namespace kora {

// A PC folder tree as it is to stand in a folder of D:, every name checked before anything is
// sent: the controller would cut a name that is not 8.3 and store it over another file. put -r
// uploads such a tree whole; sync uploads what changed in it.

// One PC file of the tree: a regular file, readable and not empty, under a name the controller
// takes.
struct PcTreeFile {
    std::string localPath;  // bytes
    std::string deviceName; // the name on the controller, upper case as DOS keeps it
    std::uint64_t size = 0;
};

struct PcTreeFolder {
    std::string devicePath; // where it goes on D:, in the panel's form ("\SITE\CFG")
    bool make = false;      // made when its parent does not list it (the root of D: never is)
    std::vector<PcTreeFile> files;        // in name order
    std::vector<std::string> folderNames; // the folders in it, as named on the controller
};

struct PcFolderTree {
    // Each folder before the folders in it, the folders of one folder in name order.
    std::vector<PcTreeFolder> folders;
    // Every name refused and why, one text each; the tree is not to be sent when any is.
    std::vector<std::string> problems;
};

// Walks the PC folder into the device folder: names through the copy's check (ValidFileName),
// a folder's also at most 8 characters as Make Directory takes them, two names DOS would take
// for one refused, empty and unreadable files and anything but files and folders refused.
// makeTop: the device folder itself is made when it is missing (false for the root of D:).
PcFolderTree WalkPcFolder(const LocalPath& folder, const std::string& deviceFolder, bool makeTop);

} // namespace kora
