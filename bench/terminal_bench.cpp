// Floods the terminal from the controller simulator at 57600 baud for a fixed time and reports
// whether every byte the controller sent reached the pane, and how long the GUI thread's events
// waited meanwhile and with the line idle (the printer's pane writes run there; the receive
// thread waits for the port and reads it on its own thread).
//
//   terminal_bench [seconds]     (default 3)

#include "sim/Simulator.h"
#include "terminal/ByteQueue.h"
#include "terminal/TerminalScreen.h"
#include "terminal/TerminalSession.h"
#include "terminal/TerminalThread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A pane that keeps only what the printer needs, plus a transcript of every completed line.
class TranscriptScreen : public kora::TerminalScreen {
public:
    int LineCount() const override { return lines_; }
    QString LastLine() const override { return last_; }
    void SetLastLine(const QString& text) override
    {
        lines_ = std::max(lines_, 1);
        last_ = text;
    }
    void AppendLine(const QString& text) override
    {
        // After a trim the refilled lines were counted already.
        if (!refilled_) {
            transcript.push_back(last_);
        }
        refilled_ = false;
        last_ = text;
        ++lines_;
    }
    void ReplaceLines(const QStringList& lines) override
    {
        lines_ = static_cast<int>(lines.size());
        last_ = lines.isEmpty() ? QString() : lines.last();
        refilled_ = true;
    }
    void SuspendRepaint() override { ++suspensions; }
    void ResumeRepaint() override {}
    void Bell() override {}

    std::vector<QString> transcript;
    int suspensions = 0;

private:
    int lines_ = 0;
    QString last_;
    bool refilled_ = false;
};

// Measures how long the GUI thread takes to handle an event posted to it from another thread
// every 10 ms: the time it is held by a synchronised call (a pane write) shows up here.
class LatencyProbe : public QObject {
public:
    LatencyProbe()
        : poster_([this] {
              while (!stop_) {
                  QCoreApplication::postEvent(this, new StampedEvent);
                  std::this_thread::sleep_for(10ms);
              }
          })
    {
    }
    ~LatencyProbe() override { Stop(); }
    void Stop()
    {
        stop_ = true;
        if (poster_.joinable()) {
            poster_.join();
        }
    }
    std::vector<double> waitsMs;

protected:
    void customEvent(QEvent* event) override
    {
        const auto posted = static_cast<StampedEvent*>(event)->posted;
        waitsMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - posted).count());
    }

private:
    struct StampedEvent : QEvent {
        StampedEvent() : QEvent(QEvent::User) {}
        Clock::time_point posted = Clock::now();
    };
    std::atomic<bool> stop_{false};
    std::thread poster_;
};

std::string Unescape(const std::string& text)
{
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            bytes.push_back(text[i]);
            continue;
        }
        const char code = text[++i];
        switch (code) {
        case 'r':
            bytes.push_back('\r');
            break;
        case 'n':
            bytes.push_back('\n');
            break;
        case 't':
            bytes.push_back('\t');
            break;
        case 'x':
            bytes.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
            i += 2;
            break;
        default:
            bytes.push_back(code);
            break;
        }
    }
    return bytes;
}

// Everything the simulator sent, from its byte log.
std::string SentBytes(const std::filesystem::path& log)
{
    std::ifstream in(log);
    std::string line;
    std::string sent;
    while (std::getline(in, line)) {
        const auto at = line.find(" TX ");
        if (at != std::string::npos) {
            sent += Unescape(line.substr(at + 4));
        }
    }
    return sent;
}

double Percentile(std::vector<double> values, double fraction)
{
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * double(values.size() - 1) + 0.5);
    return values[index];
}

// A thread that makes empty synchronised calls, to time one round trip through the GUI thread.
class CallLoop final : public kora::TerminalThread {
public:
    explicit CallLoop(int calls) : calls_(calls) {}
    ~CallLoop() override { TerminateAndWait(); }
    std::atomic<int> done{0};

protected:
    void Execute() override
    {
        const std::function<void()> nothing = [] {};
        while (Checkpoint() && done < calls_) {
            RunOnGui(nothing);
            ++done;
        }
    }

private:
    int calls_;
};

template <typename Condition>
bool RunEventsUntil(Condition condition, std::chrono::milliseconds limit)
{
    const auto end = Clock::now() + limit;
    QTimer tick;
    tick.start(5);
    while (!condition() && Clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return condition();
}

void Type(kora::TerminalSession& session, const std::string& text)
{
    for (char c : text) {
        session.TypeCharacter(static_cast<std::uint8_t>(c));
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    const auto logPath = std::filesystem::temp_directory_path() /
                         ("kora-terminal-bench-" + std::to_string(::getpid()) + ".log");
    kora::sim::SimulatorOptions options;
    options.baudRate = 57600;
    options.flood = true;
    options.byteLog = logPath;
    kora::sim::Simulator simulator(options);
    std::string error;
    if (!simulator.start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }

    TranscriptScreen screen;
    kora::TerminalSession session(screen);
    if (!session.SwitchOn(simulator.terminalPath())) {
        std::fprintf(stderr, "%s\n",
                     qPrintable(kora::TerminalSession::OpenFailureText(
                         QString::fromStdString(simulator.terminalPath()))));
        return 1;
    }
    RunEventsUntil([&] { return screen.LastLine().endsWith('>'); }, 5s);

    Type(session, "D:\r");
    RunEventsUntil([&] { return screen.LastLine() == "D:\\>"; }, 5s);
    auto probe = std::make_unique<LatencyProbe>();
    Type(session, "FLOOD\r");
    const auto floodStart = Clock::now();
    RunEventsUntil([] { return false; }, std::chrono::seconds(seconds));
    probe->Stop();
    const double floodOnlySeconds =
        std::chrono::duration<double>(Clock::now() - floodStart).count();
    std::size_t shownWhileFlooding = 0;
    for (const QString& line : screen.transcript) {
        shownWhileFlooding += static_cast<std::size_t>(line.size()) + 2;
    }
    Type(session, "A\r");

    // Let the output run dry: the abort message, the prompt and nothing after it for a while.
    std::size_t lastSeen = 0;
    auto quietSince = Clock::now();
    RunEventsUntil(
        [&] {
            if (screen.transcript.size() != lastSeen || session.Queue().Size() != 0) {
                lastSeen = screen.transcript.size();
                quietSince = Clock::now();
            }
            return Clock::now() - quietSince > 1s;
        },
        30s);
    const double floodSeconds = std::chrono::duration<double>(Clock::now() - floodStart).count();

    // With the line quiet the receiver waits on its own thread: nothing should hold this one.
    RunEventsUntil([] { return false; }, 100ms); // the flood probe's last events
    auto idleProbe = std::make_unique<LatencyProbe>();
    RunEventsUntil([] { return false; }, 2s);
    idleProbe->Stop();
    RunEventsUntil([] { return false; }, 100ms);
    session.SwitchOff();
    simulator.stop();

    const std::string sent = SentBytes(logPath);
    std::filesystem::remove(logPath);
    std::size_t shown = static_cast<std::size_t>(screen.LastLine().size());
    std::size_t floodLines = 0;
    std::size_t gaps = 0;
    unsigned long expectedNumber = 1;
    for (const QString& line : screen.transcript) {
        shown += static_cast<std::size_t>(line.size()) + 2; // each line came with CR LF
        if (line.startsWith("FLOOD ")) {
            ++floodLines;
            if (line.mid(6, 8).toULong() != expectedNumber) {
                ++gaps;
            }
            expectedNumber = line.mid(6, 8).toULong() + 1;
        }
    }

    constexpr int kCalls = 20000;
    CallLoop calls(kCalls);
    const auto callsStart = Clock::now();
    calls.Resume();
    RunEventsUntil([&] { return calls.done == kCalls; }, 60s);
    const double callMicros =
        std::chrono::duration<double, std::micro>(Clock::now() - callsStart).count() / kCalls;

    std::printf("flood at 57600 baud for %d s (%.1f s until the pane was quiet)\n", seconds,
                floodSeconds);
    std::printf("bytes sent by the controller: %zu\n", sent.size());
    std::printf("bytes shown in the pane:      %zu  (%s)\n", shown,
                shown == sent.size() ? "equal" : "DIFFERENT");
    std::printf("flood lines shown: %zu, out of sequence: %zu, repaint suspensions: %d\n",
                floodLines, gaps, screen.suspensions);
    std::printf(
        "GUI event latency while flooding (%zu probes): median %.2f ms, p99 %.2f ms, max %.2f ms\n",
        probe->waitsMs.size(), Percentile(probe->waitsMs, 0.5), Percentile(probe->waitsMs, 0.99),
        Percentile(probe->waitsMs, 1.0));
    std::printf("GUI event latency with the line idle: median %.2f ms, p99 %.2f ms, max %.2f ms\n",
                Percentile(idleProbe->waitsMs, 0.5), Percentile(idleProbe->waitsMs, 0.99),
                Percentile(idleProbe->waitsMs, 1.0));
    std::printf("throughput: %.0f bytes/s shown while flooding (the line carries 5760)\n",
                double(shownWhileFlooding) / floodOnlySeconds);
    std::printf("one synchronised call through the GUI thread: %.1f us\n", callMicros);
    return shown == sent.size() && gaps == 0 ? 0 : 2;
}
