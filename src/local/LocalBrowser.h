#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "filelist/FolderBrowser.h"
#include "filelist/LocalPath.h"
#include "local/LocalFolderId.h"
#include "local/LocalInfoProvider.h"
#include "local/LocalNamespace.h"

namespace kora {

// An entry the user selected, as the copy to the controller takes it.
struct SelectedLocalEntry {
    LocalPath path; // absolute
    std::string name;
    bool isFolder = false;
    std::uint64_t size = 0; // bytes
};

// The PC's folders as the local panel walks them, from the "Computer" root down. A folder that
// cannot be listed leaves everything as it was and is reported with the system's reason.
// Details (icon, type name, date, attributes) are read only for rows about to be shown.
class LocalFolderSource final : public FolderSource {
public:
    // Shows a failure to the user (an error box in the panel).
    using ErrorReporter = std::function<void(const std::string& message)>;

    // The namespace and the provider (which may be null: no icons, empty type names) must
    // outlive the source.
    LocalFolderSource(LocalNamespace& fileSystem, LocalInfoProvider* provider,
                      ErrorReporter report);

    std::string root() const override { return LocalFolderId::computer().path; }
    std::optional<std::string> parsePath(const std::string& text,
                                         const std::string& current) const override;
    std::optional<Listing> list(const std::string& folder) override;
    std::optional<std::string> parent(const std::string& folder) const override;
    std::string child(const std::string& folder, const FolderEntry& entry) const override;
    std::string displayText(const std::string& folder) const override;
    bool fillDetails(const std::string& folder, FolderEntry& entry) override;
    QVariant icon(int iconIndex) const override;

    LocalNamespace& fileSystem() const { return fileSystem_; }

private:
    LocalNamespace& fileSystem_;
    LocalInfoProvider* provider_;
    ErrorReporter report_;
};

// The local panel's browser: the shared folder browser on the PC's folders, with the panel's
// named operations.
class LocalBrowser final : public FolderBrowser {
    Q_OBJECT

public:
    using ErrorReporter = LocalFolderSource::ErrorReporter;

    LocalBrowser(LocalNamespace& fileSystem, LocalInfoProvider* provider, ErrorReporter report,
                 QObject* parent = nullptr);

    // The folder a typed or picked path names, then ShowLocalFolder.
    bool ShowLocalPath(const std::string& path) { return showPath(path); }
    bool ShowLocalFolder(const LocalFolderId& folder) { return show(folder.path); }

    static LocalFolderId DrivesPidl() { return LocalFolderId::computer(); }
    LocalFolderId LocalFolderPidl() const { return LocalFolderId::folder(folder()); }
    // The entries of the given rows, in list order, for the copy to the controller.
    std::vector<SelectedLocalEntry> entriesAt(std::vector<std::size_t> rows) const;
};

} // namespace kora
