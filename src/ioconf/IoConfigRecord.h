#pragma once

#include <cstddef>

// The layout of a record line of the I/O configuration read-out, which both its parser
// (IoConfigText) and its structure check (ReadOutCheck) read.
namespace kora::iorecord {

// Shorter lines (line end counted) are never records.
inline constexpr std::size_t kShortestRecord = 10;

// Fixed columns of the fields.
inline constexpr std::size_t kNodeAt = 22, kNodeWidth = 3;
inline constexpr std::size_t kSlotAt = 5, kSlotWidth = 1;
inline constexpr std::size_t kTypeAt = 7, kTypeWidth = 2;
inline constexpr std::size_t kCountAt = 10, kCountWidth = 2;
inline constexpr std::size_t kChannelAt = 0, kChannelWidth = 1;
inline constexpr std::size_t kRangeAt = 2, kRangeWidth = 2;

} // namespace kora::iorecord
