#include "device/DeviceBrowser.h"

#include "device/DevicePath.h"
#include "filelist/DateTimeText.h"

namespace kora {

DeviceFolderSource::DeviceFolderSource(DeviceOperationRunner run, PortFree portFree,
                                       EntryInfoProvider* provider)
    // The path box is chosen from the listed paths, never typed.
    : FolderSource(Traits{.root = std::string(kDeviceRoot),
                          .names = TypeAheadSearch::NameBytes::Latin1,
                          .sort = {.namesIgnoreCase = false, .datesByTime = false},
                          .keepsFailedListing = true},
                   provider),
      run_(std::move(run)), portFree_(std::move(portFree))
{
}

std::optional<FolderSource::Listing> DeviceFolderSource::list(const std::string& folder)
{
    DateTimeText::instance().useDeviceDateFormat();
    DirectoryListing listing;
    const bool listedBefore = listedEntries_ && listedFolder_ == folder;
    std::optional<KnownChange> change;
    if (changedFolder_ == folder) {
        change = std::move(change_);
    }
    change_.reset();
    if (!ListDeviceDirectory(run_, folder, listing, listedBefore ? &*listedEntries_ : nullptr,
                             change ? &*change : nullptr)) {
        return std::nullopt; // reported by the runner
    }
    listedFolder_ = folder;
    listedEntries_ = listing.entries;
    // A listing without a free-space line shows its total alone rather than next to the
    // previous listing's free space; the last known figure is kept for the copy check.
    Listing shown{std::move(listing.entries), {}};
    listedFreeBytes_.reset();
    if (listing.freeSpace) {
        listedFreeBytes_ = listing.freeSpace->bytes;
        freeBytes_ = listing.freeSpace->bytes;
        shown.sizeSuffix = listing.freeSpace->text;
    }
    return shown;
}

void DeviceFolderSource::expectChange(const std::string& folder, KnownChange change)
{
    changedFolder_ = folder;
    change_ = std::move(change);
}

std::optional<std::string> DeviceFolderSource::parent(const std::string& folder) const
{
    return ParentDevicePath(folder); // the root lists itself again
}

std::string DeviceFolderSource::child(const std::string& folder, const FolderEntry& entry) const
{
    return ChildDevicePath(folder, entry.name);
}

bool DeviceFolderSource::fillDetails(const std::string&, FolderEntry& entry)
{
    return provider_ != nullptr && take(provider_->lookUp(entry), entry);
}

DeviceBrowser::DeviceBrowser(DeviceOperationRunner run, PortFree portFree,
                             EntryInfoProvider* provider, QObject* parent)
    : FolderBrowser(
          std::make_unique<DeviceFolderSource>(std::move(run), std::move(portFree), provider),
          parent)
{
}

} // namespace kora
