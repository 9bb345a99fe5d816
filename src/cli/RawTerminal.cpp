#include "cli/RawTerminal.h"

#include <csignal>
#include <unistd.h>

namespace kora::cli {

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kFatalSignalCount = sizeof kFatalSignals / sizeof kFatalSignals[0];

// What the crash handler puts back; written before the handlers are installed.
int crashFd = -1;
termios crashSettings{};
struct sigaction previousHandlers[kFatalSignalCount] {};

extern "C" void RestoreThenDie(int signal)
{
    ::tcsetattr(crashFd, TCSANOW, &crashSettings); // async-signal-safe
    for (int i = 0; i < kFatalSignalCount; ++i) {
        if (kFatalSignals[i] == signal) {
            sigaction(signal, &previousHandlers[i], nullptr);
        }
    }
    ::raise(signal);
}

} // namespace

RawTerminal::RawTerminal(int fd) : fd_(fd)
{
    if (::isatty(fd) != 1 || ::tcgetattr(fd, &saved_) != 0) {
        return;
    }
    crashFd = fd;
    crashSettings = saved_;
    struct sigaction action {};
    action.sa_handler = RestoreThenDie;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < kFatalSignalCount; ++i) {
        sigaction(kFatalSignals[i], &action, &previousHandlers[i]);
    }
    termios raw = saved_;
    ::cfmakeraw(&raw);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    active_ = ::tcsetattr(fd, TCSANOW, &raw) == 0;
}

RawTerminal::~RawTerminal()
{
    if (crashFd != fd_) {
        return;
    }
    // Output already written reaches the screen before the settings change back.
    ::tcsetattr(fd_, TCSADRAIN, &saved_);
    for (int i = 0; i < kFatalSignalCount; ++i) {
        sigaction(kFatalSignals[i], &previousHandlers[i], nullptr);
    }
    crashFd = -1;
}

} // namespace kora::cli
