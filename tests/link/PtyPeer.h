#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "support/PtyPair.h"

namespace kora::test {

// The controller's end of a real pseudo-terminal. The port under test opens devicePath();
// a script plays the controller in a thread of its own, and every byte the port wrote is kept.
class PtyPeer {
public:
    PtyPeer();
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    const std::string& devicePath() const { return pair_.slavePath(); }
    // A descriptor of the port's own side, open all along: the line's settings read through it
    // are those the port under test leaves.
    int terminalFd() const { return pair_.slaveFd(); }

    // Runs the script in the peer thread; join() waits for it, finish() first makes every
    // receive return nothing so that a waiting script ends at once.
    void run(std::function<void(PtyPeer&)> script);
    void join();
    void finish();

    // For the script (or the test thread while no script runs).
    void send(std::string_view bytes);
    std::optional<std::uint8_t> receiveByte(std::chrono::milliseconds timeout);
    void hangUp(); // closes the master: the port sees an unplugged line

    // A console: echoes each byte through echo (nothing = no echo; a backspace on an empty line
    // is neither echoed nor counted, as on DOS); after a CR sends
    // reply(line typed). Ends when nothing arrived for idle.
    using Echo = std::function<std::optional<std::uint8_t>(std::uint8_t byte, std::size_t index)>;
    void console(const std::function<std::string(const std::string&)>& reply,
                 std::chrono::milliseconds idle, const Echo& echo = {});

    // The bytes the port wrote since the last run() began.
    std::string received() const;

private:
    PtyPair pair_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::string received_;
};

} // namespace kora::test
