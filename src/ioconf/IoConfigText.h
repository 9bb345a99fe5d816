#pragma once

#include <cstdint>
#include <string>

#include <QString>

#include "ioconf/IoConfigTable.h"

namespace kora {

// Where the parser stands between two lines. The caller starts at kParseIdle.
inline constexpr std::int32_t kParseIdle = -1;    // outside any slot
inline constexpr std::int32_t kParseEnded = -100; // after the end record
// 0..9: the slot whose header opened it (only 0..3 take channel records).

// Reads one console line of the configuration read-out into the table. The line comes as read,
// line end included. Fields sit at fixed columns; markers are found anywhere in the line;
// lines shorter than 10 characters and lines outside a slot are console noise and change
// nothing.
void ParseIOConfig(IoConfigTable& table, std::int32_t& state, const std::string& line);

// The configuration file's text: start record, four slot blocks, end record, each record
// ended by a line feed alone.
std::string FormatIOConfig(const IoConfigTable& table);

// Writes the text to path in one piece: the old file is replaced only once the new one is
// complete, so a failed or interrupted write leaves what was there. False when the file could
// not be written.
bool CreateIOConfig(const IoConfigTable& table, const QString& path);

} // namespace kora
