#include "filelist/ShellEntryInfoProvider.h"

#include "filelist/FileTypeName.h"

namespace kora {

ShellEntryInfoProvider::ShellEntryInfoProvider()
{
    icons_.emplace_back(); // index 0: not looked up yet
    folderIconIndex_ = addIcon(iconProvider_.icon(QAbstractFileIconProvider::Folder));
    folderTypeName_ = mimeDatabase_.mimeTypeForName(QStringLiteral("inode/directory")).comment();
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
        return {folderTypeName_.toStdString(), folderIconIndex_};
    }
    // By extension only: the file is on the controller, there is nothing to look into.
    const QMimeType type = mimeDatabase_.mimeTypeForFile(QString::fromLatin1(entry.name),
                                                         QMimeDatabase::MatchExtension);
    return {FileTypeName(type, entry.name), iconIndexFor(type)};
}

QVariant ShellEntryInfoProvider::icon(int iconIndex) const
{
    if (iconIndex <= 0 || iconIndex >= static_cast<int>(icons_.size())) {
        return {};
    }
    return icons_[static_cast<std::size_t>(iconIndex)];
}

} // namespace kora
