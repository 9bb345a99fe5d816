#pragma once

#include <string>
#include <vector>

#include "link/ConsoleExchange.h"

namespace kora {

// Where the console stands, read from its prompt: "D:\BIN>" gives "D:\BIN", "C:\>" gives "C:\".
// Empty for a text that is not a complete prompt.
std::string PromptLocation(const std::string& prompt);

// The place a device path names: "D:" + path, without a trailing "\" below the root.
std::string DeviceLocation(const std::string& path);

// Whether the prompt shows the console at that place (compared without regard to case; the
// console may print a typed "\bin" as "\BIN").
bool PromptIsAt(const std::string& prompt, const std::string& location);

// The message when the console's prompt does not confirm the place an operation needs.
std::string NotThereMessage(const std::string& location, const std::string& prompt);

// Brings the console to a directory of D: and confirms it before anything else is sent: "d:\r"
// must leave it on D: and "cd" + path + "\r" in that directory, as its prompts say. A "cd"
// answered with "Invalid " fails with that line and the path, as a listing does. The controller
// keeps its own current directory, which the terminal pane, the command-line tool or another
// program may have changed since the panel's listing: a command on a bare name acts wherever
// the console stands, so it must never be sent after steps that did not confirm the place.
std::vector<ConsoleStep> EnterDeviceDirectorySteps(const std::string& path);

// The operation with those steps in front of its own.
DeviceOperation InDeviceDirectory(const std::string& path, DeviceOperation op);

} // namespace kora
