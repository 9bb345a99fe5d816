#include "local/LocalNamespace.h"

#include <QDateTime>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <system_error>

#include "filelist/DateTimeText.h"

namespace kora {
namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

std::string JoinPath(const std::string& folder, const std::string& name)
{
    return folder == "/" ? "/" + name : folder + "/" + name;
}

std::int64_t ModifiedMilliseconds(const struct stat& status)
{
    return static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000 +
           static_cast<std::int64_t>(status.st_mtim.tv_nsec / 1000000);
}

} // namespace

std::string SystemErrorText(int errorNumber)
{
    return std::generic_category().message(errorNumber);
}

std::string CleanLocalPath(const std::string& absolutePath)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= absolutePath.size()) {
        std::size_t end = absolutePath.find('/', start);
        if (end == std::string::npos) {
            end = absolutePath.size();
        }
        const std::string part = absolutePath.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string clean;
    for (const std::string& part : parts) {
        clean += "/" + part;
    }
    return clean.empty() ? "/" : clean;
}

LocalNamespace::LocalNamespace(Environment environment) : environment_(std::move(environment))
{
    if (!environment_.mountedVolumes) {
        environment_.mountedVolumes = SystemMountedVolumes;
    }
    homePath_ = environment_.homePath;
    if (homePath_.empty()) {
        const char* home = std::getenv("HOME");
        homePath_ = home != nullptr && *home == '/' ? home : "/";
    }
    homePath_ = CleanLocalPath(homePath_);
}

std::vector<MountedVolume> LocalNamespace::browsableVolumes() const
{
    return BrowsableVolumes(environment_.mountedVolumes());
}

LocalNamespace::ParsedPath LocalNamespace::parsePath(const std::string& text,
                                                     const LocalFolderId& base) const
{
    std::string path = text;
    if (path == "~" || path.starts_with("~/")) {
        path = homePath_ + path.substr(1);
    } else if (!path.empty() && path.front() != '/') {
        if (base.isComputer()) {
            return {std::nullopt, SystemErrorText(ENOENT)};
        }
        path = base.path + "/" + path;
    }
    if (path.empty()) {
        return {std::nullopt, SystemErrorText(ENOENT)};
    }
    path = CleanLocalPath(path);
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return {std::nullopt, SystemErrorText(errno)};
    }
    if (!S_ISDIR(status.st_mode)) {
        return {std::nullopt, SystemErrorText(ENOTDIR)};
    }
    return {LocalFolderId::folder(path), {}};
}

LocalNamespace::Listing LocalNamespace::list(const LocalFolderId& folder)
{
    if (folder.isComputer()) {
        return listComputer();
    }
    Listing listing;
    const int fd = ::open(folder.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        listing.error = SystemErrorText(errno);
        return listing;
    }
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
        listing.error = SystemErrorText(errno);
        ::close(fd);
        return listing;
    }
    for (;;) {
        errno = 0;
        const dirent* item = ::readdir(dir.get());
        if (item == nullptr) {
            if (errno != 0) {
                listing.error = SystemErrorText(errno);
                listing.entries.clear();
                return listing;
            }
            break;
        }
        // Hidden items are not listed; this also drops "." and "..".
        if (item->d_name[0] == '.') {
            continue;
        }
        FolderEntry entry;
        entry.name = item->d_name;
        struct stat status {};
        if (::fstatat(fd, item->d_name, &status, 0) == 0) {
            entry.isFolder = S_ISDIR(status.st_mode);
            entry.size = S_ISREG(status.st_mode) ? static_cast<std::uint64_t>(status.st_size) : 0;
        } else {
            // A link that leads nowhere, or an item we may not look at: listed without size.
            entry.isFolder = item->d_type == DT_DIR;
        }
        listing.entries.push_back(std::move(entry));
    }
    listing.ok = true;
    return listing;
}

LocalNamespace::Listing LocalNamespace::listComputer()
{
    Listing listing;
    computerItems_.clear();
    for (const MountedVolume& volume : browsableVolumes()) {
        computerItems_.emplace(volume.rootPath, volume);
    }
    computerItems_.emplace(homePath_, std::nullopt); // a mount point there stays a mount point
    for (const auto& [path, volume] : computerItems_) {
        FolderEntry entry;
        entry.name = path;
        entry.isFolder = true;
        listing.entries.push_back(std::move(entry));
    }
    listing.ok = true;
    return listing;
}

std::string LocalNamespace::entryPath(const LocalFolderId& folder, const FolderEntry& entry) const
{
    return folder.isComputer() ? entry.name : JoinPath(folder.path, entry.name);
}

std::string LocalNamespace::GetItemDisplayName(const LocalFolderId& folder)
{
    return folder.isComputer() ? std::string(kComputerName) : folder.path;
}

std::optional<LocalFolderId> LocalNamespace::parent(const LocalFolderId& folder) const
{
    if (folder.isComputer()) {
        return std::nullopt;
    }
    if (folder.path == "/") {
        return LocalFolderId::computer();
    }
    for (const MountedVolume& volume : browsableVolumes()) {
        if (volume.rootPath == folder.path) {
            return LocalFolderId::computer();
        }
    }
    const std::size_t slash = folder.path.rfind('/');
    return LocalFolderId::folder(
        slash == 0 || slash == std::string::npos ? std::string("/") : folder.path.substr(0, slash));
}

std::optional<LocalItem> LocalNamespace::readDetails(const LocalFolderId& folder,
                                                     FolderEntry& entry) const
{
    LocalItem item;
    item.path = entryPath(folder, entry);
    if (folder.isComputer()) {
        const auto known = computerItems_.find(entry.name);
        if (known != computerItems_.end() && known->second) {
            item.kind = LocalItem::Kind::Volume;
            item.fileSystemType = known->second->fileSystemType;
            return item;
        }
    }
    struct stat status {};
    if (::stat(item.path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    entry.attributes = 0;
    if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
        ::access(item.path.c_str(), W_OK) != 0) {
        entry.attributes |= FolderEntry::kReadOnly;
    }
    if (!folder.isComputer() && entry.name.starts_with('.')) {
        entry.attributes |= FolderEntry::kHidden;
    }
    if (!S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode)) {
        entry.attributes |= FolderEntry::kSystem;
    }
    const std::int64_t modified = ModifiedMilliseconds(status);
    entry.modifiedTime = modified;
    entry.modified.clear();
    if (modified != 0) {
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(modified);
        if (local.isValid()) {
            entry.modified = DateTimeText::instance().format(local).toStdString();
        }
    }
    if (S_ISDIR(status.st_mode)) {
        item.kind = folder.isComputer() ? LocalItem::Kind::Home : LocalItem::Kind::Folder;
    }
    return item;
}

} // namespace kora
