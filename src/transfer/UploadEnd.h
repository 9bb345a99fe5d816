#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "filelist/FolderEntry.h"

namespace kora {

// What the end of an upload tells about the file, and what a listing of its folder must show
// when the end did not tell that the controller kept it.
//
// A clean end is an ACK to the EOT with no closing line of the receiver that says it failed;
// nothing more is asked then. Any other end (a CAN, an EOT never acknowledged, a closing line of
// failure) is decided by the listing alone: receivers refuse the end of a file they did keep, and
// acknowledge one they then fail to write.

// Whether a line the receiver printed after the end of the file says that it failed: one of the
// words receivers use for it ("Transfer failed", "Insufficient disk space", "Unable to create
// file", "Error writing", "Aborted", "Timed out", ...), in any letter case. A line taken for a
// failure that was none costs a listing; a failure missed would pass for a kept file.
bool ReceiverReportsFailure(std::string_view line);

// The sizes a listing shows for a kept file of `sent` bytes: the bytes sent, or the last block
// filled up to 128 bytes (the receiver keeps the padding whole or takes it off again).
bool KeptSizeMatches(std::uint64_t listed, std::uint64_t sent);

// The upload's destination in the form the listing takes: "D:\BIN\A.EXE" gives the folder
// "\BIN" and the name "A.EXE"; "D:\A.EXE" the root "\". Nothing for a name that is not a
// path on D: (letter case aside).
struct UploadDestination {
    std::string folder;
    std::string name;
};
std::optional<UploadDestination> SplitUploadDestination(std::string_view deviceName);

// A file as a listing showed it: its size and the listing's date and time text.
struct ListedFile {
    std::uint64_t size = 0;
    std::string modified;
    bool operator==(const ListedFile&) const = default;
};

// Why the listing of the destination's folder shows that the controller did not keep the file,
// or nothing when it did: a file of the name (DOS compares without letter case) with the size
// sent. Given the destination as a listing showed it before the upload, the very same entry
// (size, date and time) is that earlier file left as it was. DOS keeps the time to the minute,
// so a file replaced by one of its size within the minute is not told apart and counts as not
// kept: the upload fails rather than pass on a guess.
std::optional<std::string> NotKeptReason(const std::vector<FolderEntry>& listed,
                                         const UploadDestination& destination, std::uint64_t sent,
                                         const std::optional<ListedFile>& earlier);

// The destination's entry in a listing of its folder: the earlier file a later upload may
// replace, nothing when there is none.
std::optional<ListedFile> ListedFileNamed(const std::vector<FolderEntry>& listed,
                                          std::string_view name);

} // namespace kora
