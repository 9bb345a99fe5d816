// Listings as the utility reads them: through the real serial port code and console exchange.
#include <gtest/gtest.h>

#include "SimTestKit.h"
#include "sim/DirListing.h"
#include "support/SimFixture.h"

using namespace kora;
using namespace kora::test;

namespace {

std::string trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \r\n") - first + 1);
}

// The reader's rule: a line of 43 characters or more (line end included) that is not the
// "bytes free" line is an entry; name 1-8, extension 10-12, "<DIR>" 14-18, size 20-26.
struct ColumnEntry {
    std::string name;
    bool directory = false;
    std::string size;
    std::string date;
};

std::optional<ColumnEntry> entryByColumns(const std::string& line)
{
    if (line.size() < 43 || line.find("bytes free") != std::string::npos)
        return std::nullopt;
    ColumnEntry e;
    e.name = trim(line.substr(0, 8));
    const std::string ext = trim(line.substr(9, 3));
    if (!ext.empty())
        e.name += "." + ext;
    e.directory = line.substr(13, 5) == "<DIR>";
    e.size = trim(line.substr(19, 7));
    e.date = line.substr(27, 16);
    return e;
}

struct TreeCounts {
    int folders = 0;
    int files = 0;
    std::uint64_t bytes = 0;
};

TreeCounts countTree(const std::vector<std::string>& lines)
{
    TreeCounts counts;
    for (const auto& line : lines) {
        const auto e = entryByColumns(line);
        if (!e || e->name == "." || e->name == "..")
            continue;
        if (e->directory) {
            ++counts.folders;
        } else {
            ++counts.files;
            std::string digits;
            for (char c : e->size)
                if (c != ',')
                    digits += c;
            counts.bytes += std::stoull(digits);
        }
    }
    return counts;
}

class ListingExchange : public TimedSimFixture {};

} // namespace

TEST_P(ListingExchange, EveryLongLineIsAnEntryOrTheFreeSpace)
{
    const auto run = exchange({"d:\r", "cd\\\r", "dir\r"});
    ASSERT_TRUE(run.result.ok) << run.result.message;

    const auto expected = *sim().fileSystem().list("D:\\");
    std::vector<ColumnEntry> seen;
    std::string freeLine;
    for (const auto& line : run.rawLines) {
        // Every line ends with CR LF; the LF after each echoed CR comes on its own.
        ASSERT_TRUE(line == "\n" || line.ends_with("\r\n")) << line;
        if (line.find("bytes free") != std::string::npos)
            freeLine = line;
        else if (auto e = entryByColumns(line))
            seen.push_back(*e);
    }
    ASSERT_EQ(seen.size(), expected.size());
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].name, expected[i].name);
        EXPECT_EQ(seen[i].directory, expected[i].isDirectory);
        EXPECT_EQ(seen[i].date, sim::FormatDateColumn(expected[i].modified));
    }
    EXPECT_EQ(trim(freeLine),
              sim::WithThousands(sim().fileSystem().freeBytes('D')) + " bytes free");
    EXPECT_GE(freeLine.size(), 43u);

    // The root has no "." and "..", and the prompt is never shown as a line.
    EXPECT_FALSE(run.log.contains(".            <DIR>"));
    EXPECT_FALSE(run.log.contains("D:\\>"));
    EXPECT_TRUE(run.log.contains(" Directory of D:\\"));
}

TEST_P(ListingExchange, SizesEndInColumnTwentySixAndSubDirectoriesListDots)
{
    ASSERT_TRUE(sim().fileSystem().writeFile("D:\\LOG\\BIG.DAT", std::string(1000000, 'b')));
    const auto run = exchange({"d:\r", "cd\\LOG\r", "dir\r"});
    ASSERT_TRUE(run.result.ok) << run.result.message;
    std::vector<std::string> entries;
    for (const auto& line : run.rawLines) {
        if (auto e = entryByColumns(line)) {
            entries.push_back(e->name);
            if (e->name == "BIG.DAT") {
                EXPECT_EQ(line.substr(17, 9), "1,000,000");
            }
            if (e->name == "A.TXT") {
                EXPECT_EQ(line.substr(19, 7), "     10");
            }
        }
    }
    EXPECT_EQ(entries,
              (std::vector<std::string>{".", "..", "A.TXT", "B.TXT", "OLD", "NEW", "BIG.DAT"}));
    EXPECT_EQ(sim().fileSystem().prompt(), "D:\\LOG>") << "the controller stays where it was";
}

TEST_P(ListingExchange, TreeListingCountsFoldersFilesAndBytes)
{
    // The listing leaves the controller in \ ; "dir/s LOG" then describes that tree.
    const auto run = exchange({"d:\r", "cd\\\r", "dir/s LOG\r"});
    ASSERT_TRUE(run.result.ok) << run.result.message;
    const auto counts = countTree(run.rawLines);
    EXPECT_EQ(counts.folders, 2);
    EXPECT_EQ(counts.files, 4);
    EXPECT_EQ(counts.bytes, 30u);
    EXPECT_TRUE(run.log.contains(" Directory of D:\\LOG\\OLD"));
    EXPECT_TRUE(run.log.contains("Total files listed:"));

    // An empty name describes the current directory: the whole sample drive here.
    const auto whole = exchange({"dir/s \r"});
    ASSERT_TRUE(whole.result.ok);
    const auto all = countTree(whole.rawLines);
    EXPECT_EQ(all.folders, 8) << "BIN LOG OLD NEW EMPTY NESTED LEVEL1 LEVEL2, each once";
    EXPECT_EQ(all.files, 11);

    const auto missing = exchange({"dir/s NOSUCH\r"});
    EXPECT_TRUE(missing.log.contains("File not found"));
    EXPECT_EQ(countTree(missing.rawLines).files, 0);
}

TEST_P(ListingExchange, ChangesMadeWhileTheConsoleRunsAreListed)
{
    ASSERT_TRUE(sim().fileSystem().writeFile("D:\\FRESH.BIN", "1234"));
    const auto run = exchange({"d:\r", "cd\\\r", "dir\r"});
    ASSERT_TRUE(run.result.ok);
    EXPECT_TRUE(run.log.contains("FRESH    BIN             4 "));
}

KORA_UNDER_EACH_TIMING(ListingExchange);
