#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/UniqueFd.h"

namespace kora::test {

// A fresh pseudo-terminal in raw mode. The test plays the far end of the line on the master;
// the code under test opens slavePath() as its serial port. A slave descriptor stays open for
// the pair's lifetime so the master never sees a hang-up between two opens, and the line's
// settings and pending input outlast a close and reopen by the port.
class PtyPair {
public:
    PtyPair();

    bool ok() const { return master_ && slave_; }
    int masterFd() const { return master_.get(); }
    int slaveFd() const { return slave_.get(); }
    const std::string& slavePath() const { return slavePath_; }

    // Master side: one byte, or nothing after the time-out.
    std::optional<std::uint8_t> readByte(std::chrono::milliseconds timeout);
    // Master side: exactly count bytes, each within the time-out of the one before.
    std::optional<std::vector<std::uint8_t>> readExact(std::size_t count,
                                                       std::chrono::milliseconds timeout);
    // Master side: everything that arrives until `quiet` passes without a byte or `limit`
    // passes in all.
    std::string readUntilQuiet(std::chrono::milliseconds quiet,
                               std::chrono::milliseconds limit = std::chrono::seconds(2));
    void write(std::string_view bytes);
    void write(std::uint8_t byte) { write(std::string_view(reinterpret_cast<char*>(&byte), 1)); }

    // Closes both ends: the port under test sees an unplugged line.
    void hangUp();

private:
    UniqueFd master_;
    UniqueFd slave_;
    std::string slavePath_;
};

// Waits for a byte on a descriptor; nothing after the time-out, on end of file or an error.
std::optional<std::uint8_t> ReadByteWithin(int fd, std::chrono::milliseconds timeout);
// Writes all bytes, retrying on EAGAIN and EINTR.
bool WriteAll(int fd, std::string_view bytes);
// Puts a terminal into raw mode; false when it is no terminal.
bool MakeRaw(int fd);
// Types a command as a terminal program would, each byte's echo checked within two seconds.
bool TypeWithEcho(int fd, const std::string& command);

} // namespace kora::test
