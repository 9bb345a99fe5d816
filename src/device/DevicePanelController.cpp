#include "device/DevicePanelController.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>
#include <utility>

#include "device/DeviceBrowser.h"
#include "device/DeviceListModel.h"
#include "device/DeviceMenuActions.h"
#include "device/DevicePanel.h"
#include "device/DialogActionUi.h"
#include "filelist/ShellEntryInfoProvider.h"
#include "link/DeviceLink.h"
#include "ui/StatusPanels.h"

namespace kora {
namespace {

bool IsSubmenu(std::string_view objectName)
{
    return std::any_of(kPopupMenu2Items.begin(), kPopupMenu2Items.end(),
                       [&](const PopupMenuItem& item) { return item.submenuOf == objectName; });
}

QString Latin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

DevicePanelController::DevicePanelController(DevicePanel& panel, DeviceLink& link, Wiring wiring,
                                             QObject* parent)
    : QObject(parent), panel_(panel), link_(link), wiring_(std::move(wiring)),
      typeAhead_(QApplication::keyboardInputInterval())
{
    if (!wiring_.infoProvider) {
        wiring_.infoProvider = std::make_unique<ShellEntryInfoProvider>();
    }
    QWidget* dialogParent = wiring_.dialogParent != nullptr ? wiring_.dialogParent : &panel_;
    // A listing asked for while the port is held (an event that got through the nested event
    // loop of another exchange) is not made, and the shown listing stays as it is.
    browser_ = std::make_unique<DeviceBrowser>(wiring_.run, [this] { return !link_.busy(); });
    model_ = std::make_unique<DeviceListModel>(*browser_, wiring_.infoProvider.get());
    browser_->setTypeNameLookup([this] {
        model_->FillDeviceEntryInfo(0, static_cast<int>(browser_->entries().size()) - 1);
    });
    ui_ = std::make_unique<DialogActionUi>(dialogParent);
    actions_ = std::make_unique<DeviceMenuActions>(*browser_, *ui_);

    panel_.setListModel(model_.get());
    panel_.setTypeAheadFinder([this](const QString& typed, int currentRow) {
        return lstviewKoraDataFind(typed, currentRow);
    });
    buildPopupMenu2();
    connectPopupMenu2();
    connectPanel();
    connect(browser_.get(), &DeviceBrowser::folderShown, this, &DevicePanelController::showListing);
    link_.setPendingPortConfirmer([this] {
        if (!portTextPending_) {
            return false;
        }
        cbxCOMChange();
        return true;
    });
}

DevicePanelController::~DevicePanelController()
{
    link_.setPendingPortConfirmer({});
    // The views outlive the model; leave them without rows rather than with a dangling model.
    panel_.setListModel(nullptr);
}

void DevicePanelController::connectPanel()
{
    connect(panel_.tbtnKoraUp(), &QToolButton::clicked, this,
            &DevicePanelController::tbtnKoraUpClick);
    connect(panel_.tbtnRefresh(), &QToolButton::clicked, this,
            &DevicePanelController::tbtnRefreshClick);
    connect(panel_.lstviewKora()->header(), &QHeaderView::sectionClicked, this,
            &DevicePanelController::lstviewKoraColumnClick);
    connect(panel_.cbxKora(), &QComboBox::activated, this, &DevicePanelController::cbxKoraClick);

    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(panel_.lstviewKora()),
                                    static_cast<QAbstractItemView*>(panel_.lstviewKoraIcons())}) {
        connect(view, &QAbstractItemView::doubleClicked, this,
                &DevicePanelController::lstviewKoraDblClick);
        view->installEventFilter(this);
        view->viewport()->installEventFilter(this);
    }

    connect(&panel_, &FilePanel::listMenuRequested, this,
            [this](QAbstractItemView* view, const QPoint& position) {
                openPopupMenu2(*view, position);
            });

    QComboBox& ports = *panel_.cbxCOM();
    // Completion would pick list items behind the user's back while a name is typed.
    ports.setCompleter(nullptr);
    connect(&ports, &QComboBox::activated, this, &DevicePanelController::cbxCOMChange);
    connect(ports.lineEdit(), &QLineEdit::textEdited, this, &DevicePanelController::portTextEdited);
    connect(ports.lineEdit(), &QLineEdit::returnPressed, this,
            &DevicePanelController::typedPortConfirmed);
    connect(ports.lineEdit(), &QLineEdit::editingFinished, this,
            &DevicePanelController::typedPortConfirmed);
}

void DevicePanelController::buildPopupMenu2()
{
    PopupMenu2_ = std::make_unique<QMenu>();
    PopupMenu2_->setObjectName(QStringLiteral("PopupMenu2"));
    QMenu* submenu = nullptr;
    for (std::size_t i = 0; i < kPopupMenu2Items.size(); ++i) {
        const PopupMenuItem& item = kPopupMenu2Items[i];
        QMenu* into = item.submenuOf.empty() || submenu == nullptr ? PopupMenu2_.get() : submenu;
        QAction* action = nullptr;
        if (item.caption == "-") {
            action = into->addSeparator();
            action->setObjectName(Latin1(item.objectName));
        } else if (IsSubmenu(item.objectName)) {
            submenu = into->addMenu(Latin1(item.caption));
            submenu->setObjectName(Latin1(item.objectName));
            action = submenu->menuAction();
        } else {
            action = into->addAction(Latin1(item.caption));
            action->setObjectName(Latin1(item.objectName));
        }
        menuItems_[i] = action;
    }
}

void DevicePanelController::connectPopupMenu2()
{
    using Handler = void (DevicePanelController::*)();
    const std::pair<std::string_view, Handler> handlers[] = {
        {"MakeDirectory1", &DevicePanelController::MakeDirectory1Click},
        {"Delete1", &DevicePanelController::Delete1Click},
        {"Rename1", &DevicePanelController::Rename1Click},
        {"ABORT1", &DevicePanelController::ABORT1Click},
        {"FORMAT1", &DevicePanelController::FORMAT1Click},
        {"MEM1", &DevicePanelController::MEM1Click},
        {"SetToAutoRun1", &DevicePanelController::SetToAutoRun1Click},
        {"Properities1", &DevicePanelController::Properities1Click},
    };
    for (const auto& [name, handler] : handlers) {
        connect(menuItem(name), &QAction::triggered, this, handler);
    }
    PopupMenu2Popup(); // KORA Copy and KORA Paste start, and stay, disabled
}

QAction* DevicePanelController::menuItem(std::string_view objectName) const
{
    for (std::size_t i = 0; i < kPopupMenu2Items.size(); ++i) {
        if (kPopupMenu2Items[i].objectName == objectName) {
            return menuItems_[i];
        }
    }
    return nullptr;
}

QString DevicePanelController::ScanComPort(const std::vector<std::string>& portNames)
{
    QComboBox& ports = *panel_.cbxCOM();
    const QSignalBlocker quiet(&ports);
    ports.clear();
    for (const std::string& name : portNames) {
        ports.addItem(QString::fromStdString(name));
    }
    if (ports.count() > 0) {
        ports.setCurrentIndex(0);
    }
    portTextPending_ = false;
    return ports.currentText();
}

std::optional<std::size_t> DevicePanelController::selectedRow() const
{
    const QItemSelectionModel* selection = panel_.lstviewKora()->selectionModel();
    if (selection == nullptr) {
        return std::nullopt;
    }
    const QModelIndexList rows = selection->selectedRows();
    if (rows.isEmpty()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(rows.front().row());
}

void DevicePanelController::portTextEdited()
{
    portTextPending_ = true;
}

void DevicePanelController::typedPortConfirmed()
{
    // Enter, or the box losing the focus, after the user typed into it.
    if (portTextPending_) {
        cbxCOMChange();
    }
}

bool DevicePanelController::portChangedFirst()
{
    return link_.confirmPendingPort();
}

void DevicePanelController::cbxCOMChange()
{
    // The port must not change under its holder; the typed text stays pending.
    if (link_.busy()) {
        return;
    }
    portTextPending_ = false;
    QComboBox& ports = *panel_.cbxCOM();
    // A typed name of a listed port (in any case) selects that item with its own spelling, so
    // the box has nothing left to activate when it loses the focus.
    const int listed = ports.findText(ports.currentText(), Qt::MatchFixedString);
    if (listed >= 0) {
        const QSignalBlocker quiet(&ports);
        ports.setCurrentIndex(listed);
        ports.setEditText(ports.itemText(listed));
    }
    link_.setPortName(ports.currentText());
    browser_->portChanged();
}

void DevicePanelController::cbxKoraClick(int index)
{
    if (portChangedFirst()) {
        return;
    }
    const QByteArray path = panel_.cbxKora()->itemText(index).toLatin1();
    browser_->choosePath(std::string(path.constData(), static_cast<std::size_t>(path.size())));
}

void DevicePanelController::tbtnKoraUpClick()
{
    if (portChangedFirst()) {
        return;
    }
    browser_->moveUp();
}

void DevicePanelController::tbtnRefreshClick()
{
    if (portChangedFirst()) {
        return;
    }
    browser_->refresh();
}

void DevicePanelController::lstviewKoraColumnClick(int column)
{
    if (portChangedFirst()) {
        return;
    }
    browser_->sortByColumn(column);
}

void DevicePanelController::lstviewKoraDblClick()
{
    if (portChangedFirst()) {
        return;
    }
    const DeviceBrowser::Activation activation = browser_->activate(selectedRow());
    if (activation.kind == DeviceBrowser::Activation::Kind::RunFile && wiring_.runProgram) {
        wiring_.runProgram(ConsoleText(activation.fileName));
    }
}

void DevicePanelController::showListing()
{
    QComboBox& paths = *panel_.cbxKora();
    {
        const QSignalBlocker quiet(&paths);
        paths.clear();
        for (const std::string& path : browser_->pathHistory()) {
            paths.addItem(ConsoleText(path));
        }
        paths.setCurrentIndex(browser_->pathHistoryIndex());
    }

    StatusPanels& status = *panel_.stabarKora();
    status.setPanelText(0, ConsoleText(browser_->objectCountText()));
    status.setPanelText(1, ConsoleText(browser_->sizeStatusText()));

    QItemSelectionModel& selection = *panel_.lstviewKora()->selectionModel();
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

std::optional<int> DevicePanelController::lstviewKoraDataFind(const QString& typed, int currentRow)
{
    std::optional<std::size_t> current;
    if (currentRow >= 0) {
        current = static_cast<std::size_t>(currentRow);
    }
    const auto row = typeAhead_.type(typed, current, browser_->entries());
    if (!row) {
        return std::nullopt;
    }
    return static_cast<int>(*row);
}

bool DevicePanelController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress &&
        (watched == panel_.lstviewKora() || watched == panel_.lstviewKoraIcons())) {
        lstviewKoraKeyDown(static_cast<QKeyEvent*>(event)->key());
    }
    return QObject::eventFilter(watched, event); // the key is not consumed
}

void DevicePanelController::lstviewKoraKeyDown(int key)
{
    if (key == Qt::Key_Backspace) {
        tbtnKoraUpClick();
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        lstviewKoraDblClick();
    }
}

void DevicePanelController::openPopupMenu2(QAbstractItemView& view, const QPoint& position)
{
    // The panel has made the selection the menu's target: a right click's row, or none beside
    // the rows (the menu is then for the directory itself).
    PopupMenu2Popup();
    PopupMenu2_->popup(view.viewport()->mapToGlobal(position));
}

void DevicePanelController::PopupMenu2Popup()
{
    const auto row = selectedRow();
    actions_->PopupMenu2Popup(row);
    for (std::size_t i = 0; i < kPopupMenu2Items.size(); ++i) {
        const std::string caption = CaptionWithoutAccelerator(kPopupMenu2Items[i].caption);
        menuItems_[i]->setEnabled(actions_->itemEnabled(caption, row));
    }
}

void DevicePanelController::MakeDirectory1Click()
{
    if (portChangedFirst()) {
        return;
    }
    actions_->MakeDirectory1Click();
}

void DevicePanelController::Delete1Click()
{
    if (portChangedFirst()) {
        return;
    }
    actions_->Delete1Click(selectedRow());
}

void DevicePanelController::Rename1Click()
{
    if (portChangedFirst()) {
        return;
    }
    actions_->Rename1Click(selectedRow());
}

void DevicePanelController::ABORT1Click()
{
    if (portChangedFirst()) {
        return;
    }
    actions_->ABORT1Click();
}

void DevicePanelController::FORMAT1Click()
{
    if (portChangedFirst()) {
        return;
    }
    actions_->FORMAT1Click();
}

void DevicePanelController::MEM1Click()
{
    if (portChangedFirst()) {
        return;
    }
    actions_->MEM1Click();
}

void DevicePanelController::SetToAutoRun1Click()
{
    if (portChangedFirst()) {
        return;
    }
    actions_->SetToAutoRun1Click(selectedRow());
}

void DevicePanelController::Properities1Click()
{
    if (portChangedFirst()) {
        return;
    }
    const auto row = selectedRow();
    // The type name is looked up when a row is drawn; a row not drawn yet gets it now.
    if (row) {
        model_->FillDeviceEntryInfo(static_cast<int>(*row), static_cast<int>(*row));
    }
    actions_->Properities1Click(row);
}

} // namespace kora
