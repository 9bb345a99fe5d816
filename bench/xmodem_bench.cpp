// XMODEM upload figures on the simulator paced at 57600 baud:
//  1. A 64 KiB upload by the worker, paced and fast: wall time of the block phase next to its
//     protocol bound (132 bytes out and the ACK back on the wire per block, plus the 5 ms pause
//     when paced), as a ratio, and the whole upload (drain, typed command, EOT, closing output)
//     beside it.
//  2. lrzsz's sx sending the same file to the simulator's transfer tool on the same line,
//     against the unpaced bound.
//  3. The three block phases measured alike on the simulator's side, from its byte log: from the
//     first byte of block 1 to the ACK of the EOT.
#include <QCoreApplication>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchKit.h"
#include "ChildProcess.h"
#include "sim/DosFileSystem.h"
#include "sim/Simulator.h"
#include "sim/XmodemReceiver.h"
#include "support/PtyPair.h"
#include "transfer/TThreadXModem.h"

namespace {

using namespace kora::bench;

constexpr std::size_t kFileSize = 64 * 1024;
constexpr std::size_t kBlocks = kFileSize / 128;
constexpr std::uint32_t kTimeoutMs = 500; // as the copy opens the port

// The block phases in the simulator's byte log ("  12.345 RX \\x01\\x01\\xFE..."), in order: from
// the burst that starts block 1 to the ACK that answers a lone EOT (the closing output may
// follow the ACK in its burst).
std::vector<double> BlockPhasesFromLog(const std::filesystem::path& path)
{
    std::vector<double> phases;
    std::ifstream in(path);
    std::string line;
    std::optional<double> start;
    bool eotSeen = false;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        double at = 0;
        std::string direction;
        std::string bytes;
        fields >> at >> direction >> bytes;
        if (!start) {
            if (direction == "RX" && bytes.rfind("\\x01\\x01\\xFE", 0) == 0) {
                start = at;
            }
        } else if (direction == "RX") {
            eotSeen = bytes == "\\x04";
        } else if (eotSeen && bytes.rfind("\\x06", 0) == 0) {
            phases.push_back(at - *start);
            start.reset();
            eotSeen = false;
        }
    }
    return phases;
}

std::string RandomFile(const std::filesystem::path& path)
{
    std::mt19937 generator(64);
    std::string bytes(kFileSize, '\0');
    for (auto& c : bytes) {
        c = static_cast<char>(generator() & 0xFF);
    }
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);

    const auto folder = std::filesystem::temp_directory_path() / "kora-xmodem-bench";
    std::filesystem::create_directories(folder);
    kora::sim::SimulatorOptions simOptions;
    simOptions.baudRate = kBaud;
    simOptions.byteLog = folder / "line.log";
    kora::sim::Simulator simulator(simOptions);
    auto tool = std::make_shared<kora::sim::TransferToolOptions>();
    kora::sim::RegisterTransferCommand(simulator, tool);
    std::string error;
    if (!simulator.start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    const auto file = folder / "BENCH.BIN";
    const std::string bytes = RandomFile(file);

    const double pacedBound = XmodemBound(kBlocks);
    const double unpacedBound = XmodemUnpacedBound(kBlocks);
    std::printf("64 KiB = %zu blocks at %u baud; protocol bound %.3f s paced, %.3f s unpaced "
                "(the wire alone)\n",
                kBlocks, kBaud, pacedBound, unpacedBound);

    for (const kora::UploadPacing pacing : {kora::UploadPacing::Paced, kora::UploadPacing::Fast}) {
        const bool fast = pacing == kora::UploadPacing::Fast;
        const double bound = fast ? unpacedBound : pacedBound;
        const char* name = fast ? "worker, fast" : "worker, paced";
        static_cast<void>(simulator.fileSystem().deleteFile("D:\\BENCH.BIN"));
        kora::SerialPort port(simulator.terminalPath());
        if (!port.Open() ||
            !port.SetCommParams(kBaud, 8, kora::Parity::None, kora::StopBits::One) ||
            !port.SetTimeouts(kTimeoutMs)) {
            std::fprintf(stderr, "cannot open %s\n", simulator.terminalPath().c_str());
            return 1;
        }
        StatusTimes log;
        kora::TThreadXModem worker;
        worker.Port = &port;
        worker.StatusMemo = &log;
        worker.LocalPath = file.string();
        worker.DeviceName = "D:\\BENCH.BIN";
        worker.Pacing = pacing;
        const auto start = Clock::now();
        worker.Resume();
        while (worker.TransferResult.load() == kora::TThreadXModem::kRunning) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const auto end = Clock::now();
        const auto blocksFrom = log.times["<<Transferring File...>>"];
        const auto blocksTo = log.times["<<Get ACK for EOT>>"];
        const double blocks = Seconds(blocksTo - blocksFrom);
        const auto stored = simulator.fileSystem().readFile("D:\\BENCH.BIN");
        std::printf("%s: result %d, stored %s\n", name, worker.TransferResult.load(),
                    stored && *stored == bytes ? "byte-exact" : "DIFFERENT");
        std::printf("%s: blocks + EOT %.3f s = %.3f x %s bound; whole upload %.3f s\n", name,
                    blocks, blocks / bound, fast ? "unpaced" : "paced", Seconds(end - start));
    }

    {
        const int terminal =
            ::open(simulator.terminalPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        kora::test::MakeRaw(terminal);
        while (kora::test::ReadByteWithin(terminal, std::chrono::milliseconds(300))) {
        }
        if (!kora::test::TypeWithEcho(terminal, "C:\\transfer /R D:\\SX.BIN\r")) {
            std::fprintf(stderr, "the console did not echo the command\n");
            return 1;
        }
        kora::test::ChildProcess sx;
        const auto start = Clock::now();
        if (!sx.start({"sx", "-b", file.string()}, terminal, folder, folder / "sx.log")) {
            std::fprintf(stderr, "cannot start sx\n");
            return 1;
        }
        const auto code = sx.waitForExit(std::chrono::seconds(120));
        const double elapsed = Seconds(Clock::now() - start);
        ::close(terminal);
        std::printf("sx: exit %d, %.3f s = %.3f x unpaced bound (its first NAK may wait up to "
                    "%d ms)\n",
                    code.value_or(-1), elapsed, elapsed / unpacedBound,
                    tool->inviteIntervalMs.load());
    }

    simulator.stop();
    const std::vector<double> phases = BlockPhasesFromLog(folder / "line.log");
    if (phases.size() == 3) {
        std::printf("on the simulator's side, first block to ACK of EOT: paced %.3f s = %.3f x "
                    "paced bound; fast %.3f s = %.3f x, sx %.3f s = %.3f x unpaced bound\n",
                    phases[0], phases[0] / pacedBound, phases[1], phases[1] / unpacedBound,
                    phases[2], phases[2] / unpacedBound);
    } else {
        std::printf("the byte log shows %zu block phases, not 3\n", phases.size());
    }
    std::filesystem::remove_all(folder);
    return 0;
}
