#pragma once

#include <QtCore/qnamespace.h>

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

} // namespace kora
