#include "PtyPeer.h"

#include <algorithm>
#include <stdexcept>

namespace kora::test {

PtyPeer::PtyPeer()
{
    if (!pair_.ok()) {
        throw std::runtime_error("no pseudo-terminal");
    }
}

PtyPeer::~PtyPeer()
{
    stop_ = true;
    join();
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
    if (pair_.masterFd() >= 0) {
        WriteAll(pair_.masterFd(), bytes);
    }
}

std::optional<std::uint8_t> PtyPeer::receiveByte(std::chrono::milliseconds timeout)
{
    using namespace std::chrono;
    // Short slices, so that finish() ends a long wait at once.
    const auto deadline = steady_clock::now() + timeout;
    while (!stop_ && pair_.masterFd() >= 0 && steady_clock::now() < deadline) {
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now());
        if (const auto byte = ReadByteWithin(pair_.masterFd(), std::min(left, 10ms))) {
            std::lock_guard lock(mutex_);
            received_.push_back(static_cast<char>(*byte));
            return byte;
        }
    }
    return std::nullopt;
}

void PtyPeer::hangUp()
{
    pair_.hangUp();
}

void PtyPeer::console(const std::function<std::string(const std::string&)>& reply,
                      std::chrono::milliseconds idle, const Echo& echo)
{
    std::string line;
    std::size_t index = 0;
    while (std::optional<std::uint8_t> byte = receiveByte(idle)) {
        if (*byte == '\b' && line.empty()) {
            continue; // as on a DOS console: a backspace on an empty line does nothing
        }
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
