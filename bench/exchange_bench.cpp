// The console exchange under quick and patient timing, side by side, against the simulator
// paced at 57600 baud:
//   - one "dir" operation in D:\,
//   - the listing of a 100-entry folder as the device panel runs it ("d:", "cd", "dir"),
//   - a Make Directory with the refresh that follows it,
//   - the fixed costs of a 64 KiB upload: everything but the blocks and the EOT (drain, the
//     typed start command, the tool's closing output and the prompt), and the same with a
//     receiver that refuses the end but keeps the file, whose fixed costs hold the listing
//     that decides such an end.
// Each figure stands beside the wire time of the bytes that crossed the line meanwhile (typed
// bytes, their echoes and the output, 10 bits a byte), as a ratio. Medians of five runs; the
// upload runs once for each timing.
//
// Then, in quick timing, the dir and the listing with the console log on (lines with time
// stamps, then the raw bytes received) beside the same without it, and against a simulator
// that delivers its output as a USB adapter with a 16 ms latency timer does.
#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>

#include "BenchKit.h"
#include "device/DeviceBrowser.h"
#include "device/DeviceMenuActions.h"
#include "link/ConsoleExchange.h"
#include "link/ConsoleLogFile.h"
#include "sim/DosFileSystem.h"
#include "sim/Faults.h"
#include "sim/XmodemReceiver.h"
#include "support/SimFixture.h"
#include "transfer/TThreadXModem.h"

namespace {

using namespace kora::bench;

constexpr int kRuns = 5;
constexpr std::size_t kUploadSize = 64 * 1024;
constexpr std::uint32_t kUploadTimeoutMs = 500; // as the copy opens the port

// Shows nothing, but hands every line to the console log as the terminal pane does.
class ShownLinesLog final : public kora::ConsoleLog {
public:
    int lineCount() const override { return 0; }
    void clear() override {}
    void appendLine(const std::string& text) override { kora::ConsoleLogFile::LogShownLine(text); }
};

class NamingUi final : public kora::DeviceActionUi {
public:
    std::deque<std::string> names;
    bool confirm(const std::string&) override { return true; }
    void warning(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    std::optional<std::string> askName(const kora::NameRequest&) override
    {
        std::string name = names.front();
        names.pop_front();
        return name;
    }
    void showProperties(const kora::PropertiesTexts&) override {}
};

struct Figure {
    double seconds = 0;
    double wireSeconds = 0;
};

// What one action cost, and the wire time of the bytes the simulator saw go either way.
Figure Measure(kora::sim::Simulator& sim, const std::function<bool()>& action)
{
    const auto before = sim.bytesSent() + sim.bytesReceived();
    const auto start = Clock::now();
    if (!action()) {
        std::fprintf(stderr, "exchange_bench: an operation failed\n");
        std::exit(1);
    }
    const double seconds = Seconds(Clock::now() - start);
    const auto bytes = sim.bytesSent() + sim.bytesReceived() - before;
    return {seconds, static_cast<double>(bytes) * kByteSeconds};
}

Figure Median(std::vector<Figure> runs)
{
    std::sort(runs.begin(), runs.end(),
              [](const Figure& a, const Figure& b) { return a.seconds < b.seconds; });
    return runs[runs.size() / 2];
}

struct Row {
    const char* what;
    Figure quick;
    Figure patient;
};

void Print(const Row& row)
{
    std::printf("%-30s %8.3f s %8.3f s %6.2f | %8.3f s %8.3f s %6.2f | %5.2fx\n", row.what,
                row.quick.seconds, row.quick.wireSeconds, row.quick.seconds / row.quick.wireSeconds,
                row.patient.seconds, row.patient.wireSeconds,
                row.patient.seconds / row.patient.wireSeconds,
                row.patient.seconds / row.quick.seconds);
}

class Bench {
public:
    explicit Bench(kora::test::SimRunner& runner) : runner_(runner)
    {
        auto& fs = runner_.sim().fileSystem();
        fs.makeDirectory("D:\\BENCH");
        for (int i = 0; i < 100; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "D:\\BENCH\\FILE%04d.DAT", i);
            fs.writeFile(name, std::string(static_cast<std::size_t>(i) * 97, 'x'));
        }
        kora::sim::RegisterTransferCommand(runner_.sim());
    }

    Figure dir(kora::ExchangeTiming timing) { return repeat(dirAction(timing)); }
    Figure listing(kora::ExchangeTiming timing) { return repeat(listingAction(timing)); }

    // One "dir" in the root of D: (a listing before may have left the console in \BENCH).
    std::function<bool()> dirAction(kora::ExchangeTiming timing)
    {
        run(kora::GenericCommand("d:\r"));
        run(kora::GenericCommand("cd\\\r"));
        return [this, timing] {
            kora::DeviceOperation op = kora::GenericCommand("dir\r");
            op.timing = timing;
            return run(op);
        };
    }
    std::function<bool()> listingAction(kora::ExchangeTiming timing)
    {
        timing_ = timing;
        return [this] {
            browser_.ShowDeviceFolder("\\BENCH");
            return browser_.entries().size() == 100;
        };
    }

    Figure makeDirectory(kora::ExchangeTiming timing)
    {
        timing_ = timing;
        std::vector<Figure> runs;
        for (int i = 0; i < kRuns; ++i) {
            browser_.ShowDeviceFolder("\\");
            const auto count = browser_.entries().size();
            ui_.names.push_back("NEWDIR");
            runs.push_back(Measure(runner_.sim(), [&] {
                actions_.MakeDirectory1Click();
                return browser_.entries().size() == count + 1;
            }));
            runner_.sim().fileSystem().removeDirectory("D:\\NEWDIR");
        }
        return Median(runs);
    }

    // The whole upload less its block phase; one run. With a receiver that refuses the end
    // but keeps the file, the worker's listing that decides is among the fixed costs.
    Figure uploadFixedCosts(kora::ExchangeTiming timing,
                            int transferEnd = kora::sim::Faults::kTransferEndAsUsual)
    {
        runner_.sim().faults().transferEnd = transferEnd;
        const auto file = runner_.tempDir().path() / "UPLOAD.BIN";
        std::ofstream(file, std::ios::binary) << std::string(kUploadSize, '\x5A');
        kora::SerialPort port(runner_.portName());
        if (!port.Open() ||
            !port.SetCommParams(kBaud, 8, kora::Parity::None, kora::StopBits::One) ||
            !port.SetTimeouts(kUploadTimeoutMs)) {
            std::fprintf(stderr, "exchange_bench: cannot open %s\n", runner_.portName().c_str());
            std::exit(1);
        }
        StatusTimes log;
        kora::TThreadXModem worker;
        worker.Port = &port;
        worker.StatusMemo = &log;
        worker.LocalPath = file.string();
        worker.DeviceName = "D:\\UPLOAD.BIN";
        worker.Timing = timing;
        Figure whole = Measure(runner_.sim(), [&] {
            worker.Resume();
            while (worker.TransferResult.load() == kora::TThreadXModem::kRunning) {
                QCoreApplication::processEvents();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            if (worker.TransferResult.load() != 0) {
                std::fprintf(stderr, "exchange_bench: the upload failed: %s\n",
                             worker.Status.c_str());
                return false;
            }
            return true;
        });
        runner_.sim().faults().transferEnd = kora::sim::Faults::kTransferEndAsUsual;
        const auto end = log.times.contains(kora::TThreadXModem::kGetAckForEot)
                             ? log.times[kora::TThreadXModem::kGetAckForEot]
                             : log.times[kora::TThreadXModem::kEndRefused];
        const double blocks = Seconds(end - log.times["<<Transferring File...>>"]);
        // Each block is 132 bytes out and an ACK back; then the EOT and its ACK.
        const double blockWire = (kUploadSize / 128 * 133.0 + 2.0) * kByteSeconds;
        return {whole.seconds - blocks, whole.wireSeconds - blockWire};
    }

private:
    bool run(const kora::DeviceOperation& op)
    {
        return kora::RunDeviceOperation(runner_.portName(), op, log_).ok;
    }
    Figure repeat(const std::function<bool()>& action)
    {
        std::vector<Figure> runs;
        for (int i = 0; i < kRuns; ++i) {
            runs.push_back(Measure(runner_.sim(), action));
        }
        return Median(runs);
    }

    kora::test::SimRunner& runner_;
    ShownLinesLog log_;
    kora::ExchangeTiming timing_ = kora::ExchangeTiming::Quick;
    kora::DeviceBrowser browser_{[this](kora::DeviceOperation op) {
        op.timing = timing_;
        return kora::RunDeviceOperation(runner_.portName(), op, log_);
    }};
    NamingUi ui_;
    kora::DeviceMenuActions actions_{browser_, ui_};
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    kora::sim::SimulatorOptions options;
    options.baudRate = kBaud;
    kora::test::SimRunner runner(options);
    if (!runner.ok()) {
        std::fprintf(stderr, "exchange_bench: %s\n", runner.error().c_str());
        return 1;
    }
    Bench bench(runner);
    using kora::ExchangeTiming;
    std::printf("The exchange at %u baud, T = 200 ms (upload T = %u ms); wire = the bytes that "
                "crossed the line\n",
                kBaud, kUploadTimeoutMs);
    std::printf("%-30s %10s %10s %6s | %10s %10s %6s | %6s\n", "", "quick", "wire", "ratio",
                "patient", "wire", "ratio", "gain");
    const Row rows[] = {
        {"one dir", bench.dir(ExchangeTiming::Quick), bench.dir(ExchangeTiming::Patient)},
        {"100-entry listing", bench.listing(ExchangeTiming::Quick),
         bench.listing(ExchangeTiming::Patient)},
        {"make directory + refresh", bench.makeDirectory(ExchangeTiming::Quick),
         bench.makeDirectory(ExchangeTiming::Patient)},
        {"64 KiB upload, fixed costs", bench.uploadFixedCosts(ExchangeTiming::Quick),
         bench.uploadFixedCosts(ExchangeTiming::Patient)},
        {"... end refused, listing check",
         bench.uploadFixedCosts(ExchangeTiming::Quick, kora::sim::Faults::kTransferEndRefusedKept),
         bench.uploadFixedCosts(ExchangeTiming::Patient,
                                kora::sim::Faults::kTransferEndRefusedKept)},
    };
    for (const Row& row : rows) {
        Print(row);
    }

    // The console log: the same operations with it off, logging lines and logging raw bytes,
    // taken in turn so that the machine's drifting load weighs on all three alike; medians of
    // nine rounds.
    constexpr int kLogRounds = 9;
    std::string logError;
    const auto linesLog =
        kora::ConsoleLogFile::Open((runner.tempDir().path() / "lines.log").string(),
                                   kora::ConsoleLogFile::Mode::Lines, &logError);
    const auto rawLog =
        kora::ConsoleLogFile::Open((runner.tempDir().path() / "raw.log").string(),
                                   kora::ConsoleLogFile::Mode::RawReceived, &logError);
    const auto logged = [&](const std::function<std::function<bool()>()>& prepare) {
        std::vector<Figure> off, lines, raw;
        for (int round = 0; round < kLogRounds; ++round) {
            for (auto* log :
                 {static_cast<kora::ConsoleLogFile*>(nullptr), linesLog.get(), rawLog.get()}) {
                const std::function<bool()> action = prepare();
                kora::ConsoleLogFile::SetActive(log);
                const Figure figure = Measure(runner.sim(), action);
                kora::ConsoleLogFile::SetActive(nullptr);
                (log == nullptr ? off : log == linesLog.get() ? lines : raw).push_back(figure);
            }
        }
        return std::array<Figure, 3>{Median(off), Median(lines), Median(raw)};
    };
    const auto dirs = logged([&] { return bench.dirAction(ExchangeTiming::Quick); });
    const auto listings = logged([&] { return bench.listingAction(ExchangeTiming::Quick); });
    const std::pair<Figure, Figure> plain{dirs[0], listings[0]};
    std::printf("\nWith the console log (quick timing, medians of %d rounds in turn)\n"
                "%-30s %10s %10s %6s %10s %6s\n",
                kLogRounds, "", "no log", "lines", "ratio", "raw", "ratio");
    for (const auto& [what, figures] :
         {std::pair{"one dir", dirs}, std::pair{"100-entry listing", listings}}) {
        std::printf("%-30s %8.3f s %8.3f s %6.3f %8.3f s %6.3f\n", what, figures[0].seconds,
                    figures[1].seconds, figures[1].seconds / figures[0].seconds, figures[2].seconds,
                    figures[2].seconds / figures[0].seconds);
    }

    // A USB adapter's latency timer: every echo waits for it unless the driver's low-latency
    // flag is set.
    options.usbLatencyMs = 16;
    kora::test::SimRunner usbRunner(options, "COM2");
    if (!usbRunner.ok()) {
        std::fprintf(stderr, "exchange_bench: %s\n", usbRunner.error().c_str());
        return 1;
    }
    Bench usb(usbRunner);
    const Figure usbDir = usb.dir(ExchangeTiming::Quick);
    const Figure usbListing = usb.listing(ExchangeTiming::Quick);
    std::printf("\nOutput held as by a USB adapter, 16 ms latency (quick timing)\n"
                "%-30s %10s %10s %6s\n",
                "", "no latency", "16 ms", "ratio");
    std::printf("%-30s %8.3f s %8.3f s %6.2f\n", "one dir", plain.first.seconds, usbDir.seconds,
                usbDir.seconds / plain.first.seconds);
    std::printf("%-30s %8.3f s %8.3f s %6.2f\n", "100-entry listing", plain.second.seconds,
                usbListing.seconds, usbListing.seconds / plain.second.seconds);
    return 0;
}
