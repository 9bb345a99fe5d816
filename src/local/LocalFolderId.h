#pragma once

#include <string>

namespace kora {

// Where a local folder is: its absolute path, or the "Computer" root above all of them, which
// lists the mounted file systems and the home folder. Paths are the file system's bytes (UTF-8
// on any usual system), so a name that is not valid UTF-8 still leads to its folder.
struct LocalFolderId {
    std::string path; // empty for "Computer"

    static LocalFolderId computer() { return {}; }
    static LocalFolderId folder(std::string absolutePath) { return {std::move(absolutePath)}; }

    bool isComputer() const { return path.empty(); }
    bool operator==(const LocalFolderId&) const = default;
};

// The display name of the root, which is also its path-box text.
inline constexpr const char* kComputerName = "Computer";

} // namespace kora
