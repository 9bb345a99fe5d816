#include "sim/ByteLog.h"

#include <cstdio>

namespace kora::sim {

namespace {
constexpr std::size_t kBurstLimit = 64;
}

ByteLog::~ByteLog()
{
    flush();
}

bool ByteLog::open(const std::filesystem::path& path)
{
    if (path.empty())
        return true;
    out_.open(path, std::ios::out | std::ios::trunc);
    start_ = std::chrono::steady_clock::now();
    return out_.is_open();
}

std::string ByteLog::escape(std::string_view bytes)
{
    std::string text;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        switch (b) {
        case '\r':
            text += "\\r";
            break;
        case '\n':
            text += "\\n";
            break;
        case '\t':
            text += "\\t";
            break;
        case '\\':
            text += "\\\\";
            break;
        default:
            if (b >= 0x20 && b < 0x7f) {
                text += c;
            } else {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", b);
                text += hex;
            }
        }
    }
    return text;
}

void ByteLog::record(Direction direction, std::string_view bytes)
{
    if (!out_.is_open())
        return;
    for (const char c : bytes) {
        if (!pending_.empty() && direction != direction_)
            flush();
        if (pending_.empty()) {
            direction_ = direction;
            burstStart_ = std::chrono::steady_clock::now();
        }
        pending_ += c;
        if (c == '\n' || pending_.size() >= kBurstLimit)
            flush();
    }
}

void ByteLog::flush()
{
    if (!out_.is_open() || pending_.empty())
        return;
    const double seconds = std::chrono::duration<double>(burstStart_ - start_).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%10.3f %s ", seconds,
                  direction_ == Direction::Received ? "RX" : "TX");
    out_ << stamp << escape(pending_) << '\n';
    out_.flush();
    pending_.clear();
}

} // namespace kora::sim
