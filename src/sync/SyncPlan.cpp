#include "sync/SyncPlan.h"

#include <QCryptographicHash>

#include <array>
#include <fstream>
#include <set>

#include "device/DevicePath.h"
#include "device/DevicePosition.h"
#include "link/DosName.h"

namespace kora {

namespace {

const FolderEntry* Listed(const DirectoryListing& listing, const std::string& name)
{
    const std::string key = DosNameKey(name);
    for (const FolderEntry& entry : listing.entries) {
        if (DosNameKey(entry.name) == key) {
            return &entry;
        }
    }
    return nullptr;
}

class Planner {
public:
    Planner(const SyncRecord& record, const SyncOptions& options, const ListDeviceFolder& list)
        : record_(record), options_(options), list_(list)
    {
    }

    std::optional<SyncPlan> plan(const PcFolderTree& tree)
    {
        if (tree.folders.empty()) {
            return plan_;
        }
        const PcTreeFolder& top = tree.folders.front();
        plan_.destination = top.devicePath;
        if (top.make && !findTop(top.devicePath)) {
            return std::nullopt;
        }
        for (const PcTreeFolder& folder : tree.folders) {
            if (!planFolder(folder)) {
                return std::nullopt;
            }
        }
        return std::move(plan_);
    }

private:
    std::optional<DirectoryListing> list(const std::string& path)
    {
        std::optional<DirectoryListing> listing = list_(path);
        if (listing && listing->freeSpace) {
            plan_.freeBytes = listing->freeSpace->bytes;
        }
        return listing;
    }

    // The destination's parent says whether it is there.
    bool findTop(const std::string& path)
    {
        const std::string parent = ParentDevicePath(path);
        const std::optional<DirectoryListing> listing = list(parent);
        if (!listing) {
            return false;
        }
        const FolderEntry* entry = Listed(*listing, path.substr(path.rfind('\\') + 1));
        if (entry == nullptr) {
            missing_.insert(path);
        } else if (!entry->isFolder) {
            plan_.problems.push_back("'" + entry->name + "' in " + DeviceLocation(parent) +
                                     " is a file, not a folder");
        }
        return true;
    }

    bool planFolder(const PcTreeFolder& folder)
    {
        const std::string& path = folder.devicePath;
        std::optional<DirectoryListing> listing;
        if (missing_.contains(path)) {
            plan_.makeFolders.push_back(path);
            for (const std::string& name : folder.folderNames) {
                missing_.insert(ChildDevicePath(path, name));
            }
        } else {
            listing = list(path);
            if (!listing) {
                return false;
            }
        }
        std::set<std::string> held; // what the PC folder holds, as DOS keys
        for (const PcTreeFile& file : folder.files) {
            held.insert(DosNameKey(file.deviceName));
            addFile(folder, file, listing ? Listed(*listing, file.deviceName) : nullptr);
        }
        for (const std::string& name : folder.folderNames) {
            held.insert(DosNameKey(name));
            const FolderEntry* entry = listing ? Listed(*listing, name) : nullptr;
            if (listing && entry == nullptr) {
                missing_.insert(ChildDevicePath(path, name));
            } else if (entry != nullptr && !entry->isFolder) {
                plan_.problems.push_back(DeviceLocation(ChildDevicePath(path, entry->name)) +
                                         " is a file on KORA-7740P; the PC holds a folder of "
                                         "that name");
            }
        }
        if (listing && options_.findDeletions) {
            for (const FolderEntry& entry : listing->entries) {
                if (!held.contains(DosNameKey(entry.name)) && !deleteEntry(path, entry)) {
                    return false;
                }
            }
        }
        return true;
    }

    void addFile(const PcTreeFolder& folder, const PcTreeFile& file, const FolderEntry* listed)
    {
        SyncFile planned{file, folder.devicePath, {}, SyncReason::NotOnDevice};
        if (listed != nullptr && listed->isFolder) {
            plan_.problems.push_back(DeviceLocation(planned.devicePath()) +
                                     " is a folder on KORA-7740P; the PC holds a file of that "
                                     "name");
            return;
        }
        if (listed != nullptr) {
            planned.earlier = ListedFile{listed->size, listed->modified};
        }
        const std::optional<std::string> sha = FileSha256(file.localPath);
        if (!sha) {
            plan_.problems.push_back("cannot read '" + file.localPath + "'");
            return;
        }
        planned.sha256 = *sha;
        planned.reason = DecideSync(record_.find(planned.devicePath()), *sha, listed, options_.all);
        plan_.files.push_back(std::move(planned));
    }

    // The entry, and first everything in it when it is a folder.
    bool deleteEntry(const std::string& folder, const FolderEntry& entry)
    {
        if (entry.isFolder) {
            const std::string path = ChildDevicePath(folder, entry.name);
            const std::optional<DirectoryListing> inside = list(path);
            if (!inside) {
                return false;
            }
            for (const FolderEntry& child : inside->entries) {
                if (!deleteEntry(path, child)) {
                    return false;
                }
            }
        }
        plan_.deletions.push_back({folder, entry.name, entry.isFolder, entry.size});
        return true;
    }

    const SyncRecord& record_;
    const SyncOptions& options_;
    const ListDeviceFolder& list_;
    SyncPlan plan_;
    std::set<std::string> missing_; // device folders known not to be there
};

} // namespace

std::string_view SyncReasonText(SyncReason reason)
{
    switch (reason) {
    case SyncReason::Unchanged:
        return "unchanged";
    case SyncReason::NotOnDevice:
        return "not on KORA-7740P";
    case SyncReason::NoRecord:
        return "no record of an upload";
    case SyncReason::ChangedOnPc:
        return "changed on the PC";
    case SyncReason::ChangedOnDevice:
        return "changed on KORA-7740P";
    case SyncReason::All:
        return "all files asked for";
    }
    return {};
}

SyncReason DecideSync(const RecordedFile* recorded, const std::string& sha256,
                      const FolderEntry* listed, bool all)
{
    if (listed == nullptr) {
        return SyncReason::NotOnDevice;
    }
    if (all) {
        return SyncReason::All;
    }
    if (recorded == nullptr) {
        return SyncReason::NoRecord;
    }
    if (recorded->sha256 != sha256) {
        return SyncReason::ChangedOnPc;
    }
    // A listing without a date cannot show that the file is the one recorded.
    if (listed->modified.empty() || listed->size != recorded->size ||
        listed->modified != recorded->date) {
        return SyncReason::ChangedOnDevice;
    }
    return SyncReason::Unchanged;
}

std::optional<std::string> FileSha256(const std::string& localPath)
{
    // The path's bytes as they are: a name that is not UTF-8 would not survive a QString.
    std::ifstream in(localPath, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    std::array<char, 64 * 1024> buffer{};
    while (in) {
        in.read(buffer.data(), buffer.size());
        hash.addData(QByteArrayView(buffer.data(), in.gcount()));
    }
    if (in.bad()) {
        return std::nullopt;
    }
    return hash.result().toHex().toStdString();
}

std::string SyncFile::devicePath() const
{
    return ChildDevicePath(folder, file.deviceName);
}

std::string SyncDeletion::devicePath() const
{
    return ChildDevicePath(folder, name);
}

std::size_t SyncPlan::uploadCount() const
{
    std::size_t count = 0;
    for (const SyncFile& file : files) {
        count += file.uploads() ? 1 : 0;
    }
    return count;
}

std::uint64_t SyncPlan::uploadBytes() const
{
    std::uint64_t bytes = 0;
    for (const SyncFile& file : files) {
        bytes += file.uploads() ? file.file.size : 0;
    }
    return bytes;
}

std::optional<SyncPlan> PlanSync(const PcFolderTree& tree, const SyncRecord& record,
                                 const SyncOptions& options, const ListDeviceFolder& list)
{
    return Planner(record, options, list).plan(tree);
}

} // namespace kora
