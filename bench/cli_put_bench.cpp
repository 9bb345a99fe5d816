// kora7740p put of a 64 KiB file through the simulator paced at 57600 baud, without and with
// --fast: the block phase next to its protocol bound (132 bytes out and the ACK back on the wire
// per block, plus the 5 ms pause without --fast), as the window's upload is measured in
// xmodem_bench, and the whole command (the listing for the free space, the drain, the typed
// command, the receiver's first NAK, the closing output) beside it.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "BenchKit.h"
#include "ToolSimulator.h"
#include "sim/DosFileSystem.h"
#include "sim/Simulator.h"

namespace {

using namespace kora::bench;

constexpr std::size_t kFileSize = 64 * 1024;
constexpr std::size_t kBlocks = kFileSize / 128;

// Runs the tool and notes when each line of its standard error (the console traffic, with -v)
// arrived. Returns the exit status.
int RunTimed(const std::vector<std::string>& args, std::map<std::string, Clock::time_point>& lines)
{
    int errPipe[2];
    if (::pipe2(errPipe, O_CLOEXEC) != 0) {
        return -1;
    }
    const pid_t pid = SpawnTool(args, -1, errPipe[1]);
    ::close(errPipe[1]);
    if (pid < 0) {
        ::close(errPipe[0]);
        return -1;
    }
    std::string pending;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(errPipe[0], buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        const auto now = Clock::now();
        pending.append(buffer, static_cast<std::size_t>(got));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
            lines.emplace(pending.substr(0, end), now);
            pending.erase(0, end + 1);
        }
    }
    ::close(errPipe[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

int main()
{
    const auto folder = std::filesystem::temp_directory_path() / "kora-cli-put-bench";
    std::filesystem::create_directories(folder);
    kora::sim::SimulatorOptions options;
    options.baudRate = kBaud;
    kora::sim::Simulator simulator(options);
    if (!kora::bench::StartForTool(simulator, folder)) {
        return 1;
    }

    std::mt19937 generator(64);
    std::string bytes(kFileSize, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(generator() & 0xFF);
    }
    const auto file = folder / "BENCH.BIN";
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));

    std::printf("64 KiB = %zu blocks at %u baud; protocol bound %.3f s paced, %.3f s unpaced\n",
                kBlocks, kBaud, XmodemBound(kBlocks), XmodemUnpacedBound(kBlocks));

    int worst = 0;
    for (const bool fast : {false, true}) {
        const double bound = fast ? XmodemUnpacedBound(kBlocks) : XmodemBound(kBlocks);
        const char* name = fast ? "kora7740p put --fast" : "kora7740p put";
        static_cast<void>(simulator.fileSystem().deleteFile("D:\\BENCH.BIN"));
        std::vector<std::string> args{KORA_CLI_PATH, "-p", "COM1", "-v", "put", "-q"};
        if (fast) {
            args.push_back("--fast");
        }
        args.push_back(file.string());
        std::map<std::string, Clock::time_point> lines;
        const auto start = Clock::now();
        const int status = RunTimed(args, lines);
        const double whole = Seconds(Clock::now() - start);
        const auto stored = simulator.fileSystem().readFile("D:\\BENCH.BIN");
        std::printf("%s: exit %d, stored %s\n", name, status,
                    stored && stored->substr(0, bytes.size()) == bytes ? "byte-exact"
                                                                       : "DIFFERENT");
        const auto from = lines.find("<<Transferring File...>>");
        const auto to = lines.find("<<Get ACK for EOT>>");
        if (from != lines.end() && to != lines.end()) {
            const double blocks = Seconds(to->second - from->second);
            std::printf("%s: blocks + EOT %.3f s = %.3f x %s bound; whole command %.3f s\n", name,
                        blocks, blocks / bound, fast ? "unpaced" : "paced", whole);
        }
        worst = std::max(worst, status);
    }
    std::filesystem::remove_all(folder);
    return worst;
}
