#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "ioconf/IoConfigText.h"

namespace kora {

// Follows a read-out of "C:\cfgio 1" line by line as ParseIOConfig fills the table, and tells
// whether it was whole and undamaged: each slot 0 to 3 in turn opened by its header and closed
// by its own trailer, every channel its header announces, the end record, and no record that
// noise has changed past reading (a count or range that is no number, a channel the header did
// not announce, a trailer where a header belongs). A read-out that falls short would show slots
// or channels as unset, and OK in the dialog would write that to the controller.
class ReadOutCheck {
public:
    // Parses the line into table (ParseIOConfig) and checks it.
    void take(IoConfigTable& table, const std::string& line);
    bool whole(const IoConfigTable& table) const;

private:
    void checkSlotLine(const IoConfigTable& table, const std::string& line, std::int32_t before);
    void checkChannelLine(const IoConfigTable& table, const std::string& line);

    std::int32_t state_ = kParseIdle;
    std::int32_t slotsClosed_ = 0; // slots 0 to slotsClosed_ - 1 came whole, in order
    std::array<std::array<bool, kChannelCount>, kSlotCount> channelSeen_{};
    bool damaged_ = false;
};

} // namespace kora
