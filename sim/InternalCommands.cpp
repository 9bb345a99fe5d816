#include "sim/InternalCommands.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "sim/DirListing.h"
#include "sim/DosFileSystem.h"
#include "sim/Faults.h"
#include "sim/TextCase.h"

namespace kora::sim {

namespace {

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Splits "a b  c" at blanks.
std::vector<std::string> words(const std::string& text)
{
    std::vector<std::string> result;
    std::string current;
    for (const char c : text) {
        if (c == ' ') {
            if (!current.empty())
                result.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        result.push_back(std::move(current));
    return result;
}

// The one path a command needs; says so when it is missing.
std::optional<std::string> requiredPath(CommandContext& c)
{
    std::string path = trimmed(c.arguments);
    if (path.empty()) {
        c.io.writeLine("Required parameter missing");
        return std::nullopt;
    }
    return path;
}

// The line a command prints for a file system refusal: the one listed for the error, or
// `otherwise`. Success prints nothing.
struct Refusal {
    FsError error;
    std::string line;
};

void reportRefusal(CommandContext& c, FsError error, std::initializer_list<Refusal> refusals,
                   std::string_view otherwise)
{
    if (error == FsError::None)
        return;
    const auto listed = std::find_if(refusals.begin(), refusals.end(),
                                     [error](const Refusal& r) { return r.error == error; });
    c.io.writeLine(listed != refusals.end() ? std::string_view(listed->line) : otherwise);
}

void changeDirectory(CommandContext& c)
{
    const std::string path = trimmed(c.arguments);
    if (path.empty()) {
        const char drive = c.fs.currentDrive();
        c.io.writeLine(std::string(1, drive) + ":" + c.fs.currentDirectory(drive));
        return;
    }
    if (path.size() == 2 && path[1] == ':') {
        // "cd D:" reports that drive's current directory.
        const std::string current = c.fs.currentDirectory(path[0]);
        c.io.writeLine(current.empty() ? "Invalid drive"
                                       : std::string(1, static_cast<char>(std::toupper(
                                                            static_cast<unsigned char>(path[0])))) +
                                             ":" + current);
        return;
    }
    if (c.fs.changeDirectory(path) != FsError::None)
        c.io.writeLine("Invalid directory");
}

void makeDirectory(CommandContext& c)
{
    if (const auto path = requiredPath(c))
        reportRefusal(c, c.fs.makeDirectory(*path),
                      {{FsError::InvalidName, "Invalid directory name"},
                       {FsError::PathNotFound, "Invalid path"}},
                      "Unable to create directory");
}

void removeDirectory(CommandContext& c)
{
    if (const auto path = requiredPath(c))
        reportRefusal(c, c.fs.removeDirectory(*path),
                      {{FsError::NotEmpty, "Directory not empty"},
                       {FsError::NotDirectory, "Invalid path, not directory"},
                       {FsError::InUse, "Attempt to remove current directory - " + *path},
                       {FsError::HostFailure, "Access denied"}},
                      "Invalid path");
}

void deleteFile(CommandContext& c)
{
    if (const auto path = requiredPath(c))
        reportRefusal(c, c.fs.deleteFile(*path),
                      {{FsError::IsDirectory, "Access denied"},
                       {FsError::PathNotFound, "Path not found"},
                       {FsError::InvalidName, "Invalid file name"}},
                      "File not found");
}

void renameFile(CommandContext& c)
{
    const auto names = words(c.arguments);
    if (names.size() < 2) {
        c.io.writeLine("Required parameter missing");
        return;
    }
    if (names.size() > 2) {
        c.io.writeLine("Too many parameters");
        return;
    }
    if (!DosFileSystem::isValidName(names[1])) {
        c.io.writeLine("Invalid file name");
        return;
    }
    reportRefusal(
        c, c.fs.rename(names[0], names[1]),
        {{FsError::InvalidName, "Invalid file name"}, {FsError::PathNotFound, "Invalid path"}},
        "Duplicate file name or file not found");
}

void listDirectory(CommandContext& c)
{
    ListingOptions options;
    std::string path;
    std::string rest = c.arguments;
    // Switches may stick to the command or the path: "dir/s", "dir LOG/s".
    for (std::size_t at; (at = rest.find('/')) != std::string::npos;) {
        const std::string option = rest.substr(at + 1, 1);
        if (option != "s" && option != "S") {
            c.io.writeLine("Invalid switch - /" + option);
            return;
        }
        options.recursive = true;
        rest.erase(at, 2);
    }
    const auto paths = words(rest);
    if (paths.size() > 1) {
        c.io.writeLine("Too many parameters");
        return;
    }
    if (!paths.empty())
        path = paths.front();
    for (const auto& line : ListDirectory(c.fs, path, options)) {
        if (c.faults.noBytesFreeLine && line.ends_with(" bytes free"))
            continue;
        c.io.writeLine(line);
    }
}

void echoText(CommandContext& c)
{
    const std::string& text = c.arguments;
    const auto redirect = text.find('>');
    if (redirect == std::string::npos) {
        c.io.writeLine(text.empty() ? "ECHO is on" : text);
        return;
    }
    // "echo DEMO.EXE>AutoRun.bat": the text without the blanks before ">", plus CR LF.
    std::string content = text.substr(0, redirect);
    while (!content.empty() && content.back() == ' ')
        content.pop_back();
    const std::string target = trimmed(text.substr(redirect + 1));
    if (target.empty()) {
        c.io.writeLine("Syntax error");
        return;
    }
    if (c.fs.writeFileChecked(target, content + "\r\n") != FsError::None)
        c.io.writeLine("File creation error");
}

void typeFile(CommandContext& c)
{
    const auto path = requiredPath(c);
    if (!path)
        return;
    const auto bytes = c.fs.readFile(*path);
    if (!bytes) {
        c.io.writeLine("File not found - " + *path);
        return;
    }
    // Like DOS, "type" takes Ctrl-Z as the end of a text file.
    const std::string_view shown = std::string_view(*bytes).substr(0, bytes->find('\x1a'));
    c.io.write(shown);
    if (!shown.empty() && shown.back() != '\n' && !c.faults.typeAddsNoLineEnd)
        c.io.write("\r\n");
}

struct InternalCommand {
    std::string_view name;
    void (*run)(CommandContext&);
};

constexpr std::array kInternalCommands{
    InternalCommand{"cd", changeDirectory}, InternalCommand{"chdir", changeDirectory},
    InternalCommand{"md", makeDirectory},   InternalCommand{"mkdir", makeDirectory},
    InternalCommand{"rd", removeDirectory}, InternalCommand{"rmdir", removeDirectory},
    InternalCommand{"del", deleteFile},     InternalCommand{"erase", deleteFile},
    InternalCommand{"ren", renameFile},     InternalCommand{"rename", renameFile},
    InternalCommand{"dir", listDirectory},  InternalCommand{"echo", echoText},
    InternalCommand{"type", typeFile},
};

} // namespace

std::optional<InternalCommandMatch> FindInternalCommand(const std::string& line)
{
    const std::string lowered = lower(line);
    for (const auto& command : kInternalCommands) {
        if (!lowered.starts_with(command.name))
            continue;
        const std::size_t length = command.name.size();
        // The word ends at a blank or at a character that can't be part of a file name.
        if (length < lowered.size() &&
            std::string_view(" \\/.;,=+").find(lowered[length]) == std::string_view::npos)
            continue;
        std::string arguments = line.substr(length);
        // "echo" keeps its text as typed after the single separating blank.
        if (command.name == "echo") {
            if (!arguments.empty() && arguments.front() == ' ')
                arguments.erase(0, 1);
        } else {
            arguments.erase(0, arguments.find_first_not_of(' ') == std::string::npos
                                   ? arguments.size()
                                   : arguments.find_first_not_of(' '));
        }
        return InternalCommandMatch{line.substr(0, length), std::move(arguments), command.run};
    }
    return std::nullopt;
}

bool IsDriveChange(const std::string& line)
{
    const std::string word = trimmed(line);
    return word.size() == 2 && word[1] == ':' && std::isalpha(static_cast<unsigned char>(word[0]));
}

void ChangeDrive(CommandContext& c)
{
    if (!c.fs.setCurrentDrive(c.commandWord[0]))
        c.io.writeLine("Invalid drive");
}

} // namespace kora::sim
