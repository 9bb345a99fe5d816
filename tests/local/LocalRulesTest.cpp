#include <gtest/gtest.h>

#include "filelist/FileColumns.h"
#include "filelist/FolderListModel.h"
#include "filelist/FolderSort.h"
#include "local/LocalNamespace.h"
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

FolderEntry Entry(std::string name, bool folder, std::uint64_t size = 0, std::string type = {},
                  std::int64_t modified = 0)
{
    FolderEntry entry;
    entry.name = std::move(name);
    entry.isFolder = folder;
    entry.size = size;
    entry.typeName = std::move(type);
    entry.modifiedTime = modified;
    return entry;
}

std::vector<std::string> SortedNames(std::vector<FolderEntry> list, int column)
{
    FolderEntries entries;
    entries.assign(std::move(list));
    SortFolderEntries(entries, column, {.namesIgnoreCase = true, .datesByTime = true});
    std::vector<std::string> names;
    for (const FolderEntry& entry : entries) {
        names.push_back(entry.name);
    }
    return names;
}

TEST(CompareLocalEntries, FoldersFirstThenTheColumnThenTheName)
{
    const std::vector<FolderEntry> entries = {
        Entry("b.txt", false, 300, "Text", 3000),
        Entry("zdir", true, 0, "Folder", 1000),
        Entry("A.exe", false, 300, "Program", 2000),
        Entry("adir", true, 0, "Folder", 5000),
        Entry("c.bin", false, 100, "Binary", 9000),
        Entry("a.exe", false, 5368709120ull, "Program", 1),
    };
    using Names = std::vector<std::string>;
    EXPECT_EQ(SortedNames(entries, kColumnName),
              (Names{"adir", "zdir", "A.exe", "a.exe", "b.txt", "c.bin"}));
    EXPECT_EQ(SortedNames(entries, kColumnSize),
              (Names{"adir", "zdir", "c.bin", "A.exe", "b.txt", "a.exe"}));
    EXPECT_EQ(SortedNames(entries, kColumnType),
              (Names{"adir", "zdir", "c.bin", "A.exe", "a.exe", "b.txt"}));
    EXPECT_EQ(SortedNames(entries, kColumnModified),
              (Names{"zdir", "adir", "a.exe", "A.exe", "b.txt", "c.bin"}));
}

TEST(CompareLocalNames, LettersWithoutCaseThenBytes)
{
    const std::pair<const char*, const char*> ordered[] = {
        {"Apple", "apple"},               // same letters: bytes decide
        {"apple", "Banana"},              // letters before case
        {"yak", "Zebra"},                 // up to 'Z' itself
        {"readme", "README.txt"},         // a prefix first
        {"file_1", "filea"},              // '_' sorts before letters once they are folded
        {"Zoë", "zoë2"},                  // beyond ASCII too
        {"\xC3\x89mile", "\xC3\xA9mile"}, // "Émile" and "émile" differ only by case
        {"zebra", "\xC3\xA9t\xC3\xA9"},   // "été" after the ASCII letters
    };
    for (const auto& [first, second] : ordered) {
        EXPECT_LT(CompareLocalNames(first, second), 0) << first << " / " << second;
        EXPECT_GT(CompareLocalNames(second, first), 0) << second << " / " << first;
    }
    EXPECT_EQ(CompareLocalNames("same", "same"), 0);
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
