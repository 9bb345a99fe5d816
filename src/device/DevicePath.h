#pragma once

#include <string>
#include <string_view>

namespace kora {

// Device paths are DOS paths on D: without the drive letter: "\" for the root, "\BIN\TEST"
// below it, never a trailing "\" except for the root.
inline constexpr std::string_view kDeviceRoot = "\\";

// Up: cut before the last "\"; the root, a first-level folder and a path without "\" give the
// root.
std::string ParentDevicePath(std::string_view path);

// Into a folder listed in `path`: no doubled separator at the root.
std::string ChildDevicePath(std::string_view path, std::string_view name);

} // namespace kora
