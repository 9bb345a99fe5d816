// Reading a 20 KiB text file back from the controller with "type" (device/TextReadBack), as
// cat, get and the window's viewer do, against the simulator paced at 57600 baud. The figure
// is the file's bytes per second over the whole operation (the position check, the typed
// command, the output and the prompt), beside the line's 5760 bytes a second. Median of three.
#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "BenchKit.h"
#include "device/TextReadBack.h"
#include "sim/DosFileSystem.h"
#include "support/SimFixture.h"

int main(int argc, char** argv)
{
    using namespace kora::bench;
    QCoreApplication application(argc, argv);
    kora::sim::SimulatorOptions options;
    options.baudRate = kBaud;
    kora::test::SimRunner runner(options);
    if (!runner.ok()) {
        std::fprintf(stderr, "readback_bench: %s\n", runner.error().c_str());
        return 1;
    }
    constexpr std::size_t kSize = 20 * 1024;
    std::string text;
    for (int line = 0; text.size() < kSize; ++line) {
        text += "Line " + std::to_string(line) + ": speed=1200 ramp=0.25 limit=85 slot=2\r\n";
    }
    text.resize(kSize);
    runner.sim().fileSystem().writeFileChecked("D:\\LOG\\PLANT.TXT", text);

    NullLog log;
    const kora::DeviceOperationRunner run = [&](const kora::DeviceOperation& op) {
        return kora::RunDeviceOperation(runner.portName(), op, log);
    };
    std::vector<double> seconds;
    for (int round = 0; round < 3; ++round) {
        const auto start = Clock::now();
        const kora::TextFileReading reading = ReadDeviceTextFile(run, "\\LOG", "PLANT.TXT", kSize);
        seconds.push_back(Seconds(Clock::now() - start));
        if (!reading.content || *reading.content != text) {
            std::fprintf(stderr, "readback_bench: the file did not read back exactly: %s\n",
                         reading.message.c_str());
            return 1;
        }
    }
    std::sort(seconds.begin(), seconds.end());
    const double median = seconds[1];
    const double line = 1.0 / kByteSeconds;
    std::printf("20 KiB text file read back: %.3f s, %.0f B/s; the line carries %.0f B/s: %.2f of "
                "it (goal >= 0.9)\n",
                median, kSize / median, line, kSize / median / line);
    return 0;
}
