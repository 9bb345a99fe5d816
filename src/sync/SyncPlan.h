#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/DeviceListing.h"
#include "sync/PcFolderTree.h"
#include "sync/SyncRecord.h"
#include "transfer/UploadEnd.h"

namespace kora {

// What sync does to make a folder of D: hold what a PC folder holds: which files it uploads and
// why, which it leaves, which folders it makes and, when asked, which entries of D: it deletes.

// Why a file is uploaded, or that it is not.
enum class SyncReason {
    Unchanged,       // the content recorded, and the controller lists the recorded size and date
    NotOnDevice,     // the controller does not list it
    NoRecord,        // no upload of it to this controller is recorded
    ChangedOnPc,     // its content is not the one recorded
    ChangedOnDevice, // the controller lists another size or date than after the upload
    All,             // every file was asked for (--all)
};
// "not on KORA-7740P", "no record of an upload", "changed on the PC", "changed on KORA-7740P",
// "all files asked for"; "unchanged".
std::string_view SyncReasonText(SyncReason reason);

// The rule: skip a file only when its content is the one recorded and the controller lists it
// with the recorded size and date; anything else, or nothing to compare with, uploads it.
// listed is the controller's entry of that name (nothing when there is none).
SyncReason DecideSync(const RecordedFile* recorded, const std::string& sha256,
                      const FolderEntry* listed, bool all);

// The SHA-256 of a PC file in lower-case hexadecimal; nothing when it cannot be read.
std::optional<std::string> FileSha256(const std::string& localPath);

struct SyncFile {
    PcTreeFile file;
    std::string folder; // the device folder it goes into
    std::string sha256;
    SyncReason reason = SyncReason::NoRecord;
    // What the folder's listing showed under its name: an upload whose end was not clean must
    // not take that earlier file, left as it was, for the new one (QueuedFile::earlier).
    std::optional<ListedFile> earlier = std::nullopt;

    std::string devicePath() const;
    bool uploads() const { return reason != SyncReason::Unchanged; }
};

// An entry of D: the PC folder does not hold.
struct SyncDeletion {
    std::string folder; // the device folder it is in
    std::string name;   // as listed
    bool isFolder = false;
    std::uint64_t size = 0;

    std::string devicePath() const;
};

struct SyncPlan {
    std::string destination;              // the device folder the PC folder goes into
    std::vector<std::string> makeFolders; // device folders to make, each before those in it
    std::vector<SyncFile> files;          // every PC file, in the tree's order
    // With deletions asked for: each file, then each folder after everything in it.
    std::vector<SyncDeletion> deletions;
    std::optional<std::uint64_t> freeBytes; // as the last listing printed it
    // Why the plan cannot be carried out (a folder on D: where the PC has a file of that name,
    // a PC file that cannot be read any more); nothing is changed when there is any.
    std::vector<std::string> problems;

    std::size_t uploadCount() const;
    std::uint64_t uploadBytes() const;
};

struct SyncOptions {
    bool all = false;           // upload every file whatever the record says
    bool findDeletions = false; // list what the PC folder does not hold (and what is in it)
};

// Lists a device folder as the panel lists it; nothing when it failed (the lister reports why).
using ListDeviceFolder = std::function<std::optional<DirectoryListing>(const std::string& path)>;

// Plans the sync of the walked tree (its first folder is the destination) with the record of
// the controller. Lists the destination's parent when the destination may be missing, every
// folder of the tree the controller has, and with findDeletions every folder it holds that the
// PC folder does not. Nothing when a listing failed.
std::optional<SyncPlan> PlanSync(const PcFolderTree& tree, const SyncRecord& record,
                                 const SyncOptions& options, const ListDeviceFolder& list);

} // namespace kora
