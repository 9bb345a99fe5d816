#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/DirLine.h"
#include "filelist/FolderEntry.h"
#include "link/ConsoleExchange.h"

namespace kora {

// Runs one device operation to its end and returns its result. The application runs it on the
// selected port with the hourglass and the error box; tests run it on the simulator or a fake.
using DeviceOperationRunner = std::function<OperationResult(const DeviceOperation&)>;

// What the "dir" output of one listing gave.
struct DirectoryListing {
    std::vector<FolderEntry> entries;
    std::optional<FreeSpace> freeSpace;    // the last "bytes free" line, if any
    std::optional<ListingSummary> summary; // the "N file(s) M bytes" line, if any
    std::size_t damagedLines = 0;          // entry lines noise has spoilt (IsDamagedEntryLine)
    std::size_t directoryLines = 0;        // "<DIR>" lines, "." and ".." included

    void take(std::string_view line);
    // Why the reading cannot be shown as the directory's contents, or nothing when it is whole:
    // no "bytes free" line (cut off), a damaged line, or entries that do not add up to the
    // console's summary.
    std::optional<std::string> fault(const std::string& path) const;
};

// What an operation that succeeded has just changed in a folder, for the refresh after it: a
// name gone (Delete, the old name of a Rename, a file an upload replaces) and a name new
// (Make Directory, the new name of a Rename, an uploaded file). Names compare as DOS does,
// without regard to case.
struct KnownChange {
    struct Arrival {
        std::string name;
        bool isFolder = false;
        // The size and date the new entry must show (a Rename keeps them); nothing: any.
        std::optional<FolderEntry> sameAs;
    };
    std::vector<std::string> gone;
    std::vector<Arrival> arrived;

    static KnownChange MadeDirectory(const std::string& name);
    static KnownChange Deleted(const std::string& name);
    static KnownChange Renamed(const FolderEntry& from, const std::string& to);
    static KnownChange Uploaded(const std::vector<std::string>& names);

    // Whether `reading` is `earlier` with exactly this change made: the names gone are gone,
    // each name new is there once with its kind (and facts, when known), and every other entry
    // is as it was, name, kind, size and date.
    bool explains(const std::vector<FolderEntry>& earlier,
                  const std::vector<FolderEntry>& reading) const;
};

// "d:\r" and "cd" + path + "\r", each confirmed by its prompt (see EnterDeviceDirectorySteps),
// then "dir\r" whose lines go to `into`. A reading that is not whole is read again (three readings
// in all), then fails. Given the entries an earlier listing of the path showed, a reading whose
// entries differ from them (names, sizes, dates) is read again and taken only when two readings of
// the exchange agree, or a later one agrees with the earlier listing. Given also the change an
// operation has just made there, a reading that differs from the earlier listing by exactly that
// change is taken at once: noise that turned the one listing into the other is all but impossible.
// `into` must outlive every run of the returned operation.
DeviceOperation ListDeviceDirectoryOperation(const std::string& path, DirectoryListing& into,
                                             const std::vector<FolderEntry>* earlier = nullptr,
                                             const KnownChange* change = nullptr);

// Lists the path on the controller into `into`; true when all three commands were exchanged,
// the console confirmed the path and the reading is whole (and confirmed, given `earlier`).
bool ListDeviceDirectory(const DeviceOperationRunner& run, const std::string& path,
                         DirectoryListing& into, const std::vector<FolderEntry>* earlier = nullptr,
                         const KnownChange* change = nullptr);

// Statistics of a directory tree as "dir/s" reports it.
struct TreeCounts {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
    std::uint64_t folders = 0;

    void take(std::string_view line);
    // Why the counts are not the tree's, or nothing: the "Total files listed:" summary or the
    // "bytes free" line missing (cut off), a damaged line, or counts that differ from the total.
    std::optional<std::string> fault() const;

private:
    bool totalNext_ = false; // the line before was "Total files listed:"
    std::optional<ListingSummary> total_;
    bool freeSeen_ = false;
    std::size_t damagedLines_ = 0;
    std::uint64_t directoryLines_ = 0; // "." and ".." included
};

// "dir/s " + name + "\r" (an empty name counts the current directory), its lines counted into
// `into`, which must outlive every run of the returned operation. Counts that are not whole are
// read once more, then fail. The caller puts the console in the right directory first
// (InDeviceDirectory).
DeviceOperation CountDeviceTreeOperation(const std::string& name, TreeCounts& into);

// The counts of `name` in the device directory `path`, or nothing when the exchange failed (the
// runner has reported it).
std::optional<TreeCounts> CountDeviceTree(const DeviceOperationRunner& run, const std::string& path,
                                          const std::string& name);

// The line check of "cd": a line containing "Invalid " fails the listing with that line as
// received, then "'" + path + "'!".
LineCheck InvalidPathCheck(const std::string& path);

} // namespace kora
