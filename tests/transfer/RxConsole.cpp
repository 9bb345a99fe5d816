#include "RxConsole.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "sim/DirListing.h"
#include "sim/DosFileSystem.h"

namespace kora::test {

namespace {

constexpr auto kCommandWait = std::chrono::seconds(10);
constexpr auto kRxLimit = std::chrono::seconds(40);

// Moves what is waiting on one master to the other; false when the source failed.
bool Forward(int from, int to)
{
    std::uint8_t buffer[512];
    const ssize_t got = ::read(from, buffer, sizeof buffer);
    if (got > 0) {
        return WriteAll(
            to, std::string_view(reinterpret_cast<char*>(buffer), static_cast<std::size_t>(got)));
    }
    return got == 0 ? false : (errno == EAGAIN || errno == EINTR);
}

} // namespace

RxConsole::RxConsole(PtyPair& line, std::filesystem::path folder, std::chrono::milliseconds quiet)
    : line_(line), folder_(std::move(folder)), quiet_(quiet)
{
    thread_ = std::thread([this] { run(); });
}

RxConsole::~RxConsole()
{
    join();
}

void RxConsole::join()
{
    joining_.store(true);
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::string RxConsole::command() const
{
    std::lock_guard lock(mutex_);
    return command_;
}

std::optional<int> RxConsole::rxExitCode() const
{
    std::lock_guard lock(mutex_);
    return exitCode_;
}

std::string RxConsole::failure() const
{
    std::lock_guard lock(mutex_);
    return failure_;
}

void RxConsole::fail(const std::string& why)
{
    std::lock_guard lock(mutex_);
    failure_ = why;
}

void RxConsole::run()
{
    if (!rxLine_.ok()) {
        return fail("no second pseudo-terminal");
    }
    // The console's part: echo every byte of the command line, CR included, then the LF.
    std::string typed;
    while (typed.empty() || typed.back() != '\r') {
        const auto byte = line_.readByte(kCommandWait);
        if (!byte) {
            return fail("no command typed");
        }
        if (*byte == '\b' && typed.empty()) {
            continue; // as on a DOS console: a backspace on an empty line does nothing
        }
        line_.write(*byte);
        typed.push_back(static_cast<char>(*byte));
    }
    line_.write("\n");
    {
        std::lock_guard lock(mutex_);
        command_ = typed;
    }

    // rx refuses absolute paths: it gets the bare name and writes into the folder.
    typed.pop_back();
    const std::string name = typed.substr(typed.find_last_of("\\:") + 1);
    const int rxTerminal = ::open(rxLine_.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (rxTerminal < 0) {
        return fail("cannot open rx's terminal");
    }
    ChildProcess rx;
    const bool started = rx.start({"rx", "-b", name}, rxTerminal, folder_, folder_ / "rx.log");
    ::close(rxTerminal);
    if (!started) {
        return fail("cannot start rx");
    }
    if (!relayWhileRxRuns(rx)) {
        return;
    }
    serveConsole();
}

void RxConsole::serveConsole()
{
    sim::DosFileSystem fs;
    std::string error;
    if (!fs.mountHostFolder(folder_, &error) || !fs.setCurrentDrive('D')) {
        return fail("cannot serve rx's folder as D: " + error);
    }
    // A sender whose ACK to EOT got lost tries again; the prompt comes once it is quiet.
    while (line_.readByte(quiet_)) {
    }
    line_.write("\r\n" + fs.prompt());
    std::string typed;
    for (auto quietSince = std::chrono::steady_clock::now();;) {
        const auto byte = line_.readByte(std::chrono::milliseconds(50));
        if (!byte) {
            if (joining_.load() || std::chrono::steady_clock::now() - quietSince > quiet_) {
                return;
            }
            continue;
        }
        quietSince = std::chrono::steady_clock::now();
        if (*byte == '\b') {
            if (!typed.empty()) {
                typed.pop_back();
                line_.write("\b \b");
            }
            continue;
        }
        if (*byte != '\r') {
            typed.push_back(static_cast<char>(*byte));
            line_.write(std::string(1, static_cast<char>(*byte)));
            continue;
        }
        line_.write("\r\n");
        std::vector<std::string> output;
        if (typed == "d:") {
            fs.setCurrentDrive('D');
        } else if (typed.starts_with("cd ")) {
            if (fs.changeDirectory(typed.substr(3)) != sim::FsError::None) {
                output.push_back("Invalid directory");
            }
        } else if (typed == "dir") {
            output = sim::ListDirectory(fs, "", {});
        } else {
            output.push_back("Bad command or file name");
        }
        for (const std::string& line : output) {
            line_.write(line + "\r\n");
        }
        line_.write("\r\n" + fs.prompt());
        typed.clear();
    }
}

bool RxConsole::relayWhileRxRuns(ChildProcess& rx)
{
    const auto deadline = std::chrono::steady_clock::now() + kRxLimit;
    for (;;) {
        pollfd entries[2] = {{line_.masterFd(), POLLIN, 0}, {rxLine_.masterFd(), POLLIN, 0}};
        ::poll(entries, 2, 5);
        if (entries[0].revents & POLLIN) {
            Forward(line_.masterFd(), rxLine_.masterFd());
        }
        if (entries[1].revents & POLLIN) {
            Forward(rxLine_.masterFd(), line_.masterFd());
        }
        if (const auto code = rx.waitForExit(std::chrono::milliseconds(0))) {
            // What rx wrote last (its ACK to EOT, if it kept it) still goes to the sender.
            pollfd rest{rxLine_.masterFd(), POLLIN, 0};
            while (::poll(&rest, 1, 20) > 0 && (rest.revents & POLLIN) &&
                   Forward(rxLine_.masterFd(), line_.masterFd())) {
            }
            std::lock_guard lock(mutex_);
            exitCode_ = code;
            return true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            fail("rx did not finish");
            return false;
        }
    }
}

} // namespace kora::test
