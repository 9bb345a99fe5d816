#include "ioconf/ReadOutCheck.h"

#include "ioconf/IoConfigRecord.h"
#include "ioconf/ModuleKinds.h"

namespace kora {
namespace {

using namespace iorecord;

// The two characters at `at` read as the read-out prints a number ("%02d"): two digits, or -1
// for one that is unset.
bool IsNumberField(const std::string& line, std::size_t at)
{
    const auto digit = [&line](std::size_t i) {
        return i < line.size() && line[i] >= '0' && line[i] <= '9';
    };
    const bool unset = at + 2 <= line.size() && line.compare(at, 2, "-1") == 0;
    return unset || (digit(at) && digit(at + 1));
}

bool IsSlot(std::int32_t state)
{
    return state >= 0 && state < kSlotCount;
}

} // namespace

void ReadOutCheck::take(IoConfigTable& table, const std::string& line)
{
    const std::int32_t before = state_;
    ParseIOConfig(table, state_, line);
    if (line.size() < kShortestRecord) {
        return;
    }
    if (line.find("@SLOT") != std::string::npos) {
        checkSlotLine(table, line, before);
    } else if (IsSlot(state_)) {
        checkChannelLine(table, line);
    }
}

void ReadOutCheck::checkSlotLine(const IoConfigTable& table, const std::string& line,
                                 std::int32_t before)
{
    if (before == kParseIdle && IsSlot(state_)) {
        // A header: the next slot's, with a module type (a trailer has -1 there: taken for a
        // header it means that the header itself was lost), and for a module with range records
        // a count that reads as a number.
        const IoSlotConfig& slot = table.SlotConfig[static_cast<std::size_t>(state_)];
        damaged_ |= state_ != slotsClosed_ || line.compare(kTypeAt, 2, "-1") == 0 ||
                    (HasRangeRecords(slot.ModuleType) && !IsNumberField(line, kCountAt));
        return;
    }
    if (IsSlot(before) && state_ == kParseIdle) {
        // The open slot's own trailer closes it; another slot's header in its place means the
        // trailer was lost and that header is taken as one.
        const std::string trailer = "@SLOT" + std::to_string(before) + " -1 -1 -1";
        if (line.compare(0, trailer.size(), trailer) == 0 && !damaged_) {
            slotsClosed_ = before + 1;
        } else {
            damaged_ = true;
        }
        return;
    }
    damaged_ = true; // a slot number that is none, or a slot line after the end record
}

void ReadOutCheck::checkChannelLine(const IoConfigTable& table, const std::string& line)
{
    // A channel record of the open slot: "N RR -1 -1", its channel number in front. Its range
    // must read as a number, and the channel must be one the header announced.
    const char first = line[0];
    if (first < '0' || first >= '0' + kChannelCount) {
        return; // a line the read-out prints between its records
    }
    const std::int32_t channel = first - '0';
    const IoSlotConfig& slot = table.SlotConfig[static_cast<std::size_t>(state_)];
    channelSeen_[static_cast<std::size_t>(state_)][static_cast<std::size_t>(channel)] = true;
    damaged_ |= !IsNumberField(line, kRangeAt) || channel >= slot.ChannelCount;
}

bool ReadOutCheck::whole(const IoConfigTable& table) const
{
    if (state_ != kParseEnded || damaged_ || slotsClosed_ != kSlotCount) {
        return false;
    }
    for (std::size_t s = 0; s < kSlotCount; ++s) {
        const IoSlotConfig& slot = table.SlotConfig[s];
        if (HasRangeRecords(slot.ModuleType) && slot.ChannelCount >= 1 &&
            slot.ChannelCount <= kChannelCount) {
            for (std::int32_t c = 0; c < slot.ChannelCount; ++c) {
                if (!channelSeen_[s][static_cast<std::size_t>(c)]) {
                    return false;
                }
            }
        }
    }
    return true;
}

} // namespace kora
