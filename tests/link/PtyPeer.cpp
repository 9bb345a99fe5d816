#include "PtyPeer.h"

#include <cerrno>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace kora::test {

namespace {

void MakeRaw(int fd)
{
    termios settings{};
    if (::tcgetattr(fd, &settings) == 0) {
        ::cfmakeraw(&settings);
        ::tcsetattr(fd, TCSANOW, &settings);
    }
}

} // namespace

PtyPeer::PtyPeer()
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        throw std::runtime_error("no pseudo-terminal");
    }
    devicePath_ = ::ptsname(master_);
    MakeRaw(master_);
    const int slave = ::open(devicePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave >= 0) {
        MakeRaw(slave);
        ::close(slave);
    }
}

PtyPeer::~PtyPeer()
{
    stop_ = true;
    join();
    if (master_ >= 0) {
        ::close(master_);
    }
}

void PtyPeer::run(std::function<void(PtyPeer&)> script)
{
    join();
    {
        std::lock_guard lock(mutex_);
        received_.clear();
    }
    thread_ = std::thread([this, script = std::move(script)] { script(*this); });
}

void PtyPeer::join()
{
    if (thread_.joinable()) {
        thread_.join();
    }
}

void PtyPeer::finish()
{
    stop_ = true;
    join();
    stop_ = false;
}

void PtyPeer::send(std::string_view bytes)
{
    while (!bytes.empty() && master_ >= 0) {
        const ssize_t n = ::write(master_, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
            return;
        }
    }
}

std::optional<std::uint8_t> PtyPeer::receiveByte(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!stop_ && master_ >= 0 && std::chrono::steady_clock::now() < deadline) {
        pollfd watch{master_, POLLIN, 0};
        std::uint8_t byte = 0;
        // Without an open slave the master reports a hang-up; wait in short naps then.
        if (::poll(&watch, 1, 10) > 0 && (watch.revents & POLLIN) &&
            ::read(master_, &byte, 1) == 1) {
            std::lock_guard lock(mutex_);
            received_.push_back(static_cast<char>(byte));
            return byte;
        }
        if (watch.revents & POLLHUP) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    return std::nullopt;
}

void PtyPeer::hangUp()
{
    ::close(master_);
    master_ = -1;
}

void PtyPeer::console(const std::function<std::string(const std::string&)>& reply,
                      std::chrono::milliseconds idle, const Echo& echo)
{
    std::string line;
    std::size_t index = 0;
    while (std::optional<std::uint8_t> byte = receiveByte(idle)) {
        const std::optional<std::uint8_t> answer = echo ? echo(*byte, index) : byte;
        ++index;
        if (answer) {
            send(std::string(1, static_cast<char>(*answer)));
        }
        if (*byte == '\r') {
            send(reply(line));
            line.clear();
        } else {
            line.push_back(static_cast<char>(*byte));
        }
    }
}

std::string PtyPeer::received() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

} // namespace kora::test
