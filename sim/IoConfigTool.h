#pragma once

#include <array>
#include <optional>
#include <string>

namespace kora::sim {

class Simulator;

// The controller's analog I/O configuration: the module in each of the four slots and a range
// code per channel. The live configuration is kept in C:\KORAIO.SYS as configuration text,
// one record a line:
//   @KORA7740PIOCFG-START 001 -1 -1 / @SLOTn tt cc -1 / "ch rr -1 -1" ... / @SLOTn -1 -1 -1 /
//   @KORA7740PIOCFG-END -1 -1 -1
struct IoSlot {
    int moduleType = 99; // 99: no module
    int channelCount = -1;
    std::array<int, 8> rangeCode{-1, -1, -1, -1, -1, -1, -1, -1};
};

struct IoConfiguration {
    int nodeId = 0;
    std::array<IoSlot, 4> slots;
};

inline constexpr const char* kIoConfigSystemFile = "C:\\KORAIO.SYS";
inline constexpr const char* kIoConfigUploadFile = "D:\\KORAIO.CFG";

// Strict reading of configuration text: nothing, with a reason, when a record is malformed
// or the start or end record is missing. Text after the end record (such as the padding of
// an upload) is ignored.
std::optional<IoConfiguration> ParseIoConfiguration(const std::string& text, std::string* why);
// The text, records ended by LF alone.
std::string FormatIoConfiguration(const IoConfiguration& config);
// Node 1: an 8-channel analog input in slot 0, a 4-channel analog output in slot 1, a
// digital I/O module in slot 2 and slot 3 empty.
IoConfiguration SampleIoConfiguration();

// "C:\cfgio 1" prints the configuration; "C:\cfgio" applies D:\KORAIO.CFG: the modules must
// be the ones installed, only the range codes change.
void RegisterIoConfigTool(Simulator& simulator);

} // namespace kora::sim
