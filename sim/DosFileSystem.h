#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kora::sim {

// A directory entry's time stamp as DOS keeps it: to the minute.
struct DosDateTime {
    int year = 2003;
    int month = 5;
    int day = 31;
    int hour = 6;
    int minute = 22;

    static DosDateTime now();
    friend bool operator==(const DosDateTime&, const DosDateTime&) = default;
};

struct DosEntry {
    std::string name; // 8.3, upper case, e.g. "COMMAND.COM"
    bool isDirectory = false;
    std::uint64_t size = 0;
    DosDateTime modified;
};

enum class FsError {
    None,
    NotFound,     // no such file
    PathNotFound, // a directory on the way is missing
    InvalidName,  // not an 8.3 name or a bad drive
    Exists,       // the target name is taken
    NotEmpty,     // a directory still holds entries
    InUse,        // the current directory of its drive
    IsDirectory,  // a file operation named a directory
    NotDirectory, // a directory operation named a file
    DiskFull,
    HostFailure, // the host folder behind D: refused the change
};

// The controller's two drives: C:, the system drive with the tools, and D:, the user drive,
// either an in-memory sample or a mirror of a host folder (changes are written through).
//
// Paths are DOS paths: "D:\BIN\TOOL.EXE", "\BIN" (current drive), "TOOL.EXE" or "..\X"
// (current directory of the drive). Names are 8.3 and looked up without regard to case.
// Every public call locks the whole file system, so tests may inspect and change it while the
// console thread serves commands.
class DosFileSystem {
public:
    DosFileSystem(); // C: with the tools, D: with the sample folders (SampleDrives.h)
    ~DosFileSystem();

    DosFileSystem(const DosFileSystem&) = delete;
    DosFileSystem& operator=(const DosFileSystem&) = delete;

    // Replaces D: by the contents of a host folder. Host names that are no 8.3 names are left
    // out. False (with a reason) when the folder can't be read.
    bool mountHostFolder(const std::filesystem::path& folder, std::string* error = nullptr);
    // Restores the sample drives and the current directories of both drives.
    void resetToSample();

    // The current drive letter, 'C' or 'D'.
    char currentDrive() const;
    // The current directory of a drive: "\" or "\BIN\SUB".
    std::string currentDirectory(char drive) const;
    // "D:\BIN>", as the console prints it.
    std::string prompt() const;
    bool setCurrentDrive(char drive);
    FsError changeDirectory(const std::string& path);

    // The absolute form "D:\BIN\X.EXE" of a path (no check that it exists), or nothing when the
    // path is malformed.
    std::optional<std::string> absolutePath(const std::string& path) const;

    bool exists(const std::string& path) const;
    bool isDirectory(const std::string& path) const;
    std::optional<DosEntry> entry(const std::string& path) const;
    // The entries of a directory in the order they were made; nothing when it is missing.
    std::optional<std::vector<DosEntry>> list(const std::string& directory) const;

    std::optional<std::string> readFile(const std::string& path) const;
    // Creates or replaces a file and stamps it with the current time. False when the path is
    // bad, names a directory, its folder is missing or the drive is full.
    bool writeFile(const std::string& path, std::string bytes);
    FsError writeFileChecked(const std::string& path, std::string bytes,
                             std::optional<DosDateTime> modified = std::nullopt);
    FsError deleteFile(const std::string& path);
    FsError makeDirectory(const std::string& path,
                          std::optional<DosDateTime> modified = std::nullopt);
    FsError removeDirectory(const std::string& path);
    // Renames within the same directory; newName is a bare 8.3 name.
    FsError rename(const std::string& path, const std::string& newName);
    // Empties a drive (D: only: the system drive refuses).
    FsError format(char drive);

    std::uint64_t freeBytes(char drive) const;
    std::uint64_t capacity(char drive) const;
    void setCapacity(char drive, std::uint64_t bytes);
    std::string volumeLabel(char drive) const;
    std::string volumeSerial(char drive) const;

    // Whether a single name is a valid 8.3 name ("AUTORUN.BAT", "bin").
    static bool isValidName(const std::string& name);

private:
    struct Node;
    struct Drive;
    struct Resolved;
    struct Slot;

    Drive* drive(char letter) const;
    std::optional<Resolved> resolve(const std::string& path) const;
    Node* findNode(const Resolved& where) const;
    Node* findParent(const Resolved& where) const;
    Slot findSlot(const std::string& path) const;
    static std::uint64_t measureUsedBytes(const Drive& d);
    std::filesystem::path hostPath(const Resolved& where) const;
    void createEmptyDrives();

    mutable std::mutex mutex_;
    std::unique_ptr<Drive> driveC_;
    std::unique_ptr<Drive> driveD_;
    char currentDrive_ = 'C';
};

} // namespace kora::sim
