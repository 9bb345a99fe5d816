#include "local/LocalFileOperations.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "local/LocalNamespace.h"

namespace kora {
namespace {

std::string Failure(const std::string& item, const std::string& reason)
{
    return "'" + item + "'\n\n" + reason;
}

} // namespace

std::string RenameLocalEntry(const std::string& path, const std::string& newName)
{
    if (newName.empty() || newName == "." || newName == ".." ||
        newName.find('/') != std::string::npos || newName.find('\0') != std::string::npos) {
        return Failure(newName, SystemErrorText(EINVAL));
    }
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
    const std::string target = folder + "/" + newName;
    if (target == path) {
        return {};
    }
    if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return {};
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return Failure(path, SystemErrorText(errno));
    }
    // A file system that cannot refuse by itself: look first.
    struct stat status {};
    if (::lstat(target.c_str(), &status) == 0) {
        return Failure(target, SystemErrorText(EEXIST));
    }
    if (std::rename(path.c_str(), target.c_str()) != 0) {
        return Failure(path, SystemErrorText(errno));
    }
    return {};
}

std::string MoveLocalEntryToTrash(const std::string& path)
{
    QFile file(QFile::decodeName(path.c_str()));
    if (!file.moveToTrash()) {
        return Failure(path, file.errorString().toStdString());
    }
    return {};
}

} // namespace kora
