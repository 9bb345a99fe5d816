#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/ConsoleLog.h"
#include "link/SerialPort.h"

namespace kora {

// The pane is cleared when it already holds this many lines and another one arrives.
inline constexpr int kConsoleLogMaxLines = 300;
// Every console line is read into a 1024-byte buffer: at most 1023 bytes a line.
inline constexpr std::uint32_t kConsoleLineLimit = 1024;
// The prompt wait reads at most ceil(budget / T) further lines.
inline constexpr std::uint32_t kPromptBudgetMs = 5000;

// "Unable to open " + port + "!\n\nPlease make sure there is no other application using the port!!"
std::string OpenFailureMessage(const std::string& portName);
// "Unable to send command '" + command + "'!\n\n" + the INIT-mode advice. The command is quoted
// exactly as passed, its trailing "\r" included.
std::string SendFailureMessage(const std::string& command);
// The same advice after a fixed head such as "Unable to send command!" or
// "Unable to send command 'dir'!".
std::string SendFailureMessageWithHead(const std::string& head);

// Removes every CR and LF; an empty result adds nothing; a pane that already holds 300 lines
// is cleared before the line is appended.
void ShowConsoleLine(ConsoleLog& log, const std::string& text);

// A console prompt: the text begins with "C:\" or "D:\". Line-end characters in front of it
// do not count, so the prompt still reads as one when lines are cut at CR on a console that
// ends its lines with CR LF (the LF then leads the prompt).
bool IsPrompt(const std::string& text);

// How a read decides that the console has finished. Quick: a read ends as soon as the text on
// the current line is a prompt and the line has stayed quiet for a short gap (a few character
// times), and the drain ends after the same gap. Patient: every read waits for 2 × T of
// silence, for consoles that print more after something that looks like a prompt.
enum class ExchangeTiming { Quick, Patient };

// A prompt the console has finished printing: a prompt whose text ends with ">".
bool IsCompletePrompt(const std::string& text);
// The quiet gap of quick timing: 30 character times on the line (10 bits each), at least 5 ms.
std::chrono::milliseconds QuietGap(std::uint32_t baudRate);
// How quick timing ends a line read: at a complete prompt followed by the quiet gap at 57600.
const QuietLineEnd& QuickPromptEnd();
// Quick timing's waits (the quiet gap after a prompt, the drain, the clean-line probe) on this
// port: the quiet gap, or three echo round trips as last measured on the port while typing,
// whichever is longer, and never more than the patient 2 x T. A USB adapter that holds its
// input for its latency timer (16 ms), or a serial server on a plant network (up to 50 ms),
// answers late: a wait shorter than its round trip would take silence for an empty line.
inline constexpr int kQuickGapRoundTrips = 3;
std::chrono::milliseconds QuickGap(const SerialPort& port);
// Keeps a command's echo round trip (the median of its characters) for the port's next waits;
// SendCommand measures it.
void NoteEchoRoundTrip(const SerialPort& port, std::chrono::microseconds roundTrip);
// Reads one console line of at most 1023 bytes as the timing says (see ReadLine).
bool ReadConsoleLine(SerialPort& port, std::string& text, ExchangeTiming timing);

// How SendCommand ended.
enum class CommandSent {
    Yes, // every character came back as its echo
    No,  // a character before the final Enter failed: nothing ran, and what went out was erased
    // The final Enter went out but its echo failed: the console may have taken the line, and
    // the command (a program) may be running. Nothing was erased.
    MayHaveRun,
};

// Types the command one byte at a time, each write followed by a one-byte read that must
// return the same byte. Stops at the first character that fails. An empty command fails.
// In quick timing a read may have ended at something that only looked like the prompt, with
// the console's real return to its prompt (line ends and the prompt) still to come: such bytes
// arriving before a character's echo are passed over, and the character passes when its echo
// follows them within the read time-out. Any other byte fails the check, as in patient timing.
// Only the first character's write throws away what the console printed before; after that
// every byte the console sends is read, so a character it took twice fails the check.
//
// A command that fails before its final Enter ("\r") is erased here, for every caller: one
// backspace for each character that went out, the failing one included, and one more after a
// wrong echo (the console may have taken a character twice). No caller can leave typed text on
// the console's line. A failure on the final Enter is never erased: the Enter may have reached
// the console, and the backspaces would go to the program it started (MayHaveRun).
CommandSent SendCommand(SerialPort& port, ConsoleLog& log, const std::string& command,
                        ExchangeTiming timing = ExchangeTiming::Patient);

// Every retry of the exchange (a command typed again, a reading read again) shows one line in
// the pane and the log: "<<noise on the line: typing 'dir' again>>", the command without its
// Enter.
inline constexpr std::string_view kRetryLinePrefix = "<<noise on the line: ";
std::string RetryLine(const std::string& command);

// What an operation reports after MayHaveRun: the command (its Enter left out) may be running,
// and nothing more was typed.
std::string MayBeRunningMessage(const std::string& command);

// The longest command line the console keeps (DOS: 127 characters before the carriage return).
inline constexpr std::size_t kConsoleLineCapacity = 127;

// Leaves the console's command line empty without running anything on it: a byte left there
// (line noise, another program, a half-typed terminal line) would be glued onto the next
// command ("x" + "d:" runs "xd:"). Two backspaces probe the line: on an empty line the console
// answers nothing and the cost is two characters and the quiet gap. Two, because a half-finished
// key sequence left on the line ("x" ESC "[") takes the byte after it as its end: the first
// backspace ends it, the second reaches the line. An answer that starts with a backspace is the
// console erasing a character: the line held something, and a burst of backspaces as long as
// the console's longest line follows, with a drain of the console's erasing. Other answers (a
// bell, a running program's output) get no burst.
void ClearConsoleLine(SerialPort& port, ExchangeTiming timing);

// What every exchange does before its first command: drain what the console still prints, then
// clear its command line.
void PrepareConsole(SerialPort& port, ExchangeTiming timing);

// What the prompt wait read: each text as ReadLine returned it (a whole line, or a part cut by
// a pause), prompts excluded.
using ReadTextSink = std::function<void(const std::string& text)>;

struct PromptWait {
    std::uint32_t budgetMs = kPromptBudgetMs;
    ExchangeTiming timing = ExchangeTiming::Patient;
    ReadTextSink sink;             // optional
    std::string* prompt = nullptr; // optional: receives the prompt's text when one came
};

// Reads and shows further lines until a prompt, at most ceil(budget / T) reads. Every text read
// that is not the prompt also goes to the sink, if one is given.
bool WaitForPrompt(SerialPort& port, ConsoleLog& log, const std::string& lastText,
                   const PromptWait& how = {});

// Throws away what the console still prints: single-byte reads until one fails or 1025
// bytes were taken. Patient: each read waits 2 × T; quick: the quiet gap.
void DrainInput(SerialPort& port, ExchangeTiming timing = ExchangeTiming::Patient);

// What an operation's line check makes of one output line.
struct LineFailure {
    std::string message;     // the operation's failure message
    bool stopReading = true; // end the output loop here (the prompt wait still follows)
};
using LineCheck = std::function<std::optional<LineFailure>(const std::string& line)>;

// A reading whose end check asks for it is read again, up to this many readings in all.
inline constexpr int kStepReadings = 3;

// What a step's end check makes of the step once its output and prompt have been read.
struct StepFailure {
    std::string message;
    // The reading may have been spoilt on the line (noise): the step is sent again, up to three
    // readings in all, and fails with this message only if the last one fails the check too.
    bool readAgain = false;
};
// Sees the prompt that ended the step: its text up to and including ">" with line ends in front
// (and stray bytes after it) removed, or empty when no complete prompt came within the budget.
using EndCheck = std::function<std::optional<StepFailure>(const std::string& prompt)>;

// Reads a step's whole output itself instead of the line loop and the prompt wait, for a
// reading that must account for every byte the console sends (a line loop drops zero bytes
// and the byte at its limit). Gets the port right after the command's echo; returns the fault,
// if any, as an end check does.
using OutputReader = std::function<std::optional<StepFailure>(SerialPort& port, ConsoleLog& log,
                                                              ExchangeTiming timing)>;

// One command of a device operation.
struct ConsoleStep {
    std::string command;            // typed as is; ends in "\r"
    std::string sendFailureMessage; // empty: SendFailureMessage(command)
    LineCheck checkLine;            // optional; sees each output line after it is shown,
                                    // until its first fault (the one reported)
    EndCheck checkEnd;              // optional; runs after the prompt wait when no line failed.
                                    // A failure ends the operation: later steps are not sent.
    OutputReader readOutput{};      // optional; replaces the line loop, both checks and the
                                    // prompt wait
};

// A standard device operation: open the port, 57600 8N1, LineEnd and T, PrepareConsole, then
// each step in turn (send with echo check, read-output loop, prompt wait), close. A step that
// fails ends the operation; later steps are not sent.
struct DeviceOperation {
    std::vector<ConsoleStep> steps;
    std::uint8_t lineEnd = 10;
    std::uint32_t timeoutMs = 200;
    // What the prompt wait may spend; the product always uses the full budget, tests of a
    // console that never prompts use less.
    std::uint32_t promptBudgetMs = kPromptBudgetMs;
    ExchangeTiming timing = ExchangeTiming::Quick;
};

struct OperationResult {
    bool ok = true;
    std::string message; // the failure message; empty on success
    // Nothing was done because somebody else holds the port; nobody is told.
    bool refused = false;
    // A step's Enter went out unconfirmed (MayHaveRun): what it started may be running, and
    // nothing more was typed. The message says so.
    bool mayBeRunning = false;
};

// Runs the operation on the calling thread. Shows every command and output line in the log;
// never shows a message box (the GUI wrapper does that).
OperationResult RunDeviceOperation(const std::string& portName, const DeviceOperation& op,
                                   ConsoleLog& log);

// The same on a port the caller has opened and keeps open (a command-line chain holds one port
// for all its commands): everything but the open and the close, line settings included.
OperationResult RunDeviceOperationOnOpenPort(SerialPort& port, const std::string& portName,
                                             const DeviceOperation& op, ConsoleLog& log);
// The steps of the operation on a port that is open, set up (LineEnd, T) and prepared
// (PrepareConsole) already, for a caller that goes on using the port afterwards. The port stays
// open.
OperationResult RunDeviceSteps(SerialPort& port, const DeviceOperation& op, ConsoleLog& log);

// The plain generic command: one step, LineEnd 10, T = 200 ms, no line check.
DeviceOperation GenericCommand(const std::string& command);

} // namespace kora
