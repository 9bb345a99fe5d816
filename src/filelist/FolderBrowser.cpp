#include "filelist/FolderBrowser.h"

#include <algorithm>

#include "filelist/SizeText.h"

namespace kora {

FolderBrowser::FolderBrowser(std::unique_ptr<FolderSource> source, QObject* parent)
    : QObject(parent), source_(std::move(source))
{
}

bool FolderBrowser::show(const std::string& folder, bool selectFocusRow)
{
    if (!source_->ready()) {
        return false;
    }
    const bool listed = load(folder);
    if (listed) {
        pathText_ = source_->displayText(folder);
        rememberPath();
        focusRow_.reset();
        focusRowSelected_ = false;
        if (!entries_.empty()) {
            const auto last = static_cast<int>(entries_.size()) - 1;
            focusRow_ = static_cast<std::size_t>(std::clamp(focusIndex_, 0, last));
            focusRowSelected_ = selectFocusRow;
        }
    }
    const bool keepsFailed = source_->traits.keepsFailedListing;
    focusIndex_ = 0;
    if (listed || !keepsFailed) {
        sortColumn_ = 0;
    }
    if (listed || keepsFailed) {
        emit folderShown();
    }
    return listed;
}

bool FolderBrowser::load(const std::string& folder)
{
    std::optional<FolderSource::Listing> listing = source_->list(folder);
    if (!listing) {
        // The failure has been reported. A reading that did not succeed is never shown as the
        // folder's contents: what was shown stays, with the folder it belongs to, so the user
        // still sees where things were and a later command acts where the list shows.
        if (source_->traits.keepsFailedListing) {
            emit entriesAboutToBeReplaced();
            listingStale_ = true;
            emit entriesReplaced();
        }
        return false;
    }
    listingStale_ = false;
    folder_ = folder;
    replaceEntries(std::move(listing->entries));
    objectCountText_ = ObjectCountText(entries_.size());
    sizeStatusText_ = TotalSizeText(TotalBytes(entries_)) + listing->sizeSuffix;
    return true;
}

void FolderBrowser::replaceEntries(std::vector<FolderEntry> entries)
{
    emit entriesAboutToBeReplaced();
    entries_ = std::move(entries);
    // Type names (and the PC's dates) are read only for rows on screen; sorting by them needs
    // them all.
    const SortRules rules = source_->traits.sort;
    if (SortNeedsDetails(sortColumn_, rules)) {
        for (FolderEntry& entry : entries_) {
            fillEntry(entry);
        }
    }
    SortFolderEntries(entries_, sortColumn_, rules);
    emit entriesReplaced();
}

void FolderBrowser::rememberPath()
{
    const auto known = std::find_if(pathHistory_.begin(), pathHistory_.end(),
                                    [&](const PathItem& item) { return item.folder == folder_; });
    if (known == pathHistory_.end()) {
        pathHistory_.insert(pathHistory_.begin(), {pathText_, folder_});
        pathHistoryIndex_ = 0;
    } else {
        pathHistoryIndex_ = static_cast<int>(known - pathHistory_.begin());
    }
}

std::vector<std::string> FolderBrowser::pathTexts() const
{
    std::vector<std::string> texts;
    for (const PathItem& item : pathHistory_) {
        texts.push_back(item.text);
    }
    return texts;
}

bool FolderBrowser::showPath(const std::string& text)
{
    const std::optional<std::string> folder = source_->parsePath(text, folder_);
    if (!folder) {
        // Whatever the next listing is, it starts from name order and the first row.
        sortColumn_ = 0;
        focusIndex_ = 0;
        return false;
    }
    return show(*folder);
}

void FolderBrowser::refresh()
{
    // Before the first listing there is no folder: the root, never wherever the source
    // happens to stand, which the panel could not name.
    show(folder_.empty() ? source_->traits.root : folder_, false);
}

void FolderBrowser::moveUp()
{
    if (const auto parent = source_->parent(folder_)) {
        show(*parent, false);
    }
}

void FolderBrowser::sortByColumn(int column)
{
    if (!source_->ready()) {
        return;
    }
    sortColumn_ = column;
    savedSortColumn_ = column;
    show(folder_);
}

void FolderBrowser::choosePath(const std::string& text)
{
    const auto item = std::find_if(pathHistory_.begin(), pathHistory_.end(),
                                   [&](const PathItem& known) { return known.text == text; });
    if (item != pathHistory_.end()) {
        const std::string folder = item->folder; // the history may change under the reference
        show(folder);
    } else {
        showPath(text);
    }
}

void FolderBrowser::operationRefresh()
{
    if (!source_->ready()) {
        return;
    }
    sortColumn_ = savedSortColumn_;
    focusIndex_ = savedFocusIndex_;
    show(folder_);
}

void FolderBrowser::restartAtRoot()
{
    if (!source_->ready()) {
        return;
    }
    sortColumn_ = 0;
    focusIndex_ = 0;
    // The last listing is never kept for the new start, whatever its first listing brings.
    replaceEntries({});
    objectCountText_ = ObjectCountText(0);
    sizeStatusText_ = TotalSizeText(0);
    folder_ = source_->traits.root;
    show(folder_);
}

FolderBrowser::Activation FolderBrowser::activate(std::optional<std::size_t> row)
{
    const FolderEntry* entry = entryAt(row);
    if (entry == nullptr) {
        return {};
    }
    if (!entry->isFolder) {
        return {Activation::Kind::RunFile, entry->name};
    }
    show(source_->child(folder_, *entry), false);
    return {Activation::Kind::EnteredFolder, {}};
}

void FolderBrowser::fillEntry(FolderEntry& entry)
{
    if (!entry.infoPending) {
        return;
    }
    entry.infoPending = false;
    if (source_->fillDetails(folder_, entry)) {
        ++lookupCount_;
    }
}

void FolderBrowser::fillEntryInfo(int first, int last)
{
    const int count = static_cast<int>(entries_.size());
    if (first < 0 || last >= count || first > last) {
        return;
    }
    for (int row = first; row <= last; ++row) {
        fillEntry(entries_.at(static_cast<std::size_t>(row)));
    }
}

const FolderEntry* FolderBrowser::entryAt(std::optional<std::size_t> row) const
{
    if (!row || *row >= entries_.size()) {
        return nullptr;
    }
    return &entries_.at(*row);
}

std::string FolderBrowser::entryPath(std::size_t row) const
{
    return source_->child(folder_, entries_.at(row));
}

} // namespace kora
