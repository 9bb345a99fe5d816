#include "local/LocalBrowser.h"

#include <algorithm>

namespace kora {

LocalBrowser::LocalBrowser(LocalFolderSource::Environment environment, EntryInfoProvider* provider,
                           LocalFolderSource::ErrorReporter report, QObject* parent)
    : FolderBrowser(
          std::make_unique<LocalFolderSource>(std::move(environment), provider, std::move(report)),
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
