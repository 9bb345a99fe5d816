// XMODEM upload figures on the simulator paced at 57600 baud:
//  1. A 64 KiB upload by the worker: wall time of the block phase next to the protocol bound
//     (132 bytes out and the ACK back on the wire, plus the 5 ms pause, per block), as a ratio,
//     and the whole upload (drain, typed command, EOT, closing output) beside it.
//  2. lrzsz's sx sending the same file to the simulator's transfer tool on the same line.
#include <QCoreApplication>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

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

    kora::sim::SimulatorOptions simOptions;
    simOptions.baudRate = kBaud;
    kora::sim::Simulator simulator(simOptions);
    auto tool = std::make_shared<kora::sim::TransferToolOptions>();
    kora::sim::RegisterTransferCommand(simulator, tool);
    std::string error;
    if (!simulator.start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    const auto folder = std::filesystem::temp_directory_path() / "kora-xmodem-bench";
    std::filesystem::create_directories(folder);
    const auto file = folder / "BENCH.BIN";
    const std::string bytes = RandomFile(file);

    const double bound = XmodemBound(kBlocks);
    const double wireOnly = kBlocks * (132 + 1) * kByteSeconds;
    std::printf("64 KiB = %zu blocks at %u baud; protocol bound %.3f s (wire alone %.3f s)\n",
                kBlocks, kBaud, bound, wireOnly);

    {
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
        std::printf("worker: result %d, stored %s\n", worker.TransferResult.load(),
                    stored && *stored == bytes ? "byte-exact" : "DIFFERENT");
        std::printf("worker: blocks + EOT %.3f s = %.3f x bound; whole upload %.3f s\n", blocks,
                    blocks / bound, Seconds(end - start));
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
        std::printf("sx: exit %d, %.3f s = %.3f x bound (its first NAK may wait up to %d ms)\n",
                    code.value_or(-1), elapsed, elapsed / bound, tool->inviteIntervalMs.load());
    }
    std::filesystem::remove_all(folder);
    return 0;
}
