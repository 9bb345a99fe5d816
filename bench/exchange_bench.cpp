// One device operation, GenericCommand("dir\r"), against the simulator paced at 57600 baud,
// next to the time-out model of the console exchange:
//   drain (2T of silence) + echo round trips (2 byte times a character)
//   + the output's wire time + 2T of silence that ends the output loop.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "link/ConsoleExchange.h"
#include "support/SimFixture.h"

namespace {

class NullLog final : public kora::ConsoleLog {
public:
    int lineCount() const override { return lines_; }
    void clear() override { lines_ = 0; }
    void appendLine(const std::string&) override { ++lines_; }

private:
    int lines_ = 0;
};

} // namespace

int main()
{
    using namespace std::chrono;
    constexpr unsigned kBaud = 57600;
    constexpr double kByteSeconds = 10.0 / kBaud;
    constexpr int kRuns = 5;

    kora::sim::SimulatorOptions options;
    options.baudRate = kBaud;
    kora::test::SimRunner runner(options);
    if (!runner.ok()) {
        std::fprintf(stderr, "exchange_bench: %s\n", runner.error().c_str());
        return 1;
    }
    const auto op = kora::GenericCommand("dir\r");
    const std::string command = op.steps.front().command;
    const double t = op.timeoutMs / 1000.0;

    // Put the console on D:\ so every run lists the same directory.
    NullLog log;
    kora::RunDeviceOperation(runner.portName(), kora::GenericCommand("d:\r"), log);

    std::printf("dir on the simulator at %u baud, T = %u ms\n", kBaud, op.timeoutMs);
    std::printf("%5s %10s %10s %10s %8s\n", "run", "bytes out", "measured", "model", "ratio");
    std::vector<double> ratios;
    for (int run = 1; run <= kRuns; ++run) {
        const auto sentBefore = runner.sim().bytesSent();
        const auto start = steady_clock::now();
        const auto result = kora::RunDeviceOperation(runner.portName(), op, log);
        const double measured = duration<double>(steady_clock::now() - start).count();
        if (!result.ok) {
            std::fprintf(stderr, "exchange_bench: %s\n", result.message.c_str());
            return 1;
        }
        const auto sent = runner.sim().bytesSent() - sentBefore;
        const double echoes = 2.0 * command.size() * kByteSeconds;
        const double output = static_cast<double>(sent - command.size()) * kByteSeconds;
        const double model = 2 * t + echoes + output + 2 * t;
        ratios.push_back(measured / model);
        std::printf("%5d %10llu %9.3fs %9.3fs %8.3f\n", run, static_cast<unsigned long long>(sent),
                    measured, model, measured / model);
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("median ratio measured/model: %.3f\n", ratios[ratios.size() / 2]);
    return 0;
}
