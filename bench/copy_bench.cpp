// Four 16 KiB files copied through the transfer dialog to the simulator paced at 57600 baud.
// The block phases of the four files (from "<<Transferring File...>>" to "<<Get ACK for EOT>>")
// are set against four times the protocol bound of one file (132 bytes out and the ACK back on
// the wire, plus the 5 ms pause, per block), as a ratio. The exchanges around each file (the
// drain before it, the typed start command and the receiver's first NAK, EOT and the closing
// output) and the dialog's own delays are printed beside it, and the whole wall time.
#include <QApplication>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchKit.h"
#include "link/SerialPort.h"
#include "sim/DosFileSystem.h"
#include "sim/Simulator.h"
#include "transfer/CopyPlan.h"
#include "transfer/KoraTranDialog.h"

namespace {

using namespace kora::bench;

constexpr int kFiles = 4;
constexpr std::size_t kFileSize = 16 * 1024;
constexpr std::size_t kBlocks = kFileSize / 128;

// Every status line with the moment it appeared.
class TimedLog final : public kora::ConsoleLog {
public:
    int lineCount() const override { return static_cast<int>(lines.size()); }
    void clear() override {}
    void appendLine(const std::string& text) override { lines.push_back({text, Clock::now()}); }

    struct Line {
        std::string text;
        Clock::time_point at;
    };
    std::vector<Line> lines;

    // When each line with that text appeared, in order.
    std::vector<Clock::time_point> times(const std::string& text) const
    {
        std::vector<Clock::time_point> found;
        for (const Line& line : lines) {
            if (line.text.rfind(text, 0) == 0) {
                found.push_back(line.at);
            }
        }
        return found;
    }
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);

    kora::sim::SimulatorOptions simOptions;
    simOptions.baudRate = kBaud;
    kora::sim::Simulator simulator(simOptions);
    std::string error;
    if (!simulator.start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    const auto folder = std::filesystem::temp_directory_path() / "kora-copy-bench";
    std::filesystem::create_directories(folder);
    std::vector<std::string> paths;
    std::vector<std::string> contents;
    for (int i = 0; i < kFiles; ++i) {
        std::string bytes(kFileSize, '\0');
        for (std::size_t b = 0; b < bytes.size(); ++b) {
            bytes[b] = static_cast<char>((b * 31 + static_cast<std::size_t>(i) * 7) & 0xFF);
        }
        const auto path = folder / ("COPY" + std::to_string(i + 1) + ".BIN");
        std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        paths.push_back(path.string());
        contents.push_back(bytes);
    }

    const double bound = XmodemBound(kBlocks);
    std::printf("%d files of 16 KiB = %zu blocks each at %u baud; protocol bound %.3f s per "
                "file, %.3f s for all\n",
                kFiles, kBlocks, kBaud, bound, kFiles * bound);

    kora::SerialPort port(simulator.terminalPath());
    if (const auto failure = kora::OpenCopyPort(port)) {
        std::fprintf(stderr, "%s\n", failure->c_str());
        return 1;
    }
    TimedLog log;
    kora::TdlgKoraTran dialog;
    dialog.setPort(&port);
    dialog.setStatusMemo(&log);
    dialog.setDeviceDir("D:\\");
    dialog.setFileList(paths);
    const auto opened = Clock::now();
    dialog.exec();
    const auto closed = Clock::now();
    port.Close();

    int exact = 0;
    for (int i = 0; i < kFiles; ++i) {
        const auto stored =
            simulator.fileSystem().readFile("D:\\COPY" + std::to_string(i + 1) + ".BIN");
        exact += stored && *stored == contents[static_cast<std::size_t>(i)] ? 1 : 0;
    }
    const auto commands = log.times("C:\\transfer /R ");
    const auto blocksFrom = log.times("<<Transferring File...>>");
    const auto blocksTo = log.times("<<Get ACK for EOT>>");
    if (commands.size() != kFiles || blocksFrom.size() != kFiles || blocksTo.size() != kFiles) {
        std::fprintf(stderr, "the queue did not send every file (%zu, %zu, %zu)\n", commands.size(),
                     blocksFrom.size(), blocksTo.size());
        return 1;
    }
    double blocks = 0;
    for (int i = 0; i < kFiles; ++i) {
        blocks += Seconds(blocksTo[i] - blocksFrom[i]);
    }
    std::printf("stored byte-exact: %d of %d\n", exact, kFiles);
    std::printf("block phases: %.3f s = %.3f x bound\n", blocks, blocks / (kFiles * bound));
    std::printf("whole copy in the dialog: %.3f s = %.3f x bound\n", Seconds(closed - opened),
                Seconds(closed - opened) / (kFiles * bound));

    // Around the blocks, per file: before (the drain of stale input, after the previous file's
    // closing output) the start command and the NAK; after, EOT's answer and the closing output.
    std::printf("per file, outside the block phase:\n");
    Clock::time_point previousEnd = opened;
    for (int i = 0; i < kFiles; ++i) {
        const double before = Seconds(commands[i] - previousEnd);
        const double start = Seconds(blocksFrom[i] - commands[i]);
        std::printf("  file %d: %.3f s up to its command (%s), %.3f s command and NAK\n", i + 1,
                    before,
                    i == 0 ? "the dialog's 150 ms, then the drain"
                           : "closing output of the previous file, then the drain",
                    start);
        previousEnd = blocksTo[i];
    }
    std::printf("  after the last: %.3f s closing output and the dialog's 200 ms\n",
                Seconds(closed - blocksTo[kFiles - 1]));
    std::filesystem::remove_all(folder);
    return exact == kFiles ? 0 : 1;
}
