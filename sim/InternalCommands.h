#pragma once

#include <optional>
#include <string>

#include "sim/SimCommand.h"

namespace kora::sim {

// A command the console knows itself (cd, dir, md ...), recognised like DOS does even when
// the argument follows without a blank: "cd\BIN", "dir/s", "cd..".
struct InternalCommandMatch {
    std::string commandWord; // the typed word, e.g. "cd" of "cd\BIN"
    std::string arguments;   // the rest, leading blanks removed
    CommandHandler handler;
};

std::optional<InternalCommandMatch> FindInternalCommand(const std::string& line);

// "d:" and "c:": switches the current drive.
bool IsDriveChange(const std::string& line);
void ChangeDrive(CommandContext& context);

} // namespace kora::sim
