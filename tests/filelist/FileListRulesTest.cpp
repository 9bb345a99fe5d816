#include <gtest/gtest.h>

#include <string>

#include "filelist/ByteCompare.h"
#include "filelist/FolderEntries.h"
#include "filelist/SizeText.h"
#include "filelist/TypeAheadSearch.h"

namespace kora {
namespace {

FolderEntry File(std::string name, std::uint64_t size = 0)
{
    FolderEntry entry;
    entry.name = std::move(name);
    entry.size = size;
    return entry;
}

FolderEntry Folder(std::string name)
{
    FolderEntry entry = File(std::move(name));
    entry.isFolder = true;
    return entry;
}

TEST(SizeText, CellsRoundUpToWholeKilobytesAndFoldersStayEmpty)
{
    EXPECT_EQ(SizeCellText(File("E", 0)), "0KB");
    EXPECT_EQ(SizeCellText(File("A", 1)), "1KB");
    EXPECT_EQ(SizeCellText(File("B", 1024)), "1KB");
    EXPECT_EQ(SizeCellText(File("C", 1025)), "2KB");
    EXPECT_EQ(SizeCellText(File("D", 5000000000ull)), "4882813KB");
    EXPECT_EQ(SizeCellText(Folder("DIR")), "");
}

TEST(SizeText, TotalsSwitchUnitsAtKilobyteAndMegabyte)
{
    EXPECT_EQ(TotalSizeText(0), "0 byte(s)");
    EXPECT_EQ(TotalSizeText(1023), "1023 byte(s)");
    EXPECT_EQ(TotalSizeText(1024), "1.0 KB");
    EXPECT_EQ(TotalSizeText(1536), "1.5 KB");
    EXPECT_EQ(TotalSizeText(1048575), "1024.0 KB");
    EXPECT_EQ(TotalSizeText(1048576), "1.0 MB");
    EXPECT_EQ(TotalSizeText(5368709120ull), "5120.0 MB"); // beyond 32 bits: no wrap
    EXPECT_EQ(ObjectCountText(0), "0 object(s)");
    EXPECT_EQ(ObjectCountText(12), "12 object(s)");
}

TEST(FolderEntries, TotalIsSixtyFourBit)
{
    FolderEntries entries;
    entries.append(File("A", 3000000000ull));
    entries.append(File("B", 3000000000ull));
    entries.append(Folder("C"));
    EXPECT_EQ(entries.totalBytes(), 6000000000ull);
}

TEST(CompareBytes, FirstDifferingUnsignedByteThenLength)
{
    EXPECT_LT(CompareBytes("AB", "ABC"), 0);
    EXPECT_GT(CompareBytes("\xE4", "z"), 0); // unsigned bytes
    EXPECT_EQ(CompareBytes("", ""), 0);
}

TEST(FindEntryByPrefix, MatchesUpperCasedPrefixFromStartWithOptionalWrap)
{
    FolderEntries entries;
    for (const char* name : {"ABC.EXE", "X.TXT", "abd.bat", "Y.TXT", "ZZ"}) {
        entries.append(File(name));
    }
    EXPECT_EQ(FindEntryByPrefix(entries, "ab", 0, false), 0u);
    EXPECT_EQ(FindEntryByPrefix(entries, "ab", 1, false), 2u);
    EXPECT_EQ(FindEntryByPrefix(entries, "AB", 3, false), std::nullopt);
    EXPECT_EQ(FindEntryByPrefix(entries, "ab", 3, true), 0u);
    EXPECT_EQ(FindEntryByPrefix(entries, "zz", 0, false), 4u);
    EXPECT_EQ(FindEntryByPrefix(entries, "zz", 4, false), 4u);
    EXPECT_EQ(FindEntryByPrefix(entries, "q", 2, true), std::nullopt);
    EXPECT_EQ(FindEntryByPrefix(entries, "x", 99, true), 1u);
    EXPECT_EQ(FindEntryByPrefix(FolderEntries{}, "x", 0, true), std::nullopt);
}

} // namespace
} // namespace kora
