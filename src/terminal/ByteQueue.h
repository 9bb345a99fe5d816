#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace kora {

// The ring between the terminal's receive thread and its output thread. It never grows: when
// the printer falls behind, the oldest unread byte gives way to the newest, so the pane always
// shows the most recent output. Push and Pop hold the lock for a few assignments only and
// never allocate.
class ByteQueue {
public:
    static constexpr std::size_t kSlots = 4096;
    // Read position equal to write position means empty, so one slot always stays free.
    static constexpr std::size_t kCapacity = kSlots - 1;

    ByteQueue() = default;
    ByteQueue(const ByteQueue&) = delete;
    ByteQueue& operator=(const ByteQueue&) = delete;

    // Always succeeds; when the ring is full the oldest unread byte is discarded.
    bool Push(std::uint8_t byte);
    // The oldest unread byte, or false when the queue is empty.
    bool Pop(std::uint8_t& byte);
    // Unread bytes right now.
    std::size_t Size() const;

private:
    static std::size_t Next(std::size_t slot) { return (slot + 1) % kSlots; }

    mutable std::mutex lock_;
    std::array<std::uint8_t, kSlots> slots_{};
    std::size_t readPosition_ = 0;
    std::size_t writePosition_ = 0;
};

} // namespace kora
