#pragma once

#include <atomic>
#include <cstdint>

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
    // "dir" leaves out its closing "bytes free" line, as a console with another DOS may.
    std::atomic<bool> noBytesFreeLine{false};

    // Line noise: each byte that crosses the line in the directions chosen (kNoiseReceived,
    // kNoiseSent or both) is, with a chance of noisePerMillion in a million, dropped, delivered
    // twice or delivered with one bit changed, each a third of the time. The choices come from
    // a generator seeded with noiseSeed (again whenever it changes), so a run can be repeated.
    static constexpr int kNoiseReceived = 1; // client to controller
    static constexpr int kNoiseSent = 2;     // controller to client
    std::atomic<int> noisePerMillion{0};
    std::atomic<int> noiseDirections{kNoiseReceived | kNoiseSent};
    std::atomic<std::uint32_t> noiseSeed{1};
    // NAK storms: the transfer tool refuses a good block with nakStormLength NAKs in a row, with
    // a chance of nakStormPercent in a hundred per block (the sender gives up after ten tries).
    std::atomic<int> nakStormPercent{0};
    std::atomic<int> nakStormLength{3};

    // Counted by the simulator, never reset: line-noise bytes and NAK storms injected so far;
    // the noisy bytes among them that went to the controller; and the blocks the transfer tool
    // took although noise had touched their bytes. Its 8-bit checksum lets about one change in
    // 256 through (a doubled byte that shifts the block, say): no sender can tell.
    std::atomic<std::uint64_t> injected{0};
    std::atomic<std::uint64_t> injectedReceived{0};
    std::atomic<std::uint64_t> noisyBlocksTaken{0};

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
        noBytesFreeLine = false;
        noisePerMillion = 0;
        noiseDirections = kNoiseReceived | kNoiseSent;
        noiseSeed = 1;
        nakStormPercent = 0;
        nakStormLength = 3;
    }
};

} // namespace kora::sim
