#pragma once

#include <cstdint>
#include <optional>

namespace kora {

// The range lists the dialog offers, one per analog module family.
enum class RangeList { M7245, M7255, M7255H, M7257, M7259, M7263 };

// How the dialog shows a module's channels.
enum class ChannelArea {
    None,       // no channel area at all
    SingleList, // one list under "All" whose choice goes to every channel the module has
    PerChannel, // one list per channel
};

// What the program knows about a module type code.
struct ModuleKind {
    const char* description; // as the dialog shows it
    ChannelArea area;
    std::optional<RangeList> list; // none for modules without ranges
    // Channels OK writes: single list, channels 0..channels-1 get the one code; per channel,
    // each of them gets its own box's code.
    int channels;
};

// Any code the program does not know, 99 included, is a slot without a module.
const ModuleKind& ModuleKindOf(std::int32_t moduleType);

// Whether the configuration file carries channel records for this module type: the analog
// modules only.
bool HasRangeRecords(std::int32_t moduleType);

} // namespace kora
