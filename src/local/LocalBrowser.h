#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "filelist/FolderBrowser.h"
#include "filelist/LocalPath.h"
#include "local/LocalFolderId.h"
#include "local/LocalFolderSource.h"

namespace kora {

// An entry the user selected, as the copy to the controller takes it.
struct SelectedLocalEntry {
    LocalPath path; // absolute
    std::string name;
    bool isFolder = false;
    std::uint64_t size = 0; // bytes
};

// The local panel's browser: the shared folder browser on the PC's folders, with the panel's
// named operations.
class LocalBrowser final : public FolderBrowser {
    Q_OBJECT

public:
    LocalBrowser(LocalFolderSource::Environment environment, EntryInfoProvider* provider,
                 LocalFolderSource::ErrorReporter report, QObject* parent = nullptr);

    // The folder a typed or picked path names, then ShowLocalFolder.
    bool ShowLocalPath(const std::string& path) { return showPath(path); }
    bool ShowLocalFolder(const LocalFolderId& folder) { return show(folder.path); }

    static LocalFolderId DrivesPidl() { return LocalFolderId::computer(); }
    LocalFolderId LocalFolderPidl() const { return LocalFolderId::folder(folder()); }
    // The entries of the given rows, in list order, for the copy to the controller.
    std::vector<SelectedLocalEntry> entriesAt(std::vector<std::size_t> rows) const;
};

} // namespace kora
