#include "local/LocalShellInfoProvider.h"

#include <QFile>

namespace kora {

LocalShellInfoProvider::LocalShellInfoProvider()
{
    FolderEntry folder;
    folder.isFolder = true;
    EntryInfoProvider::Info folderInfo = shell_.lookUp(folder);
    folderTypeName_ = std::move(folderInfo.typeName);
    folderIconIndex_ = folderInfo.iconIndex;
    const QIcon home = QIcon::fromTheme(QStringLiteral("user-home"));
    homeIconIndex_ = home.isNull() ? folderIconIndex_ : shell_.addIcon(home);
    driveIconIndex_ = shell_.addIcon(iconProvider_.icon(QAbstractFileIconProvider::Drive));
}

EntryInfoProvider::Info LocalShellInfoProvider::lookUp(const LocalItem& item)
{
    switch (item.kind) {
    case LocalItem::Kind::Folder:
        return {folderTypeName_, folderIconIndex_};
    case LocalItem::Kind::Home:
        return {folderTypeName_, homeIconIndex_};
    case LocalItem::Kind::Volume:
        return {item.fileSystemType.empty() ? std::string("File system")
                                            : item.fileSystemType + " file system",
                driveIconIndex_};
    case LocalItem::Kind::File:
        break;
    }
    const QMimeType type = mimeDatabase_.mimeTypeForFile(QFile::decodeName(item.path.c_str()));
    return {type.comment().toStdString(), shell_.iconIndexFor(type)};
}

} // namespace kora
