// put: the window's copy to the device from the command line, with its checks and its queue
// (transfer/CopyPlan), a progress display and an optional check of what arrived.
#include <QCoreApplication>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <variant>

#include "cli/Commands.h"
#include "cli/DeviceArgs.h"
#include "cli/StopSignals.h"
#include "cli/Upload.h"
#include "device/DevicePath.h"
#include "filelist/LocalPath.h"
#include "link/DosName.h"
#include "transfer/CopyPlan.h"
#include "transfer/UploadEnd.h"

namespace kora::cli {

namespace {

constexpr int kBarWidth = 30;

// Progress on standard error: a bar redrawn in place on a terminal, otherwise a plain line when
// a file starts and at every tenth of it.
class ProgressDisplay {
public:
    ProgressDisplay(std::FILE* stream, bool quiet)
        : stream_(stream), quiet_(quiet), terminal_(::isatty(::fileno(stream)) == 1)
    {
    }

    void update(const QueueProgress& progress)
    {
        if (quiet_) {
            return;
        }
        const bool newFile = !started_ || progress.index != index_;
        const int tenth = progress.percent / 10;
        if (!newFile && progress.percent == percent_) {
            return;
        }
        const QString name = QString::fromLatin1(progress.deviceName.c_str());
        const QString count = QStringLiteral("%1/%2").arg(progress.index + 1).arg(progress.count);
        if (terminal_) {
            if (newFile && started_) {
                std::fputc('\n', stream_);
            }
            const int filled = progress.percent * kBarWidth / 100;
            const QString bar =
                QString(filled, QLatin1Char('#')) + QString(kBarWidth - filled, QLatin1Char('.'));
            Print(QStringLiteral("\r[%1] %2%  %3  %4")
                      .arg(bar)
                      .arg(progress.percent, 3)
                      .arg(count, name));
        } else if (newFile || tenth != tenth_) {
            Print(QStringLiteral("%1 %2 %3%\n").arg(count, name).arg(progress.percent));
        }
        started_ = true;
        index_ = progress.index;
        percent_ = progress.percent;
        tenth_ = tenth;
    }

    // Ends the bar's line, so that what follows starts on a line of its own.
    void finish()
    {
        if (terminal_ && started_ && !quiet_) {
            std::fputc('\n', stream_);
            std::fflush(stream_);
        }
        started_ = false;
    }

private:
    void Print(const QString& text)
    {
        std::fputs(text.toLocal8Bit().constData(), stream_);
        std::fflush(stream_);
    }

    std::FILE* stream_;
    bool quiet_;
    bool terminal_;
    bool started_ = false;
    std::size_t index_ = 0;
    int percent_ = -1;
    int tenth_ = -1;
};

// Why a PC file cannot be sent, checked on its bytes before the controller is asked anything;
// nothing when it can be read.
std::optional<QString> UnreadableFile(const LocalPath& path, const struct stat& status, int error)
{
    const QString shown = LocalPathText(path);
    if (error != 0) {
        return QStringLiteral("cannot read '%1': %2")
            .arg(shown, error == ENOENT ? QStringLiteral("there is no such file")
                                        : QString::fromLocal8Bit(std::strerror(error)));
    }
    if (S_ISREG(status.st_mode) && ::access(path.c_str(), R_OK) != 0) {
        return QStringLiteral("cannot read '%1': permission denied").arg(shown);
    }
    if (S_ISREG(status.st_mode) && status.st_size == 0) {
        // XMODEM sends whole 128-byte blocks: the controller would keep one block of padding.
        return QStringLiteral("cannot send '%1': the file is empty, and XMODEM would store it as "
                              "a 128-byte block of padding")
            .arg(shown);
    }
    return std::nullopt;
}

std::string InvalidNameMessage(const std::string& name, bool single, bool named)
{
    std::string message =
        InvalidFileNameCaption(name) +
        (IsDosDeviceName(name) ? ": " + std::string(kDosDeviceNameRule)
                               : ": a name on KORA-7740P holds only letters, digits, \"_\" and "
                                 "\".\", in the 8.3 form (at most 8 characters, a dot and at "
                                 "most 3 more).");
    if (single && !named) {
        message += " Give the file a name with --as NAME.";
    } else if (!single) {
        message += " Upload this file on its own with --as NAME.";
    }
    return message;
}

int Verify(CliSession& session, const std::string& folder, const std::vector<PutFile>& files)
{
    DirectoryListing listing;
    if (!ListDeviceDirectory(session.runner(), folder, listing)) {
        return session.failWithExchangeFailure();
    }
    const std::string directory = DeviceDirectory(folder);
    for (const PutFile& file : files) {
        const FolderEntry* found = nullptr;
        for (const FolderEntry& entry : listing.entries) {
            if (!entry.isFolder && SameDeviceName(entry.name, file.queued.deviceName)) {
                found = &entry;
            }
        }
        if (found == nullptr) {
            return session.failDevice("Verification failed: " + file.queued.deviceName +
                                      " is not in " + directory + ".");
        }
        if (!KeptSizeMatches(found->size, file.size)) {
            return session.failDevice("Verification failed: " + directory + found->name +
                                      " holds " + std::to_string(found->size) +
                                      " bytes; the PC file has " + std::to_string(file.size) + ".");
        }
        std::fprintf(session.out(), "verified %s%s: %llu bytes\n", directory.c_str(),
                     found->name.c_str(), static_cast<unsigned long long>(found->size));
    }
    std::fflush(session.out());
    return kExitOk;
}

} // namespace

std::variant<UploadPlan, int> PlanUpload(CliSession& session, const QStringList& args,
                                         std::string folder, const std::optional<QString>& asName)
{
    const bool named = asName.has_value();
    if (named && args.size() != 1) {
        return session.fail(
            QStringLiteral("--as names one file, but %1 were given").arg(args.size()), kExitUsage);
    }

    UploadPlan plan;
    plan.folder = std::move(folder);
    std::vector<PutFile>& files = plan.files;
    std::vector<CopySource> sources;
    for (const QString& argument : args) {
        const LocalPath path = ArgumentPath(argument);
        struct stat status {};
        const int error = ::stat(path.c_str(), &status) == 0 ? 0 : errno;
        if (const std::optional<QString> unreadable = UnreadableFile(path, status, error)) {
            return session.fail(*unreadable);
        }
        const bool regular = S_ISREG(status.st_mode);
        PutFile file;
        file.size = regular ? static_cast<std::uint64_t>(status.st_size) : 0;
        file.queued.localPath = path.bytes;
        file.queued.checkedSize = file.size;
        // The controller's name from the PC name as it reads: a character the controller has
        // not, or a byte that is not UTF-8, is refused, so such a file asks for --as.
        auto deviceName = DeviceText(named ? *asName : ArgumentText(LocalFileName(path).bytes));
        if (const auto* error = std::get_if<PathError>(&deviceName)) {
            return session.fail(
                error->message +
                    (named ? QString() : QStringLiteral(" Give the file a name with --as NAME.")),
                kExitUsage);
        }
        file.queued.deviceName = std::get<std::string>(std::move(deviceName));
        sources.push_back({file.queued.localPath, regular, file.size});
        files.push_back(std::move(file));
    }
    // What can be told without the controller first: files only, names it takes.
    if (const CopyRefusal refusal = CheckCopySelection(sources, std::nullopt);
        refusal != CopyRefusal::FreeSpaceUnknown) {
        return session.failDevice(CopyRefusalText(refusal));
    }
    std::map<std::string, std::string> deviceNames; // DOS key -> the first file's name
    for (const PutFile& file : files) {
        if (!ValidFileName(file.queued.deviceName)) {
            return session.failDevice(
                InvalidNameMessage(file.queued.deviceName, files.size() == 1, named), kExitUsage);
        }
        // DOS does not tell letter cases apart: the second file would replace the first.
        const auto [first, added] =
            deviceNames.emplace(DosNameKey(file.queued.deviceName), file.queued.localPath);
        if (!added) {
            return session.failDevice("'" + first->second + "' and '" + file.queued.localPath +
                                          "' would both be stored as " +
                                          DosNameKey(file.queued.deviceName) +
                                          " on KORA-7740P; nothing was sent.",
                                      kExitUsage);
        }
    }
    return plan;
}

int SendUpload(CliSession& session, const UploadPlan& plan, const UploadStyle& style)
{
    const std::string& folder = plan.folder;
    const std::vector<PutFile>& files = plan.files;
    std::vector<CopySource> sources;
    for (const PutFile& file : files) {
        sources.push_back({file.queued.localPath, true, file.size});
    }
    DirectoryListing listing;
    if (!ListDeviceDirectory(session.runner(), folder, listing)) {
        return session.failWithExchangeFailure();
    }
    if (!listing.freeSpace) {
        return session.failDevice("KORA-7740P did not report the free space of " +
                                  DeviceDirectory(folder) + "; nothing was sent.");
    }
    if (const CopyRefusal refusal = CheckCopySelection(sources, listing.freeSpace->bytes);
        refusal != CopyRefusal::None) {
        return session.failDevice(CopyRefusalText(refusal));
    }

    // The session's port, held since the listing: nobody can take it in between.
    std::vector<QueuedFile> queue;
    for (const PutFile& file : files) {
        queue.push_back(file.queued);
        // What the destination held before: an end that was not clean must not pass on it.
        queue.back().earlier = ListedFileNamed(listing.entries, file.queued.deviceName);
    }
    int failedStatus = kExitFailure;
    const std::optional<QueueOutcome> outcome =
        SendQueue(session, folder, queue, style, failedStatus);
    if (!outcome) {
        return failedStatus;
    }
    return QueueOutcomeStatus(session, *outcome, "put", files.size());
}

std::optional<QueueOutcome> SendQueue(CliSession& session, const std::string& folder,
                                      const std::vector<QueuedFile>& queue,
                                      const UploadStyle& style, int& failedStatus)
{
    SerialPort* held = session.openUploadPort(failedStatus);
    if (held == nullptr) {
        return std::nullopt;
    }
    SerialPort& port = *held;
    ProgressDisplay display(session.err(), style.quiet);
    QueueOutcome outcome;
    {
        const StopSignals stop;
        QueueHooks hooks;
        hooks.poll = [&display](const QueueProgress& progress) {
            QCoreApplication::processEvents();
            display.update(progress);
        };
        hooks.cancelRequested = [] { return StopSignals::received(); };
        outcome = UploadQueue(port, DeviceDirectory(folder), queue, session.log(), hooks,
                              session.timing(), style.pacing);
    }
    display.finish();
    return outcome;
}

int QueueOutcomeStatus(CliSession& session, const QueueOutcome& outcome, const char* command,
                       std::size_t count)
{
    switch (outcome.kind) {
    case QueueOutcome::Kind::Failed:
        // The worker's reason, as the window's box gives it.
        return session.failDevice(
            outcome.reason.empty() ? outcome.message : outcome.message + "\n\n" + outcome.reason);
    case QueueOutcome::Kind::Cancelled:
        return session.fail(QStringLiteral("%1: cancelled after %2 of %3 file(s)")
                                .arg(QLatin1String(command))
                                .arg(outcome.sent.size())
                                .arg(count));
    case QueueOutcome::Kind::Completed:
        break;
    }
    return kExitOk;
}

std::variant<std::string, int> UploadFolderArgument(CliSession& session, QStringList& args)
{
    std::string folder(kDeviceRoot);
    if (args.size() >= 2 && LooksLikeDevicePath(args.back())) {
        const auto path = DevicePathArgument(args.takeLast());
        if (const auto* error = std::get_if<PathError>(&path)) {
            return session.fail(error->message, kExitUsage);
        }
        folder = std::get<std::string>(path);
    }
    if (args.size() == 1 && LooksLikeDevicePath(args.front())) {
        struct stat status {};
        if (::stat(ArgumentPath(args.front()).c_str(), &status) != 0) {
            return session.fail(QStringLiteral("'%1' is a place on KORA-7740P; name the PC "
                                               "file(s) to send there first")
                                    .arg(args.front()),
                                kExitUsage);
        }
    }
    return folder;
}

UploadStyle UploadStyleOf(const CliSession& session, const QCommandLineParser& options)
{
    UploadStyle style;
    style.quiet = session.quiet();
    style.pacing = options.isSet(QStringLiteral("fast")) ? UploadPacing::Fast : UploadPacing::Paced;
    return style;
}

std::optional<QString> AsNameOption(const QCommandLineParser& options)
{
    if (!options.isSet(QStringLiteral("as"))) {
        return std::nullopt;
    }
    return options.value(QStringLiteral("as"));
}

namespace {

// The plan sent with put's options, and checked afterwards with --verify.
int SendPlanned(CommandContext& context, const UploadPlan& plan)
{
    CliSession& session = context.session;
    if (const int sent = SendUpload(session, plan, UploadStyleOf(session, context.options));
        sent != kExitOk) {
        return sent;
    }
    if (context.options.isSet(QStringLiteral("verify"))) {
        return Verify(session, plan.folder, plan.files);
    }
    return kExitOk;
}

} // namespace

int RunPut(CommandContext& context)
{
    CliSession& session = context.session;
    if (context.options.isSet(QStringLiteral("recursive"))) {
        return RunPutTree(context);
    }
    if (context.options.isSet(QStringLiteral("dry-run"))) {
        return session.fail(QStringLiteral("--dry-run goes with -r"), kExitUsage);
    }
    if (context.options.isSet(QStringLiteral("watch"))) {
        return RunPutWatch(context);
    }
    QStringList args = context.args;
    const auto folder = UploadFolderArgument(session, args);
    if (const int* status = std::get_if<int>(&folder)) {
        return *status;
    }
    auto planned =
        PlanUpload(session, args, std::get<std::string>(folder), AsNameOption(context.options));
    if (const int* status = std::get_if<int>(&planned)) {
        return *status;
    }
    return SendPlanned(context, std::get<UploadPlan>(planned));
}

int UploadFilesTo(CommandContext& context, const std::string& folder,
                  const std::vector<UploadFile>& uploads)
{
    UploadPlan plan;
    plan.folder = folder;
    for (const UploadFile& upload : uploads) {
        PutFile file;
        file.size = upload.size;
        file.queued.localPath = upload.localPath;
        file.queued.checkedSize = upload.size;
        file.queued.deviceName = upload.deviceName;
        plan.files.push_back(std::move(file));
    }
    return SendPlanned(context, plan);
}

} // namespace kora::cli
