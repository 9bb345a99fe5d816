#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/ConsoleExchange.h"

namespace kora {

// Starting a program on the controller from its console, shared by the window's Upload and Run
// and the command-line tool's run: the console is brought to the program's directory and the
// place confirmed first, as every operation on a bare name is (DevicePosition), so the program
// that starts is the one the user pointed at, never one of the same name wherever the console
// happened to stand.

// The console line that runs the program: its name, then each argument after one blank.
std::string ProgramCommandLine(const std::string& name, const std::vector<std::string>& arguments);

// Why the line cannot be typed as one console line: a control character (a CR would end it and
// run the rest as a second command) or more characters than the console keeps. Nothing when it
// can be.
std::optional<std::string> ProgramLineProblem(const std::string& line);

// T and line end of the exchange that starts the program.
inline constexpr std::uint32_t kProgramStartTimeoutMs = 200;

// On an open port: LineEnd 10 and T = 200 ms, PrepareConsole, "d:" and "cd" + path each
// confirmed by its prompt, then line + "\r" typed with the echo check. When the place is not
// confirmed nothing of the line is typed; a line whose echo fails before its Enter is erased
// (SendCommand). When the echo of the Enter fails the program may be running: nothing more is
// typed, and the result says so (mayBeRunning, MayBeRunningMessage); the caller types nothing
// either. On success the program runs and whatever the console sent after the echoed CR (its
// LF, the program's first output) is still unread on the port, for the caller.
OperationResult StartProgramIn(SerialPort& port, const std::string& path, const std::string& line,
                               ConsoleLog& log, ExchangeTiming timing);

} // namespace kora
