#pragma once

#include <string>
#include <vector>

namespace kora {

// A mounted file system: where it is mounted and its type ("ext4", "vfat", ...).
struct MountedVolume {
    std::string rootPath;
    std::string fileSystemType;
    bool operator==(const MountedVolume&) const = default;
};

// Of the mounted file systems, those a user browses, in the order given: the root always, then
// every real file system (disks, removable media, network shares) that is not one of the
// system's own mounts under /proc, /sys, /dev or /run, nor a memory, kernel or package image
// file system. Each mount point appears once.
std::vector<MountedVolume> BrowsableVolumes(const std::vector<MountedVolume>& mounted);

// The file systems mounted now, as folders (a file bind-mounted over another is left out).
std::vector<MountedVolume> SystemMountedVolumes();

} // namespace kora
