// kora7740p sync against put -r through the simulator paced at 57600 baud: a project folder of
// 40 files, 200 KB, in four folders, deployed to \PROJ. The goals:
//   - the first sync (nothing on the controller, no record) within 1.02 x put -r of the folder;
//   - a second sync with nothing changed within 1.2 x the listings it needs (the same five
//     listings made by one kora7740p ls chain);
//   - with one 8 KB file changed, within 1.2 x those listings plus that file's put;
//   - three controllers synced at once (three processes, as Ansible's forks start them) within
//     1.2 x one alone, the one 8 KB file changed on each; and the same through docs/ansible's
//     playbook when ansible-playbook is installed.
// Medians of three (or of the rounds given as the argument), taken in turn.
#include <sys/wait.h>

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
namespace fs = std::filesystem;

constexpr int kControllers = 3;
constexpr std::size_t kTotalBytes = 200 * 1024;
constexpr std::size_t kChangedSize = 8 * 1024;
const char* const kChangedFile = "control.exe"; // in the project's top folder: \PROJ

bool Succeeded(pid_t pid)
{
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// Runs the tool to its end; its time in seconds, or a negative figure when it failed.
double Timed(const std::vector<std::string>& args)
{
    const auto start = Clock::now();
    const bool ok = Succeeded(SpawnTool(args));
    return ok ? Seconds(Clock::now() - start) : -1;
}

std::vector<std::string> Tool(int controller, std::vector<std::string> args)
{
    args.insert(args.begin(), {KORA_CLI_PATH, "-q", "-p", "press-" + std::to_string(controller)});
    return args;
}

void WriteRandom(const fs::path& path, std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(generator() & 0xFF);
    }
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<long>(size));
}

// 40 files of 2 to 8 KB, 200 KB in all, ten in each of the four folders; one of them the 8 KB
// file the bench changes.
void MakeProject(const fs::path& project)
{
    const std::vector<fs::path> folders{project, project / "a", project / "b", project / "c"};
    for (const fs::path& folder : folders) {
        fs::create_directories(folder);
    }
    WriteRandom(project / kChangedFile, kChangedSize, 1);
    std::size_t left = kTotalBytes - kChangedSize;
    for (int i = 1; i < 40; ++i) {
        const std::size_t size = i == 39 ? left : 2048 + static_cast<std::size_t>(i * 389 % 4000);
        left -= size;
        WriteRandom(folders[static_cast<std::size_t>(i % 4)] /
                        ("file" + std::to_string(i) + ".dat"),
                    size, static_cast<unsigned>(i + 1));
    }
}

void RemoveTree(kora::sim::DosFileSystem& drive, const std::string& path)
{
    if (const auto entries = drive.list(path)) {
        for (const auto& entry : *entries) {
            if (entry.name == "." || entry.name == "..") {
                continue;
            }
            if (entry.isDirectory) {
                RemoveTree(drive, path + "\\" + entry.name);
            } else {
                drive.deleteFile(path + "\\" + entry.name);
            }
        }
        drive.removeDirectory(path);
    }
}

double Ratio(double a, double b)
{
    return b > 0 ? a / b : 0;
}

} // namespace

int main(int argc, char* argv[])
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path folder = fs::temp_directory_path() / "kora-sync-bench";
    fs::remove_all(folder);
    fs::create_directories(folder / "config" / "kora7740p");
    const std::vector<std::unique_ptr<kora::sim::Simulator>> simulators =
        StartPlant(kControllers, kBaud, folder);
    if (simulators.empty()) {
        return 1;
    }
    ::setenv("KORA_PORT_DIR", (folder / "ports").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    ::setenv("XDG_STATE_HOME", (folder / "state").c_str(), 1);
    ::unsetenv("KORA_PORT");
    const fs::path project = folder / "proj";
    MakeProject(project);
    const fs::path changed = project / kChangedFile;
    const std::string record = (folder / "state" / "kora7740p" / "sync" / "press-1.json").string();
    kora::sim::DosFileSystem& drive = simulators.front()->fileSystem();
    const auto sync = [&](int controller) {
        return Tool(controller, {"sync", project.string(), "\\PROJ"});
    };
    const std::vector<std::string> listings{"ls",        "\\", "+",         "ls",       "\\PROJ",
                                            "+",         "ls", "\\PROJ\\A", "+",        "ls",
                                            "\\PROJ\\B", "+",  "ls",        "\\PROJ\\C"};
    auto listingsAndPut = listings;
    listingsAndPut.insert(listingsAndPut.end(), {"+", "put", changed.string(), "\\PROJ"});

    std::vector<double> putTree, first, second, lists, oneChanged, listsAndPut;
    unsigned seed = 100;
    for (int round = 0; round < rounds; ++round) {
        RemoveTree(drive, "D:\\PROJ");
        putTree.push_back(Timed(Tool(1, {"put", "-r", project.string(), "\\PROJ"})));
        RemoveTree(drive, "D:\\PROJ");
        fs::remove(record);
        first.push_back(Timed(sync(1)));
        second.push_back(Timed(sync(1)));
        lists.push_back(Timed(Tool(1, listings)));
        WriteRandom(changed, kChangedSize, ++seed);
        oneChanged.push_back(Timed(sync(1)));
        WriteRandom(changed, kChangedSize, ++seed);
        listsAndPut.push_back(Timed(Tool(1, listingsAndPut)));
    }
    for (const auto* figures : {&putTree, &first, &second, &lists, &oneChanged, &listsAndPut}) {
        for (const double figure : *figures) {
            if (figure < 0) {
                std::fprintf(stderr, "sync_bench: a run of the tool failed\n");
                return 1;
            }
        }
    }
    std::printf("40 files, 200 KB in 4 folders, at %u baud (medians of %d):\n", kBaud, rounds);
    std::printf("  put -r:                      %7.2f s\n", Median(putTree));
    std::printf("  first sync:                  %7.2f s = %.3f x put -r (goal <= 1.02)\n",
                Median(first), Ratio(Median(first), Median(putTree)));
    std::printf("  the 5 listings (ls chain):   %7.2f s\n", Median(lists));
    std::printf("  second sync, nothing to do:  %7.2f s = %.3f x the listings (goal <= 1.2)\n",
                Median(second), Ratio(Median(second), Median(lists)));
    std::printf("  the listings + put of 8 KB:  %7.2f s\n", Median(listsAndPut));
    std::printf("  sync, one 8 KB file changed: %7.2f s = %.3f x (goal <= 1.2)\n",
                Median(oneChanged), Ratio(Median(oneChanged), Median(listsAndPut)));

    // The plant: every controller deployed once, then the one changed file to one of them
    // alone and to all three at once.
    for (int i = 2; i <= kControllers; ++i) {
        if (!Succeeded(SpawnTool(sync(i)))) {
            std::fprintf(stderr, "sync_bench: the first sync of press-%d failed\n", i);
            return 1;
        }
    }
    std::vector<double> alone, together;
    for (int round = 0; round < 3; ++round) {
        WriteRandom(changed, kChangedSize, ++seed);
        alone.push_back(Timed(sync(1)));
        WriteRandom(changed, kChangedSize, ++seed);
        const auto start = Clock::now();
        std::vector<pid_t> running;
        for (int i = 1; i <= kControllers; ++i) {
            running.push_back(SpawnTool(sync(i)));
        }
        bool ok = true;
        for (const pid_t pid : running) {
            ok = Succeeded(pid) && ok;
        }
        together.push_back(ok ? Seconds(Clock::now() - start) : -1);
    }
    std::printf("one 8 KB file changed, press-1 alone: %.2f s; press-1..3 at once: %.2f s = "
                "%.3f x (goal <= 1.2)\n",
                Median(alone), Median(together), Ratio(Median(together), Median(alone)));

    // The same through the playbook, when Ansible is there.
    if (std::system("command -v ansible-playbook > /dev/null") == 0) {
        const std::string play = "cd '" KORA_ANSIBLE_DIR
                                 "' && ANSIBLE_CONFIG=ansible.cfg ansible-playbook sync.yml "
                                 "-e kora7740p='" KORA_CLI_PATH "' -e project='" +
                                 project.string() + "' -e '{\"target\": \"\\\\PROJ\"}' > /dev/null";
        std::vector<double> playOne, playAll;
        for (int round = 0; round < 3; ++round) {
            WriteRandom(changed, kChangedSize, ++seed);
            auto start = Clock::now();
            const bool one = std::system((play + " --limit press-1").c_str()) == 0;
            playOne.push_back(one ? Seconds(Clock::now() - start) : -1);
            WriteRandom(changed, kChangedSize, ++seed);
            start = Clock::now();
            const bool all = std::system(play.c_str()) == 0;
            playAll.push_back(all ? Seconds(Clock::now() - start) : -1);
        }
        std::printf("through ansible-playbook: press-1 alone %.2f s; all three %.2f s = %.3f x\n",
                    Median(playOne), Median(playAll), Ratio(Median(playAll), Median(playOne)));
    }
    fs::remove_all(folder);
    return 0;
}
