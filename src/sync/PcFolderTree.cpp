#include "sync/PcFolderTree.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <utility>
#include <variant>

#include "device/DeviceOperations.h"
#include "device/DevicePath.h"
#include "filelist/ControllerText.h"
#include "link/DosName.h"
#include "transfer/CopyPlan.h"

namespace kora {

namespace {

// The longest folder name the window's Make Directory takes.
constexpr std::size_t kTreeFolderNameLimit = 8;

std::string Shown(const LocalPath& path)
{
    return LocalPathText(path).toStdString();
}

bool TreeNameFits(const std::string& name, bool isFolder)
{
    if (isFolder) {
        return !UnsafeNameWarning(name) && name.size() <= kTreeFolderNameLimit;
    }
    return ValidFileName(name);
}

class TreeWalk {
public:
    void walk(const LocalPath& local, const std::string& device, bool make)
    {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(local.bytes, error)) {
            names.push_back(entry.path().filename().native());
        }
        if (error) {
            tree_.problems.push_back("cannot read the folder '" + Shown(local) + "'");
            return;
        }
        std::sort(names.begin(), names.end());
        PcTreeFolder folder{device, make, {}, {}};
        std::vector<std::pair<LocalPath, std::string>> subfolders;
        std::map<std::string, std::string> keys; // DOS key -> the first PC name
        for (const std::string& name : names) {
            const LocalPath path{local.bytes + "/" + name};
            // The controller's bytes for the PC name as it reads (ControllerBytes, as for a typed
            // name), or why it has none.
            auto converted = ControllerBytes(ArgumentText(name));
            if (const auto* refusal = std::get_if<TextRefusal>(&converted)) {
                tree_.problems.push_back("'" + Shown(path) +
                                         "': " + refusal->message.toStdString());
                continue;
            }
            const std::string deviceName = std::get<std::string>(std::move(converted));
            struct stat status {};
            if (::stat(path.c_str(), &status) != 0) {
                tree_.problems.push_back("cannot read '" + Shown(path) + "'");
                continue;
            }
            const bool isFolder = S_ISDIR(status.st_mode);
            if (!isFolder && !S_ISREG(status.st_mode)) {
                tree_.problems.push_back("'" + Shown(path) + "' is neither a file nor a folder");
                continue;
            }
            if (IsDosDeviceName(deviceName)) {
                tree_.problems.push_back("'" + Shown(path) +
                                         "': " + std::string(kDosDeviceNameRule));
                continue;
            }
            if (!TreeNameFits(deviceName, isFolder)) {
                tree_.problems.push_back(
                    "'" + Shown(path) + "': " + std::string(kDosShortNameRule) +
                    (isFolder ? " A folder name has at most 8 characters." : ""));
                continue;
            }
            if (const auto [first, added] = keys.emplace(DosNameKey(deviceName), name); !added) {
                tree_.problems.push_back("'" + Shown(path) + "' and '" + first->second +
                                         "' would be one name on KORA-7740P");
                continue;
            }
            const std::string upper = DosNameKey(deviceName);
            if (isFolder) {
                folder.folderNames.push_back(upper);
                subfolders.emplace_back(path, ChildDevicePath(device, upper));
            } else if (status.st_size == 0) {
                tree_.problems.push_back("'" + Shown(path) +
                                         "' is empty, and XMODEM would store it as a 128-byte "
                                         "block of padding");
            } else if (::access(path.c_str(), R_OK) != 0) {
                tree_.problems.push_back("cannot read '" + Shown(path) + "': permission denied");
            } else {
                folder.files.push_back(
                    {path.bytes, upper, static_cast<std::uint64_t>(status.st_size)});
            }
        }
        tree_.folders.push_back(std::move(folder));
        for (const auto& [path, devicePath] : subfolders) {
            walk(path, devicePath, true);
        }
    }

    PcFolderTree take() { return std::move(tree_); }

private:
    PcFolderTree tree_;
};

} // namespace

PcFolderTree WalkPcFolder(const LocalPath& folder, const std::string& deviceFolder, bool makeTop)
{
    TreeWalk walk;
    walk.walk(folder, deviceFolder, makeTop);
    return walk.take();
}

} // namespace kora
