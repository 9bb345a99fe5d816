#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kora::sim {

class DosFileSystem;
struct Faults;

// The controller's end of the serial line, as a console command sees it. Output is paced at
// the simulator's baud rate and written to the byte log.
class ConsoleIo {
public:
    virtual ~ConsoleIo() = default;
    virtual void write(std::string_view bytes) = 0;
    // One output line, ended with CR LF as the controller's DOS does.
    void writeLine(std::string_view text)
    {
        write(text);
        write("\r\n");
    }
    // One byte from the line, or nothing after the time-out (or when the simulator stops).
    virtual std::optional<std::uint8_t> readByte(std::chrono::milliseconds timeout) = 0;
    // True once the simulator is shutting down: a long-running command returns promptly.
    virtual bool stopRequested() const = 0;
};

// Everything a command may touch. The command word has been split off; arguments hold the
// rest of the line as typed (leading blanks removed, no CR).
struct CommandContext {
    ConsoleIo& io;
    DosFileSystem& fs;
    Faults& faults;
    std::string commandWord; // as typed, e.g. "C:\transfer" or "dir/s"
    std::string arguments;
};

// A console command. It prints its output through io; the console prints the prompt after
// it returns.
using CommandHandler = std::function<void(CommandContext&)>;

} // namespace kora::sim
