#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "link/UniqueFd.h"

namespace kora {

// The PC file an upload reads, opened read-only. Only regular files are accepted: a folder, a
// pipe or a device has no length to send and could block or never end.
class SendFile {
public:
    enum class ReadOutcome { Data, End, Error };

    // What tells one state of a file from another: which file the path names, its size and
    // its last-write time.
    struct Stamp {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::uint64_t size = 0;
        std::int64_t modifiedNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    // The stamp of the file the path names now; nothing when it cannot be read.
    static std::optional<Stamp> StampAt(const std::string& path);

    SendFile() = default;
    ~SendFile() = default;
    SendFile(const SendFile&) = delete;
    SendFile& operator=(const SendFile&) = delete;

    // Opens the file, takes its length and closes it again; nothing when it can't be opened.
    static std::optional<std::uint64_t> MeasureLength(const std::string& path);

    bool Open(const std::string& path);
    // The stamp of the opened file as it was when opened.
    const Stamp& openedStamp() const { return openedStamp_; }
    void Close();
    bool isOpen() const { return static_cast<bool>(fd_); }

    // Fills the buffer from the file; a chunk is shorter only at the end of the file. Data with
    // count > 0, End when nothing is left, Error when the system reported a read error.
    ReadOutcome ReadChunk(std::span<std::uint8_t> buffer, std::size_t& count);

private:
    UniqueFd fd_;
    bool atEnd_ = false;
    Stamp openedStamp_;
};

} // namespace kora
