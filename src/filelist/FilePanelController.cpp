#include "filelist/FilePanelController.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QTreeView>

#include "filelist/FilePanel.h"
#include "filelist/FolderBrowser.h"
#include "filelist/FolderListModel.h"
#include "ui/StatusPanels.h"
#include "ui/UserPrompts.h"

namespace kora {

FilePanelController::FilePanelController(FilePanel& panel, FolderBrowser& browser, Hooks hooks,
                                         QObject* parent)
    : QObject(parent), panel_(panel), browser_(browser), hooks_(std::move(hooks)),
      model_(std::make_unique<FolderListModel>(browser)),
      typeAhead_(QApplication::keyboardInputInterval(), browser.source().traits.names)
{
    panel_.setListModel(model_.get());
    panel_.setTypeAheadFinder([this](const QString& typed, int currentRow) {
        return findByTypeAhead(typed, currentRow);
    });
    connectPanel();
    connect(&browser_, &FolderBrowser::folderShown, this, &FilePanelController::showListing);
}

FilePanelController::~FilePanelController()
{
    // The views outlive the model; leave them without rows rather than with a dangling model.
    panel_.setListModel(nullptr);
}

void FilePanelController::connectPanel()
{
    connect(panel_.reportView()->header(), &QHeaderView::sectionClicked, this,
            &FilePanelController::sortByColumn);
    for (QAbstractItemView* view : panel_.views()) {
        connect(view, &QAbstractItemView::doubleClicked, this, &FilePanelController::activate);
        view->installEventFilter(this);
    }
    connect(&panel_, &FilePanel::listMenuRequested, this,
            [this](QAbstractItemView* view, const QPoint& position) { openMenu(*view, position); });
    if (browser_.source().traits.dragOut) {
        allowDragOut();
        // The icon view's styles switch its dragging off again.
        connect(panel_.viewStyleButtons(), &QButtonGroup::idToggled, this,
                [this](int, bool checked) {
                    if (checked) {
                        allowDragOut();
                    }
                });
    }
    QComboBox& box = *panel_.pathBox();
    connect(&box, &QComboBox::activated, this,
            [this, &box](int index) { choosePath(box.itemText(index)); });
    box.installEventFilter(this);
    if (box.isEditable()) {
        // What the user typed is what gets listed: no completion behind the user's back.
        box.setCompleter(nullptr);
        box.lineEdit()->installEventFilter(this);
    }
}

void FilePanelController::allowDragOut()
{
    // Selected files can be dragged to the device panel or to another program; nothing is
    // dropped into this list.
    for (QAbstractItemView* view : panel_.views()) {
        view->setDragDropMode(QAbstractItemView::DragOnly);
        view->setDefaultDropAction(Qt::CopyAction);
    }
}

QString FilePanelController::text(const std::string& bytes) const
{
    return TypeAheadSearch::decode(bytes, browser_.source().traits.names);
}

void FilePanelController::act(const std::function<void()>& step)
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
        Prompts().error(hooks_.dialogParent, text(message));
    }
}

void FilePanelController::reportError(const std::string& message)
{
    if (acting_ > 0) {
        pendingErrors_.push_back(message);
    } else {
        Prompts().error(hooks_.dialogParent, text(message));
    }
}

void FilePanelController::userAction(const std::function<void()>& step)
{
    if (hooks_.actionSuperseded && hooks_.actionSuperseded()) {
        return;
    }
    act(step);
}

void FilePanelController::moveUp()
{
    userAction([this] { browser_.moveUp(); });
}

void FilePanelController::refresh()
{
    userAction([this] { browser_.refresh(); });
}

void FilePanelController::sortByColumn(int column)
{
    userAction([this, column] { browser_.sortByColumn(column); });
}

void FilePanelController::activate()
{
    if (hooks_.actionSuperseded && hooks_.actionSuperseded()) {
        return;
    }
    FolderBrowser::Activation activation;
    act([&] { activation = browser_.activate(activeRow()); });
    // A file runs once the hourglass is gone: in the terminal, which takes over the port.
    if (activation.kind == FolderBrowser::Activation::Kind::RunFile && hooks_.runFile) {
        hooks_.runFile(activation.fileName);
    }
}

void FilePanelController::choosePath(const QString& path)
{
    userAction([this, path] {
        browser_.choosePath(TypeAheadSearch::encode(path, browser_.source().traits.names));
    });
}

std::optional<std::size_t> FilePanelController::activeRow() const
{
    const QItemSelectionModel* selection = panel_.reportView()->selectionModel();
    if (selection == nullptr) {
        return std::nullopt;
    }
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && selection->isRowSelected(current.row(), current.parent())) {
        return static_cast<std::size_t>(current.row());
    }
    const std::vector<std::size_t> rows = panel_.selectedRows();
    return rows.empty() ? std::nullopt : std::optional(rows.front());
}

void FilePanelController::showListing()
{
    QComboBox& box = *panel_.pathBox();
    {
        const QSignalBlocker quiet(&box);
        box.clear();
        for (const std::string& path : browser_.pathTexts()) {
            box.addItem(text(path));
        }
        box.setCurrentIndex(browser_.pathHistoryIndex());
        box.setEditText(text(browser_.pathText()));
    }

    StatusPanels& status = *panel_.statusBar();
    status.setPanelText(0, text(browser_.objectCountText()));
    status.setPanelText(1, text(browser_.sizeStatusText()));

    QItemSelectionModel& selection = *panel_.reportView()->selectionModel();
    selection.clearSelection();
    if (const auto row = browser_.focusRow()) {
        const QModelIndex index = model_->index(static_cast<int>(*row), 0);
        const auto command = browser_.focusRowSelected()
                                 ? QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows
                                 : QItemSelectionModel::NoUpdate;
        selection.setCurrentIndex(index, command);
        panel_.currentView()->scrollTo(index);
    }
}

std::optional<int> FilePanelController::findByTypeAhead(const QString& typed, int currentRow)
{
    std::optional<std::size_t> current;
    if (currentRow >= 0) {
        current = static_cast<std::size_t>(currentRow);
    }
    const auto row = typeAhead_.type(typed, current, browser_.entries());
    return row ? std::optional(static_cast<int>(*row)) : std::nullopt;
}

void FilePanelController::openMenu(QAbstractItemView& view, const QPoint& position)
{
    // The panel has made the selection the menu's target: a right click's row, or none beside
    // the rows (the menu is then for the folder itself).
    if (QMenu* menu = hooks_.prepareMenu ? hooks_.prepareMenu() : nullptr) {
        menu->popup(view.viewport()->mapToGlobal(position));
    }
}

bool FilePanelController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress) {
        return QObject::eventFilter(watched, event);
    }
    const auto& key = static_cast<QKeyEvent&>(*event);
    QComboBox& box = *panel_.pathBox();
    if (watched == &box || watched == box.lineEdit()) {
        return pathBoxKey(key.key(), key.text()) || QObject::eventFilter(watched, event);
    }
    if (key.key() == Qt::Key_Backspace) {
        moveUp();
    } else if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) {
        activate();
    }
    return QObject::eventFilter(watched, event); // the list still sees the key
}

bool FilePanelController::pathBoxKey(int key, const QString& typed)
{
    QComboBox& box = *panel_.pathBox();
    if (!box.isEditable()) {
        // Chosen from its list, never typed into: typed characters are discarded; navigation
        // keys still work.
        return !typed.isEmpty() && typed.at(0).isPrint();
    }
    if (key == Qt::Key_Down) {
        box.showPopup();
        return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        choosePath(box.currentText());
        return true;
    }
    return false;
}

} // namespace kora
