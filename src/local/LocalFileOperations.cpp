#include "local/LocalFileOperations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

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
    // The trash lives in the user's data folder. Where that folder is missing Qt does not make
    // it, and may then fall back to a trash relative to the working folder; make it first, as
    // the desktop's own programs would.
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!dataHome.isEmpty() && !QFileInfo::exists(dataHome)) {
        std::string folder;
        for (const QString& part : QDir::cleanPath(dataHome).split(QLatin1Char('/'))) {
            if (!part.isEmpty()) {
                folder += "/" + QFile::encodeName(part).toStdString();
                ::mkdir(folder.c_str(), 0700); // an existing part is fine
            }
        }
    }
    const QString source = QFile::decodeName(path.c_str());
    QFile file(source);
    if (!file.moveToTrash()) {
        return Failure(path, file.errorString().toStdString());
    }
    const QString inTrash = file.fileName();
    if (QDir::isRelativePath(inTrash)) {
        // No trash folder was found after all: put the item back rather than leave it in some
        // folder the user never sees.
        const QFileInfo moved(inTrash);
        QFile::remove(moved.dir().filePath(QStringLiteral("../info/") + moved.fileName() +
                                           QStringLiteral(".trashinfo")));
        const QByteArray movedPath = QFile::encodeName(inTrash);
        std::rename(movedPath.constData(), path.c_str());
        return Failure(path, "No trash folder could be found.");
    }
    return {};
}

} // namespace kora
