#include "sim/PtyLine.h"

#include "sim/Faults.h"
#include "sim/LineNoise.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace kora::sim {

using Clock = std::chrono::steady_clock;

namespace {

bool makeRaw(int fd)
{
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        return false;
    ::cfmakeraw(&settings);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    return ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

int pollTimeoutMs(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, 1000));
}

} // namespace

void UsePreciseSleeps()
{
    constexpr unsigned long kSlackNanoseconds = 1;
    ::prctl(PR_SET_TIMERSLACK, kSlackNanoseconds, 0, 0, 0);
}

PtyLine::PtyLine(unsigned baudRate, ByteLog& log, std::chrono::milliseconds usbLatency)
    : byteTime_(baudRate == 0 ? std::chrono::nanoseconds(0)
                              : std::chrono::nanoseconds(10'000'000'000LL / baudRate)),
      log_(log), usbLatency_(usbLatency)
{
}

PtyLine::~PtyLine()
{
    stopDelivery();
}

void PtyLine::startDelivery()
{
    if (usbLatency_.count() <= 0)
        return;
    stopDelivery_ = false;
    delivery_ = std::thread([this] { deliverHeld(); });
}

void PtyLine::stopDelivery()
{
    if (!delivery_.joinable())
        return;
    {
        std::lock_guard lock(heldMutex_);
        stopDelivery_ = true;
    }
    heldChanged_.notify_all();
    delivery_.join();
    held_.clear();
}

// The adapter: a packet goes out when it is full or when the latency timer, started by its
// first byte, runs out.
void PtyLine::deliverHeld()
{
    UsePreciseSleeps();
    std::unique_lock lock(heldMutex_);
    for (;;) {
        heldChanged_.wait(lock, [this] { return stopDelivery_ || !held_.empty(); });
        if (stopDelivery_)
            return;
        heldChanged_.wait_until(lock, heldSince_ + usbLatency_, [this] {
            return stopDelivery_ || held_.size() >= kUsbPacketBytes;
        });
        if (stopDelivery_)
            return;
        const std::size_t count = std::min(held_.size(), kUsbPacketBytes);
        const std::string packet = held_.substr(0, count);
        held_.erase(0, count);
        heldSince_ = Clock::now();
        lock.unlock();
        deliver(
            packet.data(), packet.size(), [this] { return stopDelivery_.load(); }, false);
        lock.lock();
    }
}

bool PtyLine::open(std::string* error)
{
    auto fail = [error](const char* what) {
        if (error)
            *error = std::string(what) + ": " + std::strerror(errno);
        return false;
    };
    UniqueFd master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (!master)
        return fail("posix_openpt");
    if (::grantpt(master.get()) != 0 || ::unlockpt(master.get()) != 0)
        return fail("unlockpt");
    char name[128];
    if (::ptsname_r(master.get(), name, sizeof name) != 0)
        return fail("ptsname");
    UniqueFd terminal(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (!terminal)
        return fail("open terminal side");
    if (!makeRaw(terminal.get()) || !makeRaw(master.get()))
        return fail("raw mode");
    UniqueFd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake)
        return fail("eventfd");
    master_ = std::move(master);
    terminalKeepAlive_ = std::move(terminal);
    wakeFd_ = std::move(wake);
    terminalPath_ = name;
    startDelivery();
    return true;
}

void PtyLine::hangUp()
{
    stopDelivery();
    log_.flush();
    master_.reset();
    terminalKeepAlive_.reset();
    input_.clear();
    arrivals_.clear();
}

void PtyLine::waitOutputTaken(std::chrono::milliseconds atMost) const
{
    // The kernel hands what the master side wrote to the terminal side a little later, so the
    // terminal side's queue may look empty at first.
    const auto start = std::chrono::steady_clock::now();
    const auto settled = start + std::min(atMost, std::chrono::milliseconds(50));
    int unread = 0;
    while (terminalKeepAlive_ && std::chrono::steady_clock::now() < start + atMost) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (std::chrono::steady_clock::now() >= settled &&
            (::ioctl(terminalKeepAlive_.get(), FIONREAD, &unread) != 0 || unread == 0))
            return;
    }
}

void PtyLine::wake()
{
    if (wakeFd_) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(wakeFd_.get(), &one, sizeof one);
    }
}

bool PtyLine::woken() const
{
    if (!wakeFd_)
        return false;
    pollfd p{wakeFd_.get(), POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

void PtyLine::clearWake()
{
    std::uint64_t value = 0;
    if (wakeFd_) [[maybe_unused]]
        const auto got = ::read(wakeFd_.get(), &value, sizeof value);
}

bool PtyLine::fillInput(Clock::time_point deadline)
{
    while (master_) {
        pollfd fds[2] = {{master_.get(), POLLIN, 0}, {wakeFd_.get(), POLLIN, 0}};
        const int ready = ::poll(fds, 2, pollTimeoutMs(deadline));
        if (ready < 0 && errno != EINTR)
            return false;
        if (fds[1].revents & POLLIN)
            return false;
        if (fds[0].revents & POLLIN) {
            std::uint8_t buffer[256];
            const auto got = ::read(master_.get(), buffer, sizeof buffer);
            if (got > 0) {
                // On the wire each byte follows the previous one by a byte time.
                auto at = std::max(Clock::now(), inputFreeAt_);
                for (ssize_t i = 0; i < got; ++i) {
                    at += byteTime_;
                    input_.push_back(buffer[i]);
                    arrivals_.push_back(at);
                }
                inputFreeAt_ = at;
                return true;
            }
        }
        // With our own terminal descriptor open the master never sees a hang-up; anything
        // else unexpected is only waited out, without spinning.
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (Clock::now() >= deadline)
            return false;
    }
    return false;
}

std::optional<std::uint8_t> PtyLine::readByte(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (input_.empty() && !fillInput(deadline))
            return std::nullopt;
        if (input_.empty())
            return std::nullopt;
        std::this_thread::sleep_until(arrivals_.front());
        std::uint8_t byte = input_.front();
        const auto arrival = arrivals_.front();
        input_.pop_front();
        arrivals_.pop_front();
        const auto fate = noise_ ? noise_->next(Faults::kNoiseReceived) : LineNoise::Fate::Pass;
        if (fate == LineNoise::Fate::Drop)
            continue;
        if (fate == LineNoise::Fate::Double) {
            input_.push_front(byte);
            arrivals_.push_front(arrival);
        } else if (fate == LineNoise::Fate::Flip) {
            byte = noise_->flip(byte);
        }
        const char c = static_cast<char>(byte);
        log_.record(ByteLog::Direction::Received, std::string_view(&c, 1));
        return byte;
    }
}

bool PtyLine::waitWritable(Clock::time_point deadline)
{
    pollfd fds[2] = {{master_.get(), POLLOUT, 0}, {wakeFd_.get(), POLLIN, 0}};
    const int ready = ::poll(fds, 2, pollTimeoutMs(deadline));
    if (ready < 0)
        return errno == EINTR;
    return !(fds[1].revents & POLLIN);
}

bool PtyLine::writeNow(const char* data, std::size_t count, const std::function<bool()>& giveUp)
{
    if (!delivery_.joinable())
        return deliver(data, count, giveUp, true);
    // On the wire now; the adapter hands it on later. The log records the wire.
    log_.record(ByteLog::Direction::Sent, std::string_view(data, count));
    {
        std::lock_guard lock(heldMutex_);
        if (held_.empty())
            heldSince_ = Clock::now();
        held_.append(data, count);
    }
    heldChanged_.notify_all();
    return true;
}

bool PtyLine::deliver(const char* data, std::size_t count, const std::function<bool()>& giveUp,
                      bool record)
{
    while (count > 0) {
        if (!master_)
            return false;
        const auto done = ::write(master_.get(), data, count);
        if (done > 0) {
            if (record)
                log_.record(ByteLog::Direction::Sent, std::string_view(data, done));
            data += done;
            count -= static_cast<std::size_t>(done);
            continue;
        }
        if (done < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        // The client is not reading: wait, but let stop() and the caller's own reasons through.
        if (!waitWritable(Clock::now() + std::chrono::milliseconds(50)) || (giveUp && giveUp()))
            return false;
    }
    return true;
}

bool PtyLine::write(std::string_view bytes, const std::function<bool()>& giveUp)
{
    if (!master_)
        return false;
    if (noise_ && noise_->active(Faults::kNoiseSent)) {
        const std::string noisy = noise_->apply(bytes, Faults::kNoiseSent);
        return writeClean(noisy, giveUp);
    }
    return writeClean(bytes, giveUp);
}

bool PtyLine::writeClean(std::string_view bytes, const std::function<bool()>& giveUp)
{
    if (byteTime_.count() == 0)
        return writeNow(bytes.data(), bytes.size(), giveUp);
    // Byte i is complete on the wire at start + (i + 1) byte times: write whatever is due at
    // each wake-up, so a late wake-up sends a small batch instead of drifting.
    const auto start = std::max(Clock::now(), outputFreeAt_);
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const auto now = Clock::now();
        const auto elapsed = now - start;
        const auto due = std::min<std::size_t>(bytes.size(), elapsed / byteTime_);
        if (due > sent) {
            if (!writeNow(bytes.data() + sent, due - sent, giveUp))
                return false;
            sent = due;
            continue;
        }
        if (woken())
            return false;
        std::this_thread::sleep_until(start + byteTime_ * static_cast<long>(sent + 1));
    }
    outputFreeAt_ = start + byteTime_ * static_cast<long>(bytes.size());
    return true;
}

} // namespace kora::sim
