#include "local/LocalBrowser.h"

#include <algorithm>

#include "filelist/SizeText.h"
#include "local/LocalInfoProvider.h"
#include "local/LocalSort.h"

namespace kora {

LocalBrowser::LocalBrowser(LocalNamespace& fileSystem, LocalInfoProvider* provider,
                           ErrorReporter report, QObject* parent)
    : QObject(parent), fileSystem_(fileSystem), provider_(provider), report_(std::move(report))
{
}

bool LocalBrowser::ShowLocalPath(const std::string& path)
{
    const LocalNamespace::ParsedPath parsed = fileSystem_.parsePath(path, localFolderPidl_);
    if (!parsed.folder) {
        // Whatever the next listing is, it starts from name order and the first row.
        localSortColumn_ = 0;
        localFocusIndex_ = 0;
        report_("'" + path + "'\n\n" + parsed.error);
        return false;
    }
    return ShowLocalFolder(*parsed.folder);
}

bool LocalBrowser::ShowLocalFolder(const LocalFolderId& folder)
{
    return show(folder, true);
}

bool LocalBrowser::show(const LocalFolderId& folder, bool selectFocusRow)
{
    struct ResetAfterListing {
        LocalBrowser& browser;
        ~ResetAfterListing()
        {
            browser.localSortColumn_ = 0;
            browser.localFocusIndex_ = 0;
        }
    } reset{*this};

    if (!LoadLocalListing(folder)) {
        return false;
    }
    localPathText_ = LocalNamespace::GetItemDisplayName(folder);
    rememberInPathBox();

    focusRow_.reset();
    focusRowSelected_ = false;
    if (!entries_.empty()) {
        const auto last = static_cast<int>(entries_.size()) - 1;
        focusRow_ = static_cast<std::size_t>(std::clamp(localFocusIndex_, 0, last));
        focusRowSelected_ = selectFocusRow;
    }
    emit folderShown();
    return true;
}

bool LocalBrowser::LoadLocalListing(const LocalFolderId& folder)
{
    LocalNamespace::Listing listing = fileSystem_.list(folder);
    if (!listing.ok) {
        // The folder shown before stays as it was.
        const std::string name = LocalNamespace::GetItemDisplayName(folder);
        report_("'" + name + "'\n\n" + listing.error);
        return false;
    }
    emit entriesAboutToBeReplaced();
    entries_.assign(std::move(listing.entries));
    localFolderPidl_ = folder;
    // Type names and dates are read only for rows on screen; sorting by them needs them all.
    if (SortNeedsDetails(localSortColumn_)) {
        for (FolderEntry& entry : entries_) {
            fillEntry(entry);
        }
    }
    SortLocalEntries(entries_, localSortColumn_);
    emit entriesReplaced();

    objectCountText_ = ObjectCountText(entries_.size());
    sizeStatusText_ = TotalSizeText(entries_.totalBytes());
    return true;
}

void LocalBrowser::ClearLocalEntries()
{
    emit entriesAboutToBeReplaced();
    entries_.clear();
    emit entriesReplaced();
}

void LocalBrowser::rememberInPathBox()
{
    const auto known =
        std::find_if(pathBoxItems_.begin(), pathBoxItems_.end(),
                     [&](const PathBoxItem& item) { return item.folder == localFolderPidl_; });
    if (known == pathBoxItems_.end()) {
        pathBoxItems_.insert(pathBoxItems_.begin(), {localPathText_, localFolderPidl_});
        pathBoxIndex_ = 0;
    } else {
        pathBoxIndex_ = static_cast<int>(known - pathBoxItems_.begin());
    }
}

void LocalBrowser::refresh()
{
    show(localFolderPidl_, false);
}

void LocalBrowser::moveUp()
{
    if (const auto parent = fileSystem_.parent(localFolderPidl_)) {
        show(*parent, false);
    }
}

void LocalBrowser::sortByColumn(int column)
{
    localSortColumn_ = column;
    savedLocalSortColumn_ = column;
    ShowLocalFolder(localFolderPidl_);
}

bool LocalBrowser::enterFolder(std::optional<std::size_t> row)
{
    const FolderEntry* entry = LocalEntryAt(row);
    if (entry == nullptr || !LocalNamespace::IsFolderItem(*entry)) {
        return false;
    }
    return show(LocalFolderId::folder(fileSystem_.entryPath(localFolderPidl_, *entry)), false);
}

void LocalBrowser::choosePath(const std::string& text)
{
    const auto item =
        std::find_if(pathBoxItems_.begin(), pathBoxItems_.end(),
                     [&](const PathBoxItem& candidate) { return candidate.text == text; });
    if (item != pathBoxItems_.end()) {
        const LocalFolderId folder = item->folder; // the list may change under the reference
        ShowLocalFolder(folder);
    } else {
        ShowLocalPath(text);
    }
}

void LocalBrowser::commandRefresh()
{
    localSortColumn_ = savedLocalSortColumn_;
    localFocusIndex_ = savedLocalFocusIndex_;
    ShowLocalFolder(localFolderPidl_);
}

void LocalBrowser::fillEntry(FolderEntry& entry)
{
    if (!entry.infoPending) {
        return;
    }
    entry.infoPending = false;
    const std::optional<LocalItem> item = fileSystem_.readDetails(localFolderPidl_, entry);
    if (item && provider_ != nullptr) {
        EntryInfoProvider::Info info = provider_->lookUp(*item);
        entry.typeName = std::move(info.typeName);
        entry.iconIndex = info.iconIndex;
        ++lookupCount_;
    }
}

void LocalBrowser::FillLocalEntryInfo(int first, int last)
{
    const int count = static_cast<int>(entries_.size());
    if (first < 0 || last >= count || first > last) {
        return;
    }
    for (int row = first; row <= last; ++row) {
        fillEntry(entries_.at(static_cast<std::size_t>(row)));
    }
}

const FolderEntry* LocalBrowser::LocalEntryAt(std::optional<std::size_t> row) const
{
    if (!row || *row >= entries_.size()) {
        return nullptr;
    }
    return &entries_.at(*row);
}

std::string LocalBrowser::entryPath(std::size_t row) const
{
    return fileSystem_.entryPath(localFolderPidl_, entries_.at(row));
}

std::vector<SelectedLocalEntry> LocalBrowser::entriesAt(std::vector<std::size_t> rows) const
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<SelectedLocalEntry> selected;
    for (const std::size_t row : rows) {
        if (row >= entries_.size()) {
            continue;
        }
        const FolderEntry& entry = entries_.at(row);
        selected.push_back({LocalPath{entryPath(row)}, entry.name, entry.isFolder, entry.size});
    }
    return selected;
}

} // namespace kora
