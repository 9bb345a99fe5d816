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
//
// Consoles frame the output differently: some print a line end of their own before the prompt,
// some do not, and some add one after a last line that has none. None of that is assumed: the
// file is the first `size` bytes printed, and what follows may only be such line ends.

// What the bytes "type" printed prove about the file.
enum class TypedFile {
    Exact,         // every byte of the file, printed
    ZeroPadding,   // its text, then the zero bytes an upload filled its last 128-byte block with
    EndOfFileMark, // its text, then DOS's end-of-file mark (Ctrl-Z) up to its end
    Binary,        // a zero byte or a Ctrl-Z among the bytes printed: not a text file
    NotExact,      // the bytes printed do not add up to the listed size
};

struct TypeOutputReading {
    TypedFile kind = TypedFile::NotExact;
    std::string text; // the file's text: Exact, ZeroPadding and EndOfFileMark
    // The mark was not printed ("type" stops at it) but told by the count, one byte short: a
    // byte lost on the line looks the same, so the reading must come out the same twice.
    bool markInferred = false;
};

// Judges what "type" printed: `output` is every byte the console sent after the echo of the
// command's carriage return up to its prompt (the prompt not included): the line feed that
// ends the command line, the file as printed, and the console's own line ends.
//
// The file is the first `listedSize` bytes, followed by no more than the console's line ends:
// a CR LF before the prompt, or none; after a last line without a line feed one more CR LF may
// come. Those bytes are the file when they hold no zero byte and no Ctrl-Z; a text followed by
// Ctrl-Z alone, or by fewer than 128 zero bytes in a size of whole 128-byte blocks (an
// upload's padding), is that text. "type" stops at a Ctrl-Z: bytes one short of the size, with
// the same framing after them, are a text ended by the mark, its last byte.
TypeOutputReading JudgeTypeOutput(std::string_view output, std::uint64_t listedSize);

// The refusal of a file whose output shows it is not text (a zero byte or a Ctrl-Z in it).
std::string NotExactTextMessage(const std::string& name);
// The refusal of a file whose output did not add up to its size, twice.
std::string NotExactReadingMessage(const std::string& name);

// What one reading collected, across both readings of its step.
struct TextReadBack {
    std::optional<TypeOutputReading> reading; // once proven
    std::optional<std::string> unconfirmed;   // the text of a first reading that inferred its mark
};

// "type" + name in the device directory `path`, after the confirmed position steps
// (InDeviceDirectory). Its output is read byte by byte up to the prompt (a line loop would drop
// zero bytes and cut long lines) and judged against `listedSize`: output that is not the file
// fails with NotExactTextMessage or NotExactReadingMessage, output cut short (no prompt) as
// incomplete; all are read once more first, since noise may have spoilt the reading, and a
// reading that inferred its end-of-file mark is read once more to confirm it. The console is
// always read to its prompt, also past a reading already known to be wrong, so the next
// exchange finds it there. `into` must outlive every run of the returned operation.
DeviceOperation TypeTextFileOperation(const std::string& path, const std::string& name,
                                      std::uint64_t listedSize, TextReadBack& into);

// Why a file was not read back.
enum class ReadBackRefusal {
    None,
    NotText,    // binary: cannot be read over the console
    NotExact,   // read twice, not exact
    NotFound,   // gone since it was listed
    Incomplete, // the console did not finish printing it
    Exchange,   // the exchange itself failed (port, echo, position): nothing more can be read
};

// One file read back.
struct TextFileReading {
    std::optional<std::string> content; // the file's text when proven
    TypedFile kind = TypedFile::NotExact;
    std::uint64_t listedSize = 0;
    std::string message; // why not, otherwise
    ReadBackRefusal refusal = ReadBackRefusal::None;
    // The refusal concerns this file only: other files can still be read.
    bool fileRefused() const
    {
        return refusal != ReadBackRefusal::None && refusal != ReadBackRefusal::Exchange;
    }
};

// Reads the listed file `name` of `path` back.
TextFileReading ReadDeviceTextFile(const DeviceOperationRunner& run, const std::string& path,
                                   const std::string& name, std::uint64_t listedSize);

// For a reading that kept the text without the file's padding or end-of-file mark, what was
// kept: "18 of 128 bytes, the text before the zero padding of an upload". Empty for a file
// read whole.
std::string KeptTextNote(const TextFileReading& reading);

// The reason of a refusal in a list of files not copied: "binary: cannot be read over the
// console", "read twice, not exact", ...
std::string RefusalReason(ReadBackRefusal refusal);

} // namespace kora
