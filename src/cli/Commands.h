#pragma once

#include <QCommandLineParser>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliSession.h"
#include "cli/DeviceArgs.h"

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

// Writes text in the locale's encoding and flushes it, so that it appears in order with the
// other stream.
void Print(std::FILE* stream, const QString& text);

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
int RunCat(CommandContext& context);
int RunGet(CommandContext& context);
int RunRun(CommandContext& context);

// One PC file for UploadFilesTo, checked already: a regular file of that size, a name the
// controller takes.
struct UploadFile {
    std::string localPath; // bytes
    std::string deviceName;
    std::uint64_t size = 0;
};
// put's upload of checked files into a folder of D:: the free-space check on a fresh listing,
// the queue over the session's port, progress, --verify.
int UploadFilesTo(CommandContext& context, const std::string& folder,
                  const std::vector<UploadFile>& files);
// put -r: a PC folder mirrored into a folder of D:.
int RunPutTree(CommandContext& context);
// sync: a PC folder deployed to a folder of D:, only what changed uploaded (SyncCommand.cpp).
int RunSyncCommand(CommandContext& context);

// A typed device path split into its folder and the name in it; reports a usage failure and
// gives nothing when it cannot be used or names the root.
std::optional<SplitPath> NamedDevicePath(CliSession& session, const QString& typed);

} // namespace kora::cli
