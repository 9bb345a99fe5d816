#pragma once

#include <array>
#include <cstdint>

namespace kora {

// Module type of a slot without a module; also what every slot holds before the read-out.
inline constexpr std::int32_t kNoModule = 99;
inline constexpr int kSlotCount = 4;
inline constexpr int kChannelCount = 8;

// One I/O slot as the controller reports it.
struct IoSlotConfig {
    std::int32_t ModuleType = kNoModule;
    // How many channel records belong to the slot, as reported.
    std::int32_t ChannelCount = -1;
    // Range code per channel; what a code means depends on the module type. -1: never reported.
    std::array<std::int32_t, kChannelCount> RangeCode{-1, -1, -1, -1, -1, -1, -1, -1};

    friend bool operator==(const IoSlotConfig&, const IoSlotConfig&) = default;
};

// The controller's analog I/O configuration: its node number and its four slots. Filled from
// the console read-out, edited in the dialog and written back as the configuration file.
struct IoConfigTable {
    std::int32_t NodeID = 0;
    std::array<IoSlotConfig, kSlotCount> SlotConfig{};

    friend bool operator==(const IoConfigTable&, const IoConfigTable&) = default;
};

} // namespace kora
