#include "local/LocalVolumes.h"

#include <QStorageInfo>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <string_view>

namespace kora {
namespace {

// Kernel interfaces, memory file systems and package images: nothing a user keeps files on.
constexpr std::array<std::string_view, 26> kPseudoTypes{
    "autofs", "binfmt_misc", "bpf",         "cgroup",          "cgroup2",    "configfs", "debugfs",
    "devpts", "devtmpfs",    "efivarfs",    "fusectl",         "hugetlbfs",  "mqueue",   "nsfs",
    "proc",   "pstore",      "ramfs",       "rpc_pipefs",      "securityfs", "squashfs", "sysfs",
    "tmpfs",  "tracefs",     "fuse.portal", "fuse.gvfsd-fuse", "rootfs",
};

bool IsUnder(std::string_view path, std::string_view folder)
{
    return path == folder ||
           (path.size() > folder.size() && path.substr(0, folder.size()) == folder &&
            path[folder.size()] == '/');
}

bool IsSystemMount(std::string_view root)
{
    // Removable media mount under /run/media on some desktops: those are the user's.
    if (IsUnder(root, "/run/media")) {
        return false;
    }
    constexpr std::array<std::string_view, 7> kSystemFolders{
        "/proc", "/sys", "/dev", "/run", "/var/run", "/var/lock", "/snap"};
    return std::any_of(kSystemFolders.begin(), kSystemFolders.end(),
                       [&](std::string_view folder) { return IsUnder(root, folder); });
}

} // namespace

std::vector<MountedVolume> BrowsableVolumes(const std::vector<MountedVolume>& mounted)
{
    std::vector<MountedVolume> browsable;
    const auto known = [&](const std::string& root) {
        return std::any_of(browsable.begin(), browsable.end(),
                           [&](const MountedVolume& volume) { return volume.rootPath == root; });
    };
    for (const MountedVolume& volume : mounted) {
        if (volume.rootPath.empty() || volume.rootPath.front() != '/' || known(volume.rootPath)) {
            continue;
        }
        const bool pseudo = std::find(kPseudoTypes.begin(), kPseudoTypes.end(),
                                      volume.fileSystemType) != kPseudoTypes.end();
        if (volume.rootPath == "/" || (!pseudo && !IsSystemMount(volume.rootPath))) {
            browsable.push_back(volume);
        }
    }
    if (!known("/")) {
        browsable.insert(browsable.begin(), MountedVolume{"/", {}});
    }
    return browsable;
}

std::vector<MountedVolume> SystemMountedVolumes()
{
    std::vector<MountedVolume> volumes;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        const QByteArray root = QFile::encodeName(storage.rootPath());
        struct stat status {};
        if (::stat(root.constData(), &status) != 0 || !S_ISDIR(status.st_mode)) {
            continue;
        }
        volumes.push_back({root.toStdString(), storage.fileSystemType().toStdString()});
    }
    return volumes;
}

} // namespace kora
