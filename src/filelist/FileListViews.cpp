#include "filelist/FileListViews.h"

#include <QHeaderView>

#include "filelist/FileColumns.h"

namespace kora {

void WindowTextSubItemDelegate::initStyleOption(QStyleOptionViewItem* option,
                                                const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() > 0) {
        option->palette.setColor(QPalette::Text, option->palette.color(QPalette::WindowText));
    }
}

QSize GridCellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* view = qobject_cast<const QListView*>(option.widget);
    if (view != nullptr && view->gridSize().isValid()) {
        // Leave the view's spacing between cells, so that neighbours do not touch.
        return view->gridSize() - QSize(4, 2);
    }
    return QStyledItemDelegate::sizeHint(option, index);
}

void ApplyFileListColumnWidths(QTreeView& view)
{
    for (std::size_t i = 0; i < kFileListColumns.size(); ++i) {
        view.setColumnWidth(static_cast<int>(i), kFileListColumns[i].width);
    }
}

void SetUpFileListView(QTreeView& view)
{
    view.setRootIsDecorated(false);
    view.setItemsExpandable(false);
    view.setUniformRowHeights(true);
    view.setAllColumnsShowFocus(true);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setContextMenuPolicy(Qt::CustomContextMenu);
    // The last column takes whatever width the others leave.
    view.header()->setStretchLastSection(true);
    view.header()->setSectionsClickable(true);
    view.header()->setSortIndicatorShown(false);
}

} // namespace kora
