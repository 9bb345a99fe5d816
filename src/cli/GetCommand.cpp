// cat and get: text files read back from the controller with "type" (device/TextReadBack), kept
// only when every byte is accounted for, and never over a PC file without --force.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>
#include <variant>

#include "cli/Commands.h"
#include "cli/DeviceArgs.h"
#include "device/DevicePath.h"
#include "device/DevicePosition.h"
#include "device/ReadBackCopy.h"
#include "device/TextReadBack.h"
#include "filelist/LocalPath.h"
#include "link/UniqueFd.h"

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

// Tells that a file was kept without its padding or end-of-file mark: the PC copy holds the
// text, not every byte of D:. On standard error, beside the failures.
void NoteKeptText(CliSession& session, const std::string& shown, const TextFileReading& reading)
{
    const std::string note = KeptTextNote(reading);
    if (!note.empty() && !session.json()) {
        std::fprintf(session.err(), "%s: %s: %s\n", kProgramName, shown.c_str(), note.c_str());
        std::fflush(session.err());
    }
}

struct GetRequest {
    SplitPath device;
    LocalPath target;
};

// Opens a sub-folder of an open PC folder, made first when it is not there. Never through a
// link: a link there is refused, so nothing is ever written outside the target folder. Why
// not, in `problem`.
UniqueFd OpenSubFolder(int parentFd, const std::string& name, const LocalPath& shown,
                       std::string& problem)
{
    if (::mkdirat(parentFd, name.c_str(), 0777) == 0 || errno == EEXIST) {
        UniqueFd fd(
            ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (fd) {
            return fd;
        }
    }
    const int error = errno;
    struct stat status {};
    if (::fstatat(parentFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(status.st_mode)) {
        problem =
            "'" + LocalPathText(shown).toStdString() + "' is a link on the PC and is not followed";
    } else {
        problem = "cannot make the folder '" + LocalPathText(shown).toStdString() +
                  "': " + std::strerror(error);
    }
    return {};
}

// get --all-text: every file below the folder into the PC folder, sub-folders made as needed.
// A backup is whole or it fails: every file that is not in it is listed with its reason.
class TreeCopy {
public:
    TreeCopy(CliSession& session, bool replace)
        : session_(session), reader_(session), replace_(replace)
    {
    }

    // Copies the tree below the device folder into the open PC folder `into` (shown as
    // `shown`); without one (`into` empty), lists its files as not copied for `folderProblem`.
    // False when the exchange failed: the rest of the tree was not read.
    bool copy(const std::string& folder, const UniqueFd& into, const LocalPath& shown,
              const std::string& folderProblem = {})
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
            ++files_;
            if (!into) {
                missing(DeviceFilePath(folder, entry.name), folderProblem);
                continue;
            }
            copyFile(folder, entry, into.get(), shown);
            if (linkFailed_) {
                return false;
            }
        }
        for (const FolderEntry& entry : entries) {
            if (!entry.isFolder) {
                continue;
            }
            const LocalPath sub = LocalChildPath(shown, entry.name);
            UniqueFd subFd;
            std::string problem = folderProblem;
            if (into) {
                subFd = OpenSubFolder(into.get(), entry.name, sub, problem);
            }
            if (!copy(ChildDevicePath(folder, entry.name), subFd, sub, problem)) {
                return false;
            }
        }
        return true;
    }

    // The report: the files copied on standard output; the files not in the backup as a
    // failure, each with its reason. `whole`: the tree was read to its end.
    int finish(const std::string& from, bool whole)
    {
        Say(session_, std::to_string(copied_) + " file(s) copied" +
                          (whole && missing_.empty() ? ", every file of " + DeviceLocation(from)
                                                     : std::string()));
        if (missing_.empty()) {
            return kExitOk;
        }
        // "incomplete" gives the JSON code, whatever the reasons say.
        std::string message = "The backup of " + DeviceLocation(from) +
                              " is incomplete: " + std::to_string(missing_.size()) + " of " +
                              std::to_string(files_) + " file(s) are not in it";
        if (session_.json()) {
            // One object for a script: the list goes into its message.
            for (std::size_t i = 0; i < missing_.size(); ++i) {
                message += (i == 0 ? ": " : "; ") + missing_[i];
            }
        }
        return session_.failDevice(message);
    }

    bool linkFailed() const { return linkFailed_; }

private:
    // One file not in the backup, said at once (on standard error) and counted for the end.
    void missing(const std::string& shown, const std::string& reason)
    {
        const std::string line = shown + " (" + reason + ")";
        if (!session_.json()) {
            std::fprintf(session_.err(), "%s: not in the backup: %s\n", kProgramName, line.c_str());
            std::fflush(session_.err());
        }
        missing_.push_back(line);
    }

    void copyFile(const std::string& folder, const FolderEntry& entry, int intoFd,
                  const LocalPath& into)
    {
        const std::string shown = DeviceFilePath(folder, entry.name);
        const LocalPath target = LocalChildPath(into, entry.name);
        if (!replace_ && LocalNameExistsIn(intoFd, entry.name)) {
            missing(shown, "'" + LocalPathText(target).toStdString() +
                               "' exists already; --force replaces it");
            return;
        }
        const TextFileReading reading = reader_.read(folder, entry);
        if (!reading.content) {
            if (!reading.fileRefused()) {
                session_.failDevice(reading.message);
                linkFailed_ = true;
                return;
            }
            missing(shown, RefusalReason(reading.refusal));
            return;
        }
        if (const auto error =
                SaveReadBackCopyIn(intoFd, entry.name, target, *reading.content, replace_)) {
            missing(shown, *error);
            return;
        }
        ++copied_;
        Say(session_, shown + " -> " + LocalPathText(target).toStdString());
        NoteKeptText(session_, shown, reading);
    }

    CliSession& session_;
    DeviceReader reader_;
    bool replace_;
    bool linkFailed_ = false;
    std::size_t files_ = 0;
    std::size_t copied_ = 0;
    std::vector<std::string> missing_; // "D:\X (reason)"
};

int RunAllText(CommandContext& context)
{
    CliSession& session = context.session;
    if (context.args.size() != 1) {
        return session.fail(QStringLiteral("get --all-text takes the PC folder to copy into, and "
                                           "nothing else"),
                            kExitUsage);
    }
    const auto from = DevicePathArgument(context.options.value(QStringLiteral("from")).isEmpty()
                                             ? QStringLiteral("\\")
                                             : context.options.value(QStringLiteral("from")));
    if (const auto* error = std::get_if<PathError>(&from)) {
        return session.fail(error->message, kExitUsage);
    }
    const LocalPath into = ArgumentPath(context.args.front());
    if (LocalPathExists(into) && !IsLocalFolder(into)) {
        return session.fail(
            QStringLiteral("'%1' is not a folder on the PC").arg(LocalPathText(into)), kExitUsage);
    }
    // The folder and its parents are made as "mkdir -p" makes them.
    std::error_code made;
    std::filesystem::create_directories(std::filesystem::path(into.bytes), made);
    const UniqueFd intoFd(::open(into.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!intoFd) {
        return session.fail(QStringLiteral("cannot make the folder '%1': %2")
                                .arg(LocalPathText(into), QString::fromLocal8Bit(std::strerror(
                                                              made ? made.value() : errno))));
    }
    TreeCopy tree(session, context.options.isSet(QStringLiteral("force")));
    const std::string& start = std::get<std::string>(from);
    const bool whole = tree.copy(start, intoFd, into);
    const int status = tree.finish(start, whole);
    if (!whole) {
        // The files of the folders not read are not in the backup either.
        if (!tree.linkFailed()) {
            session.failWithExchangeFailure();
        }
        return kExitFailure;
    }
    return status;
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
    NoteKeptText(session, DeviceFilePath(path->folder, entry->name), reading);
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
            if (!reading.fileRefused()) {
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
        const std::string shown = DeviceFilePath(request.device.folder, entry->name);
        Say(session, shown + " -> " + LocalPathText(request.target).toStdString());
        NoteKeptText(session, shown, reading);
    }
    return failed ? kExitFailure : kExitOk;
}

} // namespace kora::cli
