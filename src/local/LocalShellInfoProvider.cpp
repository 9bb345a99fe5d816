#include "local/LocalShellInfoProvider.h"

#include "filelist/FileTypeName.h"

#include <QFile>

namespace kora {
namespace {

// An icon that has a picture for the large-icon style too: the desktop's icons for drives
// may come in the small size only, and an icon is never drawn larger than its pictures.
QIcon WithLargeSize(QIcon icon)
{
    const QSize large(32, 32);
    const QSize actual = icon.actualSize(large);
    if (icon.isNull() || actual.width() >= large.width()) {
        return icon;
    }
    icon.addPixmap(
        icon.pixmap(actual).scaled(large, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    return icon;
}

QIcon ThemeIcon(const char* name, const QIcon& fallback)
{
    const QIcon themed = QIcon::fromTheme(QString::fromLatin1(name));
    return WithLargeSize(themed.isNull() ? fallback : themed);
}

} // namespace

LocalShellInfoProvider::LocalShellInfoProvider()
{
    FolderEntry folder;
    folder.isFolder = true;
    EntryInfoProvider::Info folderInfo = shell_.lookUp(folder);
    folderTypeName_ = std::move(folderInfo.typeName);
    folderIconIndex_ = folderInfo.iconIndex;
    homeIconIndex_ =
        shell_.addIcon(ThemeIcon("user-home", shell_.icon(folderIconIndex_).value<QIcon>()));
    driveIconIndex_ = shell_.addIcon(
        ThemeIcon("drive-harddisk", iconProvider_.icon(QAbstractFileIconProvider::Drive)));
}

EntryInfoProvider::Info LocalShellInfoProvider::lookUp(const LocalItem& item)
{
    switch (item.kind) {
    case LocalItem::Kind::Folder:
        return {folderTypeName_, folderIconIndex_};
    case LocalItem::Kind::Home:
        return {folderTypeName_, homeIconIndex_};
    case LocalItem::Kind::Volume:
        // Short enough for the Type column: "ext4 volume".
        return {item.fileSystemType.empty() ? std::string("Volume")
                                            : item.fileSystemType + " volume",
                driveIconIndex_};
    case LocalItem::Kind::File:
        break;
    }
    const QMimeType type = mimeDatabase_.mimeTypeForFile(QFile::decodeName(item.path.c_str()));
    return {FileTypeName(type, item.path.substr(item.path.rfind('/') + 1)),
            shell_.iconIndexFor(type)};
}

} // namespace kora
