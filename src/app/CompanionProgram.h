#pragma once

#include <QString>
#include <QStringList>

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

// Splits a command line into words by the quoting of the POSIX shell, and by nothing else:
// blanks (space, tab, newline) separate words; a backslash outside quotes keeps the next
// character as it is (a backslash before a newline joins the lines); single quotes keep
// everything up to the next single quote; inside double quotes a backslash keeps only
// $ ` " \ and the newline, and stands for itself before anything else. Nothing is expanded:
// $HOME, `id`, * and ~ are words like any other. Nothing when a quote is left open or the line
// ends in a lone backslash, since the user's words cannot be told then.
std::optional<QStringList> SplitShellWords(const QString& commandLine);

// Starts the program a command line names, with the arguments that follow it, and does not wait
// for it. The line is split by SplitShellWords and never passed through a shell, so characters
// such as ; $ | reach the program as they are. A program without a '/' is looked up in PATH.
// False when the line is empty, does not split (an open quote), or the program cannot be
// started (missing, not executable, a folder).
bool StartCommandLine(const QString& commandLine);

// The command line that starts the program at path without arguments: the path itself, or
// single-quoted when blanks, quotes or a backslash in it would otherwise change it.
QString CommandLineForProgram(const QString& path);

// The error box text for a command line that could not be started.
QString RunFailedMessage(const QString& commandLine);

} // namespace kora
