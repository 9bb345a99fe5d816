// term: the window's terminal on the user's own terminal. The controller's output is a plain
// byte stream here and goes to standard output unchanged (Latin-1 shown as the local text): the
// user's terminal does the line handling, wrapping and bell that the pane's printer does for
// the pane. Keys go through TerminalInput, so they reach the controller as the pane sends them.
//
// One thread does everything, as all port I/O of the window's terminal happens on one thread:
// it takes what the controller sent (a read waits at most 20 ms on the 10 ms time-outs), then
// what the user typed.
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <thread>

#include "cli/CliConsoleLog.h"
#include "cli/Commands.h"
#include "cli/RawTerminal.h"
#include "cli/StopSignals.h"
#include "cli/TerminalInput.h"
#include "link/ConsoleLogFile.h"
#include "link/PortFailureText.h"
#include "link/PortNames.h"
#include "link/ReturningDevice.h"
#include "link/SerialPort.h"
#include "terminal/TerminalSession.h"

namespace kora::cli {

namespace {

constexpr std::size_t kOutputChunk = 256;
constexpr std::size_t kInputChunk = 256;
// A sequence a terminal sends for one key arrives at once; an Escape followed by nothing for
// this long was the Escape key.
constexpr int kEscapeWaitMs = 30;
// Keys that arrive together were pasted: the pane gives the controller 10 ms for each pasted
// character.
constexpr auto kPastePause = std::chrono::milliseconds(10);
// After the end of piped input, output is shown until the controller has been quiet this long.
constexpr auto kQuietAfterInput = std::chrono::milliseconds(500);

bool InputReady(int fd, int timeoutMs)
{
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, timeoutMs) > 0;
}

bool WriteAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// Ignores SIGPIPE while it lives, so that a closed output ends the session in good order.
class NoBrokenPipeSignal {
public:
    NoBrokenPipeSignal() { previous_ = std::signal(SIGPIPE, SIG_IGN); }
    ~NoBrokenPipeSignal() { std::signal(SIGPIPE, previous_); }
    NoBrokenPipeSignal(const NoBrokenPipeSignal&) = delete;
    NoBrokenPipeSignal& operator=(const NoBrokenPipeSignal&) = delete;

private:
    void (*previous_)(int) = nullptr;
};

void SendKeys(SerialPort& port, const std::vector<std::string>& keys)
{
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (i > 0) {
            std::this_thread::sleep_for(kPastePause);
        }
        // Output the controller sent meanwhile stays in the port for the next read. A line that
        // is gone is noticed by that read, which ends the session.
        static_cast<void>(port.Write(keys[i], InputPurge::Keep));
    }
}

enum class SessionEnd { Left, Stopped, InputEnded, OutputClosed, LineLost };

SessionEnd Converse(SerialPort& port)
{
    TerminalInput input;
    bool inputEnded = false;
    auto lastOutput = std::chrono::steady_clock::now();
    std::string output;
    for (;;) {
        if (StopSignals::received()) {
            return SessionEnd::Stopped;
        }
        output.clear();
        std::uint8_t byte = 0;
        while (output.size() < kOutputChunk && port.Read(1, &byte)) {
            output += static_cast<char>(byte);
        }
        if (!port.isOpen()) {
            return SessionEnd::LineLost;
        }
        if (!output.empty()) {
            ConsoleLogFile::LogShownStream(reinterpret_cast<const std::uint8_t*>(output.data()),
                                           output.size());
            lastOutput = std::chrono::steady_clock::now();
            if (!WriteAll(STDOUT_FILENO, ConsoleTextForTerminal(output))) {
                return SessionEnd::OutputClosed;
            }
        }
        if (inputEnded) {
            if (std::chrono::steady_clock::now() - lastOutput > kQuietAfterInput) {
                return SessionEnd::InputEnded;
            }
            continue;
        }
        if (!InputReady(STDIN_FILENO, 0)) {
            continue;
        }
        char chunk[kInputChunk];
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (got <= 0) {
            inputEnded = true;
            SendKeys(port, input.flush());
            continue;
        }
        std::vector<std::string> keys = input.feed({chunk, static_cast<std::size_t>(got)});
        if (input.escapePending() && !InputReady(STDIN_FILENO, kEscapeWaitMs)) {
            const std::vector<std::string> escape = input.flush();
            keys.insert(keys.end(), escape.begin(), escape.end());
        }
        SendKeys(port, keys);
        if (input.leaveRequested()) {
            return SessionEnd::Left;
        }
    }
}

bool OpenTerminalPort(SerialPort& port)
{
    if (!port.Open()) {
        return false;
    }
    // Not checked: a line that refused its settings shows it in what comes back.
    static_cast<void>(port.SetCommParams(57600, 8, Parity::None, StopBits::One));
    port.SetTimeouts(TerminalSession::kPortTimeoutMs);
    return true;
}

// A line of the tool's own between the controller's output, on a terminal in raw mode.
void Announce(const QString& text)
{
    const std::string line = "\r\n" + text.toLocal8Bit().toStdString() + "\r\n";
    static_cast<void>(WriteAll(STDERR_FILENO, line));
    ConsoleLogFile::FinishShownStream();
    ConsoleLogFile::LogShownLine(text.toLatin1().toStdString());
}

// Waits for the lost line's device to come back and opens it (Left, with port open); Ctrl-]
// leaves instead (Left, port null), and so do the stop signals (Stopped). The wait wakes when
// the system reports device nodes or port links coming or going; nothing is opened before the
// device is there.
SessionEnd WaitForReturn(const ReturningDevice& device, std::unique_ptr<SerialPort>& port)
{
    const UniqueFd events(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    for (const std::filesystem::path& folder :
         {PortsFolder(), std::filesystem::path("/dev"), std::filesystem::path("/dev/serial/by-id"),
          std::filesystem::path("/dev/pts")}) {
        if (events) {
            ::inotify_add_watch(events.get(), folder.c_str(), IN_CREATE | IN_ATTRIB | IN_MOVED_TO);
        }
    }
    TerminalInput input;
    for (;;) {
        if (StopSignals::received()) {
            port.reset();
            return SessionEnd::Stopped;
        }
        if (const std::optional<std::string> where = device.whereNow()) {
            auto reopened = std::make_unique<SerialPort>(*where);
            if (OpenTerminalPort(*reopened)) {
                port = std::move(reopened);
                return SessionEnd::Left;
            }
        }
        // The events only shorten the wait; a second at most between two looks.
        pollfd watch[2] = {{STDIN_FILENO, POLLIN, 0}, {events.get(), POLLIN, 0}};
        if (::poll(watch, events ? 2 : 1, 1000) <= 0) {
            continue;
        }
        if (watch[1].revents & POLLIN) {
            char drain[4096];
            while (::read(events.get(), drain, sizeof drain) > 0) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100)); // udev's links follow
        }
        if (watch[0].revents & POLLIN) {
            char chunk[kInputChunk];
            const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (got > 0) {
                static_cast<void>(input.feed({chunk, static_cast<std::size_t>(got)}));
            }
            if (got == 0 || input.leaveRequested()) {
                port.reset();
                return SessionEnd::Left;
            }
        }
    }
}

} // namespace

int RunTerm(CommandContext& context)
{
    CliSession& session = context.session;
    if (!session.port()) {
        return session.failNoPort();
    }
    const QString portName = QString::fromLocal8Bit(session.port()->c_str());
    session.releasePort(); // the terminal keeps a port of its own, reopened when it returns
    auto port = std::make_unique<SerialPort>(*session.port());
    if (!OpenTerminalPort(*port)) {
        QString message = TerminalSession::OpenFailureText(portName);
        if (const std::string hint = KnownOpenFailureReason(*port); !hint.empty()) {
            message += QStringLiteral("\n\n") + QString::fromLocal8Bit(hint.c_str());
        }
        return session.fail(message);
    }
    // Taken while the device is there: a pulled adapter's by-id link is gone at once.
    const ReturningDevice device(*session.port(), port->devicePath());
    const bool reconnect = !context.options.isSet(QStringLiteral("no-reconnect"));

    const bool interactive = ::isatty(STDIN_FILENO) == 1;
    if (interactive) {
        std::fprintf(session.err(), "Connected to %s. Ctrl-] leaves.\n",
                     portName.toLocal8Bit().constData());
        std::fflush(session.err());
    }
    SessionEnd end = SessionEnd::Left;
    {
        const NoBrokenPipeSignal noBrokenPipe;
        const StopSignals stop;
        const RawTerminal raw(STDIN_FILENO);
        // As the pane does when it is switched on: the controller answers with a fresh prompt.
        static_cast<void>(port->Write(std::string("\r"), InputPurge::Keep));
        end = Converse(*port);
        while (end == SessionEnd::LineLost && reconnect) {
            port->Close();
            Announce(TerminalSession::LineLostText(portName) +
                     QStringLiteral(" Waiting for it to come back..."));
            end = WaitForReturn(device, port);
            if (end == SessionEnd::Left && port && port->isOpen()) {
                Announce(QStringLiteral("Reconnected to ") + portName + QLatin1Char('.'));
                static_cast<void>(port->Write(std::string("\r"), InputPurge::Keep));
                end = Converse(*port);
            }
        }
    }
    ConsoleLogFile::FinishShownStream();
    if (port) {
        port->Close();
    }
    if (interactive) {
        std::fputc('\n', session.err());
        std::fflush(session.err());
    }
    switch (end) {
    case SessionEnd::LineLost:
        return session.fail(QStringLiteral("the line to %1 was lost").arg(portName));
    case SessionEnd::OutputClosed:
        return session.fail(QStringLiteral("the output was closed"));
    case SessionEnd::Stopped:
        return kExitFailure;
    default:
        return kExitOk;
    }
}

} // namespace kora::cli
