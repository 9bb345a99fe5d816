#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kora::test {

// A program run with its standard input and output on a terminal, as a user would run a file
// transfer program on a serial line. Killed and reaped if still running at destruction.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // stdin and stdout on terminalFd, stderr into errorLog, working folder cwd.
    bool start(const std::vector<std::string>& argv, int terminalFd,
               const std::filesystem::path& cwd, const std::filesystem::path& errorLog);
    // The exit status, or nothing when it still runs after the time-out.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);
    bool running() const { return pid_ > 0 && !status_; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

} // namespace kora::test
