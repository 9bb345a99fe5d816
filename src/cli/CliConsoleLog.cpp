#include "cli/CliConsoleLog.h"

#include <QString>

#include "link/ConsoleLogFile.h"

#include <algorithm>

namespace kora::cli {

namespace {

// A command as the exchange shows it: without its carriage return and line feeds.
std::string AsShown(std::string command)
{
    command.erase(std::remove_if(command.begin(), command.end(),
                                 [](char c) { return c == '\r' || c == '\n'; }),
                  command.end());
    return command;
}

} // namespace

std::string ConsoleTextForTerminal(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()))
        .toLocal8Bit()
        .toStdString();
}

CliConsoleLog::CliConsoleLog(std::FILE* out, std::FILE* err, bool verbose)
    : out_(out), err_(err), verbose_(verbose)
{
}

void CliConsoleLog::beginOperation(const std::vector<std::string>& commands)
{
    pendingCommands_.clear();
    for (const std::string& command : commands) {
        pendingCommands_.push_back(AsShown(command));
    }
    output_.clear();
}

void CliConsoleLog::appendLine(const std::string& text)
{
    lastLine_ = text;
    ConsoleLogFile::LogShownLine(text);
    const std::string shown = ConsoleTextForTerminal(text) + "\n";
    if (verbose_) {
        std::fputs(shown.c_str(), err_);
        std::fflush(err_);
    }
    if (!pendingCommands_.empty() && text == pendingCommands_.front()) {
        pendingCommands_.pop_front();
        return;
    }
    output_.push_back(text);
    if (echoOutput_) {
        std::fputs(shown.c_str(), out_);
        std::fflush(out_);
    }
}

} // namespace kora::cli
