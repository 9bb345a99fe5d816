#pragma once

#include <cstdint>
#include <string>

namespace kora::cli {

// What run prints of the console while a program it started runs: the program's output as
// lines for standard output, until the console stands at its prompt again. The console's own
// parts are left out: the LF after the echoed Enter, the blank line DOS prints before the
// prompt, the prompt itself and its "Bad command or file name" when there was no such program.
//
// A line is held back while it may still turn out to be the prompt (it begins like one); any
// other line that stops half-way (a program asking for input) is printed when the console falls
// quiet. CR LF becomes LF; every other byte goes through as it came. A program may print a line
// that looks like the prompt ("D:\LOG>") and go on: a byte after the prompt takes it back, and
// the held line is the program's. Whether the console has really returned is therefore for the
// caller to judge by time (run's settle time).
class ProgramOutput {
public:
    // One byte from the console; returns what is to be printed now.
    std::string add(std::uint8_t byte);
    // The console has been quiet for the exchange's gap. Returns what is to be printed now, and
    // sets promptReturned() when the held line is a complete prompt (until the next byte).
    std::string quiet();

    // The console stands at what looks like its prompt: the program has ended, unless more
    // comes.
    bool promptReturned() const { return promptReturned_; }
    // The only thing the console said was "Bad command or file name".
    bool unknownProgram() const { return promptReturned_ && heldUnknown_; }
    // Whether the program has printed anything at all (a line, or part of one).
    bool printedAnything() const { return printed_; }

private:
    std::string endLine();
    std::string releaseHeld();
    bool mayBePrompt() const;

    std::string line_;           // the current line, not yet printed
    bool lineShown_ = false;     // its beginning is printed; the rest goes straight through
    bool pendingCr_ = false;     // a CR that may be the first half of CR LF
    bool echoLfSkipped_ = false; // the LF after the echoed Enter
    int blankLines_ = 0;         // blank lines held: DOS prints one before its prompt
    bool heldUnknown_ = false;   // "Bad command or file name" held as the first line
    bool promptReturned_ = false;
    bool printed_ = false;
};

} // namespace kora::cli
