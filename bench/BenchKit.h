#pragma once

// What the benchmarks share: the line's byte time, the XMODEM protocol bound, and console logs
// that throw away or time what they are shown.

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "link/ConsoleExchange.h"

namespace kora::bench {

using Clock = std::chrono::steady_clock;

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// The controller's line rate; 10 bits a byte on the wire (start, 8 data, stop).
inline constexpr unsigned kBaud = 57600;
inline constexpr double kByteSeconds = 10.0 / kBaud;

inline double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// The fastest an upload of `blocks` XMODEM blocks can go: each block is 132 bytes out and its
// ACK back on the wire, and the sender pauses 5 ms before the next.
inline double XmodemBound(std::size_t blocks)
{
    constexpr double kPauseSeconds = 0.005;
    return static_cast<double>(blocks) * ((132 + 1) * kByteSeconds + kPauseSeconds);
}

// The same without the pause: the bound of the fast upload, and of any XMODEM sender.
inline double XmodemUnpacedBound(std::size_t blocks)
{
    return static_cast<double>(blocks) * (132 + 1) * kByteSeconds;
}

class NullLog final : public ConsoleLog {
public:
    int lineCount() const override { return 0; }
    void clear() override {}
    void appendLine(const std::string&) override {}
};

// When each status line last appeared.
class StatusTimes final : public ConsoleLog {
public:
    int lineCount() const override { return static_cast<int>(times.size()); }
    void clear() override {}
    void appendLine(const std::string& text) override { times[text] = Clock::now(); }
    std::map<std::string, Clock::time_point> times;
};

} // namespace kora::bench
