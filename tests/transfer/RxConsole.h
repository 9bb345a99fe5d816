#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "ChildProcess.h"
#include "support/PtyPair.h"

namespace kora::test {

// Stands in for the controller's console with lrzsz's rx as its transfer tool: echoes the start
// command as the console would, runs rx on a terminal of its own (so rx's terminal settings
// never touch the sender's line) with the file name of the command, relays the line both ways
// while rx runs, and prints a prompt once the sender has gone quiet. Then it serves as a console
// whose D: is rx's folder ("d:", "cd", "dir", with echo and backspace) until the sender is
// quiet again: a sender that did not get rx's ACK to the EOT lists D: to check the file.
class RxConsole {
public:
    RxConsole(PtyPair& line, std::filesystem::path folder, std::chrono::milliseconds quiet);
    ~RxConsole();
    RxConsole(const RxConsole&) = delete;
    RxConsole& operator=(const RxConsole&) = delete;

    // Waits until the console has printed its prompt (or given up); the console it serves
    // afterwards ends as soon as its line is quiet.
    void join();
    std::string command() const;
    std::optional<int> rxExitCode() const;
    std::string failure() const;

private:
    void run();
    bool relayWhileRxRuns(ChildProcess& rx);
    void serveConsole();
    void fail(const std::string& why);

    PtyPair& line_;
    PtyPair rxLine_;
    std::filesystem::path folder_;
    std::chrono::milliseconds quiet_;
    mutable std::mutex mutex_;
    std::string command_;
    std::optional<int> exitCode_;
    std::string failure_;
    std::atomic<bool> joining_{false};
    std::thread thread_;
};

} // namespace kora::test
