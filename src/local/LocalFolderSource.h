#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "filelist/EntryInfoProvider.h"
#include "filelist/FolderSource.h"
#include "local/LocalVolumes.h"

namespace kora {

// The PC's folders as the local panel walks them: a "Computer" root (the folder "") that lists
// the mounted file systems a user browses and the home folder, and below it the directories of
// the file system. An entry under "Computer" is named by its absolute path; hidden items (dot
// names) are not listed. A folder that cannot be listed, or a typed path that names none, is
// reported with the system's own reason ("Permission denied", "No such file or directory") and
// changes nothing. Details (icon, type name, date, attributes) are read only for rows about to
// be shown.
class LocalFolderSource final : public FolderSource {
public:
    struct Environment {
        // The mounted file systems; the system's when empty.
        std::function<std::vector<MountedVolume>()> mountedVolumes;
        // The home folder; $HOME when empty.
        std::string homePath;
    };
    // Shows a failure to the user (an error box in the panel).
    using ErrorReporter = std::function<void(const std::string& message)>;

    LocalFolderSource(Environment environment, EntryInfoProvider* provider, ErrorReporter report);

    // "~" stands for the home folder; a relative path is taken from the current folder (not
    // from "Computer"). Only an existing folder is taken.
    std::optional<std::string> parsePath(const std::string& text,
                                         const std::string& current) const override;
    // An item whose status cannot be read is listed with size 0.
    std::optional<Listing> list(const std::string& folder) override;
    // Nowhere from "Computer"; to "Computer" from the root of a file system it lists; else to
    // the folder that holds this one.
    std::optional<std::string> parent(const std::string& folder) const override;
    std::string child(const std::string& folder, const FolderEntry& entry) const override;
    // "Computer" for the root, else the full path.
    std::string displayText(const std::string& folder) const override;
    // From the entry's status: last-write time and its text, attributes (read-only: not
    // writable, or no write permission at all; hidden: a dot name; system: neither a regular
    // file nor a folder); then icon and type name. An entry that cannot be read keeps empty
    // details; mounted file systems have none of their own.
    bool fillDetails(const std::string& folder, FolderEntry& entry) override;

private:
    Listing listComputer();
    std::vector<MountedVolume> browsableVolumes() const;

    Environment environment_;
    ErrorReporter report_;
    // What the last "Computer" listing showed: each item's mount, or none for the home folder.
    std::map<std::string, std::optional<MountedVolume>> computerItems_;
};

// A path with "." and ".." resolved and repeated or trailing separators removed, without
// looking at the file system ("/a//b/../c/" gives "/a/c").
std::string CleanLocalPath(const std::string& absolutePath);

// The system's description of an error number, such as "Permission denied".
std::string SystemErrorText(int errorNumber);

} // namespace kora
