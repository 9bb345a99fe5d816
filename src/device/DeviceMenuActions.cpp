#include "device/DeviceMenuActions.h"

#include "device/DeviceBrowser.h"
#include "device/DeviceMenu.h"

namespace kora {

DeviceMenuActions::DeviceMenuActions(DeviceBrowser& browser, DeviceActionUi& ui)
    : browser_(browser), ui_(ui)
{
}

void DeviceMenuActions::PopupMenu2Popup(std::optional<std::size_t> selectedRow)
{
    if (browser_.entryAt(selectedRow) != nullptr) {
        browser_.setSavedFocusIndex(static_cast<int>(*selectedRow));
    }
}

bool DeviceMenuActions::itemEnabled(std::string_view caption,
                                    std::optional<std::size_t> selectedRow) const
{
    return PopupMenu2ItemEnabled(caption, browser_.entryAt(selectedRow));
}

void DeviceMenuActions::runThenRefresh(const DeviceOperation& op, std::optional<KnownChange> change)
{
    if (!browser_.runner()(op).ok) {
        return;
    }
    if (change) {
        browser_.refreshAfter(std::move(*change));
    } else {
        browser_.operationRefresh();
    }
}

std::optional<std::string> DeviceMenuActions::askSafeName(const NameRequest& request)
{
    std::optional<std::string> name = ui_.askName(request);
    if (!name || name->empty()) {
        return std::nullopt;
    }
    // The edit box holds no more than this; a longer text is cut the same way.
    if (request.maxLength > 0 && name->size() > static_cast<std::size_t>(request.maxLength)) {
        name->resize(static_cast<std::size_t>(request.maxLength));
    }
    if (const auto warning = UnsafeNameWarning(*name)) {
        ui_.warning(*warning);
        return std::nullopt;
    }
    return name;
}

void DeviceMenuActions::MakeDirectory1Click()
{
    if (const auto name = askSafeName(MakeDirectoryRequest())) {
        runThenRefresh(MakeDirectoryOperation(browser_.DevicePath(), *name),
                       KnownChange::MadeDirectory(*name));
    }
}

std::optional<FolderEntry> DeviceMenuActions::entryCopy(std::optional<std::size_t> row) const
{
    // Handlers keep a copy: every exchange may let a listing replace the entries.
    if (const FolderEntry* entry = browser_.entryAt(row)) {
        return *entry;
    }
    return std::nullopt;
}

void DeviceMenuActions::Delete1Click(std::optional<std::size_t> selectedRow)
{
    const std::optional<FolderEntry> entry = entryCopy(selectedRow);
    if (!entry) {
        return;
    }
    const std::string& name = entry->name;
    const std::string path = browser_.DevicePath();
    DeviceOperation op;
    std::string question;
    if (entry->isFolder) {
        const auto counts = CountDeviceTree(browser_.runner(), path, name);
        if (!counts) {
            return;
        }
        if (counts->files > 0 || counts->folders > 0) {
            ui_.warning(DirectoryNotEmptyWarning(name));
            return;
        }
        op = RemoveDirectoryOperation(path, name);
        question = DeleteDirectoryQuestion(name);
    } else {
        op = DeleteFileOperation(path, name);
        question = DeleteFileQuestion(name);
    }
    if (ui_.confirm(question)) {
        runThenRefresh(op, KnownChange::Deleted(name));
    }
}

void DeviceMenuActions::Rename1Click(std::optional<std::size_t> selectedRow)
{
    const std::optional<FolderEntry> entry = entryCopy(selectedRow);
    if (!entry) {
        return;
    }
    const std::string oldName = entry->name;
    if (const auto newName = askSafeName(RenameRequest(oldName))) {
        runThenRefresh(RenameOperation(browser_.DevicePath(), oldName, *newName),
                       KnownChange::Renamed(*entry, *newName));
    }
}

void DeviceMenuActions::ABORT1Click()
{
    browser_.runner()(AbortOperation());
}

void DeviceMenuActions::FORMAT1Click()
{
    if (ui_.confirm(std::string(kFormatQuestion))) {
        runThenRefresh(FormatOperation());
    }
}

void DeviceMenuActions::MEM1Click()
{
    browser_.runner()(MemOperation());
}

void DeviceMenuActions::SetToAutoRun1Click(std::optional<std::size_t> selectedRow)
{
    const std::optional<FolderEntry> entry = entryCopy(selectedRow);
    if (!entry) {
        return;
    }
    browser_.runner()(SetToAutoRunOperation(browser_.DevicePath(), entry->name));
    // The controller may have written the file even when the exchange went wrong.
    browser_.operationRefresh();
}

void DeviceMenuActions::Properities1Click(std::optional<std::size_t> selectedRow)
{
    const std::string pathText = browser_.pathText();
    const std::string path = browser_.DevicePath();
    if (selectedRow) {
        // The type name is looked up when a row is drawn; a row not drawn yet gets it now.
        browser_.fillEntryInfo(static_cast<int>(*selectedRow), static_cast<int>(*selectedRow));
    }
    if (const std::optional<FolderEntry> entry = entryCopy(selectedRow)) {
        std::optional<TreeCounts> counts;
        if (entry->isFolder) {
            counts = CountDeviceTree(browser_.runner(), path, entry->name);
        }
        ui_.showProperties(EntryProperties(*entry, pathText, counts));
        return;
    }
    if (const auto counts = CountDeviceTree(browser_.runner(), path, std::string())) {
        ui_.showProperties(CurrentDirectoryProperties(pathText, *counts));
    }
}

} // namespace kora
