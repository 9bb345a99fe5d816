#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace kora::sim {

// A readable record of the line in both directions. Each burst of bytes in one direction
// becomes one text line with the time since start:
//     12.345 RX dir\r
//     12.347 TX dir\r\n
// Printable ASCII stands for itself; CR, LF, TAB and backslash are escaped C-style and every
// other byte is written as \xHH. A burst is cut at LF and after 64 bytes.
class ByteLog {
public:
    enum class Direction { Received, Sent };

    ByteLog() = default;
    ~ByteLog();
    ByteLog(const ByteLog&) = delete;
    ByteLog& operator=(const ByteLog&) = delete;

    // An empty path keeps the log closed; record() then does nothing.
    bool open(const std::filesystem::path& path);
    bool isOpen() const { return out_.is_open(); }
    void record(Direction direction, std::string_view bytes);
    void flush();

    static std::string escape(std::string_view bytes);

private:
    std::ofstream out_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point burstStart_;
    Direction direction_ = Direction::Received;
    std::string pending_;
};

} // namespace kora::sim
