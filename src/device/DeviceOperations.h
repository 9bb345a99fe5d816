#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/DeviceListing.h"
#include "filelist/FolderEntry.h"
#include "link/ConsoleExchange.h"

namespace kora {

// The operations of the device list's pop-up menu, each one console command. Those on a name
// act in the console's current directory, so they first bring the console to the device
// directory `path` and confirm it (InDeviceDirectory); nothing is sent if it does not.
DeviceOperation DeleteFileOperation(const std::string& path, const std::string& name);
DeviceOperation RemoveDirectoryOperation(const std::string& path, const std::string& name);
// Fails on the first line with "Invalid " or "Unable ".
DeviceOperation MakeDirectoryOperation(const std::string& path, const std::string& name);
// Fails on the first line with "Invalid " or "Duplicate ".
DeviceOperation RenameOperation(const std::string& path, const std::string& oldName,
                                const std::string& newName);
// The format tool prints its progress with CR only, so lines end at CR and waits are longer.
DeviceOperation FormatOperation();
DeviceOperation MemOperation();
DeviceOperation AbortOperation();
DeviceOperation SetToAutoRunOperation(const std::string& path, const std::string& name);

// Fails the operation on the first output line that contains one of the words (case-sensitive),
// with that line as received, then "'" + name + "'!". Later lines are shown but not checked.
LineCheck ErrorWordCheck(std::vector<std::string> words, std::string name);

// Texts of the confirmations and warnings.
std::string DeleteFileQuestion(const std::string& name);
std::string DeleteDirectoryQuestion(const std::string& name);
std::string DirectoryNotEmptyWarning(const std::string& name);
inline constexpr std::string_view kFormatQuestion =
    "This action will format the D drive on KORA-7740P.\nAll the data on that drive will be "
    "erased.\nAre you sure?";

// What the one-line name dialog is opened with.
struct NameRequest {
    std::string caption;
    std::string prompt;
    int maxLength = 0;
};
NameRequest MakeDirectoryRequest();
NameRequest RenameRequest(const std::string& oldName);

// A typed name is sent to the console as part of a command line, so characters that the
// console would read as something else are refused before anything is sent: blanks,
// redirection and pipe (< > |), "&", quotes, wildcards (* ?), path and drive separators
// (\ / :) and control characters; so is a name the console would cut (not 8.3, see
// IsDosShortName) and the name of a DOS device (IsDosDeviceName). The name is the
// controller's bytes already (ControllerBytes). Returns the warning for a refused name, nothing
// otherwise.
std::optional<std::string> UnsafeNameWarning(std::string_view name);

// The seven texts of the properties dialog.
struct PropertiesTexts {
    std::string module;
    std::string name;
    std::string path;
    std::string type;
    std::string size;
    std::string date;
    std::string contents;
};
inline constexpr std::string_view kPropertiesModule = "KORA-7740P";

// Properties of a listed entry; a folder's counts come from "dir/s" (none: size and contents
// stay empty).
PropertiesTexts EntryProperties(const FolderEntry& entry, const std::string& pathText,
                                const std::optional<TreeCounts>& folderCounts);
// Properties of the directory the panel shows.
PropertiesTexts CurrentDirectoryProperties(const std::string& pathText, const TreeCounts& counts);

} // namespace kora
