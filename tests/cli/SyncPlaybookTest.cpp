// The plant's deployment: docs/ansible's playbook run with ansible-core against three simulated
// controllers named in a controllers.conf, as a plant runs it on the PC their lines reach.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "CliTestKit.h"
#include "sim/Simulator.h"
#include "support/SimFixture.h"
#include "support/TempDir.h"

namespace kora::test {
namespace {

namespace fs = std::filesystem;

// What the play recap says of one controller.
struct HostRecap {
    int changed = -1;
    int failed = -1;
};

class SyncPlaybook : public ::testing::Test {
protected:
    static constexpr int kControllers = 3;

    void SetUp() override
    {
        fs::create_directories(dir_.path() / "config" / "kora7740p");
        std::ofstream names(dir_.path() / "config" / "kora7740p" / "controllers.conf");
        for (int i = 1; i <= kControllers; ++i) {
            auto simulator = std::make_unique<sim::Simulator>();
            std::string error;
            ASSERT_TRUE(simulator->start(&error)) << error;
            names << "press-" << i << " = " << simulator->terminalPath() << "\n";
            simulators_.push_back(std::move(simulator));
        }
        names.close();
        for (const auto& [name, value] : std::map<std::string, std::string>{
                 {"XDG_CONFIG_HOME", (dir_.path() / "config").string()},
                 {"XDG_STATE_HOME", (dir_.path() / "state").string()},
                 {"HOME", dir_.path().string()},
                 {"ANSIBLE_CONFIG", KORA_ANSIBLE_DIR "/ansible.cfg"},
                 {"ANSIBLE_NOCOLOR", "1"},
                 {"ANSIBLE_LOCAL_TEMP", (dir_.path() / "ansible-tmp").string()},
             }) {
            env_.push_back(std::make_unique<ScopedEnv>(name, value));
        }
        fs::create_directories(project() / "cfg");
        write("run.bat", "APP.EXE\r\n");
        write("app.exe", RandomText(700, 1));
        write("cfg/plant.ini", "speed=3\r\n");
    }

    fs::path project() const { return dir_.path() / "project"; }
    void write(const std::string& name, const std::string& bytes)
    {
        std::ofstream(project() / name, std::ios::binary) << bytes;
    }
    sim::Simulator& controller(int number) { return *simulators_.at(number - 1); }
    // The first bytes of the PLANT.INI a controller holds (the rest is the last block's padding).
    std::string stored(int number, std::size_t size)
    {
        return controller(number)
            .fileSystem()
            .readFile("D:\\SITE\\CFG\\PLANT.INI")
            .value_or(std::string())
            .substr(0, size);
    }

    // Runs the playbook with three forks; the recap of each controller.
    std::map<std::string, HostRecap> play()
    {
        const std::string command = "cd '" KORA_ANSIBLE_DIR
                                    "' && ansible-playbook --forks 3 sync.yml -e kora7740p='" +
                                    std::string(kToolPath) + "' -e project='" + project().string() +
                                    "' -e '{\"target\": \"\\\\SITE\"}' 2>&1";
        output_.clear();
        if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
            char buffer[4096];
            for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
                output_.append(buffer, got);
            }
            ::pclose(pipe);
        }
        std::map<std::string, HostRecap> recap;
        const std::regex line(
            R"((press-\d) +: ok=\d+ +changed=(\d+) +unreachable=\d+ +failed=(\d+))");
        for (std::sregex_iterator it(output_.begin(), output_.end(), line), end; it != end; ++it) {
            recap[(*it)[1]] = {std::stoi((*it)[2]), std::stoi((*it)[3])};
        }
        return recap;
    }

    std::string output_;

private:
    TempDir dir_{"kora-playbook"};
    std::vector<std::unique_ptr<sim::Simulator>> simulators_;
    std::vector<std::unique_ptr<ScopedEnv>> env_;
};

int Count(const std::map<std::string, HostRecap>& recap, int HostRecap::*field)
{
    int count = 0;
    for (const auto& [host, values] : recap) {
        count += values.*field;
    }
    return count;
}

TEST_F(SyncPlaybook, ReportsChangedOnlyWhereSomethingWasUploadedAndAFailureAlone)
{
    auto recap = play();
    ASSERT_EQ(recap.size(), 3u) << output_;
    EXPECT_EQ(Count(recap, &HostRecap::changed), 3) << output_;
    EXPECT_EQ(Count(recap, &HostRecap::failed), 0) << output_;
    for (int i = 1; i <= kControllers; ++i) {
        EXPECT_EQ(stored(i, 9), "speed=3\r\n");
    }

    recap = play();
    EXPECT_EQ(Count(recap, &HostRecap::changed), 0) << output_;
    EXPECT_EQ(Count(recap, &HostRecap::failed), 0) << output_;

    write("cfg/plant.ini", "speed=4\r\n");
    recap = play();
    EXPECT_EQ(Count(recap, &HostRecap::changed), 3) << output_;

    write("cfg/plant.ini", "speed=5\r\n");
    controller(2).faults().silent = true; // switched off, its adapter still plugged in
    recap = play();
    EXPECT_EQ(recap["press-2"].failed, 1) << output_;
    EXPECT_EQ(recap["press-1"].changed, 1) << output_;
    EXPECT_EQ(recap["press-3"].changed, 1) << output_;
    EXPECT_EQ(Count(recap, &HostRecap::failed), 1) << output_;
    EXPECT_EQ(stored(3, 9), "speed=5\r\n");
}

} // namespace
} // namespace kora::test
