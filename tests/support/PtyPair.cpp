#include "support/PtyPair.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace kora::test {

bool MakeRaw(int fd)
{
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) {
        return false;
    }
    ::cfmakeraw(&settings);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    return ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

std::optional<std::uint8_t> ReadByteWithin(int fd, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(std::max<long>(left.count(), 0)));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return std::nullopt;
        }
        std::uint8_t byte = 0;
        const ssize_t got = ::read(fd, &byte, 1);
        if (got == 1) {
            return byte;
        }
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        return std::nullopt;
    }
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN) {
                pollfd entry{fd, POLLOUT, 0};
                ::poll(&entry, 1, 100);
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

bool TypeWithEcho(int fd, const std::string& command)
{
    for (char c : command) {
        if (!WriteAll(fd, std::string_view(&c, 1))) {
            return false;
        }
        const auto echo = ReadByteWithin(fd, std::chrono::seconds(2));
        if (!echo || *echo != static_cast<std::uint8_t>(c)) {
            return false;
        }
    }
    return true;
}

PtyPair::PtyPair()
{
    master_.reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (!master_ || ::grantpt(master_.get()) != 0 || ::unlockpt(master_.get()) != 0) {
        return;
    }
    char name[128] = {};
    if (::ptsname_r(master_.get(), name, sizeof name) != 0) {
        return;
    }
    slavePath_ = name;
    slave_.reset(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (slave_ && !MakeRaw(slave_.get())) {
        slave_.reset();
    }
}

std::optional<std::uint8_t> PtyPair::readByte(std::chrono::milliseconds timeout)
{
    return ReadByteWithin(master_.get(), timeout);
}

std::optional<std::vector<std::uint8_t>> PtyPair::readExact(std::size_t count,
                                                            std::chrono::milliseconds timeout)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(count);
    while (bytes.size() < count) {
        const auto byte = readByte(timeout);
        if (!byte) {
            return std::nullopt;
        }
        bytes.push_back(*byte);
    }
    return bytes;
}

std::string PtyPair::readUntilQuiet(std::chrono::milliseconds quiet,
                                    std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    std::string received;
    while (std::chrono::steady_clock::now() < end) {
        const auto byte = readByte(quiet);
        if (!byte) {
            break;
        }
        received.push_back(static_cast<char>(*byte));
    }
    return received;
}

void PtyPair::write(std::string_view bytes)
{
    WriteAll(master_.get(), bytes);
}

void PtyPair::hangUp()
{
    master_.reset();
    slave_.reset();
}

} // namespace kora::test
