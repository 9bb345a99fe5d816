#include "PtyPair.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace kora::test {

PtyPair::PtyPair()
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        throw std::runtime_error("no pseudo-terminal");
    }
    slavePath_ = ::ptsname(master_);
    slave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios settings{};
    if (slave_ < 0 || ::tcgetattr(slave_, &settings) != 0) {
        throw std::runtime_error("pseudo-terminal slave unusable");
    }
    ::cfmakeraw(&settings);
    ::tcsetattr(slave_, TCSANOW, &settings);
}

PtyPair::~PtyPair()
{
    ::close(slave_);
    ::close(master_);
}

void PtyPair::Write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(master_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            throw std::runtime_error("pseudo-terminal write failed");
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

std::string PtyPair::ReadUntilQuiet(std::chrono::milliseconds quiet,
                                    std::chrono::milliseconds limit)
{
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + limit;
    std::string received;
    while (Clock::now() < end) {
        pollfd pfd{master_, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, static_cast<int>(quiet.count()));
        if (ready == 0 || (ready < 0 && errno != EINTR)) {
            break;
        }
        if (ready < 0) {
            continue;
        }
        char buffer[256];
        const ssize_t count = ::read(master_, buffer, sizeof buffer);
        if (count <= 0) {
            break;
        }
        received.append(buffer, static_cast<std::size_t>(count));
    }
    return received;
}

} // namespace kora::test
