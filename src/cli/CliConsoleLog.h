#pragma once

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "link/ConsoleLog.h"

namespace kora::cli {

// Where the tool's console exchanges show what they type and read. The window's pane becomes
// the standard error stream with --verbose; commands whose point is the controller's output
// (exec, mem, cfgio apply) have the output lines, without the commands typed, on standard
// output. Lines are kept per operation so that a failure can quote what the controller said.
class CliConsoleLog final : public ConsoleLog {
public:
    CliConsoleLog(std::FILE* out, std::FILE* err, bool verbose);

    // A stream never fills up, so the exchange never clears it.
    int lineCount() const override { return 0; }
    void clear() override {}
    void appendLine(const std::string& text) override;

    // A new operation starts: the commands it types, each shown before its output, are not
    // output themselves.
    void beginOperation(const std::vector<std::string>& commands);
    // From now on output lines also go to standard output.
    void setEchoOutput(bool echo) { echoOutput_ = echo; }

    // The controller's lines since the last beginOperation.
    const std::vector<std::string>& operationOutput() const { return output_; }
    // The last line shown, whatever it was (a status line of an upload, for instance).
    const std::string& lastLine() const { return lastLine_; }

private:
    std::FILE* out_;
    std::FILE* err_;
    bool verbose_;
    bool echoOutput_ = false;
    std::deque<std::string> pendingCommands_;
    std::vector<std::string> output_;
    std::string lastLine_;
};

// Console bytes are single-byte Latin-1; the terminal reading our streams wants UTF-8.
std::string ConsoleTextForTerminal(const std::string& text);

} // namespace kora::cli
