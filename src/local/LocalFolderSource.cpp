#include "local/LocalFolderSource.h"

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
#include "local/LocalFolderId.h"

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

LocalFolderSource::LocalFolderSource(Environment environment, EntryInfoProvider* provider,
                                     ErrorReporter report)
    : FolderSource(Traits{.root = {},
                          .names = TypeAheadSearch::NameBytes::Utf8,
                          .sort = {.namesIgnoreCase = true, .datesByTime = true},
                          .keepsFailedListing = false,
                          .detailsHoldDates = true,
                          .nameToolTips = true,
                          .dragOut = true},
                   provider),
      environment_(std::move(environment)), report_(std::move(report))
{
    if (!environment_.mountedVolumes) {
        environment_.mountedVolumes = SystemMountedVolumes;
    }
    if (environment_.homePath.empty()) {
        const char* home = std::getenv("HOME");
        environment_.homePath = home != nullptr && *home == '/' ? home : "/";
    }
    environment_.homePath = CleanLocalPath(environment_.homePath);
}

std::vector<MountedVolume> LocalFolderSource::browsableVolumes() const
{
    return BrowsableVolumes(environment_.mountedVolumes());
}

std::optional<std::string> LocalFolderSource::parsePath(const std::string& text,
                                                        const std::string& current) const
{
    const auto fail = [&](int error) -> std::optional<std::string> {
        report_("'" + text + "'\n\n" + SystemErrorText(error));
        return std::nullopt;
    };
    std::string path = text;
    if (path == "~" || path.starts_with("~/")) {
        path = environment_.homePath + path.substr(1);
    } else if (!path.empty() && path.front() != '/') {
        if (current.empty()) {
            return fail(ENOENT);
        }
        path = current + "/" + path;
    }
    if (path.empty()) {
        return fail(ENOENT);
    }
    path = CleanLocalPath(path);
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return fail(errno);
    }
    if (!S_ISDIR(status.st_mode)) {
        return fail(ENOTDIR);
    }
    return path;
}

std::optional<FolderSource::Listing> LocalFolderSource::list(const std::string& folder)
{
    if (folder.empty()) {
        return listComputer();
    }
    const auto fail = [&](int error) -> std::optional<Listing> {
        report_("'" + folder + "'\n\n" + SystemErrorText(error));
        return std::nullopt;
    };
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return fail(errno);
    }
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
        const int error = errno;
        ::close(fd);
        return fail(error);
    }
    Listing listing;
    for (;;) {
        errno = 0;
        const dirent* item = ::readdir(dir.get());
        if (item == nullptr) {
            if (errno != 0) {
                return fail(errno);
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
    return listing;
}

FolderSource::Listing LocalFolderSource::listComputer()
{
    Listing listing;
    computerItems_.clear();
    for (const MountedVolume& volume : browsableVolumes()) {
        computerItems_.emplace(volume.rootPath, volume);
    }
    // A mount point there stays a mount point.
    computerItems_.emplace(environment_.homePath, std::nullopt);
    for (const auto& [path, volume] : computerItems_) {
        FolderEntry entry;
        entry.name = path;
        entry.isFolder = true;
        listing.entries.push_back(std::move(entry));
    }
    return listing;
}

std::string LocalFolderSource::child(const std::string& folder, const FolderEntry& entry) const
{
    return folder.empty() ? entry.name : JoinPath(folder, entry.name);
}

std::string LocalFolderSource::displayText(const std::string& folder) const
{
    return folder.empty() ? std::string(kComputerName) : folder;
}

std::optional<std::string> LocalFolderSource::parent(const std::string& folder) const
{
    if (folder.empty()) {
        return std::nullopt;
    }
    if (folder == "/") {
        return std::string(); // "Computer"
    }
    for (const MountedVolume& volume : browsableVolumes()) {
        if (volume.rootPath == folder) {
            return std::string(); // "Computer"
        }
    }
    const std::size_t slash = folder.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : folder.substr(0, slash);
}

bool LocalFolderSource::fillDetails(const std::string& folder, FolderEntry& entry)
{
    const bool underComputer = folder.empty();
    LocalItem item{.path = child(folder, entry), .fileSystemType = {}};
    const auto volume = underComputer ? computerItems_.find(entry.name) : computerItems_.end();
    if (volume != computerItems_.end() && volume->second) {
        item.kind = LocalItem::Kind::Volume;
        item.fileSystemType = volume->second->fileSystemType;
    } else {
        struct stat status {};
        if (::stat(item.path.c_str(), &status) != 0) {
            return false;
        }
        entry.attributes = 0;
        if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
            ::access(item.path.c_str(), W_OK) != 0) {
            entry.attributes |= FolderEntry::kReadOnly;
        }
        if (!underComputer && entry.name.starts_with('.')) {
            entry.attributes |= FolderEntry::kHidden;
        }
        if (!S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode)) {
            entry.attributes |= FolderEntry::kSystem;
        }
        entry.modifiedTime = ModifiedMilliseconds(status);
        entry.modified.clear();
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(entry.modifiedTime);
        if (entry.modifiedTime != 0 && local.isValid()) {
            entry.modified = DateTimeText::instance().format(local).toStdString();
        }
        if (S_ISDIR(status.st_mode)) {
            item.kind = underComputer ? LocalItem::Kind::Home : LocalItem::Kind::Folder;
        }
    }
    return provider_ != nullptr && take(provider_->lookUpLocal(item), entry);
}

} // namespace kora
