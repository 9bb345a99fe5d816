#include "device/DeviceBrowser.h"

#include <algorithm>

#include "device/DevicePath.h"
#include "device/DeviceSort.h"
#include "filelist/DateTimeText.h"
#include "filelist/SizeText.h"

namespace kora {

namespace {

// Runs a cleanup when the scope ends, also when it ends by an exception.
template <typename Cleanup> class ScopeExit {
public:
    explicit ScopeExit(Cleanup cleanup) : cleanup_(std::move(cleanup)) {}
    ~ScopeExit() { cleanup_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Cleanup cleanup_;
};

} // namespace

DeviceBrowser::DeviceBrowser(DeviceOperationRunner run, PortFree portFree, QObject* parent)
    : QObject(parent), run_(std::move(run)), portFree_(std::move(portFree))
{
}

void DeviceBrowser::replaceEntries(std::vector<FolderEntry> entries)
{
    emit entriesAboutToBeReplaced();
    entries_.assign(std::move(entries));
    if (deviceSortColumn_ == kColumnType && lookUpTypeNames_) {
        lookUpTypeNames_();
    }
    SortDeviceEntries(entries_, deviceSortColumn_);
    emit entriesReplaced();
}

bool DeviceBrowser::LoadDeviceListing(const std::string& path)
{
    DateTimeText::instance().useDeviceDateFormat();

    DirectoryListing listing;
    // The entries shown are the last good listing of the path shown: a new reading of that path
    // that differs from them is taken only once a second reading confirms it.
    std::optional<std::vector<FolderEntry>> earlier;
    if (entriesListed_ && path == devicePath_) {
        earlier.emplace(entries_.begin(), entries_.end());
    }
    // A failure has been reported. A reading the console did not confirm or did not finish is
    // never shown as the path's contents: the last good listing stays, greyed, with the path it
    // belongs to, so the user still sees where things were and a later operation acts where the
    // list shows.
    if (!ListDeviceDirectory(run_, path, listing, earlier ? &*earlier : nullptr)) {
        emit entriesAboutToBeReplaced();
        listingStale_ = true;
        emit entriesReplaced();
        return false;
    }
    listingStale_ = false;
    entriesListed_ = true;
    replaceEntries(std::move(listing.entries));
    deviceSortColumn_ = 0;

    // A listing without a free-space line shows its total alone rather than next to the
    // previous listing's free space; the last known figure is kept for the copy check.
    std::string freeText;
    listedFreeBytes_.reset();
    if (listing.freeSpace) {
        listedFreeBytes_ = listing.freeSpace->bytes;
        deviceFreeBytes_ = listing.freeSpace->bytes;
        freeText = listing.freeSpace->text;
    }
    objectCountText_ = ObjectCountText(entries_.size());
    sizeStatusText_ = TotalSizeText(entries_.totalBytes()) + freeText;
    return true;
}

void DeviceBrowser::rememberPath(const std::string& path)
{
    const auto known = std::find(pathHistory_.begin(), pathHistory_.end(), path);
    if (known == pathHistory_.end()) {
        pathHistory_.insert(pathHistory_.begin(), path);
        pathHistoryIndex_ = 0;
    } else {
        pathHistoryIndex_ = static_cast<int>(known - pathHistory_.begin());
    }
    pathText_ = path;
}

void DeviceBrowser::ShowDeviceFolder(const std::string& path)
{
    show(path, true);
}

bool DeviceBrowser::portFree() const
{
    return !portFree_ || portFree_();
}

void DeviceBrowser::show(const std::string& path, bool selectFocusRow)
{
    if (!portFree()) {
        return;
    }
    {
        const ScopeExit resetFocus([this] { deviceFocusIndex_ = 0; });
        showListing(path, selectFocusRow);
    }
    emit folderShown();
}

void DeviceBrowser::showListing(const std::string& path, bool selectFocusRow)
{
    if (!LoadDeviceListing(path)) {
        return;
    }
    devicePath_ = path;
    rememberPath(path);

    focusRow_.reset();
    focusRowSelected_ = false;
    if (!entries_.empty()) {
        const auto last = static_cast<int>(entries_.size()) - 1;
        deviceFocusIndex_ = std::clamp(deviceFocusIndex_, 0, last);
        focusRow_ = static_cast<std::size_t>(deviceFocusIndex_);
        focusRowSelected_ = selectFocusRow;
    }
}

void DeviceBrowser::refresh()
{
    // Before the first listing there is no path: the root, never "wherever the console is",
    // which the panel could not name and its operations could not confirm.
    show(devicePath_.empty() ? std::string(kDeviceRoot) : devicePath_, false);
}

void DeviceBrowser::moveUp()
{
    show(ParentDevicePath(devicePath_), false);
}

void DeviceBrowser::sortByColumn(int column)
{
    if (!portFree()) {
        return;
    }
    deviceSortColumn_ = column;
    savedSortColumn_ = column;
    ShowDeviceFolder(devicePath_);
}

void DeviceBrowser::choosePath(const std::string& path)
{
    ShowDeviceFolder(path);
}

void DeviceBrowser::portChanged()
{
    if (!portFree()) {
        return;
    }
    deviceSortColumn_ = 0;
    deviceFocusIndex_ = 0;
    // The last listing belongs to the controller on the other port: it is never kept for this
    // one, whatever its first listing brings.
    replaceEntries({});
    entriesListed_ = false;
    objectCountText_ = ObjectCountText(0);
    sizeStatusText_ = TotalSizeText(0);
    devicePath_ = std::string(kDeviceRoot);
    ShowDeviceFolder(std::string(kDeviceRoot));
}

void DeviceBrowser::operationRefresh()
{
    if (!portFree()) {
        return;
    }
    deviceSortColumn_ = savedSortColumn_;
    deviceFocusIndex_ = savedFocusIndex_;
    ShowDeviceFolder(devicePath_);
}

const FolderEntry* DeviceBrowser::DeviceEntryAt(std::optional<std::size_t> row) const
{
    if (!row || *row >= entries_.size()) {
        return nullptr;
    }
    return &entries_.at(*row);
}

DeviceBrowser::Activation DeviceBrowser::activate(std::optional<std::size_t> row)
{
    const FolderEntry* entry = DeviceEntryAt(row);
    if (entry == nullptr) {
        return {};
    }
    if (!entry->isFolder) {
        return {Activation::Kind::RunFile, entry->name};
    }
    show(ChildDevicePath(devicePath_, entry->name), false);
    return {Activation::Kind::EnteredFolder, {}};
}

} // namespace kora
