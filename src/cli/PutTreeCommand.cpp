// put -r: a PC folder mirrored into a folder of D:, its folders made as needed. Every name is
// checked before anything is sent (the controller would cut a name that is not 8.3); --dry-run
// prints the plan and sends nothing.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <variant>

#include "cli/Commands.h"
#include "cli/DeviceArgs.h"
#include "device/DeviceListing.h"
#include "device/DeviceOperations.h"
#include "device/DevicePath.h"
#include "device/DevicePosition.h"
#include "filelist/LocalPath.h"
#include "link/DosName.h"
#include "transfer/CopyPlan.h"

namespace kora::cli {

namespace {

// The longest folder name the window's Make Directory takes.
constexpr std::size_t kFolderNameLimit = 8;

struct PlannedFolder {
    std::string devicePath;
    bool make = false; // every folder below the destination: made when it is not there
    std::vector<UploadFile> files;
};

class TreePlan {
public:
    void walk(const LocalPath& local, const std::string& device, bool make)
    {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(local.bytes, error)) {
            names.push_back(entry.path().filename().native());
        }
        if (error) {
            problems_.push_back("cannot read the folder '" + Shown(local) + "'");
            return;
        }
        std::sort(names.begin(), names.end());
        PlannedFolder folder{device, make, {}};
        std::vector<std::pair<LocalPath, std::string>> subfolders;
        std::map<std::string, std::string> keys; // DOS key -> the first PC name
        for (const std::string& name : names) {
            const LocalPath path{local.bytes + "/" + name};
            const auto converted = DeviceText(ArgumentText(name));
            if (const auto* error = std::get_if<PathError>(&converted)) {
                problems_.push_back("'" + Shown(path) + "': " + error->message.toStdString());
                continue;
            }
            const std::string& deviceName = std::get<std::string>(converted);
            struct stat status {};
            if (::stat(path.c_str(), &status) != 0) {
                problems_.push_back("cannot read '" + Shown(path) + "'");
                continue;
            }
            const bool isFolder = S_ISDIR(status.st_mode);
            if (!isFolder && !S_ISREG(status.st_mode)) {
                problems_.push_back("'" + Shown(path) + "' is neither a file nor a folder");
                continue;
            }
            if (IsDosDeviceName(deviceName)) {
                problems_.push_back("'" + Shown(path) + "': " + std::string(kDosDeviceNameRule));
                continue;
            }
            if (!NameFits(deviceName, isFolder)) {
                problems_.push_back("'" + Shown(path) + "': " + std::string(kDosShortNameRule) +
                                    (isFolder ? " A folder name has at most 8 characters." : ""));
                continue;
            }
            if (const auto [first, added] = keys.emplace(DosNameKey(deviceName), name); !added) {
                problems_.push_back("'" + Shown(path) + "' and '" + first->second +
                                    "' would be one name on KORA-7740P");
                continue;
            }
            const std::string upper = DosNameKey(deviceName);
            if (isFolder) {
                subfolders.emplace_back(path, ChildDevicePath(device, upper));
            } else if (status.st_size == 0) {
                problems_.push_back("'" + Shown(path) +
                                    "' is empty, and XMODEM would store it as a 128-byte block "
                                    "of padding");
            } else if (::access(path.c_str(), R_OK) != 0) {
                problems_.push_back("cannot read '" + Shown(path) + "': permission denied");
            } else {
                folder.files.push_back(
                    {path.bytes, upper, static_cast<std::uint64_t>(status.st_size)});
            }
        }
        folders_.push_back(std::move(folder));
        for (const auto& [path, devicePath] : subfolders) {
            walk(path, devicePath, true);
        }
    }

    const std::vector<PlannedFolder>& folders() const { return folders_; }
    const std::vector<std::string>& problems() const { return problems_; }

private:
    static std::string Shown(const LocalPath& path) { return LocalPathText(path).toStdString(); }

    static bool NameFits(const std::string& name, bool isFolder)
    {
        if (isFolder) {
            return !UnsafeNameWarning(name) && name.size() <= kFolderNameLimit;
        }
        return ValidFileName(name);
    }

    std::vector<PlannedFolder> folders_;
    std::vector<std::string> problems_;
};

// Makes the folder when its parent does not list it; false after a failure (reported).
bool EnsureDeviceFolder(CliSession& session, const std::string& path)
{
    const std::string parent = ParentDevicePath(path);
    const std::string name = path.substr(path.rfind('\\') + 1);
    DirectoryListing listing;
    if (!ListDeviceDirectory(session.runner(), parent, listing)) {
        session.failWithExchangeFailure();
        return false;
    }
    for (const FolderEntry& entry : listing.entries) {
        if (SameDeviceName(entry.name, name)) {
            if (!entry.isFolder) {
                session.failDevice("'" + entry.name + "' in " + DeviceLocation(parent) +
                                   " is a file, not a folder; nothing more was sent.");
                return false;
            }
            return true;
        }
    }
    if (!session.run(MakeDirectoryOperation(parent, name)).ok) {
        session.failWithExchangeFailure();
        return false;
    }
    return true;
}

} // namespace

int RunPutTree(CommandContext& context)
{
    CliSession& session = context.session;
    if (context.options.isSet(QStringLiteral("as"))) {
        return session.fail(QStringLiteral("--as names one file; put -r keeps the PC names"),
                            kExitUsage);
    }
    QStringList args = context.args;
    std::string destination(kDeviceRoot);
    if (args.size() == 2) {
        const auto path = DevicePathArgument(args.takeLast());
        if (const auto* error = std::get_if<PathError>(&path)) {
            return session.fail(error->message, kExitUsage);
        }
        destination = std::get<std::string>(path);
    }
    if (args.size() != 1) {
        return session.fail(QStringLiteral("put -r takes one PC folder and the folder of D: to "
                                           "mirror it into"),
                            kExitUsage);
    }
    const LocalPath local = ArgumentPath(args.front());
    struct stat status {};
    if (::stat(local.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return session.fail(
            QStringLiteral("'%1' is not a folder on the PC").arg(LocalPathText(local)), kExitUsage);
    }
    TreePlan plan;
    // The destination is made too when it is missing (the root of D: always is there).
    plan.walk(local, destination, destination != kDeviceRoot);
    if (!plan.problems().empty()) {
        for (const std::string& problem : plan.problems()) {
            session.fail(QString::fromStdString(problem), kExitUsage); // PC names: UTF-8
        }
        return session.fail(QStringLiteral("nothing was sent"), kExitUsage);
    }
    if (context.options.isSet(QStringLiteral("dry-run"))) {
        for (const PlannedFolder& folder : plan.folders()) {
            if (folder.make) {
                std::fprintf(session.out(), "mkdir %s\n",
                             DeviceLocation(folder.devicePath).c_str());
            }
            for (const UploadFile& file : folder.files) {
                std::fprintf(
                    session.out(), "put %s -> %s (%llu bytes)\n", file.localPath.c_str(),
                    DeviceLocation(ChildDevicePath(folder.devicePath, file.deviceName)).c_str(),
                    static_cast<unsigned long long>(file.size));
            }
        }
        std::fflush(session.out());
        return kExitOk;
    }
    for (const PlannedFolder& folder : plan.folders()) {
        if (folder.make && !EnsureDeviceFolder(session, folder.devicePath)) {
            return kExitFailure;
        }
        if (folder.files.empty()) {
            continue;
        }
        if (const int status = UploadFilesTo(context, folder.devicePath, folder.files);
            status != kExitOk) {
            return status;
        }
    }
    return kExitOk;
}

} // namespace kora::cli
