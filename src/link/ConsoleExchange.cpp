#include "link/ConsoleExchange.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

#include "link/PortFailureText.h"

namespace kora {
namespace {

const char kInitModeAdvice[] =
    "Please make sure the KORA-7740P is in INIT mode\n\nand no program is running";

bool IsLineEndChar(char c)
{
    return c == '\r' || c == '\n';
}

// The echo round trip last measured on each port, for the process: the next exchange on the
// port (in the window, the next operation) starts with it.
class EchoRoundTrips {
public:
    static EchoRoundTrips& instance()
    {
        static EchoRoundTrips trips;
        return trips;
    }
    void note(const std::string& port, std::chrono::microseconds roundTrip)
    {
        const std::lock_guard lock(mutex_);
        trips_[port] = roundTrip;
    }
    std::chrono::microseconds of(const std::string& port) const
    {
        const std::lock_guard lock(mutex_);
        const auto it = trips_.find(port);
        return it == trips_.end() ? std::chrono::microseconds(0) : it->second;
    }

private:
    mutable std::mutex mutex_;
    std::map<std::string, std::chrono::microseconds> trips_;
};

} // namespace

std::string OpenFailureMessage(const std::string& portName)
{
    return "Unable to open " + portName +
           "!\n\nPlease make sure there is no other application using the port!!";
}

std::string SendFailureMessage(const std::string& command)
{
    return SendFailureMessageWithHead("Unable to send command '" + command + "'!");
}

std::string SendFailureMessageWithHead(const std::string& head)
{
    return head + "\n\n" + kInitModeAdvice;
}

void ShowConsoleLine(ConsoleLog& log, const std::string& text)
{
    std::string line = text;
    line.erase(std::remove_if(line.begin(), line.end(), IsLineEndChar), line.end());
    if (line.empty()) {
        return;
    }
    if (log.lineCount() >= kConsoleLogMaxLines) {
        log.clear();
    }
    log.appendLine(line);
}

bool IsPrompt(const std::string& text)
{
    const std::size_t start = text.find_first_not_of("\r\n");
    if (start == std::string::npos) {
        return false;
    }
    return text.compare(start, 3, "C:\\") == 0 || text.compare(start, 3, "D:\\") == 0;
}

bool IsCompletePrompt(const std::string& text)
{
    return !text.empty() && text.back() == '>' && IsPrompt(text);
}

std::chrono::milliseconds QuietGap(std::uint32_t baudRate)
{
    constexpr std::chrono::milliseconds kFloor(5);
    if (baudRate == 0) {
        return kFloor;
    }
    // 30 characters of 10 bits each, rounded up to whole milliseconds.
    const std::uint64_t ms = (30ULL * 10 * 1000 + baudRate - 1) / baudRate;
    return std::max(kFloor, std::chrono::milliseconds(ms));
}

const QuietLineEnd& QuickPromptEnd()
{
    static const QuietLineEnd end{IsCompletePrompt, QuietGap(57600)};
    return end;
}

std::chrono::milliseconds QuickGap(const SerialPort& port)
{
    // Three round trips, rounded up to whole milliseconds; at most the patient wait of 2 T.
    const auto trips = std::chrono::ceil<std::chrono::milliseconds>(
        kQuickGapRoundTrips * EchoRoundTrips::instance().of(port.portName()));
    const std::chrono::milliseconds patient(2 * static_cast<std::int64_t>(port.GetTimeout()));
    return std::max(QuickPromptEnd().gap, std::min(trips, patient));
}

void NoteEchoRoundTrip(const SerialPort& port, std::chrono::microseconds roundTrip)
{
    EchoRoundTrips::instance().note(port.portName(), roundTrip);
}

bool ReadConsoleLine(SerialPort& port, std::string& text, ExchangeTiming timing)
{
    if (timing == ExchangeTiming::Quick) {
        return port.ReadLine(kConsoleLineLimit, text, {IsCompletePrompt, QuickGap(port)});
    }
    return port.ReadLine(kConsoleLineLimit, text);
}

namespace {

// Bytes that a console prints when it returns to its prompt: line ends, then "C:\" or "D:\",
// the rest of the prompt and ">", perhaps more than once.
class LatePromptMatcher {
public:
    // False once the bytes so far cannot be such output.
    bool take(std::uint8_t byte)
    {
        if (++taken_ > kConsoleLineLimit) {
            return false;
        }
        const bool lineEnd = byte == '\r' || byte == '\n';
        switch (state_) {
        case State::LineStart:
        case State::Complete:
            if (lineEnd) {
                state_ = State::LineStart;
                return true;
            }
            state_ = State::Drive;
            return byte == 'C' || byte == 'D';
        case State::Drive:
            state_ = State::Colon;
            return byte == ':';
        case State::Colon:
            state_ = State::Path;
            return byte == '\\';
        case State::Path:
            if (byte == '>') {
                state_ = State::Complete;
            }
            return !lineEnd;
        }
        return false;
    }
    // Nothing taken yet, or a whole prompt last.
    bool atEnd() const { return taken_ == 0 || state_ == State::Complete; }

private:
    enum class State { LineStart, Drive, Colon, Path, Complete };
    State state_ = State::LineStart;
    std::uint32_t taken_ = 0;
};

// Reads the echo of the byte just written. Patient: the next byte must be it. Quick: the
// console's return to its prompt may come first (see SendCommand) and is passed over; any
// other byte fails the check as it does in patient timing, so a running program's output is
// never taken for an echo.
bool ReadEcho(SerialPort& port, std::uint8_t sent, ExchangeTiming timing)
{
    LatePromptMatcher late;
    for (;;) {
        std::uint8_t echo = 0;
        if (!port.Read(1, &echo)) {
            return false;
        }
        if (echo == sent && late.atEnd()) {
            return true;
        }
        if (timing == ExchangeTiming::Patient || !late.take(echo)) {
            return false;
        }
    }
}

struct TypedCommand {
    bool echoed = false;     // every character came back as its echo
    std::size_t written = 0; // characters that went out, the failing one included
    bool wrongEcho = false;  // the check failed on a byte that was not the echo
};

TypedCommand TypeWithEchoCheck(SerialPort& port, ConsoleLog& log, const std::string& command,
                               ExchangeTiming timing)
{
    TypedCommand typed;
    if (command.empty()) {
        return typed;
    }
    ShowConsoleLine(log, command);
    std::vector<std::chrono::microseconds> roundTrips;
    roundTrips.reserve(command.size());
    for (const char c : command) {
        const auto sent = static_cast<std::uint8_t>(c);
        const auto written = std::chrono::steady_clock::now();
        // Only the first write throws away what the console printed before the command. After
        // that every byte it sends is read: a character it took twice (line noise) returns two
        // echoes, and the second must fail the next character's check rather than be thrown
        // away, or "dell F1.BIN" would pass for "del F1.BIN".
        if (!port.Write(1, &sent, typed.written == 0 ? InputPurge::Discard : InputPurge::Keep)) {
            return typed;
        }
        ++typed.written;
        if (!ReadEcho(port, sent, timing)) {
            typed.wrongEcho = port.lastIoFailure() == IoFailure::None;
            return typed;
        }
        roundTrips.push_back(std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - written));
    }
    typed.echoed = true;
    // The median: one echo the PC was too busy to read at once does not stretch every wait.
    std::nth_element(roundTrips.begin(), roundTrips.begin() + roundTrips.size() / 2,
                     roundTrips.end());
    NoteEchoRoundTrip(port, roundTrips[roundTrips.size() / 2]);
    return typed;
}

// The characters of a failed command that did reach the console wait in its line buffer and
// would be glued onto the next command typed ("del PROG.EXE" failing at its fifth character
// makes the next "d:" run as "del Pd:"). One backspace for each takes them out again; on an
// empty DOS line a backspace does nothing. No echo is checked: the next operation's drain
// takes whatever the console answers.
void EraseTypedCharacters(SerialPort& port, std::size_t count)
{
    if (count == 0) {
        return;
    }
    const std::string backspaces(count, '\b');
    (void)port.Write(backspaces);
}

} // namespace

CommandSent SendCommand(SerialPort& port, ConsoleLog& log, const std::string& command,
                        ExchangeTiming timing)
{
    const TypedCommand typed = TypeWithEchoCheck(port, log, command, timing);
    if (typed.echoed) {
        return CommandSent::Yes;
    }
    // The Enter went out and its echo failed: the console may have taken the line and be
    // running it. What is typed now would go to that program.
    if (!command.empty() && typed.written == command.size() && command.back() == '\r') {
        return CommandSent::MayHaveRun;
    }
    // A wrong echo may be a character the console took twice: one more backspace.
    EraseTypedCharacters(port, typed.written + (typed.wrongEcho ? 1 : 0));
    return CommandSent::No;
}

std::string RetryLine(const std::string& command)
{
    std::string shown = command;
    if (!shown.empty() && shown.back() == '\r') {
        shown.pop_back();
    }
    return std::string(kRetryLinePrefix) + "typing '" + shown + "' again>>";
}

std::string MayBeRunningMessage(const std::string& command)
{
    std::string shown = command;
    if (!shown.empty() && shown.back() == '\r') {
        shown.pop_back();
    }
    return "'" + shown +
           "' may be running on the KORA-7740P: its Enter went out, but the echo did not come "
           "back. Nothing more was typed, so as not to type into a running program.";
}

void ClearConsoleLine(SerialPort& port, ExchangeTiming timing)
{
    // The first backspace ends a key sequence left half-finished on the line (ESC, ESC "[",
    // ESC "O" take the next byte as theirs); the second then reaches the line.
    const std::string probe(2, '\b');
    if (!port.Write(probe, InputPurge::Keep)) {
        return;
    }
    constexpr std::uint8_t kBackspace = '\b';
    std::uint8_t answer = 0;
    const bool answered = timing == ExchangeTiming::Quick
                              ? port.ReadByteWithin(answer, QuickGap(port))
                              : port.Read(1, &answer);
    // A console erases a character by moving back over it: its answer starts with a backspace.
    // Silence is an empty line; anything else (a bell, a running program's output) is no line
    // the burst should go to.
    if (!answered || answer != kBackspace) {
        return;
    }
    (void)port.Write(std::string(kConsoleLineCapacity, '\b'), InputPurge::Keep);
    DrainInput(port, ExchangeTiming::Patient);
}

void PrepareConsole(SerialPort& port, ExchangeTiming timing)
{
    DrainInput(port, timing);
    ClearConsoleLine(port, timing);
}

bool WaitForPrompt(SerialPort& port, ConsoleLog& log, const std::string& lastText,
                   const PromptWait& how)
{
    if (IsPrompt(lastText)) {
        if (how.prompt) {
            *how.prompt = lastText;
        }
        return true;
    }
    // The budget counts reads, not time. T = 0 would never use it up, so it counts as 1 ms.
    const std::uint32_t step = std::max<std::uint32_t>(port.GetTimeout(), 1);
    const std::uint32_t reads = (how.budgetMs + step - 1) / step;
    std::string text;
    for (std::uint32_t i = 0; i < reads; ++i) {
        text.clear();
        ReadConsoleLine(port, text, how.timing); // a partial line counts as well
        if (IsPrompt(text)) {
            if (how.prompt) {
                *how.prompt = text;
            }
            return true;
        }
        ShowConsoleLine(log, text);
        if (how.sink) {
            how.sink(text);
        }
    }
    return false;
}

void DrainInput(SerialPort& port, ExchangeTiming timing)
{
    constexpr int kMaxDrainBytes = 1025;
    const std::chrono::milliseconds gap = QuickGap(port);
    // Quick: the line counts as quiet after the short gap when nothing has come at all or the
    // console stands at its prompt; in the middle of other output it gets the full wait, so a
    // console still printing is not cut off by a moment's hiccup.
    std::string line;
    bool anything = false;
    std::uint8_t byte = 0;
    for (int i = 0; i < kMaxDrainBytes; ++i) {
        const bool quickWait =
            timing == ExchangeTiming::Quick && (!anything || IsCompletePrompt(line));
        if (!(quickWait ? port.ReadByteWithin(byte, gap) : port.Read(1, &byte))) {
            break;
        }
        anything = true;
        if (byte == '\r' || byte == '\n') {
            line.clear();
        } else if (line.size() < kConsoleLineLimit) {
            line.push_back(static_cast<char>(byte));
        }
    }
}

namespace {

// A prompt cut by a pause ("D:\\B" now, "IN>" later) is read on to its ">", so a step's end
// check sees where the console stands and not a piece of it. Empty when it never completes.
// A stray byte after the ">" (noise, or its echo) is no part of the prompt: the prompt ends at
// its ">", and the byte, left on the console's line, goes with the next command's clean line.
std::string CompletePromptText(SerialPort& port, std::string prompt, const DeviceOperation& op)
{
    prompt.erase(0, prompt.find_first_not_of("\r\n"));
    const auto complete = [&prompt] {
        if (const auto end = prompt.find('>'); end != std::string::npos) {
            prompt.resize(end + 1);
        }
        return IsCompletePrompt(prompt);
    };
    const std::uint32_t step = std::max<std::uint32_t>(port.GetTimeout(), 1);
    for (std::uint32_t waited = 0; !complete(); waited += step) {
        std::string more;
        if (waited >= op.promptBudgetMs) {
            return {};
        }
        ReadConsoleLine(port, more, op.timing); // the rest may come as a partial line
        if (more.find_first_of("\r\n") != std::string::npos) {
            return {};
        }
        prompt += more;
    }
    return prompt;
}

// One step after its command went through: shows the output lines, runs the line check on
// them until it first finds a fault, waits for the prompt and runs the end check. Returns the
// fault, if any.
std::optional<StepFailure> ReadStepOutput(SerialPort& port, ConsoleLog& log,
                                          const ConsoleStep& step, const DeviceOperation& op)
{
    if (step.readOutput) {
        return step.readOutput(port, log, op.timing);
    }
    std::optional<std::string> failure;
    // Runs the check on one whole line; false when the output loop is to stop here.
    const auto check = [&](const std::string& whole) {
        if (!step.checkLine || failure) {
            return true;
        }
        if (std::optional<LineFailure> fault = step.checkLine(whole)) {
            failure = std::move(fault->message);
            return !fault->stopReading;
        }
        return true;
    };
    std::string prompt;
    const auto endOfStep = [&]() -> std::optional<StepFailure> {
        if (failure) {
            return StepFailure{std::move(*failure), false};
        }
        if (!step.checkEnd) {
            return std::nullopt;
        }
        if (!prompt.empty()) {
            prompt = CompletePromptText(port, std::move(prompt), op);
        }
        return step.checkEnd(prompt);
    };
    std::string line;
    for (;;) {
        line.clear();
        if (!ReadConsoleLine(port, line, op.timing)) {
            break;
        }
        ShowConsoleLine(log, line);
        if (!check(line)) {
            WaitForPrompt(port, log, line, {op.promptBudgetMs, op.timing, {}, &prompt});
            return endOfStep();
        }
    }
    // A console that pauses in the middle of its output ends the loop early: the prompt wait
    // reads the rest. Those lines are checked too (a slow "dir" would otherwise lose entries
    // and its free-space line), the line cut by the pause joined again with its remainder.
    std::string cut = line;
    const auto checkRest = [&](const std::string& text) {
        cut += text;
        if (!cut.empty() && static_cast<std::uint8_t>(cut.back()) == port.LineEnd) {
            check(cut);
            cut.clear();
        }
    };
    WaitForPrompt(port, log, line, {op.promptBudgetMs, op.timing, checkRest, &prompt});
    return endOfStep();
}

// A command erased before its Enter never ran: it is typed again, up to this many times in all.
constexpr int kTypings = 3;

// Types the step's command; one that noise spoilt before its Enter (erased, it never ran) is
// typed again after the console's answers to the erase have been waited out and its line
// cleaned. A command whose Enter went out is never typed again here.
//
// `cleanFirst`: a stray byte may sit on the console's line since its last prompt (noise, or
// noise the console echoed after the prompt) and would be glued onto the command. Two
// backspaces go out just ahead of it, as the clean-line probe's, without a wait of their own: on
// a clean line the console answers nothing, and the command's first echo comes as ever; when
// they erased something, the console's answer fails that echo, and the command is erased and
// typed again after a patient clean line.
CommandSent TypeStep(SerialPort& port, ConsoleLog& log, const ConsoleStep& step,
                     const DeviceOperation& op, bool cleanFirst)
{
    if (cleanFirst) {
        static_cast<void>(port.Write(std::string(2, '\b'), InputPurge::Keep));
    }
    for (int typing = 1;; ++typing) {
        const CommandSent sent = SendCommand(port, log, step.command, op.timing);
        if (sent != CommandSent::No || typing == kTypings || LineLost(port)) {
            return sent;
        }
        ShowConsoleLine(log, RetryLine(step.command));
        // The console's answers to the erase (and to the noise) may come late: wait for 2 T of
        // silence, then probe the line patiently.
        PrepareConsole(port, ExchangeTiming::Patient);
    }
}

// The steps in order, each read again when its check asks; the first failure ends them.
OperationResult RunSteps(SerialPort& port, const std::string& portName, const DeviceOperation& op,
                         ConsoleLog& log)
{
    OperationResult result;
    for (std::size_t index = 0; index < op.steps.size(); ++index) {
        const ConsoleStep& step = op.steps[index];
        std::optional<StepFailure> failure;
        for (int reading = 1; reading <= kStepReadings; ++reading) {
            // The first step's line was cleaned with the drain.
            const CommandSent sent = TypeStep(port, log, step, op, index > 0 || reading > 1);
            if (sent == CommandSent::MayHaveRun) {
                // Nothing more is typed: not the later steps, not this one again.
                if (LineLost(port)) {
                    return {false, LineLostMessage(portName)};
                }
                return {false, MayBeRunningMessage(step.command), false, true};
            }
            if (sent == CommandSent::No) {
                failure =
                    StepFailure{step.sendFailureMessage.empty() ? SendFailureMessage(step.command)
                                                                : step.sendFailureMessage,
                                false};
            } else {
                failure = ReadStepOutput(port, log, step, op);
            }
            // A line that went away in the middle leaves the reading incomplete: say so.
            if (LineLost(port)) {
                failure = StepFailure{LineLostMessage(portName), false};
            }
            if (!failure || !failure->readAgain || reading == kStepReadings) {
                break;
            }
            ShowConsoleLine(log, RetryLine(step.command));
        }
        if (failure) {
            result = {false, std::move(failure->message)};
            break;
        }
    }
    return result;
}

} // namespace

OperationResult RunDeviceOperation(const std::string& portName, const DeviceOperation& op,
                                   ConsoleLog& log)
{
    SerialPort port(portName);
    if (!port.Open()) {
        return {false, OpenFailureMessage(port)};
    }
    OperationResult result = RunDeviceOperationOnOpenPort(port, portName, op, log);
    port.Close();
    return result;
}

OperationResult RunDeviceOperationOnOpenPort(SerialPort& port, const std::string& portName,
                                             const DeviceOperation& op, ConsoleLog& log)
{
    port.LineEnd = op.lineEnd;
    // Not checked: a line that refused its settings fails the echo check of the first command.
    static_cast<void>(port.SetCommParams(57600, 8, Parity::None, StopBits::One));
    port.SetTimeouts(op.timeoutMs);
    PrepareConsole(port, op.timing);
    return RunSteps(port, portName, op, log);
}

OperationResult RunDeviceSteps(SerialPort& port, const DeviceOperation& op, ConsoleLog& log)
{
    return RunSteps(port, port.portName(), op, log);
}

DeviceOperation GenericCommand(const std::string& command)
{
    DeviceOperation op;
    op.steps.push_back(ConsoleStep{command, {}, {}, {}});
    return op;
}

} // namespace kora
