#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "sim/CommandTable.h"
#include "sim/SimCommand.h"

namespace kora::sim {

class DosFileSystem;
class PtyLine;
struct Faults;

// The console's state machine: echo and line editing at the prompt, then dispatch of the
// finished line to an internal command, a registered tool or a program on the drive. While a
// command runs it owns the line: bytes are not echoed but handed to it raw.
class ConsoleSession : private ConsoleIo {
public:
    struct Shared {
        PtyLine& line;
        DosFileSystem& fs;
        Faults& faults;
        const CommandTable& commands;
        const std::atomic<bool>& stopRequested;
        std::atomic<std::uint64_t>& bytesReceived;
        std::atomic<std::uint64_t>& bytesSent;
    };

    explicit ConsoleSession(Shared shared);

    // Prints the first prompt and serves the line until stop() or a hang-up.
    void run();

    // The lookup key of a command word: "C:\DLFMT" -> "dlfmt", "mem.exe" -> "mem".
    static std::string CommandKey(const std::string& word);

private:
    // ConsoleIo, as commands see it.
    void write(std::string_view bytes) override;
    std::optional<std::uint8_t> readByte(std::chrono::milliseconds timeout) override;
    bool stopRequested() const override;

    void writePaced(std::string_view bytes);
    void handlePromptByte(std::uint8_t byte);
    // A byte that goes to a key sequence under way, which it may end.
    void takeKeySequenceByte(std::uint8_t byte);
    // The stray-byte and external-cd faults: drawn at each prompt, carried out before the next
    // byte taken at it.
    void drawPromptFaults();
    void carryOutDueFaults();
    void moveElsewhereOnD();
    int drawPercent();
    void echo(std::string_view bytes, std::uint8_t received);
    void execute(const std::string& line, int batchDepth);
    bool runProgramFile(const std::string& word, const std::string& arguments, int batchDepth);
    // The files a command word may run, in the order tried: the name with .COM, .EXE and .BAT,
    // or the name as typed when it has one of those extensions.
    static std::vector<std::string> ProgramFileNames(const std::string& word);
    // Whether the command line runs a program file rather than a command of the console's own.
    bool startsProgramFile(const std::string& line) const;
    void printPrompt();
    bool lineDead() const;

    Shared s_;
    std::string commandLine_;
    int charactersSincePrompt_ = 0;
    // A cursor or function key sequence being skipped: after ESC, after ESC "[", after ESC "O".
    enum class KeySequence { None, Escape, Csi, Ss3 };
    KeySequence keySequence_ = KeySequence::None;
    int linesThisCommand_ = 0;
    int bytesUntilPause_ = -1; // counting down once the pause is due; -1 before
    bool pausedThisCommand_ = false;
    bool executing_ = false;
    int outputLines_ = 0; // lines the command being executed has printed, for the cut-off faults
    int strayBytesDue_ = 0;
    int externalCdDue_ = 0;
    std::mt19937 random_;
    std::uint32_t seededWith_ = 0;
};

} // namespace kora::sim
