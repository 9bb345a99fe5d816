#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "device/DeviceListing.h"
#include "filelist/EntryInfoProvider.h"
#include "filelist/FolderBrowser.h"

namespace kora {

// The controller's D: drive as the device panel walks it: each listing is read through the
// runner (the console exchange on the link's port). A listing that fails leaves the last good
// one on screen, greyed; type names are looked up only for rows about to be shown.
class DeviceFolderSource final : public FolderSource {
public:
    // Whether the port is free for a listing now; a listing asked for while it is not (an event
    // delivered inside another exchange's nested event loop) is dropped, leaving everything
    // as it is.
    using PortFree = std::function<bool()>;

    DeviceFolderSource(DeviceOperationRunner run, PortFree portFree, EntryInfoProvider* provider);

    bool ready() const override { return !portFree_ || portFree_(); }
    std::optional<Listing> list(const std::string& folder) override;
    std::optional<std::string> parent(const std::string& folder) const override;
    std::string child(const std::string& folder, const FolderEntry& entry) const override;
    bool fillDetails(const std::string& folder, FolderEntry& entry) override;

    const DeviceOperationRunner& runner() const { return run_; }
    // The next listing of `folder` follows an operation that made this change there: a
    // reading that shows exactly the change is taken at once (see ListDeviceDirectoryOperation).
    // Only the next listing uses it.
    void expectChange(const std::string& folder, KnownChange change);

    // The free space the last listing that printed one printed, for the copy check.
    std::uint64_t freeBytes() const { return freeBytes_; }
    // The free space the last listing printed; nothing when it printed none.
    std::optional<std::uint64_t> listedFreeBytes() const { return listedFreeBytes_; }

private:
    DeviceOperationRunner run_;
    PortFree portFree_;
    std::uint64_t freeBytes_ = 0;
    // The last listing read, and of which folder: a new reading of that folder that differs
    // from it is taken only once a second reading confirms it.
    std::string listedFolder_;
    std::optional<std::vector<FolderEntry>> listedEntries_;
    std::optional<std::uint64_t> listedFreeBytes_;
    std::string changedFolder_;
    std::optional<KnownChange> change_;
};

// The device panel's browser: the shared folder browser on the device source, with the
// panel's named operations.
class DeviceBrowser final : public FolderBrowser {
    Q_OBJECT

public:
    using PortFree = DeviceFolderSource::PortFree;

    explicit DeviceBrowser(DeviceOperationRunner run, PortFree portFree = {},
                           EntryInfoProvider* provider = nullptr, QObject* parent = nullptr);

    // The refresh every shown listing goes through.
    void ShowDeviceFolder(const std::string& path) { show(path); }
    // The refresh after an operation that made this change in the folder shown.
    void refreshAfter(KnownChange change)
    {
        deviceSource().expectChange(DevicePath(), std::move(change));
        operationRefresh();
    }
    // Another COM port was chosen: the root in name order, first row.
    void portChanged() { restartAtRoot(); }

    const std::string& DevicePath() const { return folder(); }
    std::uint64_t DeviceFreeBytes() const { return deviceSource().freeBytes(); }
    std::optional<std::uint64_t> listedFreeBytes() const
    {
        return deviceSource().listedFreeBytes();
    }
    // The runner the browser lists with, for the operations that share it.
    const DeviceOperationRunner& runner() const { return deviceSource().runner(); }

private:
    DeviceFolderSource& deviceSource() const { return static_cast<DeviceFolderSource&>(source()); }
};

} // namespace kora
