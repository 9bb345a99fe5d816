#include "support/SimFixture.h"

#include <cstdio>
#include <cstdlib>

namespace kora::test {

ScopedEnv::ScopedEnv(std::string name, const std::string& value) : name_(std::move(name))
{
    if (const char* old = std::getenv(name_.c_str()))
        previous_ = old;
    ::setenv(name_.c_str(), value.c_str(), 1);
}

ScopedEnv::~ScopedEnv()
{
    if (previous_)
        ::setenv(name_.c_str(), previous_->c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}

SimRunner::SimRunner(sim::SimulatorOptions options, const std::string& comName)
    : ports_(dir_.path() / "ports"), comName_(comName)
{
    sim_ = std::make_unique<sim::Simulator>(std::move(options));
    if (!sim_->start(&error_)) {
        error_ = "simulator did not start: " + error_;
        return;
    }
    if (!sim_->publishAs(ports_, comName_)) {
        error_ = "simulator could not be published as " + comName_;
        return;
    }
    portDirEnv_ = std::make_unique<ScopedEnv>("KORA_PORT_DIR", ports_.string());
}

SimRunner::~SimRunner()
{
    sim_.reset();
    portDirEnv_.reset();
}

void SimFixture::SetUp()
{
    runner_ = std::make_unique<SimRunner>(simulatorOptions());
    ASSERT_TRUE(runner_->ok()) << runner_->error();
}

void SimFixture::TearDown()
{
    runner_.reset();
}

std::unique_ptr<SimRunner> StartPacedSimulator()
{
    sim::SimulatorOptions options;
    options.baudRate = 57600;
    auto simulator = std::make_unique<SimRunner>(options);
    if (!simulator->ok()) {
        std::fprintf(stderr, "simulator: %s\n", simulator->error().c_str());
        return nullptr;
    }
    return simulator;
}

} // namespace kora::test
