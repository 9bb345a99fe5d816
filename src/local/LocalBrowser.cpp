#include "local/LocalBrowser.h"

#include <algorithm>

namespace kora {

LocalFolderSource::LocalFolderSource(LocalNamespace& fileSystem, LocalInfoProvider* provider,
                                     ErrorReporter report)
    : FolderSource(Traits{.names = TypeAheadSearch::NameBytes::Utf8,
                          .sort = {.namesIgnoreCase = true, .datesByTime = true},
                          .keepsFailedListing = false,
                          .detailsHoldDates = true,
                          .nameToolTips = true,
                          .dragOut = true}),
      fileSystem_(fileSystem), provider_(provider), report_(std::move(report))
{
}

std::optional<std::string> LocalFolderSource::parsePath(const std::string& text,
                                                        const std::string& current) const
{
    LocalNamespace::ParsedPath parsed = fileSystem_.parsePath(text, LocalFolderId::folder(current));
    if (!parsed.folder) {
        report_("'" + text + "'\n\n" + parsed.error);
        return std::nullopt;
    }
    return parsed.folder->path;
}

std::optional<FolderSource::Listing> LocalFolderSource::list(const std::string& folder)
{
    const LocalFolderId id = LocalFolderId::folder(folder);
    LocalNamespace::Listing listing = fileSystem_.list(id);
    if (!listing.ok) {
        report_("'" + LocalNamespace::GetItemDisplayName(id) + "'\n\n" + listing.error);
        return std::nullopt;
    }
    return Listing{std::move(listing.entries), {}};
}

std::optional<std::string> LocalFolderSource::parent(const std::string& folder) const
{
    if (const auto parent = fileSystem_.parent(LocalFolderId::folder(folder))) {
        return parent->path;
    }
    return std::nullopt; // nothing above "Computer"
}

std::string LocalFolderSource::child(const std::string& folder, const FolderEntry& entry) const
{
    return fileSystem_.entryPath(LocalFolderId::folder(folder), entry);
}

std::string LocalFolderSource::displayText(const std::string& folder) const
{
    return LocalNamespace::GetItemDisplayName(LocalFolderId::folder(folder));
}

bool LocalFolderSource::fillDetails(const std::string& folder, FolderEntry& entry)
{
    const std::optional<LocalItem> item =
        fileSystem_.readDetails(LocalFolderId::folder(folder), entry);
    if (!item || provider_ == nullptr) {
        return false;
    }
    EntryInfoProvider::Info info = provider_->lookUp(*item);
    entry.typeName = std::move(info.typeName);
    entry.iconIndex = info.iconIndex;
    return true;
}

QVariant LocalFolderSource::icon(int iconIndex) const
{
    return provider_ != nullptr ? provider_->icon(iconIndex) : QVariant();
}

LocalBrowser::LocalBrowser(LocalNamespace& fileSystem, LocalInfoProvider* provider,
                           ErrorReporter report, QObject* parent)
    : FolderBrowser(std::make_unique<LocalFolderSource>(fileSystem, provider, std::move(report)),
                    parent)
{
}

std::vector<SelectedLocalEntry> LocalBrowser::entriesAt(std::vector<std::size_t> rows) const
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<SelectedLocalEntry> selected;
    for (const std::size_t row : rows) {
        if (row >= entries().size()) {
            continue;
        }
        const FolderEntry& entry = entries().at(row);
        selected.push_back({LocalPath{entryPath(row)}, entry.name, entry.isFolder, entry.size});
    }
    return selected;
}

} // namespace kora
