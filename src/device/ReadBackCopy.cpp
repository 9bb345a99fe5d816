#include "device/ReadBackCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "link/UniqueFd.h"

namespace kora {

namespace {

std::string SystemError(const std::string& what, const LocalPath& path, int error)
{
    return "cannot " + what + " '" + LocalPathText(path).toStdString() +
           "': " + std::strerror(error);
}

LocalPath FolderOf(const LocalPath& path)
{
    const std::size_t slash = path.bytes.rfind('/');
    if (slash == std::string::npos) {
        return {"."};
    }
    return {slash == 0 ? std::string("/") : path.bytes.substr(0, slash)};
}

bool WriteAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool LocalPathExists(const LocalPath& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

LocalPath LocalChildPath(const LocalPath& folder, const std::string& name)
{
    if (folder.bytes.empty()) {
        return {name};
    }
    return {folder.bytes.ends_with('/') ? folder.bytes + name : folder.bytes + "/" + name};
}

std::optional<std::string> SaveReadBackCopy(const LocalPath& target, const std::string& bytes,
                                            bool replace)
{
    const LocalPath folder = FolderOf(target);
    std::string pattern = LocalChildPath(folder, ".kora-readback-XXXXXX").bytes;
    const UniqueFd fd(::mkstemp(pattern.data()));
    if (!fd) {
        return SystemError("write into", folder, errno);
    }
    const LocalPath temporary{pattern};
    // mkstemp makes the file for its owner only; a copy gets the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const bool written = ::fchmod(fd.get(), 0666 & ~mask) == 0 && WriteAll(fd.get(), bytes) &&
                         ::fsync(fd.get()) == 0;
    const int writeError = errno;
    if (!written) {
        ::unlink(temporary.c_str());
        return SystemError("write", target, writeError);
    }
    bool placed = false;
    if (replace) {
        placed = ::rename(temporary.c_str(), target.c_str()) == 0;
    } else {
        // The no-replace check and the new name in one step; link() where the file system has
        // no such rename.
        placed = ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(),
                             RENAME_NOREPLACE) == 0;
        if (!placed && (errno == EINVAL || errno == ENOSYS)) {
            placed = ::link(temporary.c_str(), target.c_str()) == 0;
            const int linkError = errno;
            ::unlink(temporary.c_str());
            errno = linkError;
        }
    }
    const int placeError = errno;
    if (!placed) {
        ::unlink(temporary.c_str());
    }
    if (!placed) {
        if (placeError == EEXIST) {
            return "'" + LocalPathText(target).toStdString() + "' exists already";
        }
        return SystemError("write", target, placeError);
    }
    return std::nullopt;
}

} // namespace kora
