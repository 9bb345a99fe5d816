// The range lists: which code each entry stands for, and which entry shows a code.
#include <gtest/gtest.h>

#include <set>

#include "ioconf/RangeLists.h"

namespace kora {
namespace {

std::vector<std::int32_t> Span(std::int32_t first, std::int32_t last)
{
    std::vector<std::int32_t> codes;
    for (std::int32_t code = first; code <= last; ++code) {
        codes.push_back(code);
    }
    return codes;
}

struct ListCase {
    RangeList list;
    const char* name;
    std::vector<std::int32_t> codes;   // by position
    std::vector<std::int32_t> foreign; // codes no entry shows
};

const std::vector<ListCase>& Lists()
{
    static const std::vector<ListCase> lists = [] {
        std::vector<std::int32_t> thermocouple = Span(0, 6);
        for (const std::int32_t code : Span(14, 20)) {
            thermocouple.push_back(code);
        }
        return std::vector<ListCase>{
            {RangeList::M7245, "7245", Span(32, 41), {-1, 31, 42, 35 - 32}},
            {RangeList::M7255, "7255", Span(7, 13), {-1, 6, 14, 0}},
            {RangeList::M7255H, "7255H", Span(0, 11), {-1, 12, 48}},
            {RangeList::M7257, "7257", thermocouple, {-1, 7, 10, 13, 21}},
            {RangeList::M7259, "7259", Span(48, 50), {-1, 47, 51, 0}},
            {RangeList::M7263, "7263", Span(0, 2), {-1, 3}},
        };
    }();
    return lists;
}

TEST(RangeLists, EachEntryStandsForOneCodeAndEachCodeShowsItsEntry)
{
    for (const ListCase& c : Lists()) {
        ASSERT_EQ(RangeTexts(c.list).size(), c.codes.size()) << c.name;
        for (int p = 0; p < static_cast<int>(c.codes.size()); ++p) {
            EXPECT_EQ(RangeCodeOf(c.list, p), c.codes[static_cast<std::size_t>(p)])
                << c.name << " position " << p;
            EXPECT_EQ(RangePositionOf(c.list, c.codes[static_cast<std::size_t>(p)]), p)
                << c.name << " position " << p;
        }
        for (const std::int32_t code : c.foreign) {
            EXPECT_EQ(RangePositionOf(c.list, code), -1) << c.name << " code " << code;
        }
    }
}

TEST(RangeLists, TheSharedCodeSpaceGivesEachOfTheFourListsABlockOfItsOwn)
{
    std::set<std::int32_t> seen;
    for (const ListCase& c : Lists()) {
        if (c.list == RangeList::M7255H || c.list == RangeList::M7263) {
            continue;
        }
        for (const std::int32_t code : c.codes) {
            EXPECT_TRUE(seen.insert(code).second) << c.name << " reuses code " << code;
        }
    }
}

} // namespace
} // namespace kora
