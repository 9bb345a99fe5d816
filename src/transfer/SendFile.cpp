#include "transfer/SendFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kora {

namespace {

// Opens without blocking (a FIFO would otherwise wait for a writer) and keeps the descriptor
// only for a regular file.
UniqueFd OpenRegularFile(const std::string& path, struct stat& info)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return {};
    }
    return fd;
}

SendFile::Stamp StampOf(const struct stat& info)
{
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::uint64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

} // namespace

std::optional<SendFile::Stamp> SendFile::StampAt(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return StampOf(info);
}

std::optional<std::uint64_t> SendFile::MeasureLength(const std::string& path)
{
    struct stat info {};
    if (!OpenRegularFile(path, info)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.st_size);
}

bool SendFile::Open(const std::string& path)
{
    Close();
    struct stat info {};
    fd_ = OpenRegularFile(path, info);
    atEnd_ = false;
    openedStamp_ = StampOf(info);
    return isOpen();
}

void SendFile::Close()
{
    fd_.reset();
}

SendFile::ReadOutcome SendFile::ReadChunk(std::span<std::uint8_t> buffer, std::size_t& count)
{
    count = 0;
    if (!fd_) {
        return ReadOutcome::Error;
    }
    while (!atEnd_ && count < buffer.size()) {
        const ssize_t got = ::read(fd_.get(), buffer.data() + count, buffer.size() - count);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return ReadOutcome::Error;
        }
        if (got == 0) {
            atEnd_ = true;
        }
        count += static_cast<std::size_t>(got);
    }
    return count > 0 ? ReadOutcome::Data : ReadOutcome::End;
}

} // namespace kora
