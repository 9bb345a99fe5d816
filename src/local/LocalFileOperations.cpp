#include "local/LocalFileOperations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "local/LocalFolderSource.h"

namespace kora {
namespace {

std::string Failure(const std::string& item, const std::string& reason)
{
    return "'" + item + "'\n\n" + reason;
}

// Whether the bytes read back from their text unchanged (valid UTF-8 without U+FFFD standing
// in for anything).
bool ShownExactly(const LocalPath& path)
{
    return LocalPathText(path).toUtf8().toStdString() == path.bytes;
}

// A name of valid UTF-8 for the item, free in its folder: its bytes that are not UTF-8 become
// "_", and a number is added while the name is taken.
LocalPath StandIn(const LocalPath& path)
{
    const std::string folder = path.bytes.substr(0, path.bytes.rfind('/') + 1);
    QString name = LocalPathText(LocalFileName(path));
    name.replace(QChar(QChar::ReplacementCharacter), QLatin1Char('_'));
    LocalPath standIn{folder + name.toUtf8().toStdString()};
    struct stat status {};
    for (int n = 2; ::lstat(standIn.c_str(), &status) == 0; ++n) {
        standIn.bytes = folder + (name + QStringLiteral(" (%1)").arg(n)).toUtf8().toStdString();
    }
    return standIn;
}

// Points the trash's record of an item at its own path: the desktop restores it from there.
// Paths in the record are percent-encoded bytes, so any name can be written.
void RecordOriginalPath(const QString& inTrash, const LocalPath& original)
{
    const QFileInfo moved(inTrash);
    QFile info(moved.dir().filePath(QStringLiteral("../info/") + moved.fileName() +
                                    QStringLiteral(".trashinfo")));
    if (!info.open(QIODevice::ReadWrite)) {
        return;
    }
    QList<QByteArray> lines = info.readAll().split('\n');
    for (QByteArray& line : lines) {
        if (line.startsWith("Path=")) {
            line = "Path=" + QByteArray::fromStdString(original.bytes).toPercentEncoding("/");
        }
    }
    info.resize(0);
    info.seek(0);
    info.write(lines.join('\n'));
}

} // namespace

std::string RenameLocalEntry(const LocalPath& item, const std::string& newName)
{
    const std::string& path = item.bytes;
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

std::string MoveLocalEntryToTrash(const LocalPath& item)
{
    const std::string& path = item.bytes;
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
    // Qt names the file by text. A name that is not UTF-8 goes to the trash under a stand-in
    // of valid UTF-8, and the trash's record then names the real path.
    const bool exact = ShownExactly(item);
    if (!exact && !ShownExactly(LocalPath{path.substr(0, path.rfind('/') + 1)})) {
        // The stand-in would still lie in a folder Qt cannot name.
        return Failure(path, "The folder's name is not valid UTF-8; nothing was moved to the "
                             "trash.");
    }
    const LocalPath source = exact ? item : StandIn(item);
    if (!exact) {
        if (std::string failure = RenameLocalEntry(item, LocalFileName(source).bytes);
            !failure.empty()) {
            return failure;
        }
    }
    QFile file(QString::fromUtf8(source.bytes));
    if (!file.moveToTrash()) {
        if (!exact) {
            std::rename(source.c_str(), path.c_str());
        }
        return Failure(path, file.errorString().toStdString());
    }
    if (!exact && !QDir::isRelativePath(file.fileName())) {
        RecordOriginalPath(file.fileName(), item);
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
