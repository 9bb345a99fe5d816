#pragma once

// For the benches that run the kora7740p tool against the simulator.
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "sim/Simulator.h"

namespace kora::bench {

// Starts the simulator, publishes it as COM1 in folder/ports and points KORA_PORT_DIR there, so
// that the tool finds it by that name. False, with the reason on standard error, when it cannot.
inline bool StartForTool(kora::sim::Simulator& simulator, const std::filesystem::path& folder)
{
    std::string error;
    if (!simulator.start(&error) || !simulator.publishAs(folder / "ports", "COM1")) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return false;
    }
    ::setenv("KORA_PORT_DIR", (folder / "ports").c_str(), 1);
    return true;
}

} // namespace kora::bench
