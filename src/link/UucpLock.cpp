#include "link/UucpLock.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <system_error>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "link/UniqueFd.h"

namespace kora {
namespace {

namespace fs = std::filesystem;

// Another program creates its lock file and writes its PID a moment later. Until then the file
// is empty (or not yet readable), which must not pass for a stale lock: both programs would
// use the port. A lock without a PID only counts as stale once it is older than this.
constexpr std::chrono::seconds kLockWritingGrace{5};

bool YoungerThan(const fs::path& path, std::chrono::seconds age)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return false; // gone: nothing holds the device
    }
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    // A time in the future (a clock that was set back) counts as young too.
    return now.tv_sec - info.st_mtim.tv_sec < age.count();
}

// A lock naming this process or another live one means the device is taken. EPERM from
// kill() means the process exists but belongs to someone else.
bool ProcessAlive(pid_t pid)
{
    if (pid <= 0) {
        return false;
    }
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// The owner's PID from a lock file: ten ASCII digits and a newline as we write them, any
// amount of blanks around the digits as others do, or the 4-byte binary form of old programs.
std::optional<pid_t> ReadLockOwner(const fs::path& path)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd) {
        return std::nullopt;
    }
    char buffer[64];
    ssize_t n;
    do {
        n = ::read(fd.get(), buffer, sizeof buffer - 1);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
        return std::nullopt;
    }
    buffer[n] = '\0';
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(buffer, &end, 10);
    if (end != buffer && errno == 0 && value > 0 && value <= INT32_MAX) {
        return static_cast<pid_t>(value);
    }
    if (n == 4) {
        std::int32_t binary;
        std::memcpy(&binary, buffer, sizeof binary);
        if (binary > 0) {
            return static_cast<pid_t>(binary);
        }
    }
    return std::nullopt;
}

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

fs::path UucpLock::Folder()
{
    if (const char* overridden = std::getenv("KORA_LOCK_DIR"); overridden && *overridden) {
        return overridden;
    }
    std::error_code ec;
    if (fs::is_directory("/run/lock", ec)) {
        return "/run/lock";
    }
    return "/var/lock";
}

std::string UucpLock::FileNameFor(const std::string& devicePath)
{
    std::error_code ec;
    fs::path real = fs::weakly_canonical(devicePath, ec);
    if (ec) {
        real = devicePath;
    }
    std::string name = real.string();
    const std::string dev = "/dev/";
    if (name.compare(0, dev.size(), dev) == 0) {
        name.erase(0, dev.size());
    } else {
        name = real.filename().string();
    }
    for (char& c : name) {
        if (c == '/') {
            c = '_';
        }
    }
    return "LCK.." + name;
}

UucpLock::Status UucpLock::acquire(const std::string& devicePath)
{
    release();
    const fs::path folder = Folder();
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return Status::Skipped;
    }
    const fs::path path = folder / FileNameFor(devicePath);

    // Two rounds: the second one follows the removal of a stale lock. Someone else may have
    // taken the lock between our removal and our create; then it is theirs.
    for (int attempt = 0; attempt < 2; ++attempt) {
        UniqueFd fd(
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644));
        if (fd) {
            char text[16];
            const int length = std::snprintf(text, sizeof text, "%010d\n", ::getpid());
            if (length != 11 || !WriteAll(fd.get(), text, static_cast<std::size_t>(length))) {
                fd.reset();
                ::unlink(path.c_str());
                return Status::Skipped;
            }
            path_ = path;
            return Status::Acquired;
        }
        if (errno != EEXIST) {
            return Status::Skipped;
        }
        const std::optional<pid_t> owner = ReadLockOwner(path);
        if (owner ? ProcessAlive(*owner) : YoungerThan(path, kLockWritingGrace)) {
            return Status::Busy;
        }
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
            // A stale lock we may not remove still blocks everyone who honours the layer.
            return Status::Busy;
        }
    }
    return Status::Busy;
}

void UucpLock::release()
{
    if (!path_.empty()) {
        ::unlink(path_.c_str());
        path_.clear();
    }
}

} // namespace kora
