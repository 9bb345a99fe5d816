#include "filelist/FileColumns.h"

namespace kora {

QVariant FileListHeaderData(int section, Qt::Orientation orientation, int role)
{
    if (orientation != Qt::Horizontal || section < 0 ||
        section >= static_cast<int>(kFileListColumns.size())) {
        return {};
    }
    const FileListColumn& column = kFileListColumns[static_cast<std::size_t>(section)];
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromLatin1(column.title);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(column.alignment);
    default:
        return {};
    }
}

int EmptyFileListModel::rowCount(const QModelIndex&) const
{
    return 0;
}

int EmptyFileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(kFileListColumns.size());
}

QVariant EmptyFileListModel::data(const QModelIndex&, int) const
{
    return {};
}

QVariant EmptyFileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    return FileListHeaderData(section, orientation, role);
}

} // namespace kora
