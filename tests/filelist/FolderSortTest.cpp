#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filelist/FileColumns.h"
#include "filelist/FolderEntry.h"
#include "filelist/FolderSort.h"

namespace kora {
namespace {

using Names = std::vector<std::string>;

struct Item {
    const char* name;
    bool folder;
    std::uint64_t size;
    const char* type;
    const char* modified;    // the device's date text
    std::int64_t modifiedMs; // the PC's last-write time
};

Names SortedNames(const std::vector<Item>& items, int column, SortRules rules)
{
    FolderEntries entries;
    for (const Item& item : items) {
        FolderEntry entry;
        entry.name = item.name;
        entry.isFolder = item.folder;
        entry.size = item.size;
        entry.typeName = item.type;
        entry.modified = item.modified;
        entry.modifiedTime = item.modifiedMs;
        entries.push_back(std::move(entry));
    }
    SortFolderEntries(entries, column, rules);
    Names names;
    for (const FolderEntry& entry : entries) {
        names.push_back(entry.name);
    }
    return names;
}

TEST(CompareDeviceEntries, FoldersFirstThenKeyThenNameByteWise)
{
    const std::vector<Item> list = {
        {"a.exe", false, 10, "Program", "2003/01/01", 0},
        {"B.EXE", false, 10, "Program", "2001/01/01", 0},
        {"Z.TXT", false, 5, "Text", "2002/01/01", 0},
        {"ZED", true, 0, "Folder", "1999/01/01", 0},
        {"C.BAT", false, 99, "Batch", "2000/01/01", 0},
        {"ALPHA", true, 0, "Folder", "2010/01/01", 0},
    };
    const SortRules device{};
    EXPECT_EQ(SortedNames(list, kColumnName, device),
              (Names{"ALPHA", "ZED", "B.EXE", "C.BAT", "Z.TXT", "a.exe"}));
    EXPECT_EQ(SortedNames(list, kColumnSize, device),
              (Names{"ALPHA", "ZED", "Z.TXT", "B.EXE", "a.exe", "C.BAT"}));
    EXPECT_EQ(SortedNames(list, kColumnType, device),
              (Names{"ALPHA", "ZED", "C.BAT", "B.EXE", "a.exe", "Z.TXT"}));
    EXPECT_EQ(SortedNames(list, kColumnModified, device),
              (Names{"ZED", "ALPHA", "C.BAT", "B.EXE", "Z.TXT", "a.exe"}));
}

TEST(CompareLocalEntries, FoldersFirstThenTheColumnThenTheName)
{
    const std::vector<Item> entries = {
        {"b.txt", false, 300, "Text", "", 3000},
        {"zdir", true, 0, "Folder", "", 1000},
        {"A.exe", false, 300, "Program", "", 2000},
        {"adir", true, 0, "Folder", "", 5000},
        {"c.bin", false, 100, "Binary", "", 9000},
        {"a.exe", false, 5368709120ull, "Program", "", 1},
    };
    const SortRules local{.namesIgnoreCase = true, .datesByTime = true};
    EXPECT_EQ(SortedNames(entries, kColumnName, local),
              (Names{"adir", "zdir", "A.exe", "a.exe", "b.txt", "c.bin"}));
    EXPECT_EQ(SortedNames(entries, kColumnSize, local),
              (Names{"adir", "zdir", "c.bin", "A.exe", "b.txt", "a.exe"}));
    EXPECT_EQ(SortedNames(entries, kColumnType, local),
              (Names{"adir", "zdir", "c.bin", "A.exe", "a.exe", "b.txt"}));
    EXPECT_EQ(SortedNames(entries, kColumnModified, local),
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

} // namespace
} // namespace kora
