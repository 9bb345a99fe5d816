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

    SendFile() = default;
    ~SendFile() = default;
    SendFile(const SendFile&) = delete;
    SendFile& operator=(const SendFile&) = delete;

    // Opens the file, takes its length and closes it again; nothing when it can't be opened.
    static std::optional<std::uint64_t> MeasureLength(const std::string& path);

    bool Open(const std::string& path);
    void Close();
    bool isOpen() const { return static_cast<bool>(fd_); }

    // Fills the buffer from the file; a chunk is shorter only at the end of the file. Data with
    // count > 0, End when nothing is left, Error when the system reported a read error.
    ReadOutcome ReadChunk(std::span<std::uint8_t> buffer, std::size_t& count);

private:
    UniqueFd fd_;
    bool atEnd_ = false;
};

} // namespace kora
