#include "device/DeviceViews.h"

namespace kora {

void WindowTextSubItemDelegate::initStyleOption(QStyleOptionViewItem* option,
                                                const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() > 0) {
        option->palette.setColor(QPalette::Text, option->palette.color(QPalette::WindowText));
    }
}

} // namespace kora
