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
    std::optional<FreeSpace> freeSpace; // the last "bytes free" line, if any

    void take(std::string_view line);
};

// "d:\r", "cd" + path + "\r" (failing on a line with "Invalid "), "dir\r" whose lines go to
// `into`. `into` must outlive every run of the returned operation.
DeviceOperation ListDeviceDirectoryOperation(const std::string& path, DirectoryListing& into);

// Lists the path on the controller into `into`; true when all three commands were exchanged and
// the path was accepted.
bool ListDeviceDirectory(const DeviceOperationRunner& run, const std::string& path,
                         DirectoryListing& into);

// Statistics of a directory tree as "dir/s" reports it.
struct TreeCounts {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
    std::uint64_t folders = 0;

    void take(std::string_view line);
};

// "dir/s " + name + "\r" (an empty name counts the current directory), its lines counted into
// `into`, which must outlive every run of the returned operation.
DeviceOperation CountDeviceTreeOperation(const std::string& name, TreeCounts& into);

// The counts, or nothing when the exchange failed (the runner has reported it).
std::optional<TreeCounts> CountDeviceTree(const DeviceOperationRunner& run,
                                          const std::string& name);

// The line check of "cd": a line containing "Invalid " fails the listing with that line as
// received, then "'" + path + "'!".
LineCheck InvalidPathCheck(const std::string& path);

} // namespace kora
