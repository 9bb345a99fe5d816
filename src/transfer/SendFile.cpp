#include "transfer/SendFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kora {

namespace {

// Opens without blocking (a FIFO would otherwise wait for a writer) and keeps the descriptor
// only for a regular file.
int OpenRegularFile(const std::string& path, struct stat& info)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return -1;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

std::optional<std::uint64_t> SendFile::MeasureLength(const std::string& path)
{
    struct stat info {};
    const int fd = OpenRegularFile(path, info);
    if (fd < 0) {
        return std::nullopt;
    }
    ::close(fd);
    return static_cast<std::uint64_t>(info.st_size);
}

bool SendFile::Open(const std::string& path)
{
    Close();
    struct stat info {};
    fd_ = OpenRegularFile(path, info);
    atEnd_ = false;
    return fd_ >= 0;
}

void SendFile::Close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

SendFile::ReadOutcome SendFile::ReadChunk(std::span<std::uint8_t> buffer, std::size_t& count)
{
    count = 0;
    if (fd_ < 0) {
        return ReadOutcome::Error;
    }
    while (!atEnd_ && count < buffer.size()) {
        const ssize_t got = ::read(fd_, buffer.data() + count, buffer.size() - count);
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
