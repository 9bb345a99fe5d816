#pragma once

// A running controller simulator published as COM1 for a test.
//
//   #include "support/SimFixture.h"
//
//   class MyTest : public kora::test::SimFixture {};   // gtest fixture: sim starts in SetUp
//   TEST_F(MyTest, ListsRoot) {
//       sim().fileSystem().writeFile("D:\\X.BIN", "abc");
//       auto result = kora::RunDeviceOperation(portName(), kora::GenericCommand("dir\r"), log);
//       sim().faults().noEcho = true;                      // faults apply at once
//   }
//
// Options (baud rate, byte log, host drive) can be chosen by overriding simulatorOptions().
// Without gtest, use SimRunner directly: it starts in its constructor (check ok()).
//
// KORA_PORT_DIR points at a private ports folder holding the COM1 link while the fixture
// lives, so "COM1" resolves to the simulator; the previous value is restored afterwards.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "sim/Simulator.h"
#include "support/TempDir.h"

namespace kora::test {

// Sets an environment variable for its lifetime and puts the old value (or its absence) back.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

class SimRunner {
public:
    explicit SimRunner(sim::SimulatorOptions options = {}, const std::string& comName = "COM1");
    ~SimRunner();

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    sim::Simulator& sim() { return *sim_; }
    const std::string& portName() const { return comName_; }
    const std::filesystem::path& portsFolder() const { return ports_; }
    TempDir& tempDir() { return dir_; }

private:
    TempDir dir_{"kora-sim"};
    std::filesystem::path ports_;
    std::string comName_;
    std::unique_ptr<ScopedEnv> portDirEnv_;
    std::unique_ptr<sim::Simulator> sim_;
    std::string error_;
};

// The simulator a screenshot tool shows the window against, at the line's own speed (57600
// baud); nothing, after saying why on standard error, when it did not start.
std::unique_ptr<SimRunner> StartPacedSimulator();

class SimFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    virtual sim::SimulatorOptions simulatorOptions() const { return {}; }

    sim::Simulator& sim() { return runner_->sim(); }
    // "COM1"
    const std::string& portName() const { return runner_->portName(); }
    // The folder KORA_PORT_DIR names; publish the simulator there again after a restart.
    const std::filesystem::path& portsFolder() const { return runner_->portsFolder(); }
    // A private folder for the test's own files (removed afterwards).
    const std::filesystem::path& workDir() { return runner_->tempDir().path(); }

private:
    std::unique_ptr<SimRunner> runner_;
};

} // namespace kora::test
