#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kora {

// XMODEM sends whole 128-byte blocks, so the controller keeps a file with its last block
// filled up. Zero bytes are no end for DOS: COMMAND.COM runs them as a line of a batch file
// ("Bad command or file name"), and programs read them as text. DOS takes Ctrl-Z (0x1A) for the
// end of a text file: COMMAND.COM, "type" and DOS programs stop there. So a text file is
// filled with Ctrl-Z, every other file with zero bytes, which a program that knows its own
// length never looks at.

inline constexpr std::uint8_t kZeroPadding = 0x00;
inline constexpr std::uint8_t kEndOfFilePadding = 0x1A;

// What a file's bytes say about it, gathered chunk by chunk as it is read.
struct TextContent {
    // Nothing but printable characters (the code page's upper half included), tabs, form
    // feeds, line ends and Ctrl-Z.
    bool printable = true;
    bool lineEnd = false; // at least one CR or LF

    void add(std::span<const std::uint8_t> bytes);
    // Text: printable, with line ends.
    bool text() const { return printable && lineEnd; }
};

// Whether the controller's name marks a text file: a batch, INI, configuration, text, log, ...
bool IsTextFileName(std::string_view deviceName);

// The byte that fills the last block of the file sent as `deviceName` with that content: Ctrl-Z
// for a text file by its name or its content, else zero.
std::uint8_t PaddingFor(std::string_view deviceName, const TextContent& content);

// The same for a PC file, read whole; zero when it cannot be read (the upload then fails on
// its own).
std::uint8_t PaddingForFile(const std::string& localPath, std::string_view deviceName);

} // namespace kora
