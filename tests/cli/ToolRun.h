#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace kora::test {

// The path of the kora7740p executable under test.
inline constexpr const char* kToolPath = KORA_CLI_PATH;

struct ToolResult {
    int status = -1; // the exit status; 128 + the signal when killed
    std::string out;
    std::string err;
};

// Runs kora7740p with the arguments (without the program name) in the test's environment:
// standard input from /dev/null, output and errors captured, or errors on errorFd when one is
// given (a terminal, say). Killed after the limit.
ToolResult RunTool(const std::vector<std::string>& args,
                   std::chrono::seconds limit = std::chrono::seconds(90), int errorFd = -1);

// The same, calling `meanwhile` with the process and what it has printed so far whenever it has
// printed more (and at least every 100 ms): a test may signal it or change its files.
using WhileRunning = std::function<void(pid_t pid, const ToolResult& sofar)>;
ToolResult RunToolWhile(const std::vector<std::string>& args, const WhileRunning& meanwhile,
                        std::chrono::seconds limit = std::chrono::seconds(90));

} // namespace kora::test
