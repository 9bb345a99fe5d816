// term: the window's terminal on the user's own terminal. The controller's output is a plain
// byte stream here and goes to standard output unchanged (Latin-1 shown as the local text): the
// user's terminal does the line handling, wrapping and bell that the pane's printer does for
// the pane. Keys go through TerminalInput, so they reach the controller as the pane sends them.
//
// One thread does everything, as all port I/O of the window's terminal happens on one thread:
// it takes what the controller sent (a read waits at most 20 ms on the 10 ms time-outs), then
// what the user typed.
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "cli/CliConsoleLog.h"
#include "cli/Commands.h"
#include "cli/RawTerminal.h"
#include "cli/StopSignals.h"
#include "cli/TerminalInput.h"
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
        // Output the controller sent meanwhile stays in the port for the next read.
        port.Write(keys[i], InputPurge::Keep);
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

} // namespace

int RunTerm(CommandContext& context)
{
    CliSession& session = context.session;
    if (!session.port()) {
        return session.failNoPort();
    }
    const QString portName = QString::fromLocal8Bit(session.port()->c_str());
    SerialPort port(*session.port());
    if (!port.Open()) {
        QString message = TerminalSession::OpenFailureText(portName);
        if (const std::string hint = port.openFailureHint(); !hint.empty()) {
            message += QStringLiteral("\n\n") + QString::fromLocal8Bit(hint.c_str());
        }
        return session.fail(message);
    }
    port.SetCommParams(57600, 8, 0, 0);
    port.SetTimeouts(TerminalSession::kPortTimeoutMs);
    WithTiming(port, session.timing());

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
        port.Write(std::string("\r"), InputPurge::Keep);
        end = Converse(port);
    }
    port.Close();
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
