#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "filelist/FolderEntry.h"
#include "local/LocalFolderId.h"
#include "local/LocalInfoProvider.h"
#include "local/LocalVolumes.h"

namespace kora {

// The local folders as the panel walks them: a "Computer" root that lists the mounted file
// systems a user browses and the home folder, and below it the directories of the file system.
// An entry's relative id is its file name (under "Computer": its absolute path, which is also
// its display name); hidden items (dot names) are not listed. Failures carry the system's own
// reason ("Permission denied", "No such file or directory").
class LocalNamespace {
public:
    struct Environment {
        // The mounted file systems; the system's when empty.
        std::function<std::vector<MountedVolume>()> mountedVolumes;
        // The home folder; $HOME when empty.
        std::string homePath;
    };

    LocalNamespace() : LocalNamespace(Environment{}) {}
    explicit LocalNamespace(Environment environment);

    struct ParsedPath {
        std::optional<LocalFolderId> folder;
        std::string error;
    };
    // A typed path to the folder it names. "~" stands for the home folder; a relative path is
    // taken from `base` (when that is a folder). Fails unless the path is an existing folder.
    ParsedPath parsePath(const std::string& text, const LocalFolderId& base) const;

    struct Listing {
        bool ok = false;
        std::vector<FolderEntry> entries; // name, folder marker and size only
        std::string error;
    };
    // The folder's items. An item whose status cannot be read is listed with size 0.
    Listing list(const LocalFolderId& folder);

    // The absolute path of an entry of the folder (the for-parsing name).
    std::string entryPath(const LocalFolderId& folder, const FolderEntry& entry) const;

    // The text the path box shows for a folder: "Computer" for the root, else the full path.
    static std::string GetItemDisplayName(const LocalFolderId& folder);

    // Where Up goes: nowhere from "Computer"; to "Computer" from the root of a file system it
    // lists; else to the folder that holds this one.
    std::optional<LocalFolderId> parent(const LocalFolderId& folder) const;

    // Reads an entry's details from its status: last-write time and its text, attributes
    // (read-only: not writable, or no write permission at all; hidden: a dot name; system:
    // neither a regular file nor a folder). Returns what the icon and type lookup needs, or
    // nothing when the entry cannot be read (its details then stay empty). Mounted file systems
    // have no details of their own.
    std::optional<LocalItem> readDetails(const LocalFolderId& folder, FolderEntry& entry) const;

    const std::string& homePath() const { return homePath_; }

private:
    Listing listComputer();
    std::vector<MountedVolume> browsableVolumes() const;

    Environment environment_;
    std::string homePath_;
    // What the last "Computer" listing showed: each item's mount, or none for the home folder.
    std::map<std::string, std::optional<MountedVolume>> computerItems_;
};

// A path with "." and ".." resolved and repeated or trailing separators removed, without
// looking at the file system ("/a//b/../c/" gives "/a/c").
std::string CleanLocalPath(const std::string& absolutePath);

// The system's description of an error number, such as "Permission denied".
std::string SystemErrorText(int errorNumber);

} // namespace kora
