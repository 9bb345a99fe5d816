#pragma once

// For the benches that run the kora7740p tool against the simulator.
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "sim/Simulator.h"

extern char** environ;

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

// A plant of `count` simulators at `baud`, published as COM1... in folder/ports and named
// press-1... in folder/config/kora7740p/controllers.conf. Empty, with the reason on standard
// error, when one cannot start.
inline std::vector<std::unique_ptr<kora::sim::Simulator>>
StartPlant(int count, std::uint32_t baud, const std::filesystem::path& folder)
{
    std::vector<std::unique_ptr<kora::sim::Simulator>> simulators;
    std::ofstream names(folder / "config" / "kora7740p" / "controllers.conf");
    for (int i = 1; i <= count; ++i) {
        kora::sim::SimulatorOptions options;
        options.baudRate = baud;
        auto simulator = std::make_unique<kora::sim::Simulator>(options);
        std::string error;
        const std::string com = "COM" + std::to_string(i);
        if (!simulator->start(&error) || !simulator->publishAs(folder / "ports", com)) {
            std::fprintf(stderr, "simulator: %s\n", error.c_str());
            return {};
        }
        names << "press-" << i << " = " << com << "\n";
        simulators.push_back(std::move(simulator));
    }
    return simulators;
}

// Starts the tool (args[0] is its path) with standard input from /dev/null, standard output to
// outFd (/dev/null when -1) and standard error to errFd (this process's own when -1). Its pid,
// or -1 when it could not start.
inline pid_t SpawnTool(const std::vector<std::string>& args, int outFd = -1, int errFd = -1)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (outFd < 0) {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    } else {
        posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    }
    if (errFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    }
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

} // namespace kora::bench
