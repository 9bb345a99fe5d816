#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "link/UniqueFd.h"
#include "sim/ByteLog.h"

namespace kora::sim {

class LineNoise;

// The line is emulated by sleeping until each byte is due. Linux may end such a sleep as late as
// the thread's timer slack (50 microseconds by default); a block and its answer take some 130
// sleeps, so the emulated line ran measurably slower than the wire it stands for. Each thread
// that paces the line calls this first.
void UsePreciseSleeps();

// The simulator's end of a pseudo-terminal, paced like a serial line: at a baud rate, a byte
// takes 10 bit times on the wire in each direction. Incoming bytes are handed out no earlier
// than they would have arrived; outgoing bytes are written on a steady_clock schedule, so the
// rate holds over long outputs however coarse the sleeps are. One thread uses it; wake() may
// be called from any thread to cut a wait short.
//
// With a USB latency the output reaches the client the way a USB serial adapter hands it on:
// bytes are held until the latency has passed since the first of them or a packet is full,
// then go out together (a thread of the line's own does the delivery).
class PtyLine {
public:
    static constexpr std::size_t kUsbPacketBytes = 64;

    PtyLine(unsigned baudRate, ByteLog& log,
            std::chrono::milliseconds usbLatency = std::chrono::milliseconds(0));
    ~PtyLine();
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    // Creates the pseudo-terminal, both sides raw. The simulator keeps the terminal side open
    // itself, so a client that closes it does not hang the line up.
    bool open(std::string* error);
    const std::string& terminalPath() const { return terminalPath_; }
    bool isOpen() const { return static_cast<bool>(master_); }
    // Closes both sides: the client sees the line hang up.
    void hangUp();
    // Waits until the client has read what was written, or atMost has passed: bytes already on
    // the wire arrive before a hang-up.
    void waitOutputTaken(std::chrono::milliseconds atMost) const;

    // The next received byte, or nothing when the wait ends first (time-out, wake(), hang-up).
    std::optional<std::uint8_t> readByte(std::chrono::milliseconds timeout);
    // Writes every byte at the line rate. Gives up (false) when woken, on a line error, or
    // when giveUp() says so while a client that does not read keeps the line full.
    bool write(std::string_view bytes, const std::function<bool()>& giveUp = {});
    // Line noise for both directions (not owned; nothing: a clean line). Set before use.
    void setNoise(LineNoise* noise) { noise_ = noise; }

    // Makes a running readByte/write return promptly; used by stop().
    void wake();
    // Whether wake() was called since the last clearWake().
    bool woken() const;
    void clearWake();

private:
    bool fillInput(std::chrono::steady_clock::time_point deadline);
    bool waitWritable(std::chrono::steady_clock::time_point deadline);
    bool writeClean(std::string_view bytes, const std::function<bool()>& giveUp);
    bool writeNow(const char* data, std::size_t count, const std::function<bool()>& giveUp);
    bool deliver(const char* data, std::size_t count, const std::function<bool()>& giveUp,
                 bool record);
    void startDelivery();
    void stopDelivery();
    void deliverHeld();

    std::chrono::nanoseconds byteTime_;
    ByteLog& log_;
    UniqueFd master_;
    UniqueFd terminalKeepAlive_;
    UniqueFd wakeFd_; // eventfd
    std::string terminalPath_;
    LineNoise* noise_ = nullptr;
    std::deque<std::uint8_t> input_;
    std::chrono::steady_clock::time_point inputFreeAt_{};
    std::deque<std::chrono::steady_clock::time_point> arrivals_;
    std::chrono::steady_clock::time_point outputFreeAt_{};

    // The adapter's side (USB latency only): bytes held for the next packet.
    std::chrono::milliseconds usbLatency_;
    std::thread delivery_;
    std::mutex heldMutex_;
    std::condition_variable heldChanged_;
    std::string held_;
    std::chrono::steady_clock::time_point heldSince_{};
    std::atomic<bool> stopDelivery_{false};
};

} // namespace kora::sim
