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
#include <QStackedWidget>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

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
    SetUpFileListView(*reportView_);
    reportView_->setSelectionMode(selectionMode);
    // Sub-items in the window-text colour, like the names.
    reportView_->setItemDelegate(new WindowTextSubItemDelegate(reportView_));
    // Column headers until the panel's listing supplies its own model.
    reportView_->setModel(new EmptyFileListModel(reportView_));
    ApplyFileListColumnWidths(*reportView_);
    viewStack_->addWidget(reportView_);

    iconView_ = new FileIconView(viewStack_);
    iconView_->setObjectName(QStringLiteral("lstview") + prefix_ + QStringLiteral("Icons"));
    iconView_->setSelectionMode(selectionMode);
    // A row picked here is the same selected row the report view shows.
    iconView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    iconView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    iconView_->setContextMenuPolicy(Qt::CustomContextMenu);
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

void FilePanel::addToolBarSeparator()
{
    toolBar_->addSeparator();
}

QToolButton* FilePanel::viewStyleButton(FileViewStyle style) const
{
    return static_cast<QToolButton*>(viewStyleButtons_->button(static_cast<int>(style)));
}

void FilePanel::setListModel(QAbstractItemModel* model)
{
    reportView_->setModel(model);
    ApplyFileListColumnWidths(*reportView_);
    iconView_->setModel(model);
    iconView_->setSelectionModel(reportView_->selectionModel());
    if (model != nullptr) {
        connect(model, &QAbstractItemModel::modelReset, this, &FilePanel::fitColumnsToFirstScreen,
                Qt::UniqueConnection);
        fitColumnsToFirstScreen();
    }
}

void FilePanel::fitColumnsToFirstScreen()
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
    const int last = kFileColumnCount - 1;
    for (int column = 0; column < last; ++column) {
        int width = std::max(kFileListColumns[static_cast<std::size_t>(column)].width,
                             view.header()->sectionSizeHint(column));
        for (int row = 0; row < screenRows; ++row) {
            const QModelIndex index = model->index(row, column);
            int cell = metrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()) + margin;
            if (column == kColumnName) {
                // The icon and the gap beside it.
                cell += view.iconSize().width() > 0 ? view.iconSize().width() + 4 : 20;
            }
            width = std::max(width, cell);
        }
        view.setColumnWidth(column, width);
    }
}

void FilePanel::setViewStyle(FileViewStyle style)
{
    viewStyle_ = style;
    if (QAbstractButton* button = viewStyleButtons_->button(static_cast<int>(style))) {
        const QSignalBlocker quiet(viewStyleButtons_);
        button->setChecked(true);
    }
    QListView& icons = *iconView_;
    // Each grid cell holds a whole name of the panel's length.
    const int textWidth = QFontMetrics(icons.font())
                              .horizontalAdvance(QString(iconTextCharacters_, QLatin1Char('X')));
    switch (style) {
    case FileViewStyle::Report: {
        const bool hadFocus = iconView_->hasFocus();
        viewStack_->setCurrentWidget(reportView_);
        if (hadFocus) {
            reportView_->setFocus(Qt::OtherFocusReason);
        }
        return;
    }
    case FileViewStyle::LargeIcons:
        icons.setViewMode(QListView::IconMode);
        icons.setFlow(QListView::LeftToRight);
        icons.setIconSize(QSize(32, 32));
        // Room for a whole 8.3 name on one line, or a longer one on two, under the icon.
        icons.setGridSize(QSize(std::max(96, textWidth + 12), 72));
        icons.setWordWrap(true);
        break;
    case FileViewStyle::SmallIcons:
        icons.setViewMode(QListView::ListMode);
        icons.setFlow(QListView::LeftToRight);
        icons.setIconSize(QSize(16, 16));
        icons.setGridSize(QSize(std::max(150, textWidth + 40), 20));
        icons.setWordWrap(false);
        break;
    case FileViewStyle::List:
        icons.setViewMode(QListView::ListMode);
        icons.setFlow(QListView::TopToBottom);
        icons.setIconSize(QSize(16, 16));
        icons.setGridSize(QSize(std::max(150, textWidth + 40), 20));
        icons.setWordWrap(false);
        break;
    }
    // setViewMode resets these.
    icons.setMovement(QListView::Static);
    icons.setWrapping(true);
    icons.setResizeMode(QListView::Adjust);
    const bool hadFocus = reportView_->hasFocus();
    viewStack_->setCurrentWidget(iconView_);
    if (hadFocus) {
        icons.setFocus(Qt::OtherFocusReason);
    }
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
