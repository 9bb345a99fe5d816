#pragma once

#include <array>
#include <optional>
#include <string>

namespace kora::sim {

class DosFileSystem;
class Simulator;

// The controller's analog I/O configuration: the module in each of the four slots and a range
// code per channel. The live configuration is kept in C:\KORAIO.SYS as configuration text,
// one record a line:
//   @KORA7740PIOCFG-START 001 -1 -1 / @SLOTn tt cc -1 / "ch rr -1 -1" ... / @SLOTn -1 -1 -1 /
//   @KORA7740PIOCFG-END -1 -1 -1
// (an empty slot: "@SLOTn 99 -1 -1"). Only the analog modules have channel records.
struct IoSlot {
    int moduleType = 99; // 99: no module
    int channelCount = -1;
    std::array<int, 8> rangeCode{-1, -1, -1, -1, -1, -1, -1, -1};
};

struct IoConfiguration {
    int nodeId = 0;
    // Not "slots": Qt code that includes this header reserves that word.
    std::array<IoSlot, 4> slotConfig;
};

inline constexpr const char* kIoConfigSystemFile = "C:\\KORAIO.SYS";
inline constexpr const char* kIoConfigUploadFile = "D:\\KORAIO.CFG";
inline constexpr int kNoModuleType = 99;

// Strict reading of configuration text: nothing, with a reason, when a record is malformed
// or the start or end record is missing. Text after the end record (such as the padding of
// an upload) is ignored.
std::optional<IoConfiguration> ParseIoConfiguration(const std::string& text, std::string* why);
// The text, records ended by LF alone.
std::string FormatIoConfiguration(const IoConfiguration& config);
// Node 1: an 8-channel analog input in slot 0, a 4-channel analog output in slot 1, a
// digital I/O module in slot 2 and slot 3 empty.
IoConfiguration SampleIoConfiguration();
// Node 1 with these module types in slots 0 to 3 (99: empty), each with its channel count and
// every channel at its module's first range. Nothing for a type the controller does not know.
std::optional<IoConfiguration> IoConfigurationWithModules(const std::array<int, 4>& types);
// Makes the configuration the controller's live one.
void InstallIoConfiguration(DosFileSystem& fs, const IoConfiguration& config);

// "C:\cfgio 1" prints the configuration; "C:\cfgio" applies D:\KORAIO.CFG: the modules must
// be the ones installed, and only range codes of their own lists are taken. With the
// ioConfigNoise fault, the read-out has chatter between its records; with ioConfigNoEnd it
// stops before its end record.
void RegisterIoConfigTool(Simulator& simulator);

} // namespace kora::sim
