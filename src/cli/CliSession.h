#pragma once

#include <QString>

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliConsoleLog.h"
#include "device/DeviceListing.h"
#include "link/ConsoleExchange.h"

namespace kora::cli {

// Exit status: 0 success, 1 a device or file failure, 2 wrong usage.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

inline constexpr const char* kProgramName = "kora7740p";

// What every subcommand works with: the output streams, the options all of them share, the
// port, and the console exchanges run on it.
class CliSession {
public:
    struct Settings {
        std::string portName; // as named on the command line; empty: DefaultPort()
        ExchangeTiming timing = ExchangeTiming::Quick; // Patient with --patient
        bool verbose = false;
    };

    CliSession(Settings settings, std::FILE* out, std::FILE* err);

    // The port to use: the one named, else DefaultPort() (looked for once, when first needed);
    // nothing when there is none.
    const std::optional<std::string>& port();
    // Reports that no port could be found.
    int failNoPort() const;
    ExchangeTiming timing() const { return settings_.timing; }
    std::FILE* out() const { return out_; }
    std::FILE* err() const { return err_; }
    CliConsoleLog& log() { return log_; }

    // Runs one device operation on the port with the session's timing, whatever happened
    // before. Its failure message is kept (the first one of the session) for failure().
    OperationResult run(const DeviceOperation& op);
    // For the listing, the menu's actions and the tree count: after the first failure nothing
    // more is sent; every later operation fails with the same message at once.
    DeviceOperationRunner runner();
    const std::optional<std::string>& failure() const { return failure_; }
    // A command that goes on after a failure (put --watch) starts afresh.
    void forgetFailure() { failure_.reset(); }
    // What the controller printed for the last operation whose first command starts with the
    // text (the command itself not included).
    std::vector<std::string> outputOf(std::string_view commandStart) const;

    // Prints "kora7740p: " + message on standard error (CRs left out, so a message quoting a
    // console line reads as the window shows it) and returns the status.
    int fail(const QString& message, int status = kExitFailure) const;
    // The same for a message in the console's single-byte text: the window's messages, which
    // quote device names and console lines.
    int failDevice(const std::string& message, int status = kExitFailure) const;
    // The session's first exchange failure, reported as above.
    int failWithExchangeFailure() const;

private:
    Settings settings_;
    std::FILE* out_;
    std::FILE* err_;
    CliConsoleLog log_;
    std::optional<std::string> failure_;
    std::optional<std::optional<std::string>> port_;
    struct Record {
        std::string command;
        std::vector<std::string> output;
    };
    std::vector<Record> history_;
};

} // namespace kora::cli
