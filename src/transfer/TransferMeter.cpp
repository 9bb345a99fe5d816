#include "transfer/TransferMeter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kora {

namespace {

// A rate over less time than this jumps about too much to be worth showing.
constexpr std::chrono::milliseconds kRateSettle(250);

std::string Format(const char* format, double value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string AmountText(double bytes)
{
    if (bytes < 1024) {
        return Format("%.0f bytes", bytes);
    }
    if (bytes < 1024.0 * 1024.0) {
        return Format("%.1f KB", bytes / 1024.0);
    }
    return Format("%.1f MB", bytes / (1024.0 * 1024.0));
}

} // namespace

void TransferMeter::start(std::uint64_t fileBytes)
{
    fileBytes_ = fileBytes;
    firstData_.reset();
}

TransferMeter::Reading TransferMeter::read(int percent, Clock::time_point now)
{
    Reading reading;
    reading.fileBytes = fileBytes_;
    const auto share = static_cast<std::uint64_t>(std::clamp(percent, 0, 100));
    // The share of a file beyond 2^57 bytes would overflow; such a file is its own share.
    reading.bytesSent =
        fileBytes_ > UINT64_MAX / 100 ? fileBytes_ / 100 * share : fileBytes_ * share / 100;
    if (reading.bytesSent == 0) {
        return reading;
    }
    if (!firstData_) {
        firstData_.emplace(reading.bytesSent, now);
        return reading;
    }
    const auto [firstBytes, firstTime] = *firstData_;
    const auto elapsed = now - firstTime;
    if (elapsed < kRateSettle || reading.bytesSent <= firstBytes) {
        return reading;
    }
    const double rate = static_cast<double>(reading.bytesSent - firstBytes) /
                        std::chrono::duration<double>(elapsed).count();
    reading.bytesPerSecond = rate;
    const double left = static_cast<double>(fileBytes_ - reading.bytesSent) / rate;
    reading.timeLeft = std::chrono::seconds(static_cast<std::int64_t>(std::ceil(left)));
    return reading;
}

std::string TransferMeter::SentText(const Reading& reading)
{
    return AmountText(static_cast<double>(reading.bytesSent)) + " of " +
           AmountText(static_cast<double>(reading.fileBytes));
}

std::string TransferMeter::RateText(const Reading& reading)
{
    if (!reading.bytesPerSecond) {
        return {};
    }
    return AmountText(*reading.bytesPerSecond) + "/s";
}

std::string TransferMeter::TimeLeftText(const Reading& reading)
{
    if (!reading.timeLeft) {
        return {};
    }
    const auto total = reading.timeLeft->count();
    const auto hours = total / 3600;
    const auto minutes = total / 60 % 60;
    const auto seconds = total % 60;
    char text[32];
    if (hours > 0) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(hours),
                      static_cast<long long>(minutes), static_cast<long long>(seconds));
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(minutes),
                      static_cast<long long>(seconds));
    }
    return text;
}

} // namespace kora
