#include "local/LocalPanelController.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>

#include "local/LocalContextMenu.h"
#include "local/LocalListModel.h"
#include "local/LocalPanel.h"
#include "local/LocalShellInfoProvider.h"
#include "ui/StatusPanels.h"
#include "ui/UserPrompts.h"

namespace kora {
namespace {

QString PathText(const std::string& path)
{
    return QFile::decodeName(path.c_str());
}

std::string PathBytes(const QString& text)
{
    return QFile::encodeName(text).toStdString();
}

} // namespace

LocalPanelController::LocalPanelController(LocalPanel& panel, Wiring wiring, QObject* parent)
    : QObject(parent), panel_(panel), wiring_(std::move(wiring)),
      typeAhead_(QApplication::keyboardInputInterval(), TypeAheadSearch::NameBytes::Utf8)
{
    if (!wiring_.fileSystem) {
        wiring_.fileSystem = std::make_unique<LocalNamespace>();
    }
    if (!wiring_.infoProvider) {
        wiring_.infoProvider = std::make_unique<LocalShellInfoProvider>();
    }
    if (!wiring_.dialogs) {
        wiring_.dialogs = std::make_unique<DesktopLocalDialogs>();
    }
    if (wiring_.dialogParent == nullptr) {
        wiring_.dialogParent = &panel_;
    }
    browser_ = std::make_unique<LocalBrowser>(
        *wiring_.fileSystem, wiring_.infoProvider.get(),
        [this](const std::string& message) { reportError(message); });
    model_ = std::make_unique<LocalListModel>(*browser_, wiring_.infoProvider.get());
    menu_ = std::make_unique<LocalContextMenu>(*browser_, *wiring_.dialogs, wiring_.dialogParent);

    panel_.setListModel(model_.get());
    panel_.setTypeAheadFinder([this](const QString& typed, int currentRow) {
        return lstviewLocalDataFind(typed, currentRow);
    });
    connectPanel();
    connect(browser_.get(), &LocalBrowser::folderShown, this, &LocalPanelController::showListing);
}

LocalPanelController::~LocalPanelController()
{
    // The views outlive the model; leave them without rows rather than with a dangling model.
    panel_.setListModel(nullptr);
}

QMenu* LocalPanelController::PopupMenu1() const
{
    return menu_->PopupMenu1();
}

void LocalPanelController::connectPanel()
{
    connect(panel_.tbtnLocalOpenDir(), &QToolButton::clicked, this,
            &LocalPanelController::tbtnLocalOpenDirClick);
    connect(panel_.tbtnLocalUp(), &QToolButton::clicked, this,
            &LocalPanelController::tbtnLocalUpClick);
    connect(panel_.tbtnLocalRefresh(), &QToolButton::clicked, this,
            &LocalPanelController::tbtnLocalRefreshClick);
    connect(panel_.lstviewLocal()->header(), &QHeaderView::sectionClicked, this,
            &LocalPanelController::lstviewLocalColumnClick);

    for (QAbstractItemView* view : panel_.views()) {
        connect(view, &QAbstractItemView::doubleClicked, this,
                &LocalPanelController::lstviewLocalDblClick);
        view->installEventFilter(this);
    }
    connect(&panel_, &FilePanel::listMenuRequested, this,
            [this](QAbstractItemView* view, const QPoint& position) {
                openPopupMenu1(*view, position);
            });
    allowDragOut();
    // The icon view's styles switch its dragging off again.
    connect(panel_.viewStyleButtons(), &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) {
            allowDragOut();
        }
    });

    QComboBox& box = *panel_.cbxLocal();
    // What the user typed is what gets listed: no completion behind the user's back.
    box.setCompleter(nullptr);
    connect(&box, &QComboBox::activated, this, &LocalPanelController::cbxLocalClick);
    box.installEventFilter(this);
    box.lineEdit()->installEventFilter(this);
}

void LocalPanelController::allowDragOut()
{
    // Selected files can be dragged to the device panel or to another program; nothing is
    // dropped into this list.
    for (QAbstractItemView* view : panel_.views()) {
        view->setDragDropMode(QAbstractItemView::DragOnly);
        view->setDefaultDropAction(Qt::CopyAction);
    }
}

void LocalPanelController::act(const std::function<void()>& step)
{
    {
        ++acting_;
        BusyCursor busy;
        step();
        --acting_;
    }
    if (acting_ > 0) {
        return;
    }
    std::vector<std::string> errors;
    errors.swap(pendingErrors_);
    for (const std::string& message : errors) {
        Prompts().error(wiring_.dialogParent, QString::fromUtf8(message));
    }
}

void LocalPanelController::reportError(const std::string& message)
{
    if (acting_ > 0) {
        pendingErrors_.push_back(message);
    } else {
        Prompts().error(wiring_.dialogParent, QString::fromUtf8(message));
    }
}

void LocalPanelController::ShowLocalFolder(const LocalFolderId& folder)
{
    act([&] { browser_->ShowLocalFolder(folder); });
}

void LocalPanelController::ShowLocalPath(const std::string& path)
{
    act([&] { browser_->ShowLocalPath(path); });
}

void LocalPanelController::tbtnLocalOpenDirClick()
{
    if (const auto chosen = wiring_.dialogs->chooseFolder(wiring_.dialogParent)) {
        ShowLocalPath(PathBytes(*chosen));
    }
}

void LocalPanelController::tbtnLocalUpClick()
{
    act([&] { browser_->moveUp(); });
}

void LocalPanelController::tbtnLocalRefreshClick()
{
    act([&] { browser_->refresh(); });
}

void LocalPanelController::lstviewLocalColumnClick(int column)
{
    act([&] { browser_->sortByColumn(column); });
}

void LocalPanelController::lstviewLocalDblClick()
{
    const auto row = activeRow();
    act([&] { browser_->enterFolder(row); });
}

void LocalPanelController::cbxLocalClick()
{
    const std::string text = PathBytes(panel_.cbxLocal()->currentText());
    act([&] { browser_->choosePath(text); });
}

std::optional<std::size_t> LocalPanelController::activeRow() const
{
    const QItemSelectionModel* selection = panel_.lstviewLocal()->selectionModel();
    if (selection == nullptr) {
        return std::nullopt;
    }
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && selection->isRowSelected(current.row(), current.parent())) {
        return static_cast<std::size_t>(current.row());
    }
    const std::vector<std::size_t> rows = selectedRows();
    if (rows.empty()) {
        return std::nullopt;
    }
    return rows.front();
}

std::vector<std::size_t> LocalPanelController::selectedRows() const
{
    std::vector<std::size_t> rows;
    const QItemSelectionModel* selection = panel_.lstviewLocal()->selectionModel();
    if (selection == nullptr) {
        return rows;
    }
    for (const QModelIndex& index : selection->selectedRows()) {
        rows.push_back(static_cast<std::size_t>(index.row()));
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<SelectedLocalEntry> LocalPanelController::selectedEntries() const
{
    return browser_->entriesAt(selectedRows());
}

void LocalPanelController::showListing()
{
    QComboBox& box = *panel_.cbxLocal();
    {
        const QSignalBlocker quiet(&box);
        box.clear();
        for (const LocalBrowser::PathBoxItem& item : browser_->pathBoxItems()) {
            box.addItem(PathText(item.text));
        }
        box.setCurrentIndex(browser_->pathBoxIndex());
        box.setEditText(PathText(browser_->LocalPathText()));
    }

    StatusPanels& status = *panel_.stabarLocal();
    status.setPanelText(0, QString::fromStdString(browser_->objectCountText()));
    status.setPanelText(1, QString::fromStdString(browser_->sizeStatusText()));

    QItemSelectionModel& selection = *panel_.lstviewLocal()->selectionModel();
    selection.clearSelection();
    if (const auto row = browser_->focusRow()) {
        const QModelIndex index = model_->index(static_cast<int>(*row), 0);
        const auto command = browser_->focusRowSelected()
                                 ? QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows
                                 : QItemSelectionModel::NoUpdate;
        selection.setCurrentIndex(index, command);
        panel_.currentView()->scrollTo(index);
    }
}

std::optional<int> LocalPanelController::lstviewLocalDataFind(const QString& typed, int currentRow)
{
    std::optional<std::size_t> current;
    if (currentRow >= 0) {
        current = static_cast<std::size_t>(currentRow);
    }
    const auto row = typeAhead_.type(typed, current, browser_->LocalEntries());
    if (!row) {
        return std::nullopt;
    }
    return static_cast<int>(*row);
}

bool LocalPanelController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress) {
        return QObject::eventFilter(watched, event);
    }
    const int key = static_cast<QKeyEvent*>(event)->key();
    const bool inPathBox = watched == panel_.cbxLocal() || watched == panel_.cbxLocal()->lineEdit();
    if (inPathBox) {
        if (cbxLocalKeyDown(key)) {
            return true;
        }
    } else if (watched == panel_.lstviewLocal() || watched == panel_.lstviewLocalIcons()) {
        lstviewLocalKeyDown(key); // the list still sees the key
    }
    return QObject::eventFilter(watched, event);
}

void LocalPanelController::lstviewLocalKeyDown(int key)
{
    if (key == Qt::Key_Backspace) {
        tbtnLocalUpClick();
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        lstviewLocalDblClick();
    }
}

bool LocalPanelController::cbxLocalKeyDown(int key)
{
    if (key == Qt::Key_Down) {
        panel_.cbxLocal()->showPopup();
        return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        cbxLocalClick();
        return true;
    }
    return false;
}

void LocalPanelController::openPopupMenu1(QAbstractItemView& view, const QPoint& position)
{
    // The panel has made the selection the menu's target: a right click's row, or none beside
    // the rows (the menu is then for the folder itself).
    PopupMenu1Popup();
    PopupMenu1()->popup(view.viewport()->mapToGlobal(position));
}

void LocalPanelController::PopupMenu1Popup()
{
    menu_->PopupMenu1Popup(selectedRows());
}

} // namespace kora
