#include "filelist/FileListViews.h"

#include "filelist/FileColumns.h"

namespace kora {

void ReportItemDelegate::initStyleOption(QStyleOptionViewItem* option,
                                         const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() == kColumnName) {
        option->textElideMode = Qt::ElideMiddle;
    } else {
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

} // namespace kora
