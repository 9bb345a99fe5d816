#pragma once

#include <filesystem>
#include <string>

namespace kora {

// The UUCP lock file that serial programs on Linux agree on: LCK..<device> in the system lock
// folder, created exclusively and holding the owner's PID as ten ASCII digits and a newline.
// It is what minicom-style and Qt-based programs look at, so it is how they learn that we hold
// the port (and we that they do).
//
// The lock folder is $KORA_LOCK_DIR when that is set (tests use a folder of their own), else
// /run/lock, else /var/lock. When the folder is not writable for us the layer is skipped.
class UucpLock {
public:
    enum class Status {
        Acquired, // the lock file is ours until release()
        Busy,     // a live process holds the device
        Skipped,  // no writable lock folder, or the file could not be made: no lock taken
    };

    UucpLock() = default;
    ~UucpLock() { release(); }
    UucpLock(const UucpLock&) = delete;
    UucpLock& operator=(const UucpLock&) = delete;

    // Takes the lock for the device at devicePath. A lock left by a process that no longer
    // runs is stale: it is removed and taken over. So is one without a readable PID, once it
    // is a few seconds old; a younger one may be another program's lock that is still being
    // written, and counts as busy.
    Status acquire(const std::string& devicePath);
    // Removes the lock file if this object created it.
    void release();
    bool held() const { return !path_.empty(); }
    const std::filesystem::path& path() const { return path_; }

    static std::filesystem::path Folder();
    // "LCK.." + the device's name below /dev with "/" turned into "_" (ttyS0, ttyUSB1,
    // pts_7), after following symbolic links so that every alias of one device shares a lock.
    static std::string FileNameFor(const std::string& devicePath);

private:
    std::filesystem::path path_;
};

} // namespace kora
