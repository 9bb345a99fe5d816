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

FixedTextWidthDelegate::FixedTextWidthDelegate(int characters, QObject* parent)
    : QStyledItemDelegate(parent), characters_(characters)
{
}

QSize FixedTextWidthDelegate::sizeHint(const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const QFontMetrics metrics(option.font);
    // A wide capital stands for every character: 8.3 names are upper case.
    const int wanted = metrics.horizontalAdvance(QString(characters_, QLatin1Char('X')));
    const int shown = metrics.horizontalAdvance(index.data(Qt::DisplayRole).toString());
    if (wanted > shown) {
        size.rwidth() += wanted - shown;
    }
    return size;
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
    view.header()->setStretchLastSection(false);
    view.header()->setSectionsClickable(true);
    view.header()->setSortIndicatorShown(false);
}

} // namespace kora
