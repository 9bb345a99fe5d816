#include "device/ProgramStart.h"

#include "device/DevicePosition.h"

namespace kora {

std::string ProgramCommandLine(const std::string& name, const std::vector<std::string>& arguments)
{
    std::string line = name;
    for (const std::string& argument : arguments) {
        line += ' ';
        line += argument;
    }
    return line;
}

std::optional<std::string> ProgramLineProblem(const std::string& line)
{
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return "the command line holds a control character; it is typed as one line, which "
                   "ends with Enter";
        }
    }
    if (line.size() > kConsoleLineCapacity) {
        return "the command line has " + std::to_string(line.size()) +
               " characters; the console keeps at most " + std::to_string(kConsoleLineCapacity);
    }
    return std::nullopt;
}

OperationResult StartProgramIn(SerialPort& port, const std::string& path, const std::string& line,
                               ConsoleLog& log, ExchangeTiming timing)
{
    port.LineEnd = 10;
    port.SetTimeouts(kProgramStartTimeoutMs);
    PrepareConsole(port, timing);
    DeviceOperation enter;
    enter.steps = EnterDeviceDirectorySteps(path);
    enter.timeoutMs = kProgramStartTimeoutMs;
    enter.timing = timing;
    if (OperationResult placed = RunDeviceSteps(port, enter, log); !placed.ok) {
        return placed;
    }
    const std::string command = line + "\r";
    switch (SendCommand(port, log, command, timing)) {
    case CommandSent::Yes:
        return {};
    case CommandSent::No:
        return {false, SendFailureMessage(command)};
    case CommandSent::MayHaveRun:
        break;
    }
    return {false, MayBeRunningMessage(command), false, true};
}

} // namespace kora
