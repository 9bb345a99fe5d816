// put -r: a PC folder mirrored into a folder of D:, its folders made as needed. Every name is
// checked before anything is sent (the controller would cut a name that is not 8.3); --dry-run
// prints the plan and sends nothing.
#include <sys/stat.h>

#include <variant>

#include "cli/Commands.h"
#include "cli/DeviceArgs.h"
#include "device/DeviceListing.h"
#include "device/DeviceOperations.h"
#include "device/DevicePath.h"
#include "device/DevicePosition.h"
#include "filelist/LocalPath.h"
#include "sync/PcFolderTree.h"

namespace kora::cli {

namespace {

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
    // The destination is made too when it is missing (the root of D: always is there).
    const PcFolderTree plan = WalkPcFolder(local, destination, destination != kDeviceRoot);
    if (!plan.problems.empty()) {
        for (const std::string& problem : plan.problems) {
            session.fail(QString::fromStdString(problem), kExitUsage); // PC names: UTF-8
        }
        return session.fail(QStringLiteral("nothing was sent"), kExitUsage);
    }
    if (context.options.isSet(QStringLiteral("dry-run"))) {
        for (const PcTreeFolder& folder : plan.folders) {
            if (folder.make) {
                std::fprintf(session.out(), "mkdir %s\n",
                             DeviceLocation(folder.devicePath).c_str());
            }
            for (const PcTreeFile& file : folder.files) {
                std::fprintf(
                    session.out(), "put %s -> %s (%llu bytes)\n", file.localPath.c_str(),
                    DeviceLocation(ChildDevicePath(folder.devicePath, file.deviceName)).c_str(),
                    static_cast<unsigned long long>(file.size));
            }
        }
        std::fflush(session.out());
        return kExitOk;
    }
    for (const PcTreeFolder& folder : plan.folders) {
        if (folder.make && !EnsureDeviceFolder(session, folder.devicePath)) {
            return kExitFailure;
        }
        if (folder.files.empty()) {
            continue;
        }
        std::vector<UploadFile> files;
        for (const PcTreeFile& file : folder.files) {
            files.push_back({file.localPath, file.deviceName, file.size});
        }
        if (const int status = UploadFilesTo(context, folder.devicePath, files);
            status != kExitOk) {
            return status;
        }
    }
    return kExitOk;
}

} // namespace kora::cli
