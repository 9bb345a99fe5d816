#include "link/ConsoleExchange.h"

#include <algorithm>

namespace kora {
namespace {

const char kInitModeAdvice[] =
    "Please make sure the KORA-7740P is in INIT mode\n\nand no program is running";

bool IsLineEndChar(char c)
{
    return c == '\r' || c == '\n';
}

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

namespace {

struct TypedCommand {
    bool echoed = false;     // every character came back as its echo
    std::size_t written = 0; // characters that went out, the failing one included
};

TypedCommand TypeWithEchoCheck(SerialPort& port, ConsoleLog& log, const std::string& command)
{
    TypedCommand typed;
    if (command.empty()) {
        return typed;
    }
    ShowConsoleLine(log, command);
    for (const char c : command) {
        const auto sent = static_cast<std::uint8_t>(c);
        std::uint8_t echo = 0;
        // The write throws away whatever the console printed after the previous echo, so the
        // one byte read next can only be this character's echo.
        if (!port.Write(1, &sent)) {
            return typed;
        }
        ++typed.written;
        if (!port.Read(1, &echo) || echo != sent) {
            return typed;
        }
    }
    typed.echoed = true;
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

bool SendCommand(SerialPort& port, ConsoleLog& log, const std::string& command)
{
    return TypeWithEchoCheck(port, log, command).echoed;
}

bool WaitForPrompt(SerialPort& port, ConsoleLog& log, const std::string& lastText,
                   std::uint32_t budgetMs, const ReadTextSink& sink)
{
    if (IsPrompt(lastText)) {
        return true;
    }
    // The budget counts reads, not time. T = 0 would never use it up, so it counts as 1 ms.
    const std::uint32_t step = std::max<std::uint32_t>(port.GetTimeout(), 1);
    const std::uint32_t reads = (budgetMs + step - 1) / step;
    std::string text;
    for (std::uint32_t i = 0; i < reads; ++i) {
        text.clear();
        port.ReadLine(kConsoleLineLimit, text); // a partial line counts as well
        if (IsPrompt(text)) {
            return true;
        }
        ShowConsoleLine(log, text);
        if (sink) {
            sink(text);
        }
    }
    return false;
}

void DrainInput(SerialPort& port)
{
    constexpr int kMaxDrainBytes = 1025;
    std::uint8_t byte = 0;
    for (int i = 0; i < kMaxDrainBytes && port.Read(1, &byte); ++i) {
    }
}

namespace {

// One step after its command went through: shows the output lines, runs the line check on
// them until it first finds a fault, and waits for the prompt. Returns the fault, if any.
std::optional<std::string> ReadStepOutput(SerialPort& port, ConsoleLog& log,
                                          const ConsoleStep& step, std::uint32_t promptBudgetMs)
{
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
    std::string line;
    for (;;) {
        line.clear();
        if (!port.ReadLine(kConsoleLineLimit, line)) {
            break;
        }
        ShowConsoleLine(log, line);
        if (!check(line)) {
            WaitForPrompt(port, log, line, promptBudgetMs);
            return failure;
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
    WaitForPrompt(port, log, line, promptBudgetMs, checkRest);
    return failure;
}

} // namespace

OperationResult RunDeviceOperation(const std::string& portName, const DeviceOperation& op,
                                   ConsoleLog& log)
{
    SerialPort port(portName);
    if (!port.Open()) {
        std::string message = OpenFailureMessage(portName);
        if (const std::string hint = port.openFailureHint(); !hint.empty()) {
            message += "\n\n" + hint;
        }
        return {false, message};
    }
    port.LineEnd = op.lineEnd;
    // Not checked: a line that refused its settings fails the echo check of the first command.
    static_cast<void>(port.SetCommParams(57600, 8, Parity::None, StopBits::One));
    port.SetTimeouts(op.timeoutMs);
    DrainInput(port);

    OperationResult result;
    for (const ConsoleStep& step : op.steps) {
        if (const TypedCommand typed = TypeWithEchoCheck(port, log, step.command); !typed.echoed) {
            EraseTypedCharacters(port, typed.written);
            result.ok = false;
            result.message = step.sendFailureMessage.empty() ? SendFailureMessage(step.command)
                                                             : step.sendFailureMessage;
            break;
        }
        if (std::optional<std::string> failure =
                ReadStepOutput(port, log, step, op.promptBudgetMs)) {
            result = {false, std::move(*failure)};
            break;
        }
    }
    port.Close();
    return result;
}

DeviceOperation GenericCommand(const std::string& command)
{
    DeviceOperation op;
    op.steps.push_back(ConsoleStep{command, {}, {}});
    return op;
}

} // namespace kora
