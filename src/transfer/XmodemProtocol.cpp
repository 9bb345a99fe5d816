#include "transfer/XmodemProtocol.h"

#include <algorithm>

namespace kora::xmodem {

std::uint8_t Checksum(std::span<const std::uint8_t> data)
{
    std::uint8_t sum = 0;
    for (std::uint8_t byte : data) {
        sum = static_cast<std::uint8_t>(sum + byte);
    }
    return sum;
}

Block BuildBlock(std::uint32_t blockNumber, std::span<const std::uint8_t> data,
                 std::uint8_t padding)
{
    const auto payload = data.first(std::min(data.size(), kDataSize));
    const auto number = static_cast<std::uint8_t>(blockNumber & 0xFF);

    Block block{};
    block[0] = SOH;
    block[1] = number;
    block[2] = static_cast<std::uint8_t>(0xFF - number);
    const auto dataStart = block.begin() + 3;
    std::fill(std::copy(payload.begin(), payload.end(), dataStart), dataStart + kDataSize, padding);
    block[kBlockSize - 1] = Checksum(std::span<const std::uint8_t>(&block[3], kDataSize));
    return block;
}

std::int32_t PercentAcknowledged(std::uint64_t acknowledged, std::uint64_t length)
{
    if (length == 0) {
        return 0;
    }
    const std::uint64_t percent = std::min<std::uint64_t>(acknowledged * 100 / length, 100);
    return static_cast<std::int32_t>(percent);
}

} // namespace kora::xmodem
