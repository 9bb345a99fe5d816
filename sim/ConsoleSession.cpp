#include "sim/ConsoleSession.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <functional>
#include <thread>
#include <utility>

#include "sim/DosFileSystem.h"
#include "sim/Faults.h"
#include "sim/InternalCommands.h"
#include "sim/PtyLine.h"
#include "sim/SamplePrograms.h"
#include "sim/TextCase.h"

namespace kora::sim {

namespace {

constexpr std::uint8_t kBackspace = 8;
constexpr std::uint8_t kDelete = 127;
constexpr std::uint8_t kEscape = 27;
constexpr std::uint8_t kCtrlC = 3;
constexpr std::size_t kMaxCommandLine = 127;
constexpr int kMaxBatchDepth = 4;
// Waits are cut into slices so stop() and a hang-up request are noticed quickly.
constexpr std::chrono::milliseconds kSlice{20};

} // namespace

ConsoleSession::ConsoleSession(Shared shared) : s_(shared) {}

std::string ConsoleSession::CommandKey(const std::string& word)
{
    std::string key = word;
    const auto cut = key.find_last_of("\\:");
    if (cut != std::string::npos)
        key.erase(0, cut + 1);
    const auto dot = key.find('.');
    if (dot != std::string::npos)
        key.erase(dot);
    return lower(key);
}

bool ConsoleSession::lineDead() const
{
    return !s_.line.isOpen();
}

bool ConsoleSession::stopRequested() const
{
    return s_.stopRequested.load() || lineDead() || s_.faults.hangUp.load();
}

std::optional<std::uint8_t> ConsoleSession::readByte(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (s_.faults.hangUp.load() && !lineDead())
            s_.line.hangUp();
        if (s_.stopRequested.load() || lineDead())
            return std::nullopt;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const auto byte = s_.line.readByte(std::clamp(left, std::chrono::milliseconds(0), kSlice));
        if (byte) {
            ++s_.bytesReceived;
            if (!s_.faults.silent.load())
                return byte;
        } else if (left <= std::chrono::milliseconds(0)) {
            return std::nullopt;
        }
    }
}

void ConsoleSession::write(std::string_view bytes)
{
    // The cut-off faults end a command's output right after its n-th line.
    const int hangUpAfter = s_.faults.hangUpAfterLines.load();
    const int silentAfter = s_.faults.silentAfterLines.load();
    const int cutAfter = hangUpAfter > 0 && (silentAfter <= 0 || hangUpAfter <= silentAfter)
                             ? hangUpAfter
                             : silentAfter;
    if (!executing_ || cutAfter <= 0) {
        writePaced(bytes);
        return;
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n' || ++outputLines_ < cutAfter)
            continue;
        writePaced(bytes.substr(0, i + 1));
        if (cutAfter == hangUpAfter) {
            s_.line.waitOutputTaken(std::chrono::milliseconds(500));
            s_.faults.hangUpAfterLines = 0;
            s_.faults.hangUp = true;
        } else {
            s_.faults.silentAfterLines = 0;
            s_.faults.silent = true;
        }
        return;
    }
    writePaced(bytes);
}

void ConsoleSession::writePaced(std::string_view bytes)
{
    if (s_.faults.silent.load() || stopRequested())
        return;
    const int pauseMs = s_.faults.pauseMs.load();
    s_.bytesSent += bytes.size();
    const std::function<bool()> giveUp = [this] { return stopRequested(); };
    if (pauseMs <= 0 || pausedThisCommand_) {
        s_.line.write(bytes, giveUp);
        return;
    }
    // The pause fault: the output stops once, after the n-th line end of the command and as
    // many bytes into the next line as asked.
    const int pauseAfter = std::max(0, s_.faults.pauseAfterLines.load());
    std::size_t start = 0;
    for (std::size_t i = 0; i <= bytes.size() && !pausedThisCommand_; ++i) {
        if (bytesUntilPause_ == 0) {
            s_.line.write(bytes.substr(start, i - start), giveUp);
            start = i;
            pausedThisCommand_ = true;
            const auto resume =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(pauseMs);
            while (std::chrono::steady_clock::now() < resume && !stopRequested())
                std::this_thread::sleep_for(std::min<std::chrono::nanoseconds>(
                    kSlice, resume - std::chrono::steady_clock::now()));
            break;
        }
        if (i == bytes.size())
            break;
        if (bytesUntilPause_ > 0) {
            --bytesUntilPause_;
        } else if (bytes[i] == '\n' && ++linesThisCommand_ >= pauseAfter) {
            bytesUntilPause_ = std::max(0, s_.faults.pauseIntoLine.load());
        }
    }
    s_.line.write(bytes.substr(start), giveUp);
}

void ConsoleSession::printPrompt()
{
    commandLine_.clear();
    charactersSincePrompt_ = 0;
    if (!s_.faults.noPrompt.load())
        write(s_.fs.prompt());
    drawPromptFaults();
}

int ConsoleSession::drawPercent()
{
    const std::uint32_t seed = s_.faults.noiseSeed.load();
    if (seed != seededWith_) {
        random_.seed(seed);
        seededWith_ = seed;
    }
    return std::uniform_int_distribution<int>(0, 99)(random_);
}

void ConsoleSession::drawPromptFaults()
{
    if (const int percent = s_.faults.strayBytePercent.load();
        percent > 0 && drawPercent() < percent)
        ++strayBytesDue_;
    if (const int percent = s_.faults.externalCdPercent.load();
        percent > 0 && drawPercent() < percent) {
        static constexpr std::array kKinds{Faults::kCdRootOfD, Faults::kCdDriveC,
                                           Faults::kCdElsewhereOnD};
        externalCdDue_ |= kKinds[static_cast<std::size_t>(drawPercent()) % kKinds.size()];
    }
}

void ConsoleSession::carryOutDueFaults()
{
    int stray = s_.faults.strayBytesPending.exchange(0) + std::exchange(strayBytesDue_, 0);
    for (; stray > 0 && commandLine_.size() < kMaxCommandLine; --stray) {
        commandLine_ += static_cast<char>(s_.faults.strayByte.load());
        ++s_.faults.strayBytesPlaced;
    }
    switch (s_.faults.strayKeySequence.exchange(0)) {
    case Faults::kKeyEscape:
        keySequence_ = KeySequence::Escape;
        break;
    case Faults::kKeyCsi:
        keySequence_ = KeySequence::Csi;
        break;
    case Faults::kKeySs3:
        keySequence_ = KeySequence::Ss3;
        break;
    default:
        break;
    }
    const int cd = s_.faults.externalCd.exchange(0) | std::exchange(externalCdDue_, 0);
    if (cd & Faults::kCdRootOfD)
        s_.fs.changeDirectory("D:\\");
    if (cd & Faults::kCdElsewhereOnD)
        moveElsewhereOnD();
    if (cd & Faults::kCdDriveC)
        s_.fs.setCurrentDrive('C');
    if (cd != 0)
        ++s_.faults.externalCdsMade;
}

void ConsoleSession::moveElsewhereOnD()
{
    // Any directory of D: but the current one, the root included.
    std::vector<std::string> directories{"D:\\"};
    for (std::size_t next = 0; next < directories.size(); ++next) {
        const std::string parent = directories[next]; // the vector grows below
        for (const DosEntry& e : s_.fs.list(parent).value_or(std::vector<DosEntry>{}))
            if (e.isDirectory)
                directories.push_back((parent.ends_with('\\') ? parent : parent + "\\") + e.name);
    }
    const std::string current = "D:" + s_.fs.currentDirectory('D');
    std::erase(directories, current);
    if (!directories.empty())
        s_.fs.changeDirectory(
            directories[static_cast<std::size_t>(drawPercent()) % directories.size()]);
}

void ConsoleSession::run()
{
    printPrompt();
    while (!stopRequested()) {
        const auto byte = readByte(std::chrono::milliseconds(200));
        if (byte)
            handlePromptByte(*byte);
    }
    if (s_.faults.hangUp.load() && !lineDead())
        s_.line.hangUp();
}

void ConsoleSession::echo(std::string_view bytes, std::uint8_t received)
{
    if (s_.faults.noEcho.load())
        return;
    if (charactersSincePrompt_ == s_.faults.wrongEchoAt.load()) {
        // Another byte than the one received, as a line with noise would return.
        const char wrong = received == '?' ? '!' : '?';
        write(std::string_view(&wrong, 1));
        return;
    }
    write(bytes);
}

void ConsoleSession::handlePromptByte(std::uint8_t byte)
{
    carryOutDueFaults();
    if (keySequence_ != KeySequence::None) {
        // Cursor and function keys mean nothing at this prompt.
        takeKeySequenceByte(byte);
        return;
    }
    if (byte == '\n')
        return; // a terminal's CR LF counts as one Enter
    if ((byte == kBackspace || byte == kDelete) && commandLine_.empty())
        return; // as on DOS: nothing to erase, nothing echoed, no character of the line
    ++charactersSincePrompt_;
    const char c = static_cast<char>(byte);
    switch (byte) {
    case '\r': {
        if (!s_.faults.noProgramEnterEcho.load() || !startsProgramFile(commandLine_))
            echo("\r", byte);
        write("\n");
        const std::string line = commandLine_;
        commandLine_.clear();
        const bool blank = line.find_first_not_of(' ') == std::string::npos;
        if (!blank) {
            executing_ = true;
            outputLines_ = 0;
            execute(line, 0);
            executing_ = false;
            if (!s_.faults.noLineEndBeforePrompt)
                write("\r\n");
        }
        printPrompt();
        return;
    }
    case kBackspace:
    case kDelete:
        if (!commandLine_.empty()) {
            const bool shownAsCaret = static_cast<std::uint8_t>(commandLine_.back()) < 0x20;
            commandLine_.pop_back();
            echo(shownAsCaret ? "\b \b\b \b" : "\b \b", byte);
        }
        return;
    case kEscape:
        keySequence_ = KeySequence::Escape;
        return;
    case kCtrlC:
        echo("^C", byte);
        write("\r\n");
        printPrompt();
        return;
    default:
        if (commandLine_.size() >= kMaxCommandLine) {
            const char bell = 7;
            write(std::string_view(&bell, 1));
            return;
        }
        commandLine_ += c;
        if (byte < 0x20) {
            // Like DOS: any other control character goes into the line, shown as ^X. So CAN
            // bytes that reach the prompt spoil the next command unless they are erased.
            const char caret[] = {'^', static_cast<char>(byte + '@')};
            echo(std::string_view(caret, 2), byte);
            return;
        }
        echo(std::string_view(&c, 1), byte);
    }
}

void ConsoleSession::takeKeySequenceByte(std::uint8_t byte)
{
    switch (keySequence_) {
    case KeySequence::Escape:
        keySequence_ = byte == '['   ? KeySequence::Csi
                       : byte == 'O' ? KeySequence::Ss3
                                     : KeySequence::None;
        return;
    case KeySequence::Csi:
        // ESC "[" x, or with a collecting reader ESC "[" parameters and controls, then a final.
        if (s_.faults.collectingKeyReader.load() && (byte < 0x40 || byte > 0x7E))
            return;
        keySequence_ = KeySequence::None;
        return;
    case KeySequence::Ss3:
    case KeySequence::None:
        keySequence_ = KeySequence::None;
        return;
    }
}

void ConsoleSession::execute(const std::string& typed, int batchDepth)
{
    const std::string line = typed.substr(std::min(typed.find_first_not_of(' '), typed.size()));
    if (line.empty())
        return;
    linesThisCommand_ = 0;
    bytesUntilPause_ = -1;
    pausedThisCommand_ = false;
    if (const CommandHandler before = s_.commands.beforeEach()) {
        CommandContext context{*this, s_.fs, s_.faults, line, {}};
        before(context);
    }

    if (IsDriveChange(line)) {
        CommandContext context{*this, s_.fs, s_.faults, line.substr(0, 2), {}};
        ChangeDrive(context);
        return;
    }
    if (auto internal = FindInternalCommand(line)) {
        CommandContext context{*this, s_.fs, s_.faults, internal->commandWord, internal->arguments};
        internal->handler(context);
        return;
    }
    // The command word ends at a blank or at a switch: "C:\DLFMT D: /C", "mem/c".
    const auto end = std::min(line.find_first_of(" /"), line.size());
    const std::string word = line.substr(0, end);
    std::string arguments = line.substr(end);
    arguments.erase(0, std::min(arguments.find_first_not_of(' '), arguments.size()));

    if (const auto tool = s_.commands.find(CommandKey(word))) {
        CommandContext context{*this, s_.fs, s_.faults, word, arguments};
        (*tool)(context);
        return;
    }
    // A program ignores what follows its name; a batch file gets it as %1 to %9.
    if (!runProgramFile(word, arguments, batchDepth))
        writeLine("Bad command or file name");
}

namespace {

// A batch line with %0 to %9 replaced by the name and the arguments (a missing one by nothing)
// and %% by %.
std::string SubstituteBatchParameters(const std::string& line, const std::string& name,
                                      const std::string& arguments)
{
    std::vector<std::string> parameters{name};
    for (std::size_t at = 0; at < arguments.size();) {
        const std::size_t start = arguments.find_first_not_of(' ', at);
        if (start == std::string::npos)
            break;
        const std::size_t stop = std::min(arguments.find(' ', start), arguments.size());
        parameters.push_back(arguments.substr(start, stop - start));
        at = stop;
    }
    std::string result;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '%' || i + 1 == line.size()) {
            result += line[i];
        } else if (line[i + 1] == '%') {
            result += '%';
            ++i;
        } else if (line[i + 1] >= '0' && line[i + 1] <= '9') {
            const auto index = static_cast<std::size_t>(line[i + 1] - '0');
            if (index < parameters.size())
                result += parameters[index];
            ++i;
        } else {
            result += line[i];
        }
    }
    return result;
}

} // namespace

std::vector<std::string> ConsoleSession::ProgramFileNames(const std::string& word)
{
    static constexpr std::array kExtensions{".COM", ".EXE", ".BAT"};
    const std::string typed = upper(word);
    std::vector<std::string> candidates;
    const auto base = typed.substr(std::min(typed.find_last_of("\\:") + 1, typed.size()));
    if (base.find('.') != std::string::npos) {
        if (std::none_of(kExtensions.begin(), kExtensions.end(),
                         [&](const char* e) { return typed.ends_with(e); }))
            return {};
        candidates.push_back(typed);
    } else {
        for (const char* e : kExtensions)
            candidates.push_back(typed + e);
    }
    return candidates;
}

bool ConsoleSession::startsProgramFile(const std::string& typed) const
{
    const std::string line = typed.substr(std::min(typed.find_first_not_of(' '), typed.size()));
    if (line.empty() || IsDriveChange(line) || FindInternalCommand(line))
        return false;
    const std::string word = line.substr(0, std::min(line.find_first_of(" /"), line.size()));
    if (s_.commands.find(CommandKey(word)))
        return false;
    const std::vector<std::string> candidates = ProgramFileNames(word);
    return std::any_of(candidates.begin(), candidates.end(), [this](const std::string& path) {
        return s_.fs.readFile(path).has_value();
    });
}

bool ConsoleSession::runProgramFile(const std::string& word, const std::string& arguments,
                                    int batchDepth)
{
    for (const auto& path : ProgramFileNames(word)) {
        const auto image = s_.fs.readFile(path);
        if (!image)
            continue;
        const auto name = path.substr(std::min(path.find_last_of("\\:") + 1, path.size()));
        if (path.ends_with(".BAT")) {
            if (batchDepth >= kMaxBatchDepth)
                return true;
            // Each line of a batch file runs as if typed, without prompts in between. The file
            // ends at its first Ctrl-Z, as COMMAND.COM reads it. Zero bytes are no end: a line
            // of them (an upload's zero padding) runs too, and is no command.
            const std::size_t end = std::min(image->find('\x1a'), image->size());
            std::size_t start = 0;
            while (start < end && !stopRequested()) {
                const auto stop = std::min(image->find('\n', start), end);
                std::string command = image->substr(start, stop - start);
                start = stop + 1;
                while (!command.empty() && (command.back() == '\r' || command.back() == ' '))
                    command.pop_back();
                if (command.empty() || command.front() == '@' || upper(command).starts_with("REM"))
                    continue;
                if (command.find('\0') != std::string::npos) {
                    writeLine("Bad command or file name");
                    continue;
                }
                execute(SubstituteBatchParameters(command, word, arguments), batchDepth + 1);
            }
            return true;
        }
        RunProgram(*this, name, DescribeProgram(*image));
        return true;
    }
    return false;
}

} // namespace kora::sim
