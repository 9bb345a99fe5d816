// kora7740p run of a 16 KiB program through the simulator paced at 57600 baud, without and with
// --fast: from the command to the program's first output line, against the upload's protocol
// bound (132 bytes out and the ACK back on the wire per block, plus the 5 ms pause without
// --fast). What lies between is printed apart: the listing for the free space, the typed
// transfer command and the first NAK before the blocks; the closing output, the drain, the
// confirmed "d:" and "cd", the typed name and the program's start after them.
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
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "BenchKit.h"
#include "ToolSimulator.h"
#include "sim/DosFileSystem.h"
#include "sim/SamplePrograms.h"
#include "sim/Simulator.h"

namespace {

using namespace kora::bench;

constexpr std::size_t kProgramSize = 16 * 1024;
constexpr std::size_t kBlocks = kProgramSize / 128;
constexpr int kRounds = 5;

struct Timed {
    int status = -1;
    Clock::time_point start;
    std::optional<Clock::time_point> firstOutput;
    std::map<std::string, Clock::time_point> errLines; // -v: the console traffic
};

// Runs the tool; notes when its first line of standard output arrived and when each line of
// standard error did.
Timed RunTimed(const std::vector<std::string>& args)
{
    Timed timed;
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) {
        return timed;
    }
    timed.start = Clock::now();
    const pid_t pid = SpawnTool(args, outPipe[1], errPipe[1]);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (pid < 0) {
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        return timed;
    }
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string pending[2];
    int open = 2;
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0) {
            break;
        }
        const auto now = Clock::now();
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
                continue;
            }
            pending[i].append(buffer, static_cast<std::size_t>(got));
            for (std::size_t end; (end = pending[i].find('\n')) != std::string::npos;) {
                if (i == 0 && !timed.firstOutput) {
                    timed.firstOutput = now;
                } else if (i == 1) {
                    timed.errLines.emplace(pending[i].substr(0, end), now);
                }
                pending[i].erase(0, end + 1);
            }
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    timed.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return timed;
}

} // namespace

int main()
{
    const auto folder = std::filesystem::temp_directory_path() / "kora-cli-run-bench";
    std::filesystem::create_directories(folder);
    kora::sim::SimulatorOptions options;
    options.baudRate = kBaud;
    kora::sim::Simulator simulator(options);
    if (!kora::bench::StartForTool(simulator, folder)) {
        return 1;
    }

    // A program that prints its first line at once, then three more and ends.
    const std::string image =
        kora::sim::ProgramImage(kora::sim::CounterProgramTag(10, 3), kProgramSize);
    const auto file = folder / "BENCH.EXE";
    std::ofstream(file, std::ios::binary).write(image.data(), static_cast<long>(image.size()));

    std::printf("16 KiB program = %zu blocks at %u baud; upload protocol bound %.3f s paced, "
                "%.3f s unpaced; goal: first output line within the bound + 0.3 s\n",
                kBlocks, kBaud, XmodemBound(kBlocks), XmodemUnpacedBound(kBlocks));

    int worst = 0;
    // Into the root (eight entries, which put's listing for the free space brings over the
    // line) and into an empty directory (only the listing's fixed lines).
    for (const auto& [directory, fast] : std::vector<std::pair<std::string, bool>>{
             {"\\", false}, {"\\", true}, {"\\EMPTY", false}, {"\\EMPTY", true}}) {
        const double bound = fast ? XmodemUnpacedBound(kBlocks) : XmodemBound(kBlocks);
        const std::string name = std::string(fast ? "run --fast" : "run") + " into D:" + directory;
        std::vector<double> firsts;
        std::vector<double> before;
        std::vector<double> blocks;
        std::vector<double> after;
        for (int round = 0; round < kRounds; ++round) {
            std::vector<std::string> args{KORA_CLI_PATH, "-p", "COM1", "-v", "run", "-q"};
            if (fast) {
                args.push_back("--fast");
            }
            args.push_back(file.string());
            args.push_back(directory);
            const Timed timed = RunTimed(args);
            worst = std::max(worst, timed.status);
            const auto from = timed.errLines.find("<<Transferring File...>>");
            const auto to = timed.errLines.find("<<Get ACK for EOT>>");
            if (timed.status != 0 || !timed.firstOutput || from == timed.errLines.end() ||
                to == timed.errLines.end()) {
                std::printf("%s: round %d failed (exit %d)\n", name.c_str(), round, timed.status);
                worst = std::max(worst, 1);
                continue;
            }
            firsts.push_back(Seconds(*timed.firstOutput - timed.start));
            before.push_back(Seconds(from->second - timed.start));
            blocks.push_back(Seconds(to->second - from->second));
            after.push_back(Seconds(*timed.firstOutput - to->second));
        }
        const double first = Median(firsts);
        std::printf("%s: first output line after %.3f s = bound + %.3f s (%s); before the "
                    "blocks %.3f s, blocks + EOT %.3f s (%.2f x bound), EOT to first line "
                    "%.3f s; medians of %zu\n",
                    name.c_str(), first, first - bound,
                    first - bound <= 0.3 ? "within goal" : "OVER GOAL", Median(before),
                    Median(blocks), Median(blocks) / bound, Median(after), firsts.size());
    }
    std::filesystem::remove_all(folder);
    return worst;
}
