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
    // The read-out stops before its end record "@KORA7740PIOCFG-END ...".
    std::atomic<bool> ioConfigNoEnd{false};

    // A stray byte in the console's command line, as line noise at power-up, another program or
    // a half-typed terminal line leaves one: the next command typed is glued onto it ("xd:").
    // strayBytesPending of them (the field then drops to 0) are put into the line just before
    // the next byte the console takes at its prompt, without echo: theirs went out long before.
    // With strayBytePercent, every prompt has that chance in a hundred of one more.
    std::atomic<int> strayByte{'x'};
    std::atomic<int> strayBytesPending{0};
    std::atomic<int> strayBytePercent{0};

    // A key sequence left half-finished on the console's line, as a terminal or another program
    // that sent a cursor key cut short leaves one: the console's key reader takes the next
    // byte(s) as the rest of it, and they never reach the command line. strayKeySequence (one of
    // the kKey values; then 0) is put in after the stray bytes, just before the next byte the
    // console takes at its prompt. With collectingKeyReader the reader takes ESC "[" sequences
    // as a terminal does: every byte up to a final byte ("@" to "~"), control bytes included;
    // without it, one byte after ESC "[" or ESC "O" ends the sequence.
    static constexpr int kKeyEscape = 1; // ESC
    static constexpr int kKeyCsi = 2;    // ESC "["
    static constexpr int kKeySs3 = 3;    // ESC "O"
    std::atomic<int> strayKeySequence{0};
    std::atomic<bool> collectingKeyReader{false};

    // The Enter of a command line that starts a program file (.COM, .EXE, .BAT) is not echoed:
    // the LF and the program's output come without the CR, as on a line that lost it.
    std::atomic<bool> noProgramEnterEcho{false};

    // The console's current directory changes behind the client's back, as a terminal or
    // another tool would change it. externalCd (a set of the kCd flags; then 0) is carried out
    // just before the next byte the console takes at its prompt; with externalCdPercent, every
    // prompt has that chance in a hundred of one of the three. The prompt already printed still
    // shows the old place.
    static constexpr int kCdRootOfD = 1;      // D:'s current directory goes to the root
    static constexpr int kCdDriveC = 2;       // the current drive becomes C:
    static constexpr int kCdElsewhereOnD = 4; // D:'s current directory becomes another of its own
    std::atomic<int> externalCd{0};
    std::atomic<int> externalCdPercent{0};

    // The output of the next command that prints this many lines ends right after them, once
    // (the field then drops to 0): the simulator hangs up the line (as hangUp), or the console
    // falls silent (silent is set and stays until cleared), as a controller switched off or a
    // cable pulled in the middle of a listing.
    std::atomic<int> hangUpAfterLines{0};
    std::atomic<int> silentAfterLines{0};
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

    // How the console frames a command's output, where consoles differ. After a command, one
    // prints a line end of its own before the prompt (the default) and another does not:
    // noLineEndBeforePrompt. After a last line without a line end, "type" adds one (the
    // default) or none: typeAddsNoLineEnd. With both, such a line runs into the prompt.
    std::atomic<bool> noLineEndBeforePrompt{false};
    std::atomic<bool> typeAddsNoLineEnd{false};
    // How the transfer tool ends a file, for the sender's check that the controller kept it: as
    // usual (ACK to the EOT, the file kept, "File received: N bytes"), or as a receiver that
    // fails at the end may. With refusedKept and ackedNotKept the signals on the line say the
    // opposite of what happened to the file: only a listing tells.
    static constexpr int kTransferEndAsUsual = 0;
    static constexpr int kTransferEndRefused = 1;      // CAN CAN, "Transfer failed"; not kept
    static constexpr int kTransferEndUnanswered = 2;   // EOT ignored, waits on; not kept
    static constexpr int kTransferEndAckedNotKept = 3; // ACK, "Transfer failed"; not kept
    static constexpr int kTransferEndRefusedKept = 4;  // CAN CAN, "Transfer failed"; kept
    std::atomic<int> transferEnd{kTransferEndAsUsual};

    // Counted by the simulator, never reset: line-noise bytes and NAK storms injected so far;
    // the noisy bytes among them that went to the controller; and the blocks the transfer tool
    // took although noise had touched their bytes. Its 8-bit checksum lets about one change in
    // 256 through (a doubled byte that shifts the block, say): no sender can tell. Likewise the
    // ends of transmission it took after noise since its last answer: a block whose SOH was
    // lost is skipped byte by byte as noise between blocks, and a 0x04 among its data then
    // ends the file early, answered with the ACK the sender was waiting for.
    std::atomic<std::uint64_t> injected{0};
    std::atomic<std::uint64_t> injectedReceived{0};
    std::atomic<std::uint64_t> noisyBlocksTaken{0};
    std::atomic<std::uint64_t> noisyEotsTaken{0};
    // Stray bytes put into the console's line and external directory changes made so far.
    std::atomic<std::uint64_t> strayBytesPlaced{0};
    std::atomic<std::uint64_t> externalCdsMade{0};

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
        ioConfigNoEnd = false;
        strayByte = 'x';
        strayBytesPending = 0;
        strayBytePercent = 0;
        strayKeySequence = 0;
        collectingKeyReader = false;
        noProgramEnterEcho = false;
        externalCd = 0;
        externalCdPercent = 0;
        hangUpAfterLines = 0;
        silentAfterLines = 0;
        noBytesFreeLine = false;
        noisePerMillion = 0;
        noiseDirections = kNoiseReceived | kNoiseSent;
        noiseSeed = 1;
        nakStormPercent = 0;
        nakStormLength = 3;
        noLineEndBeforePrompt = false;
        typeAddsNoLineEnd = false;
        transferEnd = kTransferEndAsUsual;
    }
};

} // namespace kora::sim
