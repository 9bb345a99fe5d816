#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "device/DeviceListing.h"
#include "device/DeviceOperations.h"
#include "filelist/FolderEntry.h"

namespace kora {

class DeviceBrowser;

// What the menu's operations need from the user: confirmations, warnings, the name dialog and
// the properties dialog. Error boxes of failed exchanges are the runner's business.
class DeviceActionUi {
public:
    virtual ~DeviceActionUi() = default;
    // Yes/No; true only for Yes.
    virtual bool confirm(const std::string& text) = 0;
    virtual void warning(const std::string& text) = 0;
    // The typed text after OK as the controller's bytes (ControllerBytes); nothing after
    // Cancel, or after a text that has no such bytes (the refusal shown as a warning).
    virtual std::optional<std::string> askName(const NameRequest& request) = 0;
    virtual void showProperties(const PropertiesTexts& texts) = 0;
};

// The device list's pop-up menu behind its handlers: each operation runs its console command
// through the browser's runner and ends with the refresh that keeps the sort column and row.
class DeviceMenuActions {
public:
    DeviceMenuActions(DeviceBrowser& browser, DeviceActionUi& ui);

    // Just before the menu opens: remembers the selected row for the refresh afterwards.
    void PopupMenu2Popup(std::optional<std::size_t> selectedRow);
    // Whether the item with this caption (accelerators removed) is enabled for the row.
    bool itemEnabled(std::string_view caption, std::optional<std::size_t> selectedRow) const;

    void MakeDirectory1Click();
    void Delete1Click(std::optional<std::size_t> selectedRow);
    void Rename1Click(std::optional<std::size_t> selectedRow);
    void ABORT1Click();
    void FORMAT1Click();
    void MEM1Click();
    void SetToAutoRun1Click(std::optional<std::size_t> selectedRow);
    void Properities1Click(std::optional<std::size_t> selectedRow);

private:
    std::optional<FolderEntry> entryCopy(std::optional<std::size_t> row) const;
    // Asks for a name; nothing after Cancel, an empty text or a refused name (warned about).
    std::optional<std::string> askSafeName(const NameRequest& request);
    // The refresh uses the change the operation makes, when it is known.
    void runThenRefresh(const DeviceOperation& op, std::optional<KnownChange> change = {});

    DeviceBrowser& browser_;
    DeviceActionUi& ui_;
};

} // namespace kora
