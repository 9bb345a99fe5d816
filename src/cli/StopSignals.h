#pragma once

#include <csignal>

namespace kora::cli {

// While it lives, SIGINT, SIGTERM and SIGHUP no longer end the process but are noted, so that a
// long command can stop in good order: an upload sends its cancel bytes, the terminal puts the
// user's terminal settings back. The previous handlers return at destruction. One at a time.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Whether one of the signals has arrived.
    static bool received();

private:
    struct sigaction previous_[3]{};
};

} // namespace kora::cli
