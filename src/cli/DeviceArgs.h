#pragma once

#include <QString>

#include <string>
#include <string_view>
#include <variant>

namespace kora::cli {

// Text typed on the command line as the controller's single-byte console gets it: Latin-1, a
// character outside it becoming "?" (which the name checks refuse), as the window's name
// dialog does.
std::string DeviceText(const QString& typed);

// A device path typed on the command line, in the form the panel lists: "\" for the root of
// D:, "\BIN\TOOL" below it. Accepted: an optional "D:" (either case), "\" or "/" as
// separators, with or without a leading one (every path starts at the root), "." and "..".
// Every part must be a name the console can take (see UnsafeNameWarning).
struct PathError {
    std::string message;
};
std::variant<std::string, PathError> NormalizeDevicePath(std::string_view typed);

// "\BIN\TOOL.COM" -> folder "\BIN", name "TOOL.COM"; "\README.TXT" -> "\", "README.TXT". The
// root has no name.
struct SplitPath {
    std::string folder;
    std::string name;
};
SplitPath SplitDevicePath(const std::string& normalized);

// Whether a command-line argument names a place on the controller rather than a PC file: it
// starts with "\" or with a drive "D:". Used for the optional last argument of put.
bool LooksLikeDevicePath(std::string_view typed);

// Device names compare as the console looks them up: ASCII letters without regard to case.
bool SameDeviceName(std::string_view a, std::string_view b);

} // namespace kora::cli
