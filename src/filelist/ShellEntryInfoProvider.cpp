#include "filelist/ShellEntryInfoProvider.h"

#include <QFile>

#include "filelist/FileTypeName.h"

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

ShellEntryInfoProvider::ShellEntryInfoProvider()
{
    icons_.emplace_back(); // index 0: not looked up yet
    const QIcon folder = iconProvider_.icon(QAbstractFileIconProvider::Folder);
    folderIconIndex_ = addIcon(folder);
    folderTypeName_ =
        mimeDatabase_.mimeTypeForName(QStringLiteral("inode/directory")).comment().toStdString();
    homeIconIndex_ = addIcon(ThemeIcon("user-home", folder));
    driveIconIndex_ =
        addIcon(ThemeIcon("drive-harddisk", iconProvider_.icon(QAbstractFileIconProvider::Drive)));
}

int ShellEntryInfoProvider::iconIndexFor(const QMimeType& type)
{
    const auto known = iconIndexByMimeName_.constFind(type.name());
    if (known != iconIndexByMimeName_.constEnd()) {
        return *known;
    }
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull()) {
        icon = QIcon::fromTheme(type.genericIconName());
    }
    if (icon.isNull()) {
        icon = iconProvider_.icon(QAbstractFileIconProvider::File);
    }
    const int index = addIcon(icon);
    iconIndexByMimeName_.insert(type.name(), index);
    return index;
}

int ShellEntryInfoProvider::addIcon(const QIcon& icon)
{
    icons_.push_back(icon);
    return static_cast<int>(icons_.size()) - 1;
}

EntryInfoProvider::Info ShellEntryInfoProvider::lookUp(const FolderEntry& entry)
{
    if (entry.isFolder) {
        return {folderTypeName_, folderIconIndex_};
    }
    // By extension only: the file is on the controller, there is nothing to look into.
    const QMimeType type = mimeDatabase_.mimeTypeForFile(QString::fromLatin1(entry.name),
                                                         QMimeDatabase::MatchExtension);
    return {FileTypeName(type, entry.name), iconIndexFor(type)};
}

EntryInfoProvider::Info ShellEntryInfoProvider::lookUpLocal(const LocalItem& item)
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
    return {FileTypeName(type, item.path.substr(item.path.rfind('/') + 1)), iconIndexFor(type)};
}

QVariant ShellEntryInfoProvider::icon(int iconIndex) const
{
    if (iconIndex <= 0 || iconIndex >= static_cast<int>(icons_.size())) {
        return {};
    }
    return icons_[static_cast<std::size_t>(iconIndex)];
}

} // namespace kora
