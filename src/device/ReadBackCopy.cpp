#include "device/ReadBackCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

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

// A new file of a name of its own in the folder, made with the mode every new file gets (0666
// less the umask; mkstemp would make it the owner's only). Its name in `name`.
UniqueFd CreateTemporaryIn(int folderFd, std::string& name)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<std::size_t> letter(0, sizeof kLetters - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = ".kora-readback-";
        for (int i = 0; i < 8; ++i) {
            name += kLetters[letter(random)];
        }
        UniqueFd fd(::openat(folderFd, name.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (fd || errno != EEXIST) {
            return fd;
        }
    }
    return {};
}

} // namespace

bool LocalPathExists(const LocalPath& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

bool LocalNameExistsIn(int folderFd, const std::string& name)
{
    struct stat status {};
    return ::fstatat(folderFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
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
    const UniqueFd folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folderFd) {
        return SystemError("write into", folder, errno);
    }
    return SaveReadBackCopyIn(folderFd.get(), LocalFileName(target).bytes, target, bytes, replace);
}

std::optional<std::string> SaveReadBackCopyIn(int folderFd, const std::string& name,
                                              const LocalPath& target, const std::string& bytes,
                                              bool replace)
{
    std::string temporary;
    const UniqueFd fd = CreateTemporaryIn(folderFd, temporary);
    if (!fd) {
        return SystemError("write into", FolderOf(target), errno);
    }
    const bool written = WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    const int writeError = errno;
    if (!written) {
        ::unlinkat(folderFd, temporary.c_str(), 0);
        return SystemError("write", target, writeError);
    }
    bool placed = false;
    if (replace) {
        placed = ::renameat(folderFd, temporary.c_str(), folderFd, name.c_str()) == 0;
    } else {
        // The no-replace check and the new name in one step; link() where the file system has
        // no such rename.
        placed =
            ::renameat2(folderFd, temporary.c_str(), folderFd, name.c_str(), RENAME_NOREPLACE) == 0;
        if (!placed && (errno == EINVAL || errno == ENOSYS)) {
            placed = ::linkat(folderFd, temporary.c_str(), folderFd, name.c_str(), 0) == 0;
            const int linkError = errno;
            ::unlinkat(folderFd, temporary.c_str(), 0);
            errno = linkError;
        }
    }
    const int placeError = errno;
    if (!placed) {
        ::unlinkat(folderFd, temporary.c_str(), 0);
        if (placeError == EEXIST) {
            return "'" + LocalPathText(target).toStdString() + "' exists already";
        }
        return SystemError("write", target, placeError);
    }
    return std::nullopt;
}

} // namespace kora
