#include "filelist/FilePanel.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QResizeEvent>
#include <QStackedWidget>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

#include "filelist/ColumnFit.h"
#include "filelist/FileColumns.h"
#include "ui/PanelParts.h"
#include "ui/StatusPanels.h"

namespace kora {

FilePanel::FilePanel(const FilePanelLook& look, QWidget* parent)
    : QWidget(parent), prefix_(look.prefix), iconTextCharacters_(look.iconTextCharacters)
{
    setObjectName(QStringLiteral("pnl") + prefix_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    title_ = MakePanelTitle(QStringLiteral("lbl") + prefix_, look.caption, this);
    layout->addWidget(title_);

    toolBar_ = MakePanelToolBar(QStringLiteral("tlbar") + prefix_, this);
    layout->addWidget(toolBar_);

    auto* pathRow = new QWidget(this);
    pathRow->setObjectName(QStringLiteral("pnl") + prefix_ + QStringLiteral("Cbx"));
    auto* pathLayout = new QHBoxLayout(pathRow);
    pathLayout->setContentsMargins(0, 0, 0, 0);
    pathBox_ = new QComboBox(pathRow);
    pathBox_->setObjectName(QStringLiteral("cbx") + prefix_);
    pathBox_->setEditable(look.pathBoxEditable);
    if (look.pathBoxEditable) {
        // The box inserts visited folders itself, never the typed text.
        pathBox_->setInsertPolicy(QComboBox::NoInsert);
    }
    pathBox_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    pathLayout->addWidget(pathBox_);
    layout->addWidget(pathRow);

    buildViews(look);
    layout->addWidget(viewStack_, 1);

    statusBar_ = new StatusPanels(QStringLiteral("stabar") + prefix_, look.statusWidths, this);
    layout->addWidget(statusBar_);
    connect(statusBar_, &StatusPanels::resized, this, &FilePanel::statusBarResize);
}

void FilePanel::buildViews(const FilePanelLook& look)
{
    const auto selectionMode = look.multiSelection ? QAbstractItemView::ExtendedSelection
                                                   : QAbstractItemView::SingleSelection;
    viewStack_ = new QStackedWidget(this);
    viewStack_->setObjectName(QStringLiteral("pnl") + prefix_ + QStringLiteral("Views"));

    reportView_ = new FileReportView(viewStack_);
    reportView_->setObjectName(QStringLiteral("lstview") + prefix_);
    reportView_->setRootIsDecorated(false);
    reportView_->setItemsExpandable(false);
    reportView_->setUniformRowHeights(true);
    reportView_->setAllColumnsShowFocus(true);
    // The last column takes whatever width the others leave.
    reportView_->header()->setStretchLastSection(true);
    reportView_->header()->setSectionsClickable(true);
    reportView_->setSelectionMode(selectionMode);
    // Sub-items in the window-text colour, like the names; long names elided in the middle.
    reportView_->setItemDelegate(new ReportItemDelegate(reportView_));
    viewStack_->addWidget(reportView_);

    iconView_ = new FileIconView(viewStack_);
    iconView_->setObjectName(QStringLiteral("lstview") + prefix_ + QStringLiteral("Icons"));
    iconView_->setSelectionMode(selectionMode);
    iconView_->setMovement(QListView::Static);
    iconView_->setResizeMode(QListView::Adjust);
    iconView_->setWrapping(true);
    // Every item has the same size, so laying the view out asks for no row (and so looks up no
    // icon) beyond those on screen.
    iconView_->setUniformItemSizes(true);
    iconView_->setLayoutMode(QListView::Batched);
    iconView_->setItemDelegate(new GridCellDelegate(iconView_));
    viewStack_->addWidget(iconView_);
    // Whoever disables the report view (the port's holder) disables the icon view with it.
    reportView_->installEventFilter(this);

    viewStack_->setCurrentWidget(reportView_);

    for (QAbstractItemView* view : views()) {
        // A row picked in the icon view is the same selected row the report view shows.
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        view->viewport()->installEventFilter(this);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint& position) { openListMenu(*view, position); });
    }
}

void FilePanel::openListMenu(QAbstractItemView& view, const QPoint& position)
{
    // The view cannot be left to select the row under the pointer: on X11 the menu opens on
    // the button press and the view never sees the release.
    if (menuFromMouse_ && view.selectionModel() != nullptr) {
        QItemSelectionModel& selection = *view.selectionModel();
        const QModelIndex under = view.indexAt(position);
        if (!under.isValid()) {
            selection.clearSelection();
        } else if (!selection.isRowSelected(under.row(), under.parent())) {
            selection.setCurrentIndex(under, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
        }
    }
    menuFromMouse_ = false;
    emit listMenuRequested(&view, position);
}

QToolButton* FilePanel::addToolButton(const QString& objectName, const QString& hint, ToolIcon icon)
{
    return AddToolButton(*toolBar_, objectName, hint, icon);
}

void FilePanel::addViewStyleButtons()
{
    viewStyleButtons_ = AddViewStyleButtons(*toolBar_, QStringLiteral("tbtn") + prefix_).group;
    connect(viewStyleButtons_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) {
            setViewStyle(static_cast<FileViewStyle>(id));
        }
    });
}

QToolButton* FilePanel::viewStyleButton(FileViewStyle style) const
{
    return static_cast<QToolButton*>(viewStyleButtons_->button(static_cast<int>(style)));
}

void FilePanel::setListModel(QAbstractItemModel* model)
{
    reportView_->setModel(model);
    // setModel resets the widths.
    for (int column = 0; column < kFileColumnCount; ++column) {
        reportView_->setColumnWidth(column,
                                    kFileListColumns[static_cast<std::size_t>(column)].width);
    }
    iconView_->setModel(model);
    iconView_->setSelectionModel(reportView_->selectionModel());
    if (model != nullptr) {
        connect(model, &QAbstractItemModel::modelReset, this, &FilePanel::fitColumnsToView,
                Qt::UniqueConnection);
        fitColumnsToView();
    }
}

void FilePanel::fitColumnsToView()
{
    QTreeView& view = *reportView_;
    const QAbstractItemModel* model = view.model();
    if (model == nullptr) {
        return;
    }
    const QFontMetrics metrics(view.font());
    // Rows the viewport holds at its current height, the partly shown last one included.
    const int rowHeight = std::max(metrics.height(), view.iconSize().height()) + 4;
    const int screenRows =
        std::min(model->rowCount(), std::max(1, view.viewport()->height()) / rowHeight + 1);
    const int margin =
        2 * view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 8;
    // The icon and the gap beside it.
    const int iconCell = view.iconSize().width() > 0 ? view.iconSize().width() + 4 : 20;
    ColumnWidths needed{};
    ColumnWidths least{};
    ColumnWidths first{};
    for (int column = 0; column < kFileColumnCount; ++column) {
        const auto at = static_cast<std::size_t>(column);
        // Every header stays readable.
        const int header = view.header()->sectionSizeHint(column);
        int cells = 0;
        for (int row = 0; row < screenRows; ++row) {
            const QModelIndex index = model->index(row, column);
            cells =
                std::max(cells, metrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()) +
                                    margin + (column == kColumnName ? iconCell : 0));
        }
        needed[at] = std::max(header, cells);
        // A size cut short would read as another size.
        least[at] = column == kColumnSize ? needed[at] : header;
        // The last column takes what the others leave.
        first[at] = column == kColumnModified ? 0 : kFileListColumns[at].width;
    }
    // However narrow the view, an 8.3 name stays whole.
    least[kColumnName] =
        std::max(least[kColumnName],
                 metrics.horizontalAdvance(QStringLiteral("XXXXXXXX.XXX")) + margin + iconCell);
    // A view not on screen has no width of its own yet; it is fitted again when it is shown.
    const int viewWidth = view.isVisible() ? view.viewport()->width() : QWIDGETSIZE_MAX;
    const ColumnWidths widths = FitColumnWidths(needed, least, first, viewWidth);
    for (int column = 0; column < kFileColumnCount; ++column) {
        view.setColumnWidth(column, widths[static_cast<std::size_t>(column)]);
    }
}

void FilePanel::setViewStyle(FileViewStyle style)
{
    viewStyle_ = style;
    if (QAbstractButton* button = viewStyleButtons_->button(static_cast<int>(style))) {
        const QSignalBlocker quiet(viewStyleButtons_);
        button->setChecked(true);
    }
    if (style != FileViewStyle::Report) {
        QListView& icons = *iconView_;
        const bool large = style == FileViewStyle::LargeIcons;
        // Each grid cell holds a whole name of the panel's length: for large icons on one line,
        // or a longer one on two, under the icon.
        const int textWidth =
            QFontMetrics(icons.font())
                .horizontalAdvance(QString(iconTextCharacters_, QLatin1Char('X')));
        icons.setViewMode(large ? QListView::IconMode : QListView::ListMode);
        icons.setFlow(style == FileViewStyle::List ? QListView::TopToBottom
                                                   : QListView::LeftToRight);
        icons.setIconSize(large ? QSize(32, 32) : QSize(16, 16));
        icons.setGridSize(large ? QSize(std::max(96, textWidth + 12), 72)
                                : QSize(std::max(150, textWidth + 40), 20));
        icons.setWordWrap(large);
        // setViewMode resets these.
        icons.setMovement(QListView::Static);
        icons.setWrapping(true);
        icons.setResizeMode(QListView::Adjust);
    }
    QAbstractItemView* shown = currentView();
    const bool hadFocus = reportView_->hasFocus() || iconView_->hasFocus();
    viewStack_->setCurrentWidget(shown);
    if (hadFocus) {
        shown->setFocus(Qt::OtherFocusReason);
    }
}

std::vector<std::size_t> FilePanel::selectedRows() const
{
    std::vector<std::size_t> rows;
    if (const QItemSelectionModel* selection = reportView_->selectionModel()) {
        for (const QModelIndex& index : selection->selectedRows()) {
            rows.push_back(static_cast<std::size_t>(index.row()));
        }
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

QAbstractItemView* FilePanel::currentView() const
{
    return viewStyle_ == FileViewStyle::Report ? static_cast<QAbstractItemView*>(reportView_)
                                               : iconView_;
}

std::vector<QAbstractItemView*> FilePanel::views() const
{
    return {reportView_, iconView_};
}

void FilePanel::setTypeAheadFinder(const TypeAheadFinder& finder)
{
    reportView_->setTypeAheadFinder(finder);
    iconView_->setTypeAheadFinder(finder);
}

bool FilePanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ContextMenu) {
        // Whether the menu about to open comes from the mouse or the keyboard.
        menuFromMouse_ =
            static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Mouse;
    }
    if (watched == reportView_->viewport() && event->type() == QEvent::Resize) {
        // A window resized, a splitter moved, a vertical scroll bar come or gone: the columns
        // share the new width; a taller view has more rows to fit. A view that only lost
        // height to the horizontal scroll bar of a column the user dragged wider keeps it so.
        const auto* resize = static_cast<const QResizeEvent*>(event);
        if (resize->size().width() != resize->oldSize().width() ||
            resize->size().height() > resize->oldSize().height()) {
            fitColumnsToView();
        }
    }
    if (watched == reportView_ && event->type() == QEvent::EnabledChange) {
        iconView_->setEnabled(reportView_->isEnabled());
    }
    return QWidget::eventFilter(watched, event);
}

void FilePanel::statusBarResize()
{
    statusBar_->setPanelWidth(0, width() / 3);
}

} // namespace kora
