#pragma once

#include <QObject>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "filelist/FolderEntries.h"
#include "filelist/LocalPath.h"
#include "local/LocalFolderId.h"
#include "local/LocalNamespace.h"

namespace kora {

class LocalInfoProvider;

// An entry the user selected, as the copy to the controller takes it.
struct SelectedLocalEntry {
    LocalPath path; // absolute
    std::string name;
    bool isFolder = false;
    std::uint64_t size = 0; // bytes
};

// The local panel's state and navigation without widgets: the folder shown and its entries in
// display order, the sort and focus state, the status texts and the path box's folders. Every
// step lists the folder again; a folder that cannot be listed leaves everything as it was and
// is reported with the system's reason. Details (icon, type name, date, attributes) are read
// only for rows about to be shown, once per entry.
class LocalBrowser : public QObject {
    Q_OBJECT

public:
    // Shows a failure to the user (an error box in the panel).
    using ErrorReporter = std::function<void(const std::string& message)>;

    // The namespace and the provider (which may be null: no icons, empty type names) must
    // outlive the browser.
    LocalBrowser(LocalNamespace& fileSystem, LocalInfoProvider* provider, ErrorReporter report,
                 QObject* parent = nullptr);

    // The folder a typed or picked path names, then ShowLocalFolder.
    bool ShowLocalPath(const std::string& path);
    // Lists the folder and makes it current: sorted by LocalSortColumn, status texts, path box,
    // the focus row selected. LocalSortColumn and LocalFocusIndex are 0 afterwards, also when
    // the folder could not be listed.
    bool ShowLocalFolder(const LocalFolderId& folder);

    // Refresh button: the same folder again, then no row selected.
    void refresh();
    // Up (and Backspace): see LocalNamespace::parent; nothing happens above "Computer".
    void moveUp();
    // Column header click: sorted by that column now and after the next context-menu command.
    void sortByColumn(int column);
    // Double click or Enter on a row: a folder is entered with no row selected; a file does
    // nothing. True when a folder was entered.
    bool enterFolder(std::optional<std::size_t> row);
    // The path box's text after the user picked an item or pressed Enter: a folder the box
    // holds is listed by its id, any other text as a path.
    void choosePath(const std::string& text);
    // The refresh after a context-menu command: the saved sort column and row.
    void commandRefresh();

    // Empties the list (the folder stays current).
    void ClearLocalEntries();

    // Fills the details of the rows first..last still pending (rows about to be shown).
    // Out-of-range bounds do nothing.
    void FillLocalEntryInfo(int first, int last);
    // How many entries have had their icon and type looked up since the browser was made.
    std::size_t lookupCount() const { return lookupCount_; }

    FolderEntries& LocalEntries() { return entries_; }
    const FolderEntries& LocalEntries() const { return entries_; }
    const FolderEntry* LocalEntryAt(std::optional<std::size_t> row) const;
    // The entry's absolute path.
    std::string entryPath(std::size_t row) const;
    // The entries of the given rows, in list order, for the copy to the controller.
    std::vector<SelectedLocalEntry> entriesAt(std::vector<std::size_t> rows) const;

    static LocalFolderId DrivesPidl() { return LocalFolderId::computer(); }
    const LocalFolderId& LocalFolderPidl() const { return localFolderPidl_; }
    const std::string& LocalPathText() const { return localPathText_; }
    int LocalSortColumn() const { return localSortColumn_; }
    int SavedLocalSortColumn() const { return savedLocalSortColumn_; }
    int LocalFocusIndex() const { return localFocusIndex_; }
    int SavedLocalFocusIndex() const { return savedLocalFocusIndex_; }
    void setLocalFocusIndex(int row) { localFocusIndex_ = row; }
    // The row the context menu was opened on.
    void setSavedLocalFocusIndex(int row) { savedLocalFocusIndex_ = row; }

    // Status panel 0 ("N object(s)") and panel 1 (the total size).
    const std::string& objectCountText() const { return objectCountText_; }
    const std::string& sizeStatusText() const { return sizeStatusText_; }

    // The path box: each folder listed so far with its text, the newest first (a folder
    // listed again keeps its place); the current one.
    struct PathBoxItem {
        std::string text;
        LocalFolderId folder;
    };
    const std::vector<PathBoxItem>& pathBoxItems() const { return pathBoxItems_; }
    int pathBoxIndex() const { return pathBoxIndex_; }

    // The row with the focus mark after the last listing (none when the list is empty), and
    // whether it is also selected (Refresh, Up and entering a folder leave no selection).
    std::optional<std::size_t> focusRow() const { return focusRow_; }
    bool focusRowSelected() const { return focusRowSelected_; }

    LocalNamespace& fileSystem() const { return fileSystem_; }

signals:
    // Around every replacement of the entries, for the list model.
    void entriesAboutToBeReplaced();
    void entriesReplaced();
    // A listing was shown: path box, status texts and focus row are up to date.
    void folderShown();

private:
    bool show(const LocalFolderId& folder, bool selectFocusRow);
    bool LoadLocalListing(const LocalFolderId& folder);
    void fillEntry(FolderEntry& entry);
    void rememberInPathBox();

    LocalNamespace& fileSystem_;
    LocalInfoProvider* provider_;
    ErrorReporter report_;
    FolderEntries entries_;
    LocalFolderId localFolderPidl_ = LocalFolderId::computer();
    std::string localPathText_;
    int localSortColumn_ = 0;
    int savedLocalSortColumn_ = 0;
    int localFocusIndex_ = 0;
    int savedLocalFocusIndex_ = 0;
    std::string objectCountText_;
    std::string sizeStatusText_;
    std::vector<PathBoxItem> pathBoxItems_;
    int pathBoxIndex_ = -1;
    std::optional<std::size_t> focusRow_;
    bool focusRowSelected_ = false;
    std::size_t lookupCount_ = 0;
};

} // namespace kora
