#pragma once

#include <QString>

#include <string>
#include <string_view>
#include <variant>

namespace kora::cli {

// Why a typed name or path cannot be used; it may name a character the controller has not.
struct PathError {
    QString message;
};

// Text typed on the command line as the controller's console gets it (ControllerBytes, shared
// with the window's dialogs), or why it has no such bytes. Every name and path goes through
// this first, so the checks see the bytes the controller will.
std::variant<std::string, PathError> DeviceText(const QString& typed);

// A device path, as the controller's bytes, in the form the panel lists: "\" for the root of
// D:, "\BIN\TOOL" below it. Accepted: an optional "D:" (either case), "\" or "/" as
// separators, with or without a leading one (every path starts at the root), "." and "..".
// Every part must be a name the console can take (see UnsafeNameWarning).
std::variant<std::string, PathError> NormalizeDevicePath(std::string_view bytes);
// The same for a path typed on the command line: DeviceText, then NormalizeDevicePath.
std::variant<std::string, PathError> DevicePathArgument(const QString& typed);

// "\BIN\TOOL.COM" -> folder "\BIN", name "TOOL.COM"; "\README.TXT" -> "\", "README.TXT". The
// root has no name.
struct SplitPath {
    std::string folder;
    std::string name;
};
SplitPath SplitDevicePath(const std::string& normalized);

// Whether a command-line argument names a place on the controller rather than a PC file: it
// starts with "\" or with a drive "D:". Used for the optional last argument of put.
bool LooksLikeDevicePath(const QString& typed);

// Device names compare as the console looks them up: ASCII letters without regard to case.
bool SameDeviceName(std::string_view a, std::string_view b);

} // namespace kora::cli
