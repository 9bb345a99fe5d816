#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace kora {

// What the transfer dialog shows of the file being sent besides its progress bar: the bytes
// acknowledged so far, the rate and the time left. The worker publishes a whole percentage
// only, so the bytes are that share of the file's size (exact to one per cent, which is all a
// moving figure needs). The rate is taken from the first acknowledged data on, so the start
// command and the wait for the receiver do not drag it down.
class TransferMeter {
public:
    using Clock = std::chrono::steady_clock;

    struct Reading {
        std::uint64_t bytesSent = 0;
        std::uint64_t fileBytes = 0;
        std::optional<double> bytesPerSecond; // none until data has flowed for a while
        std::optional<std::chrono::seconds> timeLeft;
    };

    // A new file of that size starts.
    void start(std::uint64_t fileBytes);
    // The worker reports percent (0-100) acknowledged.
    Reading read(int percent, Clock::time_point now);

    // "12.0 KB of 16.0 KB"
    static std::string SentText(const Reading& reading);
    // "5.2 KB/s"; empty while the rate is unknown.
    static std::string RateText(const Reading& reading);
    // "0:03" (minutes:seconds, hours in front when needed); empty while it is unknown.
    static std::string TimeLeftText(const Reading& reading);

private:
    std::uint64_t fileBytes_ = 0;
    // The first reading that showed data: the rate counts from there.
    std::optional<std::pair<std::uint64_t, Clock::time_point>> firstData_;
};

} // namespace kora
