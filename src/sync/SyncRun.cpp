#include "sync/SyncRun.h"

#include <map>
#include <set>

#include "device/DeviceOperations.h"
#include "device/DevicePath.h"
#include "device/DevicePosition.h"
#include "link/DosName.h"

namespace kora {

namespace {

const FolderEntry* ListedFile(const DirectoryListing& listing, const std::string& name)
{
    for (const FolderEntry& entry : listing.entries) {
        if (DosNameKey(entry.name) == DosNameKey(name)) {
            return &entry;
        }
    }
    return nullptr;
}

class SyncRunner {
public:
    SyncRunner(const SyncPlan& plan, SyncRecord& record, const SyncSteps& steps)
        : plan_(plan), record_(record), steps_(steps)
    {
    }

    SyncOutcome run(bool withDeletions)
    {
        if (const std::optional<std::string> refusal = SyncSpaceRefusal(plan_)) {
            return fail(SyncOutcome::Kind::NoSpace, *refusal);
        }
        const std::vector<SyncDeletion> none;
        const std::vector<SyncDeletion>& deletions = withDeletions ? plan_.deletions : none;
        // Before anything changes on the controller, the record stops claiming what is about
        // to change: an upload cut off half-way leaves no entry that would skip it next time.
        for (const SyncFile& file : plan_.files) {
            if (file.uploads()) {
                record_.erase(file.devicePath());
            }
        }
        for (const SyncDeletion& deletion : deletions) {
            record_.eraseBelow(deletion.devicePath());
        }
        if (plan_.uploadCount() > 0 || !deletions.empty()) {
            if (const std::optional<std::string> failure = record_.save()) {
                return fail(SyncOutcome::Kind::RecordFailed, *failure);
            }
        }
        // Each step reports its own failure in the outcome; the first one ends the sync.
        static_cast<void>(makeFolders() && deleteEntries(deletions) && upload());
        return std::move(outcome_);
    }

private:
    SyncOutcome fail(SyncOutcome::Kind kind, std::string message = {})
    {
        outcome_.kind = kind;
        outcome_.message = std::move(message);
        return std::move(outcome_);
    }

    bool failed(SyncOutcome::Kind kind, std::string message = {})
    {
        outcome_.kind = kind;
        outcome_.message = std::move(message);
        return false;
    }

    bool makeFolders()
    {
        for (const std::string& path : plan_.makeFolders) {
            const std::string name = path.substr(path.rfind('\\') + 1);
            if (!steps_.run(MakeDirectoryOperation(ParentDevicePath(path), name)).ok) {
                return failed(SyncOutcome::Kind::OperationFailed);
            }
            outcome_.made.push_back(path);
        }
        return true;
    }

    bool deleteEntries(const std::vector<SyncDeletion>& deletions)
    {
        std::set<std::string> deletedFolders; // DOS keys
        for (const SyncDeletion& deletion : deletions) {
            const DeviceOperation op =
                deletion.isFolder ? RemoveDirectoryOperation(deletion.folder, deletion.name)
                                  : DeleteFileOperation(deletion.folder, deletion.name);
            if (!steps_.run(op).ok) {
                return failed(SyncOutcome::Kind::OperationFailed);
            }
            if (deletion.isFolder) {
                deletedFolders.insert(DosNameKey(deletion.devicePath()));
            }
        }
        // The console says nothing when it keeps a file it was told to delete: the listings of
        // the folders that stay show whether it did. A folder gone is checked in its parent.
        std::map<std::string, std::vector<const SyncDeletion*>> byFolder;
        for (const SyncDeletion& deletion : deletions) {
            if (!deletedFolders.contains(DosNameKey(deletion.folder))) {
                byFolder[deletion.folder].push_back(&deletion);
            }
        }
        for (const auto& [folder, entries] : byFolder) {
            DirectoryListing listing;
            if (!ListDeviceDirectory(steps_.run, folder, listing)) {
                return failed(SyncOutcome::Kind::OperationFailed);
            }
            for (const SyncDeletion* deletion : entries) {
                if (ListedFile(listing, deletion->name) != nullptr) {
                    return failed(SyncOutcome::Kind::NotDeleted,
                                  "KORA-7740P did not delete " +
                                      DeviceLocation(deletion->devicePath()) + ".");
                }
            }
        }
        for (const SyncDeletion& deletion : deletions) {
            outcome_.deleted.push_back(deletion.devicePath());
        }
        return true;
    }

    bool upload()
    {
        std::vector<QueuedFile> queue;
        std::map<std::string, const SyncFile*> planned; // device path's DOS key -> the plan's
        for (const SyncFile& file : plan_.files) {
            if (!file.uploads()) {
                continue;
            }
            QueuedFile queued{file.file.localPath, file.file.deviceName, file.file.size,
                              file.earlier, DeviceDirectory(file.folder)};
            queue.push_back(std::move(queued));
            planned[DosNameKey(file.devicePath())] = &file;
        }
        if (queue.empty()) {
            return true;
        }
        const std::optional<QueueOutcome> sent = steps_.send(queue);
        if (!sent) {
            return failed(SyncOutcome::Kind::UploadFailed);
        }
        // Confirmed uploads are recorded also when a later file failed.
        std::map<std::string, std::vector<const SyncFile*>> byFolder;
        for (const QueuedFile& file : sent->sent) {
            const auto found =
                planned.find(DosNameKey(file.deviceDirectory.substr(2) + file.deviceName));
            if (found != planned.end()) {
                byFolder[found->second->folder].push_back(found->second);
                outcome_.uploaded.push_back(found->second->devicePath());
            }
        }
        const bool recorded = record(byFolder);
        switch (sent->kind) {
        case QueueOutcome::Kind::Completed:
            return recorded;
        case QueueOutcome::Kind::Failed:
            return failed(SyncOutcome::Kind::UploadFailed, sent->message);
        case QueueOutcome::Kind::Cancelled:
            return failed(SyncOutcome::Kind::Cancelled);
        }
        return recorded;
    }

    // The size and date each folder lists for the files just sent.
    bool record(const std::map<std::string, std::vector<const SyncFile*>>& byFolder)
    {
        bool ok = true;
        for (const auto& [folder, files] : byFolder) {
            DirectoryListing listing;
            if (ok && !ListDeviceDirectory(steps_.run, folder, listing)) {
                ok = failed(SyncOutcome::Kind::OperationFailed);
            }
            for (const SyncFile* file : files) {
                const FolderEntry* listed =
                    ok ? ListedFile(listing, file->file.deviceName) : nullptr;
                // The content sent is the one hashed only when the file still has it.
                if (listed == nullptr || listed->isFolder || listed->modified.empty() ||
                    FileSha256(file->file.localPath) != file->sha256) {
                    outcome_.unrecorded.push_back(file->devicePath());
                    continue;
                }
                record_.set(file->devicePath(),
                            RecordedFile{file->sha256, listed->size, listed->modified});
            }
        }
        if (const std::optional<std::string> failure = record_.save()) {
            return failed(SyncOutcome::Kind::RecordFailed, *failure);
        }
        return ok;
    }

    const SyncPlan& plan_;
    SyncRecord& record_;
    const SyncSteps& steps_;
    SyncOutcome outcome_;
};

} // namespace

std::optional<std::string> SyncSpaceRefusal(const SyncPlan& plan)
{
    std::vector<CopySource> sources;
    for (const SyncFile& file : plan.files) {
        if (file.uploads()) {
            sources.push_back({file.file.localPath, true, file.file.size});
        }
    }
    if (sources.empty()) {
        return std::nullopt;
    }
    if (!plan.freeBytes) {
        return "KORA-7740P did not report the free space of " + DeviceLocation(plan.destination) +
               "; nothing was sent.";
    }
    const CopyRefusal refusal = CheckCopySelection(sources, plan.freeBytes);
    if (refusal != CopyRefusal::None) {
        return CopyRefusalText(refusal);
    }
    return std::nullopt;
}

SyncOutcome RunSync(const SyncPlan& plan, bool withDeletions, SyncRecord& record,
                    const SyncSteps& steps)
{
    return SyncRunner(plan, record, steps).run(withDeletions);
}

} // namespace kora
