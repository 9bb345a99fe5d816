#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "cli/Commands.h"
#include "link/SerialPort.h"
#include "link/UploadPacing.h"
#include "transfer/CopyPlan.h"

namespace kora::cli {

// The upload of put, in the steps run and put --watch share with it.

struct PutFile {
    QueuedFile queued;
    std::uint64_t size = 0;
};

// What is to be sent and where: PC files with their names on the controller and the device
// directory (in the panel's form, "\" for the root).
struct UploadPlan {
    std::vector<PutFile> files;
    std::string folder;
};

struct UploadStyle {
    bool quiet = false; // no progress display
    UploadPacing pacing = UploadPacing::Paced;
};

// Takes put's optional last argument, the device directory, off the arguments: "\" when there
// is none. An exit status (reported) for a bad path, or for a lone device path where a PC file
// was meant.
std::variant<std::string, int> UploadFolderArgument(CliSession& session, QStringList& args);

// The checks of put made on the PC side before the controller is asked anything: each file
// readable and not empty, files only, names the controller takes (--as for a single file) and no
// two of them one name for DOS. The plan, or the exit status of the reported refusal.
std::variant<UploadPlan, int> PlanUpload(CliSession& session, const QStringList& args,
                                         std::string folder, const std::optional<QString>& asName);

// Lists the destination for its free space, checks the total against it and sends the files
// over the session's port with the copy's line settings, with progress on standard error and
// Ctrl-C cancelling. Returns the exit status, the failure reported; the session keeps holding
// its port.
int SendUpload(CliSession& session, const UploadPlan& plan, const UploadStyle& style);

// The part of SendUpload after the checks: the files (each into its own directory, else the
// device folder's) sent over the session's port with the copy's line settings, progress on
// standard error and Ctrl-C cancelling. What the queue did; nothing when the port could not be
// opened (reported, the exit status in failedStatus).
std::optional<QueueOutcome> SendQueue(CliSession& session, const std::string& folder,
                                      const std::vector<QueuedFile>& queue,
                                      const UploadStyle& style, int& failedStatus);
// The exit status of a queue's outcome, a failure or cancel (after count files) reported as
// the command's.
int QueueOutcomeStatus(CliSession& session, const QueueOutcome& outcome, const char* command,
                       std::size_t count);

// --quiet (the session's) and --fast; --as.
UploadStyle UploadStyleOf(const CliSession& session, const QCommandLineParser& options);
std::optional<QString> AsNameOption(const QCommandLineParser& options);

// put --watch (WatchCommand.cpp).
int RunPutWatch(CommandContext& context);

} // namespace kora::cli
