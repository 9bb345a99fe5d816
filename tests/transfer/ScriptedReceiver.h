#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/PtyPair.h"

namespace kora::test {

// A console with an XMODEM receiver whose every answer the test decides: it echoes the start
// command, invites the sender, answers each block and each EOT as scripted and records every
// byte it gets after the command.
class ScriptedReceiver {
public:
    using Frame = std::vector<std::uint8_t>;

    struct Script {
        // Echo each command byte; wrongEchoAt (1-based) echoes that byte changed and stops.
        bool echo = true;
        int wrongEchoAt = 0;
        // Echo that byte (1-based) twice, as a console that took it twice off a noisy line.
        int doubleEchoAt = 0;
        // Sent right after the echoed CR, as a console sends the LF of its line end.
        std::string afterEcho = "\n";
        // The invitation, repeated at this interval until a block arrives; 0 = never.
        std::uint8_t invite = 0x15;
        std::chrono::milliseconds inviteEvery{1000};
        // The answer to the n-th frame received (retransmissions count), 0-based.
        std::function<std::string(std::size_t index, const Frame& frame)> answerFrame;
        // The answer to the n-th EOT, 1-based.
        std::function<std::string(int index)> answerEot;
        std::string afterEot = "\r\nFile received\r\nD:\\>";
        std::string afterCancel = "\r\nTransfer cancelled by sender\r\nD:\\>";
    };

    ScriptedReceiver(PtyPair& line, Script script);
    ~ScriptedReceiver();
    ScriptedReceiver(const ScriptedReceiver&) = delete;
    ScriptedReceiver& operator=(const ScriptedReceiver&) = delete;

    void stop();

    std::string command() const;
    std::vector<Frame> frames() const;
    // Every byte after the command, frames included.
    std::vector<std::uint8_t> received() const;
    int eotCount() const;
    std::size_t frameCount() const { return frameCount_.load(); }

private:
    void run();
    bool takeCommand();
    void handleFrame();
    void record(std::uint8_t byte);

    PtyPair& line_;
    Script script_;
    std::atomic<bool> stop_{false};
    std::atomic<std::size_t> frameCount_{0};
    mutable std::mutex mutex_;
    std::string command_;
    std::vector<Frame> frames_;
    std::vector<std::uint8_t> received_;
    int eots_ = 0;
    std::thread thread_;
};

} // namespace kora::test
