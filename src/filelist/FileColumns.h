#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <array>

namespace kora {

// The columns both file lists show, which are also their sort keys.
enum FileColumn : int {
    kColumnName = 0,
    kColumnSize = 1,
    kColumnType = 2,
    kColumnModified = 3,
};

struct FileListColumn {
    const char* title;
    int width;
    Qt::Alignment alignment;
};

inline constexpr std::array<FileListColumn, 4> kFileListColumns{{
    {"Name", 140, Qt::AlignLeft | Qt::AlignVCenter},
    {"Size", 60, Qt::AlignRight | Qt::AlignVCenter},
    {"Type", 90, Qt::AlignLeft | Qt::AlignVCenter},
    {"Modified", 200, Qt::AlignLeft | Qt::AlignVCenter},
}};
inline constexpr int kFileColumnCount = static_cast<int>(kFileListColumns.size());

// Header text and alignment of a file-list column, for a model's headerData().
QVariant FileListHeaderData(int section, Qt::Orientation orientation, int role);

// A list with the four column headers and no rows: what a file list shows before anything
// has been listed in it.
class EmptyFileListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
};

} // namespace kora
