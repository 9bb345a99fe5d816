#include "terminal/ByteQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace kora {
namespace {

std::vector<std::uint8_t> Drain(ByteQueue& queue)
{
    std::vector<std::uint8_t> bytes;
    std::uint8_t byte = 0;
    while (queue.Pop(byte)) {
        bytes.push_back(byte);
    }
    return bytes;
}

TEST(ByteQueue, DeliversInOrderAndReportsEmpty)
{
    ByteQueue queue;
    std::uint8_t byte = 0xAA;
    EXPECT_FALSE(queue.Pop(byte));
    EXPECT_EQ(byte, 0xAA);

    for (std::uint8_t b : {1, 2, 3}) {
        EXPECT_TRUE(queue.Push(b));
    }
    EXPECT_EQ(Drain(queue), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(queue.Pop(byte));
}

TEST(ByteQueue, StoppedConsumerKeepsTheNewest4095InOrder)
{
    ByteQueue queue;
    for (int i = 0; i < 6000; ++i) {
        queue.Push(static_cast<std::uint8_t>(i % 251));
    }
    const auto bytes = Drain(queue);
    ASSERT_EQ(bytes.size(), 4095u);
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        ASSERT_EQ(bytes[k], static_cast<std::uint8_t>((6000 - 4095 + k) % 251)) << k;
    }
}

TEST(ByteQueue, FillsToCapacityExactlyAfterWrapping)
{
    ByteQueue queue;
    // Move both positions off the first slot so the full ring straddles the end.
    for (int i = 0; i < 3000; ++i) {
        queue.Push(0);
    }
    Drain(queue);
    for (int i = 0; i < 4095; ++i) {
        queue.Push(static_cast<std::uint8_t>(i % 256));
        if (i == 1500) {
            EXPECT_EQ(queue.Size(), 1501u) << "the write position has wrapped past the read one";
        }
    }
    EXPECT_EQ(queue.Size(), 4095u);
    auto bytes = Drain(queue);
    ASSERT_EQ(bytes.size(), 4095u);
    EXPECT_EQ(bytes.front(), 0);
    EXPECT_EQ(bytes.back(), static_cast<std::uint8_t>(4094 % 256));

    // One more than capacity loses exactly the oldest byte.
    for (int i = 0; i < 4096; ++i) {
        queue.Push(static_cast<std::uint8_t>(i % 256));
    }
    bytes = Drain(queue);
    ASSERT_EQ(bytes.size(), 4095u);
    EXPECT_EQ(bytes.front(), 1);
}

TEST(ByteQueue, ConcurrentPushAndPopKeepOrder)
{
    ByteQueue queue;
    constexpr int kBytes = 200000;
    std::atomic<bool> producerDone{false};
    std::thread producer([&] {
        for (int i = 0; i < kBytes; ++i) {
            queue.Push(static_cast<std::uint8_t>(i % 256));
            if (i % 1024 == 0) {
                std::this_thread::yield();
            }
        }
        producerDone = true;
    });

    // Bytes may be dropped when the consumer falls behind, but the lock keeps the positions
    // consistent: nothing is invented, and the last byte out is the last byte pushed.
    int popped = 0;
    std::uint8_t last = 0;
    std::uint8_t byte = 0;
    for (;;) {
        const bool done = producerDone.load();
        if (queue.Pop(byte)) {
            ++popped;
            last = byte;
        } else if (done) {
            break;
        }
    }
    producer.join();
    EXPECT_GT(popped, 0);
    EXPECT_LE(popped, kBytes);
    EXPECT_EQ(last, static_cast<std::uint8_t>((kBytes - 1) % 256));
}

} // namespace
} // namespace kora
