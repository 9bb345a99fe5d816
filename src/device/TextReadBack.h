#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "device/DeviceListing.h"
#include "link/ConsoleExchange.h"

namespace kora {

// Reading a file of D: back over the console. The console's "type NAME" prints a file; that is
// exact for a text file and useless for a binary one ("type" stops at Ctrl-Z, a zero byte means
// nothing to a text console), so a file is read back only when its output can be proven to be
// the file: every byte accounted for against the size the listing gives.

// The refusal of a file whose output is not provably its bytes.
std::string NotExactTextMessage(const std::string& name);

// The file's bytes from what "type" printed, or nothing when the output cannot be proven to be
// them. `output` is every byte the console sent after the echo of the command's carriage
// return, up to the prompt: the line feed that ends the command line, the file as printed, the
// line end the console adds after a file that does not end in one, and its own line end before
// the prompt. Exact when, without those, the count equals the listed size, with no Ctrl-Z or
// zero byte in it and not the console's "File not found" line.
std::optional<std::string> ExactTypeContent(std::string_view output, std::uint64_t listedSize);

// What one reading collected: the file's bytes once proven.
struct TextReadBack {
    std::optional<std::string> content;
};

// "type" + name in the device directory `path`, after the confirmed position steps
// (InDeviceDirectory). Its output is read byte by byte up to the prompt (a line loop would drop
// zero bytes and cut long lines) and judged against `listedSize`: output that is not the file
// fails with NotExactTextMessage, output cut short (no prompt) as incomplete; both are read
// once more first, since noise may have spoilt the reading. The console is always read to its
// prompt, also past a reading already known to be wrong, so the next exchange finds it there.
// `into` must outlive every run of the returned operation.
DeviceOperation TypeTextFileOperation(const std::string& path, const std::string& name,
                                      std::uint64_t listedSize, TextReadBack& into);

// One file read back.
struct TextFileReading {
    std::optional<std::string> content; // the file's bytes when proven exact
    std::string message;                // why not, otherwise
    // The refusal concerns this file only (not exact, not found, cut short): other files can
    // still be read. Otherwise the exchange itself failed (port, echo, position).
    bool fileRefused = false;
};

// Reads the listed file `name` of `path` back.
TextFileReading ReadDeviceTextFile(const DeviceOperationRunner& run, const std::string& path,
                                   const std::string& name, std::uint64_t listedSize);

} // namespace kora
