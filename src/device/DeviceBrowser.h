#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/DeviceListing.h"
#include "filelist/FolderEntries.h"

namespace kora {

// The device panel's state and navigation without widgets: which directory is listed, its
// entries in display order, the sort and focus state, the status texts and the path history.
// Every navigation step re-reads the directory from the controller through the runner.
class DeviceBrowser : public QObject {
    Q_OBJECT

public:
    // Whether the port is free for a listing now; a listing asked for while it is not (an event
    // delivered inside another exchange's nested event loop) is dropped, leaving everything
    // as it is.
    using PortFree = std::function<bool()>;

    explicit DeviceBrowser(DeviceOperationRunner run, PortFree portFree = {},
                           QObject* parent = nullptr);

    // The refresh every shown listing goes through: lists the path, sorts, sets the status
    // texts, the path and its history, and selects the focus row.
    void ShowDeviceFolder(const std::string& path);

    // Refresh button: the same path again, then no row selected.
    void refresh();
    // Up (and Backspace): the parent directory; the root lists itself again.
    void moveUp();
    // Column header click: sort by it now and after the next device operation.
    void sortByColumn(int column);
    // A path chosen in the path combo.
    void choosePath(const std::string& path);
    // Another COM port was chosen: the root in name order, first row.
    void portChanged();
    // The refresh that ends a device operation: keeps the user's sort column and menu row.
    void operationRefresh();

    // Double click or Enter on a row. A folder is entered; a file is handed back to be run.
    struct Activation {
        enum class Kind { Nothing, EnteredFolder, RunFile };
        Kind kind = Kind::Nothing;
        std::string fileName; // for RunFile
    };
    Activation activate(std::optional<std::size_t> row);

    // Type names are looked up lazily, for rows a view shows; sorting by type needs all of
    // them first. The list model supplies the lookup.
    using TypeNameLookup = std::function<void()>;
    void setTypeNameLookup(TypeNameLookup lookup) { lookUpTypeNames_ = std::move(lookup); }

    // The row the pop-up menu was opened on.
    void setSavedFocusIndex(int row) { savedFocusIndex_ = row; }

    FolderEntries& entries() { return entries_; }
    const FolderEntries& entries() const { return entries_; }
    const FolderEntry* DeviceEntryAt(std::optional<std::size_t> row) const;
    // The last listing failed: the entries, path and status texts are those of the last
    // listing that succeeded, kept on screen (greyed) until a listing succeeds again.
    bool listingStale() const { return listingStale_; }

    const std::string& DevicePath() const { return devicePath_; }
    std::uint64_t DeviceFreeBytes() const { return deviceFreeBytes_; }
    // The free space the last listing printed; nothing when it printed none.
    std::optional<std::uint64_t> listedFreeBytes() const { return listedFreeBytes_; }
    int DeviceSortColumn() const { return deviceSortColumn_; }
    int SavedSortColumn() const { return savedSortColumn_; }
    int DeviceFocusIndex() const { return deviceFocusIndex_; }
    int SavedFocusIndex() const { return savedFocusIndex_; }
    void setDeviceSortColumn(int column) { deviceSortColumn_ = column; }
    void setDeviceFocusIndex(int row) { deviceFocusIndex_ = row; }

    // Status panel 0 ("N object(s)") and panel 1 (total, then the free-space text).
    const std::string& objectCountText() const { return objectCountText_; }
    const std::string& sizeStatusText() const { return sizeStatusText_; }

    // The path combo: every listed path, most recently added first; the chosen one and the
    // combo's text.
    const std::vector<std::string>& pathHistory() const { return pathHistory_; }
    int pathHistoryIndex() const { return pathHistoryIndex_; }
    const std::string& pathText() const { return pathText_; }

    // The row with the focus mark after the last listing (none when the list is empty), and
    // whether it is also selected (Refresh, Up and entering a folder leave no selection).
    std::optional<std::size_t> focusRow() const { return focusRow_; }
    bool focusRowSelected() const { return focusRowSelected_; }

    // The runner the browser lists with, for the operations that share it.
    const DeviceOperationRunner& runner() const { return run_; }

signals:
    // Around every replacement of the entries, for the list model.
    void entriesAboutToBeReplaced();
    void entriesReplaced();
    // A listing was shown: path, history, status texts and focus row are up to date.
    void folderShown();

private:
    bool portFree() const;
    void show(const std::string& path, bool selectFocusRow);
    void showListing(const std::string& path, bool selectFocusRow);
    // False when the listing failed; everything shown then stays as it was, marked stale.
    bool LoadDeviceListing(const std::string& path);
    void rememberPath(const std::string& path);
    void replaceEntries(std::vector<FolderEntry> entries);

    DeviceOperationRunner run_;
    PortFree portFree_;
    TypeNameLookup lookUpTypeNames_;
    FolderEntries entries_;
    std::string devicePath_;
    bool entriesListed_ = false; // entries_ came from a listing of devicePath_
    std::uint64_t deviceFreeBytes_ = 0;
    std::optional<std::uint64_t> listedFreeBytes_;
    int deviceSortColumn_ = 0;
    int savedSortColumn_ = 0;
    int deviceFocusIndex_ = 0;
    int savedFocusIndex_ = 0;
    std::string objectCountText_;
    std::string sizeStatusText_;
    std::vector<std::string> pathHistory_;
    int pathHistoryIndex_ = -1;
    std::string pathText_;
    std::optional<std::size_t> focusRow_;
    bool focusRowSelected_ = false;
    bool listingStale_ = false;
};

} // namespace kora
