#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "sim/Simulator.h"

namespace kora::sim {

// What the kora7740p-sim command line asks for.
struct CliOptions {
    SimulatorOptions simulator;
    std::filesystem::path portsDir; // empty: the utility's default ports folder
    std::string comName = "COM1";
    bool help = false;
    // Faults to set before the console starts.
    bool noEcho = false;
    int wrongEchoAt = 0;
    bool noPrompt = false;
    int pauseMs = 0;
    int pauseAfterLines = 3;
    int pauseIntoLine = 0;
    bool silent = false;
    int hangUpAfterMs = 0; // 0: never
    bool ioConfigNoise = false;
    bool ioConfigNoEnd = false;
    char strayByte = 'x';
    bool strayAtStart = false;
    int strayBytePercent = 0;
    int externalCdPercent = 0;
    int strayKeySequence = 0; // a Faults::kKey value, placed before the first command
    bool collectingKeyReader = false;
    bool noProgramEnterEcho = false;
    int hangUpAfterLines = 0;
    int silentAfterLines = 0;
    int noisePerMillion = 0;
    int noiseDirections = 3; // Faults::kNoiseReceived | Faults::kNoiseSent
    int noiseSeed = 1;
    int nakStormPercent = 0;
    int nakStormLength = 3;
    // How the console frames command output (Faults::noLineEndBeforePrompt, typeAddsNoLineEnd).
    bool noLineEndBeforePrompt = false;
    bool typeAddsNoLineEnd = false;
    int transferEnd = 0; // Faults::kTransferEnd...
};

// Parses the arguments after the program name. Nothing, with a reason, on a bad argument.
std::optional<CliOptions> ParseCommandLine(const std::vector<std::string>& arguments,
                                           std::string* error);
std::string UsageText();
void ApplyFaults(const CliOptions& options, Faults& faults);

} // namespace kora::sim
