#pragma once

#include <atomic>

namespace kora::sim {

// Misbehaviour the simulated console can be told to show, for tests and demonstrations. Every
// field may be changed from any thread while the simulator runs; the console reads them afresh
// for each byte or line it handles.
struct Faults {
    // Received bytes are not sent back while at the prompt (the command line still builds up).
    std::atomic<bool> noEcho{false};
    // The k-th character of a command line (counted from 1 after each prompt) is echoed as a
    // different byte; 0 turns the fault off.
    std::atomic<int> wrongEchoAt{0};
    // No prompt is printed after a command or a lone CR.
    std::atomic<bool> noPrompt{false};
    // Command output stops for this many milliseconds once, after pauseAfterLines output lines
    // of each command; 0 turns the fault off.
    std::atomic<int> pauseMs{0};
    std::atomic<int> pauseAfterLines{3};
    // The pause comes this many bytes into the next line instead of right after the line end,
    // cutting a line in two.
    std::atomic<int> pauseIntoLine{0};
    // Everything received is swallowed: no echo, no output, no prompt.
    std::atomic<bool> silent{false};
    // The simulator closes its side of the line, as a controller that is switched off; the
    // line stays dead until the simulator is started again.
    std::atomic<bool> hangUp{false};
    // The I/O configuration read-out ("C:\cfgio 1") prints chatter between its records: blank
    // lines, short bits and whole lines of text, as a console may.
    std::atomic<bool> ioConfigNoise{false};

    void reset()
    {
        noEcho = false;
        wrongEchoAt = 0;
        noPrompt = false;
        pauseMs = 0;
        pauseAfterLines = 3;
        pauseIntoLine = 0;
        silent = false;
        hangUp = false;
        ioConfigNoise = false;
    }
};

} // namespace kora::sim
