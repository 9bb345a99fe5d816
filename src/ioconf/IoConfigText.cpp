#include "ioconf/IoConfigText.h"

#include <QSaveFile>

#include <cstdio>
#include <string_view>

#include "ioconf/IoConfigRecord.h"
#include "ioconf/ModuleKinds.h"

namespace kora {
namespace {

using namespace iorecord;

constexpr std::string_view kStartMarker = "@KORA7740PIOCFG-START";
constexpr std::string_view kEndMarker = "@KORA7740PIOCFG-END";
constexpr std::string_view kSlotMarker = "@SLOT";
// What a field that is no number reads as.
constexpr std::int32_t kBadModuleType = 153;
constexpr std::int32_t kBadNumber = -1;

// The decimal number in the field (blanks before it and a sign allowed, nothing after it);
// the default when the field holds anything else. A field cut short by the line's end is
// taken as far as it goes.
std::int32_t FieldNumber(const std::string& line, std::size_t at, std::size_t width,
                         std::int32_t otherwise)
{
    if (at >= line.size()) {
        return otherwise;
    }
    const std::string_view field = std::string_view(line).substr(at, width);
    std::size_t i = field.find_first_not_of(' ');
    if (i == std::string_view::npos) {
        return otherwise;
    }
    bool negative = false;
    if (field[i] == '-' || field[i] == '+') {
        negative = field[i] == '-';
        ++i;
    }
    if (i == field.size()) {
        return otherwise;
    }
    std::int32_t value = 0;
    for (; i < field.size(); ++i) {
        if (field[i] < '0' || field[i] > '9') {
            return otherwise;
        }
        value = value * 10 + (field[i] - '0');
    }
    return negative ? -value : value;
}

bool Contains(const std::string& line, std::string_view marker)
{
    return line.find(marker) != std::string::npos;
}

template <typename... Args> void Append(std::string& text, const char* format, Args... args)
{
    char record[96];
    const int length = std::snprintf(record, sizeof record, format, args...);
    text.append(record, static_cast<std::size_t>(length));
}

} // namespace

void ParseIOConfig(IoConfigTable& table, std::int32_t& state, const std::string& line)
{
    if (line.size() < kShortestRecord) {
        return;
    }
    if (Contains(line, kStartMarker)) {
        state = kParseIdle;
        table.NodeID = FieldNumber(line, kNodeAt, kNodeWidth, kBadNumber);
        return;
    }
    if (Contains(line, kEndMarker)) {
        state = kParseEnded;
        return;
    }
    if (Contains(line, kSlotMarker)) {
        if (state >= 0) {
            // Whatever follows the open slot's header closes it, a trailer or not.
            state = kParseIdle;
            return;
        }
        state = FieldNumber(line, kSlotAt, kSlotWidth, kBadNumber);
        if (state >= 0 && state < kSlotCount) {
            IoSlotConfig& slot = table.SlotConfig[static_cast<std::size_t>(state)];
            slot.ModuleType = FieldNumber(line, kTypeAt, kTypeWidth, kBadModuleType);
            slot.ChannelCount = FieldNumber(line, kCountAt, kCountWidth, kBadNumber);
        }
        return;
    }
    if (state < 0 || state >= kSlotCount) {
        return;
    }
    const std::int32_t channel = FieldNumber(line, kChannelAt, kChannelWidth, kBadNumber);
    if (channel >= 0 && channel < kChannelCount) {
        table.SlotConfig[static_cast<std::size_t>(state)]
            .RangeCode[static_cast<std::size_t>(channel)] =
            FieldNumber(line, kRangeAt, kRangeWidth, kBadNumber);
    }
}

std::string FormatIOConfig(const IoConfigTable& table)
{
    std::string text;
    Append(text, "%s %03d -1 -1\n", kStartMarker.data(), table.NodeID);
    for (int s = 0; s < kSlotCount; ++s) {
        const IoSlotConfig& slot = table.SlotConfig[static_cast<std::size_t>(s)];
        // A type that does not fit the record's two digits (153 is what an unreadable type
        // field gives) is shown as no module, and written as none: "%02d" would give three
        // digits, and the reader's two would make it another module (153 would read as 15).
        if (slot.ModuleType == kNoModule || slot.ModuleType < 0 || slot.ModuleType > 99) {
            Append(text, "@SLOT%d 99 -1 -1\n", s);
        } else {
            Append(text, "@SLOT%d %02d %02d -1\n", s, slot.ModuleType, slot.ChannelCount);
            // Only the analog modules have ranges, and only up to eight channels are kept.
            if (HasRangeRecords(slot.ModuleType) && slot.ChannelCount >= 1 &&
                slot.ChannelCount <= kChannelCount) {
                for (int c = 0; c < slot.ChannelCount; ++c) {
                    Append(text, "%d %02d -1 -1\n", c, slot.RangeCode[static_cast<std::size_t>(c)]);
                }
            }
        }
        Append(text, "@SLOT%d -1 -1 -1\n", s);
    }
    Append(text, "%s -1 -1 -1\n", kEndMarker.data());
    return text;
}

bool CreateIOConfig(const IoConfigTable& table, const QString& path)
{
    const std::string text = FormatIOConfig(table);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    // Nothing replaces the old file unless every byte reached the disk. The write only fills
    // a buffer, and commit() overlooks a buffer that failed to reach the disk (a full disk,
    // a size limit), so the buffer is flushed and checked here first.
    if (file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.flush()) {
        file.cancelWriting();
    }
    return file.commit();
}

} // namespace kora
