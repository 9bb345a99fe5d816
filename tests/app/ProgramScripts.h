#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace kora::test {

// Writes an executable shell script (or, with executable false, a plain file).
void WriteScript(const std::filesystem::path& path, const std::string& body,
                 bool executable = true);

// A program that writes the arguments it was started with into the file "args" next to itself,
// complete or not at all. Returns its path.
std::filesystem::path WriteArgumentRecorder(const std::filesystem::path& folder);

// A program that writes "free" or "held" into "probe" next to itself: whether it could lock the
// port (its first argument) the way the utility's serial port does. Returns its path.
std::filesystem::path WritePortProbe(const std::filesystem::path& folder);

// The content of a file a started program writes, once it exists; nothing if it has not
// appeared within the limit.
std::optional<std::string> WaitForFile(const std::filesystem::path& path,
                                       std::chrono::seconds limit = std::chrono::seconds(10));

// The arguments an argument recorder wrote.
QStringList SplitRecordedArguments(const std::string& recorded);

} // namespace kora::test
