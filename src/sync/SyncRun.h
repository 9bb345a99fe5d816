#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/DeviceListing.h"
#include "sync/SyncPlan.h"
#include "sync/SyncRecord.h"
#include "transfer/CopyPlan.h"

namespace kora {

// Carrying out a sync plan, the same for the window and the command line; each gives its own
// way of running a device operation (which reports its failure) and of sending the queue (the
// transfer dialog, put's progress display).
struct SyncSteps {
    DeviceOperationRunner run;
    // Sends the files in order, each into its own directory; what the queue did, or nothing
    // when it could not start (the sender has reported why).
    std::function<std::optional<QueueOutcome>(const std::vector<QueuedFile>& files)> send;
};

struct SyncOutcome {
    enum class Kind {
        Done,
        NoSpace,         // the uploads do not fit: nothing was changed
        RecordFailed,    // the record could not be written (message)
        OperationFailed, // a device operation failed; the runner has reported it
        NotDeleted,      // the controller still lists an entry it was told to delete (message)
        UploadFailed,    // the queue's message, empty when the sender reported it already
        Cancelled,
    };
    Kind kind = Kind::Done;
    std::string message;
    std::vector<std::string> made;     // device folders made
    std::vector<std::string> deleted;  // device paths of the entries deleted
    std::vector<std::string> uploaded; // device paths of the files whose upload was confirmed
    // Of those, the ones not recorded: changed on the PC while they were sent, or not listed
    // afterwards as expected. The next sync uploads them again.
    std::vector<std::string> unrecorded;

    bool ok() const { return kind == Kind::Done; }
    bool changed() const { return !made.empty() || !deleted.empty() || !uploaded.empty(); }
};

// "There is no enough space on KORA-7740P." when the files to upload do not fit the free space
// (the copy's check); "KORA-7740P did not report the free space ..." without a free-space
// figure; nothing when they fit or nothing is uploaded.
std::optional<std::string> SyncSpaceRefusal(const SyncPlan& plan);

// In this order: the free-space check; the record's entries of every file about to be
// replaced or deleted dropped (so that no record claims a file an interrupted sync left half
// sent); the folders made; with withDeletions the entries deleted and the listings checked for
// them; the files uploaded in one queue; each folder that received files listed, and every
// confirmed upload whose PC file still has the content planned recorded with the size and
// date listed. The record is written atomically before the first change and after the last.
SyncOutcome RunSync(const SyncPlan& plan, bool withDeletions, SyncRecord& record,
                    const SyncSteps& steps);

} // namespace kora
