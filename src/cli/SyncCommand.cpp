// sync: a PC folder deployed to a folder of D:, uploading only what changed since the last
// sync to that controller (sync/SyncPlan), as the window's "Synchronise with KORA-7740P" does.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

#include <variant>

#include "cli/Commands.h"
#include "cli/DeviceArgs.h"
#include "cli/Upload.h"
#include "device/DevicePath.h"
#include "device/DevicePosition.h"
#include "sync/PcFolderTree.h"
#include "sync/SyncPlan.h"
#include "sync/SyncRecord.h"
#include "sync/SyncRun.h"

namespace kora::cli {

namespace {

QString Shown(const std::string& devicePath)
{
    const std::string location = DeviceLocation(devicePath);
    return QString::fromLatin1(location.data(), static_cast<qsizetype>(location.size()));
}

QJsonArray PathArray(const std::vector<std::string>& paths)
{
    QJsonArray array;
    for (const std::string& path : paths) {
        array.append(Shown(path));
    }
    return array;
}

struct SyncLists {
    std::vector<std::string> made;
    std::vector<std::string> uploaded;
    std::vector<std::string> unchanged;
    std::vector<std::string> deleted;
    std::vector<std::string> unrecorded;
    bool changed() const { return !made.empty() || !uploaded.empty() || !deleted.empty(); }
};

void PrintJson(CliSession& session, const SyncLists& lists, bool dryRun)
{
    QJsonObject document{
        {QStringLiteral("uploaded"), PathArray(lists.uploaded)},
        {QStringLiteral("unchanged"), PathArray(lists.unchanged)},
        {QStringLiteral("deleted"), PathArray(lists.deleted)},
        {QStringLiteral("made"), PathArray(lists.made)},
        {QStringLiteral("unrecorded"), PathArray(lists.unrecorded)},
        {QStringLiteral("changed"), lists.changed()},
    };
    if (dryRun) {
        document.insert(QStringLiteral("dryRun"), true);
    }
    session.addPortTo(document);
    std::fputs(QJsonDocument(document).toJson(QJsonDocument::Indented).constData(), session.out());
    std::fflush(session.out());
}

SyncLists Unchanged(const SyncPlan& plan)
{
    SyncLists lists;
    for (const SyncFile& file : plan.files) {
        if (!file.uploads()) {
            lists.unchanged.push_back(file.devicePath());
        }
    }
    return lists;
}

int PrintDryRun(CliSession& session, const SyncPlan& plan, bool json)
{
    SyncLists lists = Unchanged(plan);
    lists.made = plan.makeFolders;
    for (const SyncFile& file : plan.files) {
        if (file.uploads()) {
            lists.uploaded.push_back(file.devicePath());
        }
    }
    for (const SyncDeletion& deletion : plan.deletions) {
        lists.deleted.push_back(deletion.devicePath());
    }
    if (json) {
        PrintJson(session, lists, true);
        return kExitOk;
    }
    QString text;
    for (const std::string& folder : plan.makeFolders) {
        text += QStringLiteral("mkdir %1\n").arg(Shown(folder));
    }
    for (const SyncFile& file : plan.files) {
        const std::string_view reason = SyncReasonText(file.reason);
        const QString why =
            QString::fromLatin1(reason.data(), static_cast<qsizetype>(reason.size()));
        if (file.uploads()) {
            text += QStringLiteral("put %1 -> %2 (%3 bytes, %4)\n")
                        .arg(LocalPathText({file.file.localPath}), Shown(file.devicePath()))
                        .arg(file.file.size)
                        .arg(why);
        } else {
            text += QStringLiteral("unchanged %1\n").arg(Shown(file.devicePath()));
        }
    }
    for (const SyncDeletion& deletion : plan.deletions) {
        text += QStringLiteral("%1 %2\n").arg(deletion.isFolder ? QStringLiteral("rmdir")
                                                                : QStringLiteral("del"),
                                              Shown(deletion.devicePath()));
    }
    text += QStringLiteral("%1 to upload, %2 unchanged, %3 to delete\n")
                .arg(lists.uploaded.size())
                .arg(lists.unchanged.size())
                .arg(lists.deleted.size());
    Print(session.out(), text);
    return kExitOk;
}

void PrintDone(CliSession& session, const SyncLists& lists)
{
    QString text;
    for (const std::string& folder : lists.made) {
        text += QStringLiteral("made %1\n").arg(Shown(folder));
    }
    for (const std::string& path : lists.deleted) {
        text += QStringLiteral("deleted %1\n").arg(Shown(path));
    }
    for (const std::string& path : lists.uploaded) {
        text += QStringLiteral("uploaded %1\n").arg(Shown(path));
    }
    text += QStringLiteral("%1 uploaded, %2 unchanged, %3 deleted\n")
                .arg(lists.uploaded.size())
                .arg(lists.unchanged.size())
                .arg(lists.deleted.size());
    Print(session.out(), text);
}

// The status of a sync that did not end well, its failure reported.
int FailedSync(CliSession& session, const SyncOutcome& outcome, int sendStatus, std::size_t uploads)
{
    switch (outcome.kind) {
    case SyncOutcome::Kind::Done:
        return kExitOk;
    case SyncOutcome::Kind::NoSpace:
    case SyncOutcome::Kind::NotDeleted:
        return session.failDevice(outcome.message);
    case SyncOutcome::Kind::RecordFailed:
        return session.fail(QString::fromLocal8Bit(outcome.message.c_str()));
    case SyncOutcome::Kind::OperationFailed:
        return session.failWithExchangeFailure();
    case SyncOutcome::Kind::UploadFailed:
        if (outcome.message.empty()) {
            return sendStatus; // the port could not be had, and that was reported
        }
        return QueueOutcomeStatus(session, {QueueOutcome::Kind::Failed, outcome.message, {}, {}},
                                  "sync", uploads);
    case SyncOutcome::Kind::Cancelled:
        return QueueOutcomeStatus(session, {QueueOutcome::Kind::Cancelled, {}, {}, {}}, "sync",
                                  uploads);
    }
    return kExitFailure;
}

} // namespace

int RunSyncCommand(CommandContext& context)
{
    CliSession& session = context.session;
    const QCommandLineParser& options = context.options;
    const bool json = session.json();
    const bool withDeletions = options.isSet(QStringLiteral("delete"));
    const auto path = DevicePathArgument(context.args.at(1));
    if (const auto* error = std::get_if<PathError>(&path)) {
        return session.fail(error->message, kExitUsage);
    }
    const std::string destination = std::get<std::string>(path);
    const LocalPath local = ArgumentPath(context.args.at(0));
    struct stat status {};
    if (::stat(local.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return session.fail(
            QStringLiteral("'%1' is not a folder on the PC").arg(LocalPathText(local)), kExitUsage);
    }
    const PcFolderTree tree = WalkPcFolder(local, destination, destination != kDeviceRoot);
    if (!tree.problems.empty()) {
        for (const std::string& problem : tree.problems) {
            session.fail(QString::fromStdString(problem), kExitUsage); // PC names: UTF-8
        }
        return session.fail(QStringLiteral("nothing was sent"), kExitUsage);
    }

    // The controller's record: under its name when it has one, so that every port it is
    // reached by finds it.
    const std::string controller =
        session.portLabel().empty() ? session.port().value_or(std::string()) : session.portLabel();
    SyncRecord record = SyncRecord::Load(SyncRecord::FileFor(controller));
    SyncOptions planning;
    planning.all = options.isSet(QStringLiteral("all"));
    planning.findDeletions = withDeletions;
    const std::optional<SyncPlan> plan =
        PlanSync(tree, record, planning, [&session](const std::string& folder) {
            DirectoryListing listing;
            if (!ListDeviceDirectory(session.runner(), folder, listing)) {
                return std::optional<DirectoryListing>();
            }
            return std::optional<DirectoryListing>(std::move(listing));
        });
    if (!plan) {
        return session.failWithExchangeFailure();
    }
    if (!plan->problems.empty()) {
        for (const std::string& problem : plan->problems) {
            session.failDevice(problem);
        }
        return session.fail(QStringLiteral("nothing was changed"));
    }
    if (options.isSet(QStringLiteral("dry-run"))) {
        return PrintDryRun(session, *plan, json);
    }
    if (!plan->deletions.empty() && !options.isSet(QStringLiteral("yes"))) {
        QString listed;
        for (const SyncDeletion& deletion : plan->deletions) {
            listed += Shown(deletion.devicePath()) + QLatin1Char('\n');
        }
        Print(session.out(), listed);
        const std::size_t count = plan->deletions.size();
        return session.fail(
            QStringLiteral("%1 %2 of KORA-7740P not in the PC folder; nothing "
                           "was changed: give --yes to delete %3.")
                .arg(count)
                .arg(count == 1 ? QStringLiteral("entry is") : QStringLiteral("entries are"))
                .arg(count == 1 ? QStringLiteral("it") : QStringLiteral("them")),
            kExitUsage);
    }

    const UploadStyle style = UploadStyleOf(session, options);
    int sendStatus = kExitFailure;
    SyncSteps steps;
    steps.run = session.runner();
    steps.send = [&](const std::vector<QueuedFile>& files) {
        return SendQueue(session, destination, files, style, sendStatus);
    };
    const SyncOutcome outcome = RunSync(*plan, withDeletions, record, steps);
    for (const std::string& file : outcome.unrecorded) {
        if (!session.quiet() && !json) {
            Print(session.err(), QStringLiteral("%1 was uploaded but not recorded (its PC file "
                                                "changed meanwhile, or the listing did not show "
                                                "it): the next sync uploads it again\n")
                                     .arg(Shown(file)));
        }
    }
    if (!outcome.ok()) {
        return FailedSync(session, outcome, sendStatus, plan->uploadCount());
    }
    SyncLists lists = Unchanged(*plan);
    lists.made = outcome.made;
    lists.uploaded = outcome.uploaded;
    lists.deleted = outcome.deleted;
    lists.unrecorded = outcome.unrecorded;
    if (json) {
        PrintJson(session, lists, false);
    } else if (!session.quiet()) {
        PrintDone(session, lists);
    }
    return kExitOk;
}

} // namespace kora::cli
