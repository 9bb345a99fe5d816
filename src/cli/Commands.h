#pragma once

#include <QCommandLineParser>
#include <QStringList>

#include <optional>
#include <string>

#include "cli/CliSession.h"

namespace kora::cli {

// What a subcommand gets: the session (streams, port, exchanges), its parsed options and its
// arguments after the command word.
struct CommandContext {
    CliSession& session;
    const QCommandLineParser& options;
    QStringList args;
    // The arguments after "--" (also the last ones of args), for a command that passes them on.
    QStringList trailing = {};
};

// The subcommands. Each returns the exit status and has reported any failure itself.
int RunPorts(CommandContext& context);
int RunLs(CommandContext& context);
int RunPut(CommandContext& context);
int RunRm(CommandContext& context);
int RunRmdir(CommandContext& context);
int RunMkdir(CommandContext& context);
int RunMv(CommandContext& context);
int RunMem(CommandContext& context);
int RunAbort(CommandContext& context);
int RunAutorun(CommandContext& context);
int RunFormat(CommandContext& context);
int RunCfgio(CommandContext& context);
int RunExec(CommandContext& context);
int RunTerm(CommandContext& context);
int RunRun(CommandContext& context);

// The port commands use when none is named: $KORA_PORT, else the first one the scan finds;
// nothing when there is none.
std::optional<std::string> DefaultPort();

} // namespace kora::cli
