#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kora::xmodem {

inline constexpr std::uint8_t SOH = 0x01;
inline constexpr std::uint8_t EOT = 0x04;
inline constexpr std::uint8_t ACK = 0x06;
inline constexpr std::uint8_t NAK = 0x15;
inline constexpr std::uint8_t CAN = 0x18;

inline constexpr std::size_t kDataSize = 128;
inline constexpr std::size_t kBlockSize = 3 + kDataSize + 1;
inline constexpr std::uint8_t BS = 0x08;

// The receiver gives up on this many CAN bytes in a row.
inline constexpr std::size_t kCancelLength = 5;
// The cancel sequence: the CAN bytes, then as many backspaces. A receiver that is not running
// (or quits before the last CAN) leaves the rest to the console, whose line buffer the
// backspaces empty again, so the next command is not typed after a row of CAN characters.
inline constexpr std::size_t kCancelSequenceLength = 2 * kCancelLength;

constexpr std::array<std::uint8_t, kCancelSequenceLength> CancelSequence()
{
    std::array<std::uint8_t, kCancelSequenceLength> sequence{};
    for (std::size_t i = 0; i < kCancelSequenceLength; ++i) {
        sequence[i] = i < kCancelLength ? CAN : BS;
    }
    return sequence;
}

// One block as it goes on the wire: SOH, number, complement, 128 data bytes, checksum.
using Block = std::array<std::uint8_t, kBlockSize>;

// The low 8 bits of the sum of the bytes.
std::uint8_t Checksum(std::span<const std::uint8_t> data);

// Builds the block for the given running block number (1 for the first block; only the low 8
// bits go on the wire). Data shorter than 128 bytes is filled up with `padding` (zero bytes, or
// Ctrl-Z for a text file: transfer/UploadPadding), which the checksum covers as the data. At
// most 128 bytes of data are taken.
Block BuildBlock(std::uint32_t blockNumber, std::span<const std::uint8_t> data,
                 std::uint8_t padding = 0x00);

// The share of the file acknowledged, 0 to 100, for the progress bar. The product is taken in
// 64 bits (files above about 42 MB overflow 32), and a file that grew while it was sent does
// not push the share past 100. An empty file counts as nothing acknowledged.
std::int32_t PercentAcknowledged(std::uint64_t acknowledged, std::uint64_t length);

} // namespace kora::xmodem
