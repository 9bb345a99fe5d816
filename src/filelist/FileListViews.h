#pragma once

#include <QListView>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <functional>
#include <optional>

namespace kora {

// Where type-ahead goes: the row for the typed characters given the current row, if any.
using TypeAheadFinder = std::function<std::optional<int>(const QString& typed, int currentRow)>;

// A list view whose keyboard type-ahead follows the panel's own rule instead of the view's
// generic text match. Without a finder the view does no type-ahead.
template <typename View> class TypeAheadView : public View {
public:
    explicit TypeAheadView(QWidget* parent = nullptr) : View(parent) {}

    void setTypeAheadFinder(TypeAheadFinder finder) { finder_ = std::move(finder); }

    void keyboardSearch(const QString& search) override
    {
        if (!finder_ || this->model() == nullptr) {
            return;
        }
        const QModelIndex current = this->currentIndex();
        const std::optional<int> row = finder_(search, current.isValid() ? current.row() : -1);
        if (!row) {
            return;
        }
        const QModelIndex found = this->model()->index(*row, 0, this->rootIndex());
        this->setCurrentIndex(found); // single selection: also selects it
        this->scrollTo(found);
    }

private:
    TypeAheadFinder finder_;
};

// The report view (Name, Size, Type, Modified) and the view of the three icon styles.
using FileReportView = TypeAheadView<QTreeView>;
using FileIconView = TypeAheadView<QListView>;

// Gives every item of an icon-style view its whole grid cell. The view sizes all items alike
// from the first one's hint (so that laying out a large folder looks nothing up), which would
// otherwise cut every name to the first name's width; in the cell a long name wraps or is
// shortened where the cell ends.
class GridCellDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// Draws the report view's cells: the sub-items (every column but the name) in the window-text
// colour, so that they read like the names beside them, and a name too long for its column
// elided in the middle, where both its beginning and its extension stay in view.
class ReportItemDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    // Public so that the colour and the elision a cell gets can be checked.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

} // namespace kora
