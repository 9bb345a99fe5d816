#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/DeviceListing.h"
#include "device/DeviceMenu.h"
#include "device/DeviceMenuActions.h"
#include "filelist/EntryInfoProvider.h"
#include "filelist/FilePanelController.h"

class QAction;
class QMenu;
class QWidget;

namespace kora {

class DeviceBrowser;
class DeviceLink;
class DevicePanel;
class DialogActionUi;

// The device panel: the shared file-panel controller on the controller's drive, the port box,
// and the pop-up menu PopupMenu2 with its operations. The main window creates one controller
// for its panel and hands it what it needs.
class DevicePanelController final : public QObject {
    Q_OBJECT
public:
    struct Wiring {
        // Runs one device operation on the link's port (hourglass, pane, error box).
        DeviceOperationRunner run;
        // Double click on a file: runs it on the controller in the terminal.
        std::function<void(const QString&)> runProgram;
        // Icons and type names; the desktop's own when none is given.
        std::unique_ptr<EntryInfoProvider> infoProvider;
        // Parent of the message boxes and dialogs.
        QWidget* dialogParent = nullptr;
    };

    // The panel and the link must outlive the controller. The port box sets the link's port
    // name; a name typed into it is confirmed before any action that needs the port.
    DevicePanelController(DevicePanel& panel, DeviceLink& link, Wiring wiring,
                          QObject* parent = nullptr);
    ~DevicePanelController() override;

    DeviceBrowser& browser() const { return *browser_; }
    QMenu* PopupMenu2() const { return PopupMenu2_.get(); }
    // The menu's items by object name ("Delete1", "FORMAT1", separators "N1".."N4"); the
    // submenu's own item is "DOScommand1".
    QAction* menuItem(std::string_view objectName) const;

    // Start-up: offers the ports found, selects the first and returns its name (empty when
    // there is none). Nothing is listed.
    QString ScanComPort(const std::vector<std::string>& portNames);

    // The selected row, if any.
    std::optional<std::size_t> selectedRow() const;

    // The panel's handlers.
    void cbxCOMChange();
    void cbxKoraClick(int index);
    void tbtnKoraUpClick() { shared_->moveUp(); }
    void tbtnRefreshClick() { shared_->refresh(); }
    void lstviewKoraColumnClick(int column) { shared_->sortByColumn(column); }
    void lstviewKoraDblClick() { shared_->activate(); }
    std::optional<int> lstviewKoraDataFind(const QString& typed, int currentRow)
    {
        return shared_->findByTypeAhead(typed, currentRow);
    }
    // Remembers the row the menu is opened on and enables the items for it.
    void PopupMenu2Popup();

    // The menu's commands, each dropped when a typed port name takes effect first.
    void MakeDirectory1Click() { menuCommand(&DeviceMenuActions::MakeDirectory1Click); }
    void Delete1Click() { rowCommand(&DeviceMenuActions::Delete1Click); }
    void Rename1Click() { rowCommand(&DeviceMenuActions::Rename1Click); }
    void ABORT1Click() { menuCommand(&DeviceMenuActions::ABORT1Click); }
    void FORMAT1Click() { menuCommand(&DeviceMenuActions::FORMAT1Click); }
    void MEM1Click() { menuCommand(&DeviceMenuActions::MEM1Click); }
    void SetToAutoRun1Click() { rowCommand(&DeviceMenuActions::SetToAutoRun1Click); }
    void Properities1Click() { rowCommand(&DeviceMenuActions::Properities1Click); }

private:
    void connectPortBox();
    // The one place the menu's items are made and connected to their handlers.
    void buildPopupMenu2();
    // The port box's text takes effect: typed and confirmed.
    void typedPortConfirmed();
    // A menu command, on the selected row for rowCommand, unless a typed port name took effect
    // first.
    void menuCommand(void (DeviceMenuActions::*command)());
    void rowCommand(void (DeviceMenuActions::*command)(std::optional<std::size_t>));

    DevicePanel& panel_;
    DeviceLink& link_;
    Wiring wiring_;
    std::unique_ptr<DeviceBrowser> browser_;
    std::unique_ptr<FilePanelController> shared_;
    std::unique_ptr<DialogActionUi> ui_;
    std::unique_ptr<DeviceMenuActions> actions_;
    std::unique_ptr<QMenu> PopupMenu2_;
    std::array<QAction*, kPopupMenu2Items.size()> menuItems_{};
    // The port box holds typed text that has not taken effect yet.
    bool portTextPending_ = false;
};

} // namespace kora
