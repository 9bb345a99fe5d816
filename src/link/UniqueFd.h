#pragma once

#include <utility>

#include <unistd.h>

namespace kora {

// Owns one file descriptor and closes it when it goes out of scope.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release() { return std::exchange(fd_, -1); }
    // Closes the descriptor held so far; returns whether that close succeeded.
    bool reset(int fd = -1)
    {
        bool ok = true;
        if (fd_ >= 0) {
            ok = ::close(fd_) == 0;
        }
        fd_ = fd;
        return ok;
    }

private:
    int fd_ = -1;
};

} // namespace kora
