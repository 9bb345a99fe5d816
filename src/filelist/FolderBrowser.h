#pragma once

#include <QObject>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "filelist/FolderEntry.h"
#include "filelist/FolderSource.h"

namespace kora {

// A file panel's state and navigation without widgets: which folder is shown, its entries in
// display order, the sort and focus state, the status texts and the path history. Every step
// lists the folder again through the source. The sort column and focus row set before a
// listing apply to it alone: name order and the first row come back afterwards, except after
// a menu command, which keeps the column and row the user had.
class FolderBrowser : public QObject {
    Q_OBJECT

public:
    explicit FolderBrowser(std::unique_ptr<FolderSource> source, QObject* parent = nullptr);

    // Lists the folder and makes it current: sorted by sortColumn, status texts, path history,
    // the focus row (selected when selectFocusRow). True when it was listed.
    bool show(const std::string& folder, bool selectFocusRow = true);
    // The folder a typed path names, then show.
    bool showPath(const std::string& text);

    // Refresh button: the same folder again (the root before the first listing), then no row
    // selected.
    void refresh();
    // Up (and Backspace): the source's parent folder.
    void moveUp();
    // Column header click: sorted by that column now and after the next menu command.
    void sortByColumn(int column);
    // A path box text: a folder the history holds by its own name, any other text as a path.
    void choosePath(const std::string& text);
    // The refresh that ends a menu command: the saved sort column and row.
    void operationRefresh();
    // A new start (another device on the line): the root in name order, first row, nothing of
    // the last listing kept.
    void restartAtRoot();

    // Double click or Enter on a row. A folder is entered with no row selected; a file is
    // handed back.
    struct Activation {
        enum class Kind { Nothing, EnteredFolder, RunFile };
        Kind kind = Kind::Nothing;
        std::string fileName; // for RunFile
    };
    Activation activate(std::optional<std::size_t> row);

    // Fills the details of the rows first..last still pending (rows about to be shown).
    // Out-of-range bounds do nothing.
    void fillEntryInfo(int first, int last);
    // How many entries have had their icon and type looked up since the browser was made.
    std::size_t lookupCount() const { return lookupCount_; }

    FolderEntries& entries() { return entries_; }
    const FolderEntries& entries() const { return entries_; }
    const FolderEntry* entryAt(std::optional<std::size_t> row) const;
    // The last listing failed and the source keeps failed listings: the entries, folder and
    // status texts are those of the last listing that succeeded, kept on screen (greyed) until
    // a listing succeeds again.
    bool listingStale() const { return listingStale_; }

    const std::string& folder() const { return folder_; }
    std::string entryPath(std::size_t row) const;
    int sortColumn() const { return sortColumn_; }
    int savedSortColumn() const { return savedSortColumn_; }
    int focusIndex() const { return focusIndex_; }
    int savedFocusIndex() const { return savedFocusIndex_; }
    void setSortColumn(int column) { sortColumn_ = column; }
    void setFocusIndex(int row) { focusIndex_ = row; }
    // The row the context menu was opened on.
    void setSavedFocusIndex(int row) { savedFocusIndex_ = row; }

    // Status panel 0 ("N object(s)") and panel 1 (total, then the source's suffix).
    const std::string& objectCountText() const { return objectCountText_; }
    const std::string& sizeStatusText() const { return sizeStatusText_; }

    // The path box: each folder listed so far with its text, the newest first (a folder listed
    // again keeps its place); the current one and its text.
    struct PathItem {
        std::string text;
        std::string folder;
    };
    const std::vector<PathItem>& pathHistory() const { return pathHistory_; }
    std::vector<std::string> pathTexts() const;
    int pathHistoryIndex() const { return pathHistoryIndex_; }
    const std::string& pathText() const { return pathText_; }

    // The row with the focus mark after the last listing (none when the list is empty), and
    // whether it is also selected (Refresh, Up and entering a folder leave no selection).
    std::optional<std::size_t> focusRow() const { return focusRow_; }
    bool focusRowSelected() const { return focusRowSelected_; }

    FolderSource& source() const { return *source_; }

signals:
    // Around every replacement of the entries, for the list model.
    void entriesAboutToBeReplaced();
    void entriesReplaced();
    // A listing was shown (or failed and left greyed): path, history, status texts and focus
    // row are up to date.
    void folderShown();

private:
    bool load(const std::string& folder);
    void fillEntry(FolderEntry& entry);
    void replaceEntries(std::vector<FolderEntry> entries);
    void rememberPath();

    std::unique_ptr<FolderSource> source_;
    FolderEntries entries_;
    std::string folder_;
    int sortColumn_ = 0;
    int savedSortColumn_ = 0;
    int focusIndex_ = 0;
    int savedFocusIndex_ = 0;
    std::string objectCountText_;
    std::string sizeStatusText_;
    std::vector<PathItem> pathHistory_;
    int pathHistoryIndex_ = -1;
    std::string pathText_;
    std::optional<std::size_t> focusRow_;
    bool focusRowSelected_ = false;
    bool listingStale_ = false;
    std::size_t lookupCount_ = 0;
};

} // namespace kora
