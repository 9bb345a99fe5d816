#pragma once

#include <QJsonObject>
#include <QString>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliConsoleLog.h"
#include "device/DeviceListing.h"
#include "link/ConsoleExchange.h"
#include "link/SerialPort.h"

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
        std::string portName;  // the port chosen (ChoosePort); empty: none was needed
        std::string portLabel; // the controller's name for it, if it has one
        ExchangeTiming timing = ExchangeTiming::Quick; // Patient with --patient
        bool verbose = false;
        bool quiet = false; // --quiet: no progress or report lines, only failures
        // --json, wherever it stands: JSON output where a command has it, and failures as one
        // JSON object (ErrorReport).
        bool json = false;
        // The check of a chain before it runs (RunCommandLine): each command goes as far as it
        // can without the controller, and the first reach for the port ends it with
        // ReachedController instead of opening it.
        bool checkOnly = false;
    };
    // Thrown by port() and openPort() when the session only checks.
    struct ReachedController {};

    CliSession(Settings settings, std::FILE* out, std::FILE* err);

    // The port to use; nothing when the command line chose none (a command that needs one is
    // refused before it runs). Throws ReachedController when the session only checks.
    const std::optional<std::string>& port();
    const std::string& portLabel() const { return settings_.portLabel; }
    // Every JSON document names the port it came from, and the controller's name for it (null
    // when it has none).
    void addPortTo(QJsonObject& document) const;
    // Reports that no port was chosen.
    int failNoPort() const;

    // The session's port, opened at its first use and kept open (and so held against other
    // programs) for every later operation and command of the session; nothing when it cannot be
    // opened, with the message in `failure`. Throws ReachedController when the session only
    // checks; every exchange and upload comes here first.
    SerialPort* openPort(std::string* failure);
    // The session's port with the upload's line settings, for an upload and the program start
    // after it; nothing when it cannot be opened (reported, the exit status in failedStatus).
    SerialPort* openUploadPort(int& failedStatus);
    // Closes the held port for a part that opens its own (the terminal, the configuration's
    // upload); the next operation opens it again.
    void releasePort() { held_.reset(); }
    ExchangeTiming timing() const { return settings_.timing; }
    bool quiet() const { return settings_.quiet; }
    bool json() const { return settings_.json; }
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

    // Reports the failure on standard error in one line (ErrorReport: the message's lines
    // joined, or a JSON object with --json) and returns the status.
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
    std::optional<std::string> port_;
    std::unique_ptr<SerialPort> held_;
    struct Record {
        std::string command;
        std::vector<std::string> output;
    };
    std::vector<Record> history_;
};

} // namespace kora::cli
