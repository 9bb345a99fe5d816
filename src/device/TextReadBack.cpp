#include "device/TextReadBack.h"

#include <algorithm>
#include <utility>

#include "device/DevicePosition.h"

namespace kora {

namespace {

constexpr char kCtrlZ = '\x1a';
constexpr std::string_view kConsoleLineEnd = "\r\n";
constexpr std::string_view kFileNotFound = "File not found";
// An upload fills its last block up to this size.
constexpr std::uint64_t kUploadBlock = 128;

std::string IncompleteMessage(const std::string& name)
{
    return "The KORA-7740P did not finish printing '" + name +
           "'; nothing was kept.\n\nPlease try again.";
}

std::string NotFoundMessage(const std::string& name)
{
    return "KORA-7740P could not find '" + name + "'.";
}

// Output beyond the file's size and this much more cannot be the file; it is still read to the
// prompt, but not kept.
constexpr std::size_t kOutputSlack = 4096;

// Whether `rest`, which follows the bytes `printed`, can be the console's own line ends: its line
// end before the prompt or none, and after a last line without a line feed perhaps one more.
bool IsConsoleFraming(std::string_view printed, std::string_view rest)
{
    if (rest.empty() || rest == kConsoleLineEnd) {
        return true;
    }
    const bool openLine = !printed.empty() && printed.back() != '\n';
    return openLine && rest.size() == 2 * kConsoleLineEnd.size() &&
           rest.starts_with(kConsoleLineEnd) && rest.ends_with(kConsoleLineEnd);
}

bool HasNoEndBytes(std::string_view text)
{
    return text.find('\0') == std::string_view::npos && text.find(kCtrlZ) == std::string_view::npos;
}

bool AllOf(std::string_view text, char byte)
{
    return std::all_of(text.begin(), text.end(), [byte](char c) { return c == byte; });
}

// The file printed whole: its text, then perhaps its end-of-file marks or an upload's padding.
TypeOutputReading JudgePrintedFile(std::string_view printed)
{
    const std::size_t textEnd = std::min(printed.find('\0'), printed.find(kCtrlZ));
    if (textEnd == std::string_view::npos) {
        return {TypedFile::Exact, std::string(printed)};
    }
    const std::string_view text = printed.substr(0, textEnd);
    const std::string_view tail = printed.substr(textEnd);
    if (AllOf(tail, kCtrlZ)) {
        return {TypedFile::EndOfFileMark, std::string(text)};
    }
    if (AllOf(tail, '\0') && printed.size() % kUploadBlock == 0 && tail.size() < kUploadBlock) {
        return {TypedFile::ZeroPadding, std::string(text)};
    }
    return {TypedFile::Binary, {}};
}

struct TypedOutput {
    std::string output; // every byte up to the prompt, the prompt itself not included
    bool prompted = false;
};

// The length of the prompt that ends the current line (the bytes since the last line feed): the
// whole line when it is one, else 0.
std::size_t LinePromptLength(const std::string& line)
{
    // Every prompt ends in ">"; most bytes are not one, and nothing more is looked at then.
    return !line.empty() && line.back() == '>' && IsCompletePrompt(line) ? line.size() : 0;
}

// On a console that prints no line end of its own before the prompt, a last line without one
// runs into it: the prompt then starts right after the file's bytes, `listedSize` of them after
// the command line's line feed, or one less when "type" stopped at the end-of-file mark. Its
// length at the end of `output`, else 0.
std::size_t GluedPromptLength(std::string_view output, std::uint64_t listedSize)
{
    if (output.empty() || output.back() != '>') {
        return 0;
    }
    const std::size_t fileStart = output.starts_with('\n') ? 1 : 0;
    for (const std::uint64_t fileBytes : {listedSize, listedSize - 1}) {
        if (fileBytes > listedSize) {
            continue; // an empty file has no last byte to stop at
        }
        const std::uint64_t promptStart = fileStart + fileBytes;
        if (promptStart < output.size() &&
            output.find('\n', promptStart) == std::string_view::npos &&
            IsCompletePrompt(std::string(output.substr(promptStart)))) {
            return output.size() - promptStart;
        }
    }
    return 0;
}

// After silence, a prompt that a last line without a line end ran into where "type" stopped
// early (at a Ctrl-Z with more after it): its length at the end of the line, else 0. Such a
// reading does not add up; it is refused as that, not as one the console did not finish.
std::size_t TrailingPromptLength(const std::string& line)
{
    for (std::size_t at = line.size(); at-- > 0;) {
        if ((line[at] == 'C' || line[at] == 'D') && line.compare(at + 1, 2, ":\\") == 0) {
            return IsCompletePrompt(line.substr(at)) ? line.size() - at : 0;
        }
    }
    return 0;
}

// Reads what the console prints up to its prompt: the end is a complete prompt with the line
// quiet after it (quick: the short gap; patient: 2 x T), else silence for 2 x T. Each line is
// shown in the log as the line loop would show it.
TypedOutput ReadTypedOutput(SerialPort& port, ConsoleLog& log, ExchangeTiming timing,
                            std::uint64_t listedSize)
{
    TypedOutput typed;
    const std::size_t keep = static_cast<std::size_t>(listedSize) + kOutputSlack;
    bool kept = true; // every byte so far is in typed.output
    std::string line; // since the last line feed
    std::uint8_t byte = 0;
    for (;;) {
        // A prompt right after the file's bytes first: the file's last line may look like one.
        std::size_t prompt = kept ? GluedPromptLength(typed.output, listedSize) : 0;
        if (prompt == 0) {
            prompt = LinePromptLength(line);
        }
        bool atPrompt = prompt > 0;
        const bool got = atPrompt && timing == ExchangeTiming::Quick
                             ? port.ReadByteWithin(byte, QuickGap(port))
                             : port.Read(1, &byte);
        if (!got) {
            if (!atPrompt) {
                prompt = TrailingPromptLength(line);
                atPrompt = prompt > 0;
            }
            typed.prompted = atPrompt;
            if (atPrompt) {
                line.resize(line.size() - std::min(prompt, line.size()));
                if (kept) {
                    typed.output.resize(typed.output.size() - prompt);
                }
            }
            ShowConsoleLine(log, line);
            break;
        }
        line.push_back(static_cast<char>(byte));
        if (kept && typed.output.size() < keep) {
            typed.output.push_back(static_cast<char>(byte));
        } else {
            kept = false;
        }
        // A long line is shown in pieces, as the line loop shows it.
        if (byte == '\n' || line.size() >= kConsoleLineLimit) {
            ShowConsoleLine(log, line);
            line.clear();
        }
    }
    return typed;
}

} // namespace

std::string NotExactTextMessage(const std::string& name)
{
    return "'" + name + "' cannot be read back exactly over the console: it is not a text file.";
}

std::string NotExactReadingMessage(const std::string& name)
{
    return "'" + name +
           "' cannot be read back exactly over the console: read twice, the bytes printed did "
           "not add up to its size.";
}

TypeOutputReading JudgeTypeOutput(std::string_view output, std::uint64_t listedSize)
{
    // The line feed that follows the echoed carriage return ends the command line.
    if (output.starts_with('\n')) {
        output.remove_prefix(1);
    }
    if (listedSize <= output.size()) {
        const std::string_view printed = output.substr(0, listedSize);
        if (IsConsoleFraming(printed, output.substr(listedSize))) {
            return JudgePrintedFile(printed);
        }
    }
    // One byte short: "type" stopped at a Ctrl-Z, the file's last byte.
    if (listedSize > 0 && listedSize - 1 <= output.size()) {
        const std::string_view printed = output.substr(0, listedSize - 1);
        if (IsConsoleFraming(printed, output.substr(listedSize - 1)) && HasNoEndBytes(printed)) {
            return {TypedFile::EndOfFileMark, std::string(printed), true};
        }
    }
    return {HasNoEndBytes(output) ? TypedFile::NotExact : TypedFile::Binary, {}};
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
        into.reading.reset();
        const TypedOutput typed = ReadTypedOutput(port, log, timing, listedSize);
        const std::optional<std::string> earlier = std::exchange(into.unconfirmed, std::nullopt);
        if (!typed.prompted) {
            return StepFailure{IncompleteMessage(name), true};
        }
        const std::string_view rest =
            std::string_view(typed.output).substr(typed.output.starts_with('\n') ? 1 : 0);
        if (rest.starts_with(kFileNotFound)) {
            return StepFailure{NotFoundMessage(name), false};
        }
        TypeOutputReading judged = JudgeTypeOutput(typed.output, listedSize);
        switch (judged.kind) {
        case TypedFile::Binary:
            return StepFailure{NotExactTextMessage(name), true};
        case TypedFile::NotExact:
            return StepFailure{NotExactReadingMessage(name), true};
        default:
            break;
        }
        if (judged.markInferred && earlier != judged.text) {
            into.unconfirmed = judged.text;
            return StepFailure{NotExactReadingMessage(name), true};
        }
        into.reading = std::move(judged);
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
    reading.listedSize = listedSize;
    if (result.ok && readBack.reading) {
        reading.kind = readBack.reading->kind;
        reading.content = std::move(readBack.reading->text);
        return reading;
    }
    reading.message = result.ok ? NotExactReadingMessage(name) : result.message;
    if (result.ok || reading.message == NotExactReadingMessage(name)) {
        reading.refusal = ReadBackRefusal::NotExact;
    } else if (reading.message == NotExactTextMessage(name)) {
        reading.refusal = ReadBackRefusal::NotText;
    } else if (reading.message == NotFoundMessage(name)) {
        reading.refusal = ReadBackRefusal::NotFound;
    } else if (reading.message == IncompleteMessage(name)) {
        reading.refusal = ReadBackRefusal::Incomplete;
    } else {
        reading.refusal = ReadBackRefusal::Exchange;
    }
    return reading;
}

std::string KeptTextNote(const TextFileReading& reading)
{
    if (!reading.content || reading.kind == TypedFile::Exact) {
        return {};
    }
    const std::string count = std::to_string(reading.content->size()) + " of " +
                              std::to_string(reading.listedSize) + " bytes, ";
    if (reading.kind == TypedFile::ZeroPadding) {
        return count + "the text before the zero padding of an upload";
    }
    return count + "the text before its end-of-file mark (Ctrl-Z)";
}

std::string RefusalReason(ReadBackRefusal refusal)
{
    switch (refusal) {
    case ReadBackRefusal::None:
        return {};
    case ReadBackRefusal::NotText:
        return "binary: cannot be read over the console";
    case ReadBackRefusal::NotExact:
        return "read twice, not exact";
    case ReadBackRefusal::NotFound:
        return "gone from D: since it was listed";
    case ReadBackRefusal::Incomplete:
        return "the console did not finish printing it";
    case ReadBackRefusal::Exchange:
        return "not read: the exchange failed";
    }
    return {};
}

} // namespace kora
