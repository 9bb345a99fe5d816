// Figures for the serial link on a pseudo-terminal: how fast ReadLine takes output lines, and
// how many characters a second SendCommand types with its echo check. The controller's line
// runs at 57600 baud, about 5760 bytes a second; each figure is also given as a multiple of
// that rate, since the machines that run this differ too much for absolute times to compare.
#include <benchmark/benchmark.h>

#include <atomic>
#include <string>
#include <thread>

#include <poll.h>
#include <unistd.h>

#include "BenchKit.h"
#include "link/ConsoleExchange.h"
#include "support/PtyPair.h"

namespace {

constexpr double kLineBytesPerSecond = 57600.0 / 10.0;

// The far end of a pseudo-terminal: floods lines or echoes bytes until stopped.
class BenchPeer {
public:
    enum class Mode { Flood, Echo };
    explicit BenchPeer(Mode mode)
        : thread_([this, mode] { mode == Mode::Flood ? flood() : echo(); })
    {
    }
    ~BenchPeer()
    {
        stop_ = true;
        thread_.join();
    }
    // Empty when no pseudo-terminal could be had: the port's open fails then.
    const std::string& path() const { return pty_.slavePath(); }

private:
    void flood()
    {
        const std::string line = std::string(62, 'x') + "\r\n";
        std::size_t offset = 0;
        while (!stop_) {
            pollfd watch{master_, POLLOUT, 0};
            if (::poll(&watch, 1, 10) <= 0 || !(watch.revents & POLLOUT)) {
                continue;
            }
            const ssize_t n = ::write(master_, line.data() + offset, line.size() - offset);
            if (n > 0) {
                offset = (offset + static_cast<std::size_t>(n)) % line.size();
            }
        }
    }
    void echo()
    {
        char buffer[256];
        while (!stop_) {
            pollfd watch{master_, POLLIN, 0};
            if (::poll(&watch, 1, 10) <= 0 || !(watch.revents & POLLIN)) {
                continue;
            }
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) {
                (void)!::write(master_, buffer, static_cast<std::size_t>(n));
            }
        }
    }

    kora::test::PtyPair pty_;
    const int master_ = pty_.masterFd();
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void ReadLineThroughput(benchmark::State& state)
{
    BenchPeer peer(BenchPeer::Mode::Flood);
    kora::SerialPort port(peer.path());
    if (!port.Open()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    port.LineEnd = 10;
    port.SetTimeouts(200);
    std::string text;
    std::size_t bytes = 0;
    for (auto _ : state) {
        text.clear();
        port.ReadLine(kora::kConsoleLineLimit, text);
        bytes += text.size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.counters["x_line_rate"] = benchmark::Counter(
        static_cast<double>(bytes) / kLineBytesPerSecond, benchmark::Counter::kIsRate);
}
BENCHMARK(ReadLineThroughput)->UseRealTime();

void EchoCheckedTyping(benchmark::State& state)
{
    BenchPeer peer(BenchPeer::Mode::Echo);
    kora::SerialPort port(peer.path());
    if (!port.Open()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    port.SetTimeouts(200);
    kora::bench::NullLog log;
    const std::string command = "dir/s D:\\SOME\\FOLDER\r";
    std::size_t typed = 0;
    for (auto _ : state) {
        if (kora::SendCommand(port, log, command) != kora::CommandSent::Yes) {
            state.SkipWithError("echo lost");
            break;
        }
        typed += command.size();
    }
    state.counters["chars_per_s"] =
        benchmark::Counter(static_cast<double>(typed), benchmark::Counter::kIsRate);
    state.counters["x_line_rate"] = benchmark::Counter(
        static_cast<double>(typed) / kLineBytesPerSecond, benchmark::Counter::kIsRate);
}
BENCHMARK(EchoCheckedTyping)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
