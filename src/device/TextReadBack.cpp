#include "device/TextReadBack.h"

#include "device/DevicePosition.h"

namespace kora {

namespace {

constexpr char kCtrlZ = '\x1a';
constexpr std::string_view kConsoleLineEnd = "\r\n";
constexpr std::string_view kFileNotFound = "File not found";

std::string IncompleteMessage(const std::string& name)
{
    return "The KORA-7740P did not finish printing '" + name +
           "'; nothing was kept.\n\nPlease try again.";
}

// Output beyond the file's size and this much more cannot be the file; it is still read to the
// prompt, but not kept.
constexpr std::size_t kOutputSlack = 4096;

struct TypedOutput {
    std::string output; // every byte up to the prompt, the prompt itself not included
    bool prompted = false;
};

// Reads what the console prints up to its prompt: the end is a complete prompt ("D:\X>") at the
// start of a line with the line quiet after it (quick: the short gap; patient: 2 x T), else
// silence for 2 x T. Each line is shown in the log as the line loop would show it.
TypedOutput ReadTypedOutput(SerialPort& port, ConsoleLog& log, ExchangeTiming timing,
                            std::uint64_t listedSize)
{
    TypedOutput typed;
    const std::size_t keep = static_cast<std::size_t>(listedSize) + kOutputSlack;
    std::string line; // since the last line feed
    std::uint8_t byte = 0;
    for (;;) {
        const bool atPrompt = IsCompletePrompt(line);
        const bool got = atPrompt && timing == ExchangeTiming::Quick
                             ? port.ReadByteWithin(byte, QuickPromptEnd().gap)
                             : port.Read(1, &byte);
        if (!got) {
            typed.prompted = atPrompt;
            break;
        }
        line.push_back(static_cast<char>(byte));
        if (byte == '\n') {
            ShowConsoleLine(log, line);
            if (typed.output.size() < keep) {
                typed.output += line;
            }
            line.clear();
        } else if (line.size() >= kConsoleLineLimit) {
            // A long line is shown in pieces, as the line loop shows it.
            ShowConsoleLine(log, line);
            if (typed.output.size() < keep) {
                typed.output += line;
            }
            line.clear();
        }
    }
    if (!typed.prompted && typed.output.size() < keep) {
        typed.output += line;
    }
    return typed;
}

std::string NotFoundMessage(const std::string& name)
{
    return "KORA-7740P could not find '" + name + "'.";
}

} // namespace

std::string NotExactTextMessage(const std::string& name)
{
    return "'" + name + "' cannot be read back exactly over the console: it is not a text file.";
}

std::optional<std::string> ExactTypeContent(std::string_view output, std::uint64_t listedSize)
{
    // The line feed that follows the echoed carriage return ends the command line.
    if (output.starts_with('\n')) {
        output.remove_prefix(1);
    }
    // The console's line end before its prompt; without it the output did not end.
    if (!output.ends_with(kConsoleLineEnd)) {
        return std::nullopt;
    }
    output.remove_suffix(kConsoleLineEnd.size());
    if (output.find(kCtrlZ) != std::string_view::npos ||
        output.find('\0') != std::string_view::npos || output.starts_with(kFileNotFound)) {
        return std::nullopt;
    }
    if (output.size() == listedSize) {
        // A file that does not end in a line feed would have one added: this one must end in
        // one (or be empty), else bytes were lost and the count only matches by chance.
        if (output.empty() || output.back() == '\n') {
            return std::string(output);
        }
        return std::nullopt;
    }
    // The line end the console adds after a last line without one.
    if (listedSize > 0 && output.size() == listedSize + kConsoleLineEnd.size() &&
        output.ends_with(kConsoleLineEnd) && output[listedSize - 1] != '\n') {
        return std::string(output.substr(0, listedSize));
    }
    return std::nullopt;
}

DeviceOperation TypeTextFileOperation(const std::string& path, const std::string& name,
                                      std::uint64_t listedSize, TextReadBack& into)
{
    DeviceOperation op;
    op.lineEnd = 10;
    op.timeoutMs = 200;
    const auto read = [&into, name,
                       listedSize](SerialPort& port, ConsoleLog& log,
                                   ExchangeTiming timing) -> std::optional<StepFailure> {
        into.content.reset();
        const TypedOutput typed = ReadTypedOutput(port, log, timing, listedSize);
        if (!typed.prompted) {
            return StepFailure{IncompleteMessage(name), true};
        }
        const std::string_view rest =
            std::string_view(typed.output).substr(typed.output.starts_with('\n') ? 1 : 0);
        if (rest.starts_with(kFileNotFound)) {
            return StepFailure{NotFoundMessage(name), false};
        }
        into.content = ExactTypeContent(typed.output, listedSize);
        if (!into.content) {
            return StepFailure{NotExactTextMessage(name), true};
        }
        return std::nullopt;
    };
    op.steps.push_back({"type " + name + "\r", {}, {}, {}, read});
    return InDeviceDirectory(path, std::move(op));
}

TextFileReading ReadDeviceTextFile(const DeviceOperationRunner& run, const std::string& path,
                                   const std::string& name, std::uint64_t listedSize)
{
    TextReadBack readBack;
    const OperationResult result = run(TypeTextFileOperation(path, name, listedSize, readBack));
    TextFileReading reading;
    if (result.ok && readBack.content) {
        reading.content = std::move(readBack.content);
        return reading;
    }
    reading.message = result.ok ? NotExactTextMessage(name) : result.message;
    reading.fileRefused = result.ok || result.message == NotExactTextMessage(name) ||
                          result.message == NotFoundMessage(name) ||
                          result.message == IncompleteMessage(name);
    return reading;
}

} // namespace kora
