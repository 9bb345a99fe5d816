#include <gtest/gtest.h>

#include "sim/DirListing.h"

using namespace kora::sim;

// Columns are counted from 1, as the listing's reader counts them.
static std::string columns(const std::string& line, int first, int last)
{
    return line.substr(static_cast<std::size_t>(first - 1),
                       static_cast<std::size_t>(last - first + 1));
}

TEST(DirListing, EntryLinesKeepTheFixedColumns)
{
    const std::string file = FormatEntryLine({"COMMAND.COM", false, 54645, {2003, 5, 31, 6, 22}});
    EXPECT_EQ(file, "COMMAND  COM        54,645 05-31-03   6:22a");
    EXPECT_EQ(file.size(), 43u);

    const std::string dir = FormatEntryLine({"DOS", true, 0, {1994, 12, 1, 0, 5}});
    EXPECT_EQ(columns(dir, 1, 8), "DOS     ");
    EXPECT_EQ(columns(dir, 14, 18), "<DIR>");
    EXPECT_EQ(columns(dir, 28, 43), "12-01-94  12:05a") << "midnight hour is 12a";

    const std::string noon = FormatEntryLine({"README", false, 0, {2026, 1, 2, 12, 0}});
    EXPECT_EQ(columns(noon, 10, 12), "   ");
    EXPECT_EQ(columns(noon, 20, 26), "      0");
    EXPECT_EQ(columns(noon, 28, 43), "01-02-26  12:00p");
    EXPECT_EQ(columns(FormatEntryLine({"X", false, 0, {2026, 1, 2, 23, 9}}), 28, 43),
              "01-02-26  11:09p");

    const std::string dot = FormatDotLine("..", {2003, 5, 31, 6, 22});
    EXPECT_EQ(columns(dot, 1, 8), "..      ");
    EXPECT_EQ(columns(dot, 14, 18), "<DIR>");
    EXPECT_EQ(dot.size(), 43u);
}

TEST(DirListing, LongSizesRunLeftwardsFromColumnTwentySix)
{
    const std::string line =
        FormatEntryLine({"DATALOG.DAT", false, 1234567, {1999, 12, 31, 23, 59}});
    EXPECT_EQ(columns(line, 18, 26), "1,234,567");
    EXPECT_EQ(columns(line, 10, 12), "DAT") << "the extension is never overwritten";
    EXPECT_EQ(columns(line, 27, 43), " 12-31-99  11:59p");
    EXPECT_EQ(WithThousands(0), "0");
    EXPECT_EQ(WithThousands(999), "999");
    EXPECT_EQ(WithThousands(1000), "1,000");
    EXPECT_EQ(WithThousands(3000000000ull), "3,000,000,000");
}

TEST(DirListing, SummaryLinesCanNotBeTakenForEntries)
{
    EXPECT_EQ(FormatFileCountLine(3, 1234), "        3 file(s)      1,234 bytes");
    // With CR LF a line must stay below 43 characters, however large the figures.
    EXPECT_LE(FormatFileCountLine(123456, 4000000000ull).size() + 2, 42u);
    EXPECT_NE(FormatFileCountLine(123456, 4000000000ull).find("4,000,000,000 bytes"),
              std::string::npos);

    const std::string free = FormatBytesFreeLine(1234567);
    EXPECT_EQ(free, std::string(22, ' ') + "1,234,567 bytes free");
    EXPECT_EQ(free.size() + 2, 44u);
}
