#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace kora::test {

// A pseudo-terminal standing in for the controller's end of the serial line. The slave side is
// put in raw mode and kept open here, so the port under test can close and reopen it without
// the line's settings or pending input going away.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    // The device path the port under test opens.
    const std::string& SlavePath() const { return slavePath_; }
    // What the controller sends.
    void Write(std::string_view bytes);
    // What the controller received: everything that arrives until `quiet` passes without a
    // byte or `limit` passes in all.
    std::string ReadUntilQuiet(std::chrono::milliseconds quiet,
                               std::chrono::milliseconds limit = std::chrono::seconds(2));

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

} // namespace kora::test
