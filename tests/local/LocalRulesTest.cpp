#include <gtest/gtest.h>

#include "filelist/FolderListModel.h"
#include "local/LocalFolderSource.h"
#include "local/LocalVolumes.h"

namespace kora {
namespace {

TEST(BrowsableVolumes, KeepTheRootAndTheUsersFileSystemsOnce)
{
    const std::vector<MountedVolume> mounted = {
        {"/proc", "proc"},
        {"/", "ext4"},
        {"/boot/efi", "vfat"},
        {"/dev/shm", "tmpfs"},
        {"/run/user/1000", "tmpfs"},
        {"/run/lock", "tmpfs"},
        {"/tmp", "tmpfs"},
        {"/snap/core/1", "squashfs"},
        {"/sys/fs/cgroup", "cgroup2"},
        {"/run/media/ann/STICK", "exfat"},
        {"/media/ann/DISK", "ntfs3"},
        {"/mnt/share", "nfs4"},
        {"/mnt/share", "nfs4"},
        {"/var/lib/docker/x", "overlay"},
        {"/runner", "ext4"},
    };
    const std::vector<MountedVolume> expected = {
        {"/", "ext4"},
        {"/boot/efi", "vfat"},
        {"/run/media/ann/STICK", "exfat"},
        {"/media/ann/DISK", "ntfs3"},
        {"/mnt/share", "nfs4"},
        {"/var/lib/docker/x", "overlay"},
        {"/runner", "ext4"},
    };
    EXPECT_EQ(BrowsableVolumes(mounted), expected);
    // The root is there even when the system names it a pseudo file system or not at all.
    EXPECT_EQ(BrowsableVolumes({{"/", "rootfs"}}), (std::vector<MountedVolume>{{"/", "rootfs"}}));
    EXPECT_EQ(BrowsableVolumes({{"/data", "xfs"}}),
              (std::vector<MountedVolume>{{"/", ""}, {"/data", "xfs"}}));
}

TEST(CleanLocalPath, ResolvesDotsAndSeparatorsWithoutTheFileSystem)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/", "/"},        {"//", "/"},        {"/a/b/", "/a/b"},
        {"/a//b", "/a/b"}, {"/a/./b", "/a/b"}, {"/a/b/../c", "/a/c"},
        {"/../..", "/"},   {"/a/..", "/"},     {"/a b/c.d", "/a b/c.d"},
    };
    for (const auto& [path, clean] : cases) {
        EXPECT_EQ(CleanLocalPath(path), clean) << path;
    }
}

TEST(NameStyle, FollowsTheAttributesWithSystemOverGrey)
{
    using Colour = NameStyle::Colour;
    const struct {
        std::uint32_t attributes;
        NameStyle style;
    } cases[] = {
        {0, {Colour::Normal, false}},
        {FolderEntry::kReadOnly, {Colour::Grey, false}},
        {FolderEntry::kHidden, {Colour::Normal, true}},
        {FolderEntry::kSystem, {Colour::Highlight, false}},
        {FolderEntry::kReadOnly | FolderEntry::kSystem, {Colour::Highlight, false}},
        {FolderEntry::kReadOnly | FolderEntry::kHidden, {Colour::Grey, true}},
    };
    for (const auto& [attributes, style] : cases) {
        EXPECT_EQ(NameStyleFor(attributes), style) << attributes;
    }
}

} // namespace
} // namespace kora
