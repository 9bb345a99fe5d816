#pragma once

#include <termios.h>

namespace kora::cli {

// Puts the user's terminal into raw mode for the interactive console and gives it back its own
// settings whatever happens: at destruction (normal end, Ctrl-], a stop signal noted by
// StopSignals) and, should the program crash, from the handler of the fatal signal before the
// signal takes its course. One at a time.
class RawTerminal {
public:
    // Nothing is changed when fd is no terminal (input from a pipe or a file).
    explicit RawTerminal(int fd);
    ~RawTerminal();
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;

    bool active() const { return active_; }

private:
    int fd_;
    bool active_ = false;
    termios saved_{};
};

} // namespace kora::cli
