#include "cli/StopSignals.h"

namespace kora::cli {

namespace {

constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};
volatile std::sig_atomic_t stopReceived = 0;

extern "C" void NoteStop(int)
{
    stopReceived = 1;
}

} // namespace

StopSignals::StopSignals()
{
    stopReceived = 0;
    struct sigaction action {};
    action.sa_handler = NoteStop;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; ++i) {
        sigaction(kSignals[i], &action, &previous_[i]);
    }
}

StopSignals::~StopSignals()
{
    for (int i = 0; i < 3; ++i) {
        sigaction(kSignals[i], &previous_[i], nullptr);
    }
}

bool StopSignals::received()
{
    return stopReceived != 0;
}

} // namespace kora::cli
