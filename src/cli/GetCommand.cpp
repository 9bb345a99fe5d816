// cat and get: text files read back from the controller with "type" (device/TextReadBack), kept
// only when every byte is accounted for, and never over a PC file without --force.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <set>
#include <variant>

#include "cli/Commands.h"
#include "cli/DeviceArgs.h"
#include "device/DevicePath.h"
#include "device/DevicePosition.h"
#include "device/ReadBackCopy.h"
#include "device/TextReadBack.h"
#include "filelist/LocalPath.h"

namespace kora::cli {

namespace {

std::string Upper(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

std::string DeviceFilePath(const std::string& folder, const std::string& name)
{
    return DeviceLocation(ChildDevicePath(folder, name));
}

bool IsLocalFolder(const LocalPath& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// The controller's side of a read-back: each folder listed once, each file typed, every
// operation run whatever failed before (a file refused does not stop the others).
class DeviceReader {
public:
    explicit DeviceReader(CliSession& session)
        : session_(session), run_([&session](const DeviceOperation& op) { return session.run(op); })
    {
    }

    // The folder's listing; nothing when it failed (reported).
    const DirectoryListing* listing(const std::string& folder)
    {
        if (auto found = listings_.find(folder); found != listings_.end()) {
            return &found->second;
        }
        DirectoryListing listing;
        if (!ListDeviceDirectory(run_, folder, listing)) {
            return nullptr;
        }
        return &listings_.emplace(folder, std::move(listing)).first->second;
    }

    TextFileReading read(const std::string& folder, const FolderEntry& entry)
    {
        return ReadDeviceTextFile(run_, folder, entry.name, entry.size);
    }

    const DeviceOperationRunner& runner() const { return run_; }

private:
    CliSession& session_;
    DeviceOperationRunner run_;
    std::map<std::string, DirectoryListing> listings_;
};

const FolderEntry* FindEntry(const DirectoryListing& listing, const std::string& name)
{
    for (const FolderEntry& entry : listing.entries) {
        if (SameDeviceName(entry.name, name)) {
            return &entry;
        }
    }
    return nullptr;
}

// The file a typed path names, from the listing of its folder; reports and gives nothing when
// there is none. `linkFailed` tells an exchange failure from a missing file.
const FolderEntry* ListedFile(CliSession& session, DeviceReader& reader, const SplitPath& path,
                              bool& linkFailed)
{
    const DirectoryListing* listing = reader.listing(path.folder);
    if (listing == nullptr) {
        linkFailed = true;
        return nullptr;
    }
    const FolderEntry* entry = FindEntry(*listing, path.name);
    if (entry == nullptr) {
        session.failDevice("'" + path.name + "' is not in " + DeviceLocation(path.folder) + ".");
    } else if (entry->isFolder) {
        session.failDevice("'" + entry->name + "' is a directory; get --all-text copies folders.");
        entry = nullptr;
    }
    return entry;
}

void Say(CliSession& session, const std::string& line)
{
    if (!session.quiet()) {
        std::fprintf(session.out(), "%s\n", line.c_str());
        std::fflush(session.out());
    }
}

struct GetRequest {
    SplitPath device;
    LocalPath target;
};

// get --all-text: every file below the folder that reads back exactly, into the PC folder,
// sub-folders made as needed.
class TreeCopy {
public:
    TreeCopy(CliSession& session, bool replace)
        : session_(session), reader_(session), replace_(replace)
    {
    }

    // False when the exchange failed: the rest of the tree was not read.
    bool copy(const std::string& folder, const LocalPath& into)
    {
        const DirectoryListing* listing = reader_.listing(folder);
        if (listing == nullptr) {
            return false;
        }
        const std::vector<FolderEntry> entries = listing->entries; // copied: the map may grow
        for (const FolderEntry& entry : entries) {
            if (entry.isFolder) {
                continue;
            }
            copyFile(folder, entry, into);
            if (linkFailed_) {
                return false;
            }
        }
        for (const FolderEntry& entry : entries) {
            if (!entry.isFolder) {
                continue;
            }
            const LocalPath sub = LocalChildPath(into, entry.name);
            if (::mkdir(sub.c_str(), 0777) != 0 && !(errno == EEXIST && IsLocalFolder(sub))) {
                session_.fail(
                    QStringLiteral("cannot make the folder '%1': %2")
                        .arg(LocalPathText(sub), QString::fromLocal8Bit(std::strerror(errno))));
                failed_ = true;
                continue;
            }
            if (!copy(ChildDevicePath(folder, entry.name), sub)) {
                return false;
            }
        }
        return true;
    }

    int finish()
    {
        Say(session_, std::to_string(copied_) + " text file(s) copied, " +
                          std::to_string(skipped_.size()) + " skipped (not text)" +
                          (skipped_.empty() ? std::string() : ":"));
        for (const std::string& path : skipped_) {
            Say(session_, "  " + path);
        }
        return failed_ ? kExitFailure : kExitOk;
    }

private:
    void copyFile(const std::string& folder, const FolderEntry& entry, const LocalPath& into)
    {
        const std::string shown = DeviceFilePath(folder, entry.name);
        const LocalPath target = LocalChildPath(into, entry.name);
        if (!replace_ && LocalPathExists(target)) {
            session_.fail(QStringLiteral("'%1' exists already; %2 was not copied (--force "
                                         "replaces it)")
                              .arg(LocalPathText(target), QString::fromLatin1(shown.c_str())));
            failed_ = true;
            return;
        }
        const TextFileReading reading = reader_.read(folder, entry);
        if (!reading.content) {
            if (!reading.fileRefused) {
                session_.failDevice(reading.message);
                linkFailed_ = failed_ = true;
            } else if (reading.message == NotExactTextMessage(entry.name)) {
                skipped_.push_back(shown);
            } else {
                session_.failDevice(reading.message);
                failed_ = true;
            }
            return;
        }
        if (const auto error = SaveReadBackCopy(target, *reading.content, replace_)) {
            session_.fail(QString::fromLocal8Bit(error->c_str()));
            failed_ = true;
            return;
        }
        ++copied_;
        Say(session_, shown + " -> " + LocalPathText(target).toStdString());
    }

    CliSession& session_;
    DeviceReader reader_;
    bool replace_;
    bool failed_ = false;
    bool linkFailed_ = false;
    std::size_t copied_ = 0;
    std::vector<std::string> skipped_;
};

int RunAllText(CommandContext& context)
{
    CliSession& session = context.session;
    if (context.args.size() != 1) {
        return session.fail(QStringLiteral("get --all-text takes the PC folder to copy into, and "
                                           "nothing else"),
                            kExitUsage);
    }
    const LocalPath into = ArgumentPath(context.args.front());
    if (!IsLocalFolder(into)) {
        return session.fail(
            QStringLiteral("'%1' is not a folder on the PC").arg(LocalPathText(into)), kExitUsage);
    }
    const auto from = DevicePathArgument(context.options.value(QStringLiteral("from")).isEmpty()
                                             ? QStringLiteral("\\")
                                             : context.options.value(QStringLiteral("from")));
    if (const auto* error = std::get_if<PathError>(&from)) {
        return session.fail(error->message, kExitUsage);
    }
    TreeCopy tree(session, context.options.isSet(QStringLiteral("force")));
    if (!tree.copy(std::get<std::string>(from), into)) {
        tree.finish();
        return session.failure() ? session.failWithExchangeFailure() : kExitFailure;
    }
    return tree.finish();
}

} // namespace

std::optional<SplitPath> NamedDevicePath(CliSession& session, const QString& typed)
{
    const auto path = DevicePathArgument(typed);
    if (const auto* error = std::get_if<PathError>(&path)) {
        session.fail(error->message, kExitUsage);
        return std::nullopt;
    }
    SplitPath split = SplitDevicePath(std::get<std::string>(path));
    if (split.name.empty()) {
        session.fail(QStringLiteral("the root of D: cannot be used here"), kExitUsage);
        return std::nullopt;
    }
    return split;
}

int RunCat(CommandContext& context)
{
    CliSession& session = context.session;
    const std::optional<SplitPath> path = NamedDevicePath(session, context.args.front());
    if (!path) {
        return kExitUsage;
    }
    DeviceReader reader(session);
    bool linkFailed = false;
    const FolderEntry* entry = ListedFile(session, reader, *path, linkFailed);
    if (entry == nullptr) {
        return linkFailed ? session.failWithExchangeFailure() : kExitFailure;
    }
    const TextFileReading reading = reader.read(path->folder, *entry);
    if (!reading.content) {
        return session.failDevice(reading.message);
    }
    std::fwrite(reading.content->data(), 1, reading.content->size(), session.out());
    std::fflush(session.out());
    return kExitOk;
}

int RunGet(CommandContext& context)
{
    CliSession& session = context.session;
    if (context.options.isSet(QStringLiteral("all-text"))) {
        return RunAllText(context);
    }
    if (context.options.isSet(QStringLiteral("from"))) {
        return session.fail(QStringLiteral("--from goes with --all-text"), kExitUsage);
    }
    QStringList args = context.args;
    if (args.isEmpty()) {
        return session.fail(QStringLiteral("get: name the file(s) to copy"), kExitUsage);
    }
    LocalPath folder{"."};
    if (args.size() >= 2) {
        const LocalPath last = ArgumentPath(args.back());
        if (IsLocalFolder(last)) {
            folder = last;
            args.removeLast();
        } else if (last.bytes.ends_with('/')) {
            return session.fail(
                QStringLiteral("'%1' is not a folder on the PC").arg(LocalPathText(last)),
                kExitUsage);
        }
    }
    const bool replace = context.options.isSet(QStringLiteral("force"));
    // Everything that can be told without the controller, before anything is sent.
    std::vector<GetRequest> requests;
    std::set<std::string> targets;
    for (const QString& argument : args) {
        const std::optional<SplitPath> path = NamedDevicePath(session, argument);
        if (!path) {
            return kExitUsage;
        }
        // The controller lists its names in capitals; that is the name the copy gets.
        const LocalPath target = LocalChildPath(folder, Upper(path->name));
        if (!targets.insert(target.bytes).second) {
            return session.fail(QStringLiteral("'%1' is named twice; nothing was copied")
                                    .arg(LocalPathText(target)),
                                kExitUsage);
        }
        if (!replace && LocalPathExists(target)) {
            return session.fail(QStringLiteral("'%1' exists already; nothing was copied (--force "
                                               "replaces it)")
                                    .arg(LocalPathText(target)),
                                kExitUsage);
        }
        requests.push_back({*path, target});
    }

    DeviceReader reader(session);
    bool failed = false;
    for (const GetRequest& request : requests) {
        bool linkFailed = false;
        const FolderEntry* entry = ListedFile(session, reader, request.device, linkFailed);
        if (linkFailed) {
            return session.failWithExchangeFailure();
        }
        if (entry == nullptr) {
            failed = true;
            continue;
        }
        const TextFileReading reading = reader.read(request.device.folder, *entry);
        if (!reading.content) {
            session.failDevice(reading.message);
            if (!reading.fileRefused) {
                return kExitFailure;
            }
            failed = true;
            continue;
        }
        if (const auto error = SaveReadBackCopy(request.target, *reading.content, replace)) {
            session.fail(QString::fromLocal8Bit(error->c_str()));
            failed = true;
            continue;
        }
        Say(session, DeviceFilePath(request.device.folder, entry->name) + " -> " +
                         LocalPathText(request.target).toStdString());
    }
    return failed ? kExitFailure : kExitOk;
}

} // namespace kora::cli
