#pragma once

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "sim/CommandTable.h"
#include "sim/DosFileSystem.h"
#include "sim/Faults.h"
#include "sim/IoConfigTool.h"
#include "sim/LineNoise.h"
#include "sim/SimCommand.h"

namespace kora::sim {

struct SimulatorOptions {
    unsigned baudRate = 0;            // 0 = unpaced; else 10 bits per byte in both directions
    unsigned usbLatencyMs = 0;        // 0 = none; else output held as a USB adapter holds it
    std::filesystem::path byteLog;    // empty = no log; else both directions, one line a burst
    std::filesystem::path hostDriveD; // empty = in-memory sample drive
    bool flood = false;               // adds D:\FLOOD.EXE, which prints lines without pause
    std::optional<IoConfiguration> ioConfiguration; // other modules than the sample's
};

class ByteLog;
class PtyLine;

// The controller's console on a pseudo-terminal. A client opens terminalPath() (or the COMn
// link made by publishAs) as it would open the serial port. The console runs in its own
// thread; faults() and fileSystem() may be used from any thread meanwhile.
class Simulator {
public:
    explicit Simulator(SimulatorOptions options = {});
    ~Simulator(); // stops the console and removes the published link

    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Opens the pseudo-terminal and starts the console thread. False (with a reason) when the
    // terminal or the host drive can't be set up, or the console still runs. After a hang-up
    // it starts afresh on a new terminal (publish it again).
    bool start(std::string* error = nullptr);
    void stop();
    bool running() const { return thread_.joinable(); }

    // The pts path a client opens; empty before start().
    std::string terminalPath() const;
    // Makes portsFolder/comName a symbolic link to the terminal, creating the folder.
    bool publishAs(const std::filesystem::path& portsFolder, const std::string& comName);

    Faults& faults() { return faults_; }
    // Safe to use from any thread: every call locks the file system for its own duration.
    DosFileSystem& fileSystem() { return fileSystem_; }

    // Adds or replaces the command whose lookup key is baseName ("transfer" answers
    // "C:\transfer /R D:\X.BIN"). Also while the console runs; handlers run on its thread.
    void registerCommand(std::string baseName, CommandHandler handler);
    // Runs handler on the console's thread before each command line it executes (the line as
    // the context's commandWord), for a change another user of the controller makes between two
    // commands: a file that becomes a folder, say. An empty handler ends it.
    void beforeEachCommand(CommandHandler handler);

    // Bytes received from the client since start (hang-up and silence included).
    std::uint64_t bytesReceived() const { return bytesReceived_.load(); }
    // Bytes sent to the client since start: echoes, output and prompts.
    std::uint64_t bytesSent() const { return bytesSent_.load(); }

private:
    void run();

    SimulatorOptions options_;
    Faults faults_;
    LineNoise noise_{faults_};
    DosFileSystem fileSystem_;
    CommandTable commands_;
    std::unique_ptr<ByteLog> byteLog_;
    std::unique_ptr<PtyLine> line_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> consoleEnded_{false};
    std::atomic<std::uint64_t> bytesReceived_{0};
    std::atomic<std::uint64_t> bytesSent_{0};
    std::thread thread_;
    mutable std::mutex publishMutex_; // guards terminalPath_ and publishedLink_
    std::string terminalPath_;
    std::filesystem::path publishedLink_;
};

} // namespace kora::sim
