#pragma once

#include <QString>

#include <optional>

namespace kora {

// The companion program the local panel's "Run KORA Utility" button starts: where its command
// line is remembered and how it is started. Qt Core only, so it is tested without widgets.

// The "Run File" value of group Config in the user's settings for the utility
// (QSettings("VELMORACK", "KORA-7740P Utility")). Nothing when no value has been stored yet or
// the settings cannot be read.
std::optional<QString> LoadRunFile();

// Stores the command line as "Run File". A failure to write is not reported: the program is
// started all the same.
void StoreRunFile(const QString& commandLine);

// Starts the program a command line names, with the arguments that follow it, and does not wait
// for it. The line is split as QProcess::splitCommand does (blanks separate, double quotes
// group, """ is a literal quote) and never passed through a shell, so characters such as ; $ |
// reach the program as they are. A program without a '/' is looked up in PATH. False when the
// line is empty or the program cannot be started (missing, not executable, a folder).
bool StartCommandLine(const QString& commandLine);

// The command line that starts the program at path without arguments: the path itself, or
// quoted when blanks or quotes in it would otherwise split it.
QString CommandLineForProgram(const QString& path);

// The error box text for a command line that could not be started.
QString RunFailedMessage(const QString& commandLine);

} // namespace kora
