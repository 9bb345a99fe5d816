#include "device/DevicePanelController.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

#include <algorithm>
#include <utility>

#include "device/DeviceBrowser.h"
#include "device/DevicePanel.h"
#include "device/DialogActionUi.h"
#include "filelist/ShellEntryInfoProvider.h"
#include "link/DeviceLink.h"

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
    : QObject(parent), panel_(panel), link_(link), wiring_(std::move(wiring))
{
    if (!wiring_.infoProvider) {
        wiring_.infoProvider = std::make_unique<ShellEntryInfoProvider>();
    }
    QWidget* dialogParent = wiring_.dialogParent != nullptr ? wiring_.dialogParent : &panel_;
    // A listing asked for while the port is held (an event that got through the nested event
    // loop of another exchange) is not made, and the shown listing stays as it is.
    browser_ = std::make_unique<DeviceBrowser>(
        wiring_.run, [this] { return !link_.busy(); }, wiring_.infoProvider.get());
    FilePanelController::Hooks hooks;
    // A port name typed but not confirmed takes effect first, listing the new port's root: an
    // action made on the listing that is gone (or a listing, just made) is dropped.
    hooks.actionSuperseded = [this] { return link_.confirmPendingPort(); };
    hooks.runFile = [this](const std::string& name) {
        if (wiring_.runProgram) {
            wiring_.runProgram(ConsoleText(name));
        }
    };
    hooks.prepareMenu = [this] {
        PopupMenu2Popup();
        return PopupMenu2_.get();
    };
    hooks.dialogParent = dialogParent;
    shared_ = std::make_unique<FilePanelController>(panel_, *browser_, std::move(hooks));
    ui_ = std::make_unique<DialogActionUi>(dialogParent);
    actions_ = std::make_unique<DeviceMenuActions>(*browser_, *ui_);

    buildPopupMenu2();
    connect(panel_.tbtnKoraUp(), &QToolButton::clicked, this,
            &DevicePanelController::tbtnKoraUpClick);
    connect(panel_.tbtnRefresh(), &QToolButton::clicked, this,
            &DevicePanelController::tbtnRefreshClick);
    connectPortBox();
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
}

void DevicePanelController::connectPortBox()
{
    QComboBox& ports = *panel_.cbxCOM();
    // Completion would pick list items behind the user's back while a name is typed.
    ports.setCompleter(nullptr);
    connect(&ports, &QComboBox::activated, this, &DevicePanelController::cbxCOMChange);
    connect(ports.lineEdit(), &QLineEdit::textEdited, this, [this] { portTextPending_ = true; });
    connect(ports.lineEdit(), &QLineEdit::returnPressed, this,
            &DevicePanelController::typedPortConfirmed);
    connect(ports.lineEdit(), &QLineEdit::editingFinished, this,
            &DevicePanelController::typedPortConfirmed);
}

void DevicePanelController::buildPopupMenu2()
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
        for (const auto& [name, handler] : handlers) {
            if (name == item.objectName) {
                connect(action, &QAction::triggered, this, handler);
            }
        }
        menuItems_[i] = action;
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
    const std::vector<std::size_t> rows = panel_.selectedRows();
    return rows.empty() ? std::nullopt : std::optional(rows.front());
}

void DevicePanelController::typedPortConfirmed()
{
    // Enter, or the box losing the focus, after the user typed into it.
    if (portTextPending_) {
        cbxCOMChange();
    }
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
    shared_->choosePath(panel_.pathBox()->itemText(index));
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

void DevicePanelController::menuCommand(void (DeviceMenuActions::*command)())
{
    if (!link_.confirmPendingPort()) {
        (actions_.get()->*command)();
    }
}

void DevicePanelController::rowCommand(
    void (DeviceMenuActions::*command)(std::optional<std::size_t>))
{
    if (!link_.confirmPendingPort()) {
        (actions_.get()->*command)(selectedRow());
    }
}

} // namespace kora
