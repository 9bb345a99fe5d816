// A plant's fan-out: kora7740p put of a 16 KiB file to four simulated controllers at once (four
// processes, as xargs -P 4 or GNU parallel start them over named ports), against the same
// upload to one controller alone. Each simulator is paced at 57600 baud on a pseudo-terminal of
// its own; the controllers are named press-1 .. press-4 in a controllers.conf. The goal: the
// batch takes at most 1.1 times one upload alone.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BenchKit.h"
#include "ToolSimulator.h"
#include "sim/DosFileSystem.h"
#include "sim/Simulator.h"

namespace {

using namespace kora::bench;

constexpr std::size_t kFileSize = 16 * 1024;
constexpr int kControllers = 4;

bool Finished(pid_t pid)
{
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

std::vector<std::string> Put(int controller, const std::filesystem::path& file)
{
    return {KORA_CLI_PATH, "-p", "press-" + std::to_string(controller), "-q", "put", file.string()};
}

} // namespace

int main()
{
    const auto folder = std::filesystem::temp_directory_path() / "kora-fanout-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "config" / "kora7740p");
    const std::vector<std::unique_ptr<kora::sim::Simulator>> simulators =
        StartPlant(kControllers, kBaud, folder);
    if (simulators.empty()) {
        return 1;
    }
    ::setenv("KORA_PORT_DIR", (folder / "ports").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    ::unsetenv("KORA_PORT");

    std::mt19937 generator(16);
    std::string bytes(kFileSize, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(generator() & 0xFF);
    }
    const auto file = folder / "PLANT.BIN";
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));
    const auto stored = [&](int controller) {
        const auto got =
            simulators[static_cast<std::size_t>(controller - 1)]->fileSystem().readFile(
                "D:\\PLANT.BIN");
        return got && got->substr(0, bytes.size()) == bytes;
    };
    const auto clear = [&] {
        for (const auto& simulator : simulators) {
            static_cast<void>(simulator->fileSystem().deleteFile("D:\\PLANT.BIN"));
        }
    };

    // Medians of three of each, taken in turn so that the machine's load weighs on both.
    std::vector<double> alone;
    std::vector<double> batch;
    for (int round = 0; round < 3; ++round) {
        clear();
        auto start = Clock::now();
        if (!Finished(SpawnTool(Put(1, file))) || !stored(1)) {
            std::fprintf(stderr, "fanout_bench: the single upload failed\n");
            return 1;
        }
        alone.push_back(Seconds(Clock::now() - start));

        clear();
        start = Clock::now();
        std::vector<pid_t> running;
        for (int i = 1; i <= kControllers; ++i) {
            running.push_back(SpawnTool(Put(i, file)));
        }
        bool ok = true;
        for (const pid_t pid : running) {
            ok = Finished(pid) && ok;
        }
        batch.push_back(Seconds(Clock::now() - start));
        for (int i = 1; i <= kControllers; ++i) {
            ok = ok && stored(i);
        }
        if (!ok) {
            std::fprintf(stderr, "fanout_bench: an upload of the batch failed\n");
            return 1;
        }
    }
    std::sort(alone.begin(), alone.end());
    std::sort(batch.begin(), batch.end());
    std::printf("16 KiB to one controller: %.3f s; to %d controllers at once: %.3f s = %.2f x "
                "(goal <= 1.1)\n",
                alone[1], kControllers, batch[1], batch[1] / alone[1]);
    return 0;
}
