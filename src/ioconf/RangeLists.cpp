#include "ioconf/RangeLists.h"

#include <array>

namespace kora {
namespace {

constexpr std::array<const char*, 10> k7245{
    "Pt(385)-100~+100'C", "Pt(385)   0~+100'C", "Pt(385)   0~+200'C", "Pt(385)   0~+600'C",
    "Pt(392)-100~+100'C", "Pt(392)   0~+100'C", "Pt(392)   0~+200'C", "Pt(392)   0~+600'C",
    "Ni      -80~+600'C", "Ni        0~+600'C",
};

constexpr std::array<const char*, 7> k7255{
    "   4~20 mA", "+/-  10  V", "+/-   5  V", "+/-   1  V",
    "+/- 500 mV", "+/- 150 mV", "+/-  20 mA",
};

constexpr std::array<const char*, 12> k7255H{
    "+/-  10  V", "  0~ 10  V", "+/-   5  V", "  0~  5  V", "+/-   2.5V", "  0~  2.5V",
    "+/-   1  V", "  0~  1  V", "+/- 500 mV", "  0~500 mV", "  4~ 20 mA", "  0~ 20 mA",
};

constexpr std::array<const char*, 14> k7257{
    "+/-  15  mV",        "+/-  50  mV",        "+/- 100  mV",        "+/- 500  mV",
    "+/-   1   V",        "+/-   2.5 V",        "+/-  20  mA",        "J Type    0~ 760'C",
    "K Type    0~1000'C", "T Type -100~ 400'C", "E Type    0~1000'C", "R Type  500~1750'C",
    "S Type  500~1750'C", "B Type  500~1800'C",
};

constexpr std::array<const char*, 3> k7259{"0~ 20  mA", "4~ 20  mA", "0~ 10   V"};

constexpr std::array<const char*, 3> k7263{"Bi-direction counter", "Up/Down counter", "Frequency"};

// The lists share one code space, each in a block of its own: 7257 0-6 and 14-20, 7255 7-13
// (the block the 7257 leaves free, the same size as its list), 7245 32-41, 7259 48-50. The
// 7255H and 7263 lists are used only by their own modules and start at 0.
constexpr std::int32_t k7255Base = 7;
constexpr std::int32_t k7245Base = 32;
constexpr std::int32_t k7259Base = 48;
// The 7257's thermocouple entries (from position 7 on) skip the 7255's block.
constexpr int k7257VoltageEntries = 7;
constexpr std::int32_t k7257Gap = 7;

} // namespace

std::span<const char* const> RangeTexts(RangeList list)
{
    switch (list) {
    case RangeList::M7245:
        return k7245;
    case RangeList::M7255:
        return k7255;
    case RangeList::M7255H:
        return k7255H;
    case RangeList::M7257:
        return k7257;
    case RangeList::M7259:
        return k7259;
    case RangeList::M7263:
        return k7263;
    }
    return {};
}

std::int32_t RangeCodeOf(RangeList list, int position)
{
    switch (list) {
    case RangeList::M7245:
        return position + k7245Base;
    case RangeList::M7255:
        return position + k7255Base;
    case RangeList::M7257:
        return position < k7257VoltageEntries ? position : position + k7257Gap;
    case RangeList::M7259:
        return position + k7259Base;
    case RangeList::M7255H:
    case RangeList::M7263:
        return position;
    }
    return position;
}

int RangePositionOf(RangeList list, std::int32_t code)
{
    // Every code of a list comes from one of its positions, so the inverse is a search; codes
    // of other lists, the 7257's gap and -1 find nothing.
    const int size = static_cast<int>(RangeTexts(list).size());
    for (int position = 0; position < size; ++position) {
        if (RangeCodeOf(list, position) == code) {
            return position;
        }
    }
    return -1;
}

} // namespace kora
