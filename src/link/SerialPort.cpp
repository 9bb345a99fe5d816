#include "link/SerialPort.h"

#include "link/ConsoleLogFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <limits>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>

#include <linux/serial.h>
#include <unistd.h>

#include "link/PortNames.h"

namespace kora {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// T * n + T, kept far from overflow: no exchange waits anywhere near a day.
milliseconds TotalTimeout(std::uint32_t stepMs, std::size_t count)
{
    constexpr std::uint64_t kCapMs = 24ULL * 60 * 60 * 1000;
    const std::uint64_t step = stepMs;
    const std::uint64_t factor = static_cast<std::uint64_t>(count) + 1;
    if (step != 0 && factor > kCapMs / step) {
        return milliseconds(kCapMs);
    }
    return milliseconds(static_cast<std::int64_t>(step * factor));
}

// poll() takes whole milliseconds; rounding up keeps us from waking early and spinning.
int PollTimeout(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<std::int64_t>(left, 0, std::numeric_limits<int>::max()));
}

// A descriptor whose device went away (a pulled USB adapter, a closed pseudo-terminal master)
// reports EIO, ENXIO or ENODEV; anything else is some other trouble with the line.
IoFailure LineErrorKind(int error)
{
    switch (error) {
    case EIO:
    case ENXIO:
    case ENODEV:
        return IoFailure::HungUp;
    default:
        return IoFailure::IoError;
    }
}

IoFailure PollErrorKind(short revents)
{
    return (revents & POLLHUP) ? IoFailure::HungUp : IoFailure::IoError;
}

OpenFailure ClassifyOpenError(int error)
{
    switch (error) {
    case EBUSY:
    case EWOULDBLOCK:
        return OpenFailure::InUse;
    case EACCES:
    case EPERM:
        return OpenFailure::AccessDenied;
    default:
        return OpenFailure::NoPort;
    }
}

std::optional<speed_t> SpeedFor(std::uint32_t baudRate)
{
    switch (baudRate) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    default:
        return std::nullopt;
    }
}

std::optional<tcflag_t> CharacterSize(std::uint8_t dataBits)
{
    switch (dataBits) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    case 8:
        return CS8;
    default:
        return std::nullopt;
    }
}

std::string GroupName(gid_t gid)
{
    std::vector<char> scratch(4096);
    group entry{};
    group* found = nullptr;
    if (::getgrgid_r(gid, &entry, scratch.data(), scratch.size(), &found) == 0 && found) {
        return found->gr_name;
    }
    return std::to_string(gid);
}

} // namespace

SerialPort::SerialPort(std::string portName) : portName_(std::move(portName)) {}

SerialPort::~SerialPort()
{
    Close();
}

bool SerialPort::Open()
{
    // A second Open on an open object must not leak the first descriptor and lock.
    closeDevice();
    configured_.reset();
    return openDevice();
}

bool SerialPort::Close()
{
    return closeDevice();
}

bool SerialPort::failOpen(int error, OpenFailure failure)
{
    lastOpenErrno_ = error;
    lastOpenFailure_ = failure;
    restoreFoundSettings();
    if (exclusiveSet_ && fd_) {
        ::ioctl(fd_.get(), TIOCNXCL);
    }
    exclusiveSet_ = false;
    lock_.release(); // before the descriptor: see closeDevice
    fd_.reset();
    return false;
}

bool SerialPort::openDevice()
{
    lastOpenErrno_ = 0;
    lastOpenFailure_ = OpenFailure::None;
    devicePath_ = ResolvePortName(portName_);
    // Only absolute device paths are opened: a typed text that names no port must never open
    // a file that happens to lie in the working directory.
    if (devicePath_.empty() || devicePath_.front() != '/') {
        return failOpen(ENOENT, OpenFailure::NoPort);
    }

    do {
        fd_.reset(::open(devicePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    } while (!fd_ && errno == EINTR);
    if (!fd_) {
        const int error = errno;
        return failOpen(error, ClassifyOpenError(error));
    }
    const int fd = fd_.get();

    termios found{};
    if (::tcgetattr(fd, &found) != 0) {
        return failOpen(errno, OpenFailure::NoPort);
    }

    // Exclusive use in three layers. flock also holds against root, who ignores TIOCEXCL.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        return failOpen(EWOULDBLOCK, OpenFailure::InUse);
    }
    // Root gets past another program's TIOCEXCL; the flag still tells that the port is taken.
    // It is theirs, so it is left set.
    if (int taken = 0; ::ioctl(fd, TIOCGEXCL, &taken) == 0 && taken) {
        return failOpen(EBUSY, OpenFailure::InUse);
    }
    exclusiveSet_ = ::ioctl(fd, TIOCEXCL) == 0;
    if (lock_.acquire(devicePath_) == UucpLock::Status::Busy) {
        return failOpen(EBUSY, OpenFailure::InUse);
    }

    // Only now is the port ours to change; from here on Close puts the settings back.
    found_ = found;
    if (!applyRawMode()) {
        return failOpen(errno, OpenFailure::NoPort);
    }
    askForLowLatency();
    return true;
}

// A USB adapter holds what it received until its latency timer runs out (16 ms on common
// ones) or a packet fills; every echo of the console exchange would wait that long. The serial
// driver's low-latency flag (what `setserial low_latency` sets) makes it hand bytes on at once.
// Drivers without the request (a pseudo-terminal) or that refuse it are left as they are.
void SerialPort::askForLowLatency()
{
    serial_struct serial{};
    if (::ioctl(fd_.get(), TIOCGSERIAL, &serial) != 0) {
        return;
    }
    if ((serial.flags & ASYNC_LOW_LATENCY) != 0) {
        return; // already so; nothing of ours to undo
    }
    const int before = serial.flags;
    serial.flags |= ASYNC_LOW_LATENCY;
    if (::ioctl(fd_.get(), TIOCSSERIAL, &serial) == 0) {
        flagsBeforeLowLatency_ = before;
    }
}

void SerialPort::restoreLatency()
{
    if (!flagsBeforeLowLatency_) {
        return;
    }
    serial_struct serial{};
    if (::ioctl(fd_.get(), TIOCGSERIAL, &serial) == 0) {
        serial.flags =
            (serial.flags & ~ASYNC_LOW_LATENCY) | (*flagsBeforeLowLatency_ & ASYNC_LOW_LATENCY);
        ::ioctl(fd_.get(), TIOCSSERIAL, &serial);
    }
    flagsBeforeLowLatency_.reset();
}

// The tty line discipline would otherwise echo, translate CR/LF and eat control bytes before
// any setting is made; the port has to pass bytes through untouched from the moment it opens.
bool SerialPort::applyRawMode()
{
    termios settings{};
    if (::tcgetattr(fd_.get(), &settings) != 0) {
        return false;
    }
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cflag &= ~CRTSCTS;
    settings.c_iflag &= ~(IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    return applySettings(settings);
}

bool SerialPort::applySettings(const termios& settings)
{
    return ::tcsetattr(fd_.get(), TCSANOW, &settings) == 0;
}

// TCSADRAIN lets bytes still on their way out leave at the speed they were written with. Flow
// control is off while the port is ours, so the wait is bounded by the line rate; a line that
// hung up refuses at once, and then there is nothing left to put back anyway.
void SerialPort::restoreFoundSettings()
{
    if (found_ && fd_) {
        int result;
        do {
            result = ::tcsetattr(fd_.get(), TCSADRAIN, &*found_);
        } while (result != 0 && errno == EINTR);
    }
    found_.reset();
}

bool SerialPort::closeDevice()
{
    bool closed = true;
    if (fd_) {
        restoreLatency();
        restoreFoundSettings();
        if (exclusiveSet_) {
            ::ioctl(fd_.get(), TIOCNXCL);
        }
        // The lock file goes while the descriptor still holds the device. Once it is closed
        // the device's name may be handed to a new device at once (a pseudo-terminal's
        // number is), and a lock file still naming us would make that one look taken.
        lock_.release();
        closed = fd_.reset(); // also drops the flock; the descriptor is gone either way
    }
    exclusiveSet_ = false;
    lock_.release();
    return closed;
}

bool SerialPort::reopenAfterError()
{
    if (!closeDevice() || !openDevice()) {
        return false;
    }
    if (configured_) {
        // Best effort: a line that takes no settings fails its next read or write instead.
        static_cast<void>(applySettings(*configured_));
    }
    return true;
}

bool SerialPort::fail(IoFailure failure)
{
    lastIoFailure_ = failure;
    if (failure == IoFailure::HungUp || failure == IoFailure::IoError) {
        reopenAfterError();
    }
    return false;
}

bool SerialPort::SetCommParams(std::uint32_t baudRate, std::uint8_t dataBits, Parity parity,
                               StopBits stopBits)
{
    if (!isOpen()) {
        return false;
    }
    const std::optional<speed_t> speed = SpeedFor(baudRate);
    const std::optional<tcflag_t> size = CharacterSize(dataBits);
    if (!speed || !size) {
        return false;
    }
    termios settings{};
    if (::tcgetattr(fd_.get(), &settings) != 0) {
        return false;
    }
    ::cfsetispeed(&settings, *speed);
    ::cfsetospeed(&settings, *speed);
    settings.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB);
    settings.c_cflag |= *size;
    switch (parity) {
    case Parity::None:
        break;
    case Parity::Odd:
        settings.c_cflag |= PARENB | PARODD;
        break;
    case Parity::Even:
        settings.c_cflag |= PARENB;
        break;
    }
    if (stopBits == StopBits::Two) {
        settings.c_cflag |= CSTOPB;
    }
    if (!applySettings(settings)) {
        return false;
    }
    configured_ = settings;
    return true;
}

bool SerialPort::SetTimeouts(std::uint32_t milliseconds)
{
    timeoutMs_ = milliseconds;
    return isOpen();
}

InputWait SerialPort::WaitForInput(milliseconds wait, int wakeFd)
{
    if (!fd_) {
        return InputWait::Ready; // the read reports the closed port
    }
    const Clock::time_point deadline = Clock::now() + wait;
    for (;;) {
        std::array<pollfd, 2> watch{pollfd{fd_.get(), POLLIN, 0}, pollfd{wakeFd, POLLIN, 0}};
        const int ready = ::poll(watch.data(), watch.size(), PollTimeout(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0 || watch[0].revents != 0) {
            return InputWait::Ready; // input, a hang-up or an error: the read tells which
        }
        if (watch[1].revents != 0) {
            return InputWait::Woken;
        }
        if (Clock::now() >= deadline) {
            return InputWait::TimedOut;
        }
    }
}

std::size_t SerialPort::readWithTimeouts(std::size_t count, std::uint8_t* buffer,
                                         IoFailure& failure, std::optional<milliseconds> totalWait)
{
    failure = IoFailure::None;
    const milliseconds step(timeoutMs_);
    const Clock::time_point totalDeadline =
        Clock::now() + (totalWait ? *totalWait : TotalTimeout(timeoutMs_, count));
    std::optional<Clock::time_point> lastByte;
    std::size_t got = 0;

    while (got < count) {
        // With VMIN = VTIME = 0 an empty line reads as 0, the same value a hang-up gives; only
        // after poll() has reported input does 0 mean that the line is gone.
        ssize_t n = ::read(fd_.get(), buffer + got, count - got);
        if (n > 0) {
            ConsoleLogFile::TapReceived(buffer + got, static_cast<std::size_t>(n));
            got += static_cast<std::size_t>(n);
            lastByte = Clock::now();
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            failure = LineErrorKind(errno);
            break;
        }

        Clock::time_point deadline = totalDeadline;
        if (lastByte) {
            deadline = std::min(deadline, *lastByte + step);
        }
        if (Clock::now() >= deadline) {
            failure = IoFailure::TimedOut;
            break;
        }
        pollfd watch{fd_.get(), POLLIN, 0};
        const int ready = ::poll(&watch, 1, PollTimeout(deadline));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            failure = IoFailure::IoError;
            break;
        }
        if (ready == 0) {
            continue; // the deadline check above ends the read
        }
        if (watch.revents & POLLIN) {
            n = ::read(fd_.get(), buffer + got, count - got);
            if (n > 0) {
                ConsoleLogFile::TapReceived(buffer + got, static_cast<std::size_t>(n));
                got += static_cast<std::size_t>(n);
                lastByte = Clock::now();
                continue;
            }
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
                continue;
            }
            // Readable yet nothing to read: hung up.
            failure = n == 0 ? IoFailure::HungUp : LineErrorKind(errno);
            break;
        }
        if (watch.revents & (POLLERR | POLLHUP | POLLNVAL)) {
            failure = PollErrorKind(watch.revents);
            break;
        }
    }
    return got;
}

bool SerialPort::Read(std::size_t count, std::uint8_t* buffer)
{
    if (!isOpen()) {
        return fail(IoFailure::NotOpen);
    }
    IoFailure failure = IoFailure::None;
    const std::size_t got = readWithTimeouts(count, buffer, failure);
    if (got != count) {
        return fail(failure == IoFailure::None ? IoFailure::TimedOut : failure);
    }
    lastIoFailure_ = IoFailure::None;
    return true;
}

bool SerialPort::ReadByteWithin(std::uint8_t& byte, milliseconds wait)
{
    if (!isOpen()) {
        return fail(IoFailure::NotOpen);
    }
    IoFailure failure = IoFailure::None;
    if (readWithTimeouts(1, &byte, failure, wait) != 1) {
        return fail(failure == IoFailure::None ? IoFailure::TimedOut : failure);
    }
    lastIoFailure_ = IoFailure::None;
    return true;
}

bool SerialPort::ReadLine(std::uint32_t limit, std::string& text)
{
    return readLine(limit, text, nullptr);
}

bool SerialPort::ReadLine(std::uint32_t limit, std::string& text, const QuietLineEnd& quietEnd)
{
    return readLine(limit, text, &quietEnd);
}

bool SerialPort::readLine(std::uint32_t limit, std::string& text, const QuietLineEnd* quietEnd)
{
    if (!isOpen()) {
        return fail(IoFailure::NotOpen);
    }
    std::uint32_t counter = 0;
    for (;;) {
        std::uint8_t byte = 0;
        IoFailure failure = IoFailure::None;
        std::optional<milliseconds> wait;
        if (quietEnd != nullptr && quietEnd->complete && quietEnd->complete(text)) {
            wait = quietEnd->gap;
        }
        if (readWithTimeouts(1, &byte, failure, wait) != 1) {
            return fail(failure == IoFailure::None ? IoFailure::TimedOut : failure);
        }
        ++counter;
        if (counter >= limit) {
            return fail(IoFailure::LimitReached);
        }
        // The caller's text stands for a zero-terminated buffer: a zero byte adds nothing.
        if (byte != 0) {
            text.push_back(static_cast<char>(byte));
        }
        if (byte == LineEnd) {
            lastIoFailure_ = IoFailure::None;
            return true;
        }
    }
}

bool SerialPort::Write(std::size_t count, const std::uint8_t* bytes, InputPurge purge)
{
    if (!isOpen()) {
        return fail(IoFailure::NotOpen);
    }
    if (purge == InputPurge::Discard) {
        ::tcflush(fd_.get(), TCIFLUSH);
    }
    const Clock::time_point deadline = Clock::now() + TotalTimeout(timeoutMs_, count);
    std::size_t sent = 0;
    while (sent < count) {
        const ssize_t n = ::write(fd_.get(), bytes + sent, count - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno == EAGAIN) {
            if (Clock::now() >= deadline) {
                return fail(IoFailure::TimedOut); // the line did not take the bytes
            }
            pollfd watch{fd_.get(), POLLOUT, 0};
            const int ready = ::poll(&watch, 1, PollTimeout(deadline));
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready >= 0 && !(watch.revents & (POLLERR | POLLHUP | POLLNVAL))) {
                continue;
            }
            return fail(ready < 0 ? IoFailure::IoError : PollErrorKind(watch.revents));
        }
        return fail(n < 0 ? LineErrorKind(errno) : IoFailure::IoError);
    }
    lastIoFailure_ = IoFailure::None;
    return true;
}

bool SerialPort::Write(const std::string& bytes, InputPurge purge)
{
    return Write(bytes.size(), reinterpret_cast<const std::uint8_t*>(bytes.data()), purge);
}

std::string SerialPort::openFailureHint() const
{
    if (lastOpenFailure_ != OpenFailure::AccessDenied || devicePath_.empty()) {
        return {};
    }
    struct stat info {};
    if (::stat(devicePath_.c_str(), &info) != 0) {
        return {};
    }
    const std::string group = GroupName(info.st_gid);
    return "Access to " + devicePath_ + " is reserved to the group '" + group +
           "'.\nAdd your user to it (sudo usermod -aG " + group + " $USER) and log in again.";
}

} // namespace kora
