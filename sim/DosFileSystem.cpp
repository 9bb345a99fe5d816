#include "sim/DosFileSystem.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <fstream>
#include <iterator>
#include <system_error>

#include "sim/SampleDrives.h"
#include "sim/TextCase.h"

namespace kora::sim {

namespace {

constexpr std::uint64_t kClusterBytes = 2048;
constexpr std::uint64_t kDefaultCapacityD = 8u * 1024 * 1024;
constexpr std::uint64_t kCapacityC = 2u * 1024 * 1024;

bool isNameChar(char c)
{
    if (std::isalnum(static_cast<unsigned char>(c)))
        return true;
    static constexpr std::string_view kSpecial = "!#$%&'()-@^_`{}~";
    return kSpecial.find(c) != std::string_view::npos;
}

std::uint64_t clusters(std::uint64_t bytes)
{
    return (bytes + kClusterBytes - 1) / kClusterBytes;
}

DosDateTime fromTimeT(std::time_t t)
{
    std::tm parts{};
    localtime_r(&t, &parts);
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min};
}

DosDateTime fromHostTime(std::filesystem::file_time_type time)
{
    // Shift by the offset between the two clocks now (no clock_cast in this library).
    const auto system = std::chrono::time_point_cast<std::chrono::system_clock::duration>(
        time - std::filesystem::file_time_type::clock::now() + std::chrono::system_clock::now());
    return fromTimeT(std::chrono::system_clock::to_time_t(system));
}

} // namespace

DosDateTime DosDateTime::now()
{
    return fromTimeT(std::time(nullptr));
}

struct DosFileSystem::Node {
    std::string name;     // upper case 8.3; empty for a root
    std::string hostName; // the name in the host folder, when D: mirrors one
    bool isDirectory = false;
    std::string bytes;
    DosDateTime modified;
    std::vector<std::unique_ptr<Node>> children;

    Node* child(const std::string& upperName) const
    {
        for (const auto& c : children)
            if (c->name == upperName)
                return c.get();
        return nullptr;
    }
    Node& add(std::string childName, bool directory, std::string content, DosDateTime when)
    {
        auto node = std::make_unique<Node>();
        node->hostName = childName;
        node->name = upper(std::move(childName));
        node->isDirectory = directory;
        node->bytes = std::move(content);
        node->modified = when;
        children.push_back(std::move(node));
        return *children.back();
    }
    DosEntry toEntry() const { return {name, isDirectory, bytes.size(), modified}; }
};

struct DosFileSystem::Drive {
    char letter = 'D';
    std::string label;
    std::string serial;
    Node root{"", "", true, {}, {}, {}};
    std::vector<std::string> currentDirectory;
    std::uint64_t capacity = kDefaultCapacityD;
    std::filesystem::path host; // empty: in memory only
    std::uint64_t used = 0;     // bytes in clusters, kept up to date by every change
};

struct DosFileSystem::Resolved {
    Drive* drive = nullptr;
    std::vector<std::string> parts; // upper case, from the root
};

// Where a path names an entry: the directory that holds it, and the entry itself if there is
// one. error says why there is no such place (a bad name, a missing directory on the way).
struct DosFileSystem::Slot {
    FsError error = FsError::None;
    Resolved where{};
    Node* parent = nullptr;
    Node* node = nullptr;

    const std::string& name() const { return where.parts.back(); }
};

DosFileSystem::DosFileSystem()
{
    createEmptyDrives();
    FillSampleDrives(*this);
}

DosFileSystem::~DosFileSystem() = default;

void DosFileSystem::createEmptyDrives()
{
    driveC_ = std::make_unique<Drive>();
    driveC_->letter = 'C';
    driveC_->label = "KORA-SYS";
    driveC_->serial = "1E4B-0F32";
    driveC_->capacity = kCapacityC;
    driveD_ = std::make_unique<Drive>();
    driveD_->letter = 'D';
    driveD_->label = "KORA-USER";
    driveD_->serial = "3A7C-19D5";
    currentDrive_ = 'C';
}

void DosFileSystem::resetToSample()
{
    {
        std::lock_guard lock(mutex_);
        createEmptyDrives();
    }
    FillSampleDrives(*this);
}

bool DosFileSystem::mountHostFolder(const std::filesystem::path& folder, std::string* error)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        if (error)
            *error = "not a folder: " + folder.string();
        return false;
    }
    auto fresh = std::make_unique<Drive>();
    fresh->letter = 'D';
    fresh->label = driveD_->label;
    fresh->serial = driveD_->serial;
    fresh->host = folder;

    // Depth-first copy of the host tree; entries that DOS could not name are skipped.
    struct Pending {
        fs::path path;
        Node* node;
    };
    std::vector<Pending> stack{{folder, &fresh->root}};
    while (!stack.empty()) {
        Pending at = stack.back();
        stack.pop_back();
        std::vector<fs::directory_entry> entries;
        for (fs::directory_iterator it(at.path, ec), end; !ec && it != end; it.increment(ec))
            entries.push_back(*it);
        if (ec) {
            if (error)
                *error = "cannot read " + at.path.string() + ": " + ec.message();
            return false;
        }
        std::sort(entries.begin(), entries.end(),
                  [](const auto& a, const auto& b) { return a.path() < b.path(); });
        for (const auto& e : entries) {
            const std::string name = e.path().filename().string();
            if (!isValidName(name) || at.node->child(upper(name)))
                continue;
            std::error_code timeError;
            const auto written = e.last_write_time(timeError);
            const DosDateTime when = timeError ? DosDateTime::now() : fromHostTime(written);
            if (e.is_directory(ec)) {
                Node& dir = at.node->add(name, true, {}, when);
                stack.push_back({e.path(), &dir});
            } else if (e.is_regular_file(ec)) {
                std::ifstream in(e.path(), std::ios::binary);
                std::string bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
                if (!in.good() && !in.eof())
                    continue;
                at.node->add(name, false, std::move(bytes), when);
            }
        }
    }
    std::lock_guard lock(mutex_);
    driveD_ = std::move(fresh);
    driveD_->used = measureUsedBytes(*driveD_);
    driveD_->capacity = std::max(kDefaultCapacityD, driveD_->used + kDefaultCapacityD / 2);
    return true;
}

DosFileSystem::Drive* DosFileSystem::drive(char letter) const
{
    switch (std::toupper(static_cast<unsigned char>(letter))) {
    case 'C':
        return driveC_.get();
    case 'D':
        return driveD_.get();
    default:
        return nullptr;
    }
}

bool DosFileSystem::isValidName(const std::string& name)
{
    const auto dot = name.find('.');
    const std::string base = name.substr(0, dot);
    const std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3)
        return false;
    if (dot != std::string::npos && ext.empty())
        return false;
    return std::all_of(base.begin(), base.end(), isNameChar) &&
           std::all_of(ext.begin(), ext.end(), isNameChar);
}

std::optional<DosFileSystem::Resolved> DosFileSystem::resolve(const std::string& path) const
{
    Resolved where;
    std::string rest = path;
    if (rest.size() >= 2 && rest[1] == ':') {
        where.drive = drive(rest[0]);
        rest.erase(0, 2);
    } else {
        where.drive = drive(currentDrive_);
    }
    if (!where.drive)
        return std::nullopt;
    if (!rest.empty() && rest.front() == '\\')
        rest.erase(0, 1);
    else
        where.parts = where.drive->currentDirectory;

    std::size_t start = 0;
    while (start <= rest.size()) {
        const auto end = std::min(rest.find('\\', start), rest.size());
        const std::string part = rest.substr(start, end - start);
        start = end + 1;
        if (part.empty()) {
            // A trailing "\" is harmless; "\\" in the middle is not a path.
            if (end != rest.size())
                return std::nullopt;
            continue;
        }
        if (part == ".")
            continue;
        if (part == "..") {
            if (where.parts.empty())
                return std::nullopt;
            where.parts.pop_back();
            continue;
        }
        if (!isValidName(part))
            return std::nullopt;
        where.parts.push_back(upper(part));
    }
    return where;
}

DosFileSystem::Node* DosFileSystem::findNode(const Resolved& where) const
{
    Node* node = &where.drive->root;
    for (const auto& part : where.parts) {
        if (!node->isDirectory)
            return nullptr;
        node = node->child(part);
        if (!node)
            return nullptr;
    }
    return node;
}

DosFileSystem::Node* DosFileSystem::findParent(const Resolved& where) const
{
    if (where.parts.empty())
        return nullptr;
    Resolved parent = where;
    parent.parts.pop_back();
    Node* node = findNode(parent);
    return node && node->isDirectory ? node : nullptr;
}

DosFileSystem::Slot DosFileSystem::findSlot(const std::string& path) const
{
    auto where = resolve(path);
    if (!where || where->parts.empty())
        return {.error = FsError::InvalidName};
    Node* parent = findParent(*where);
    if (!parent)
        return {.error = FsError::PathNotFound};
    Node* node = parent->child(where->parts.back());
    return {FsError::None, std::move(*where), parent, node};
}

std::filesystem::path DosFileSystem::hostPath(const Resolved& where) const
{
    std::filesystem::path result = where.drive->host;
    const Node* node = &where.drive->root;
    for (const auto& part : where.parts) {
        const Node* next = node ? node->child(part) : nullptr;
        result /= next ? next->hostName : part;
        node = next;
    }
    return result;
}

std::uint64_t DosFileSystem::measureUsedBytes(const Drive& d)
{
    std::uint64_t used = 0;
    std::vector<const Node*> stack{&d.root};
    while (!stack.empty()) {
        const Node* node = stack.back();
        stack.pop_back();
        for (const auto& c : node->children) {
            used += kClusterBytes * (c->isDirectory ? 1 : clusters(c->bytes.size()));
            stack.push_back(c.get());
        }
    }
    return used;
}

char DosFileSystem::currentDrive() const
{
    std::lock_guard lock(mutex_);
    return currentDrive_;
}

std::string DosFileSystem::currentDirectory(char letter) const
{
    std::lock_guard lock(mutex_);
    const Drive* d = drive(letter);
    if (!d)
        return {};
    std::string text;
    for (const auto& part : d->currentDirectory)
        text += "\\" + part;
    return text.empty() ? "\\" : text;
}

std::string DosFileSystem::prompt() const
{
    const char letter = currentDrive();
    return std::string(1, letter) + ":" + currentDirectory(letter) + ">";
}

bool DosFileSystem::setCurrentDrive(char letter)
{
    std::lock_guard lock(mutex_);
    if (!drive(letter))
        return false;
    currentDrive_ = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    return true;
}

FsError DosFileSystem::changeDirectory(const std::string& path)
{
    std::lock_guard lock(mutex_);
    const auto where = resolve(path);
    if (!where)
        return FsError::InvalidName;
    const Node* node = findNode(*where);
    if (!node)
        return FsError::PathNotFound;
    if (!node->isDirectory)
        return FsError::NotDirectory;
    where->drive->currentDirectory = where->parts;
    return FsError::None;
}

std::optional<std::string> DosFileSystem::absolutePath(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    const auto where = resolve(path);
    if (!where)
        return std::nullopt;
    std::string text(1, where->drive->letter);
    text += ":";
    for (const auto& part : where->parts)
        text += "\\" + part;
    return where->parts.empty() ? text + "\\" : text;
}

bool DosFileSystem::exists(const std::string& path) const
{
    return entry(path).has_value();
}

bool DosFileSystem::isDirectory(const std::string& path) const
{
    const auto found = entry(path);
    return found && found->isDirectory;
}

std::optional<DosEntry> DosFileSystem::entry(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    const auto where = resolve(path);
    const Node* node = where ? findNode(*where) : nullptr;
    if (!node)
        return std::nullopt;
    return node->toEntry();
}

std::optional<std::vector<DosEntry>> DosFileSystem::list(const std::string& directory) const
{
    std::lock_guard lock(mutex_);
    const auto where = resolve(directory);
    const Node* node = where ? findNode(*where) : nullptr;
    if (!node || !node->isDirectory)
        return std::nullopt;
    std::vector<DosEntry> entries;
    entries.reserve(node->children.size());
    for (const auto& c : node->children)
        entries.push_back(c->toEntry());
    return entries;
}

std::optional<std::string> DosFileSystem::readFile(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    const auto where = resolve(path);
    const Node* node = where ? findNode(*where) : nullptr;
    if (!node || node->isDirectory)
        return std::nullopt;
    return node->bytes;
}

bool DosFileSystem::writeFile(const std::string& path, std::string bytes)
{
    return writeFileChecked(path, std::move(bytes)) == FsError::None;
}

FsError DosFileSystem::writeFileChecked(const std::string& path, std::string bytes,
                                        std::optional<DosDateTime> modified)
{
    std::lock_guard lock(mutex_);
    const Slot slot = findSlot(path);
    if (slot.error != FsError::None)
        return slot.error;
    Node* existing = slot.node;
    if (existing && existing->isDirectory)
        return FsError::IsDirectory;
    const std::uint64_t used = slot.where.drive->used;
    const std::uint64_t freed = existing ? kClusterBytes * clusters(existing->bytes.size()) : 0;
    const std::uint64_t needed = kClusterBytes * clusters(bytes.size());
    if (used - freed + needed > slot.where.drive->capacity)
        return FsError::DiskFull;
    if (!slot.where.drive->host.empty()) {
        std::ofstream out(hostPath(slot.where), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush())
            return FsError::HostFailure;
    }
    slot.where.drive->used = used - freed + needed;
    const DosDateTime when = modified.value_or(DosDateTime::now());
    if (existing) {
        existing->bytes = std::move(bytes);
        existing->modified = when;
    } else {
        slot.parent->add(slot.name(), false, std::move(bytes), when);
    }
    return FsError::None;
}

FsError DosFileSystem::deleteFile(const std::string& path)
{
    std::lock_guard lock(mutex_);
    const Slot slot = findSlot(path);
    if (slot.error != FsError::None)
        return slot.error;
    if (!slot.node)
        return FsError::NotFound;
    if (slot.node->isDirectory)
        return FsError::IsDirectory;
    if (!slot.where.drive->host.empty()) {
        std::error_code ec;
        std::filesystem::remove(hostPath(slot.where), ec);
        if (ec)
            return FsError::HostFailure;
    }
    slot.where.drive->used -= kClusterBytes * clusters(slot.node->bytes.size());
    std::erase_if(slot.parent->children, [&](const auto& c) { return c.get() == slot.node; });
    return FsError::None;
}

FsError DosFileSystem::makeDirectory(const std::string& path, std::optional<DosDateTime> modified)
{
    std::lock_guard lock(mutex_);
    const Slot slot = findSlot(path);
    if (slot.error != FsError::None)
        return slot.error;
    if (slot.node)
        return FsError::Exists;
    Drive& d = *slot.where.drive;
    if (d.used + kClusterBytes > d.capacity)
        return FsError::DiskFull;
    if (!d.host.empty()) {
        std::error_code ec;
        if (!std::filesystem::create_directory(hostPath(slot.where), ec))
            return FsError::HostFailure;
    }
    slot.parent->add(slot.name(), true, {}, modified.value_or(DosDateTime::now()));
    d.used += kClusterBytes;
    return FsError::None;
}

FsError DosFileSystem::removeDirectory(const std::string& path)
{
    std::lock_guard lock(mutex_);
    const Slot slot = findSlot(path);
    if (slot.error != FsError::None)
        return slot.error;
    if (!slot.node)
        return FsError::PathNotFound;
    if (!slot.node->isDirectory)
        return FsError::NotDirectory;
    if (!slot.node->children.empty())
        return FsError::NotEmpty;
    // The current directory of a drive can't be removed, as on DOS.
    const auto& parts = slot.where.parts;
    const auto& current = slot.where.drive->currentDirectory;
    if (current.size() >= parts.size() && std::equal(parts.begin(), parts.end(), current.begin()))
        return FsError::InUse;
    if (!slot.where.drive->host.empty()) {
        std::error_code ec;
        if (!std::filesystem::remove(hostPath(slot.where), ec))
            return FsError::HostFailure;
    }
    slot.where.drive->used -= kClusterBytes;
    std::erase_if(slot.parent->children, [&](const auto& c) { return c.get() == slot.node; });
    return FsError::None;
}

FsError DosFileSystem::rename(const std::string& path, const std::string& newName)
{
    std::lock_guard lock(mutex_);
    if (!isValidName(newName))
        return FsError::InvalidName;
    const Slot slot = findSlot(path);
    if (slot.error != FsError::None)
        return slot.error;
    Node* node = slot.node;
    if (!node || node->isDirectory)
        return FsError::NotFound;
    const std::string target = upper(newName);
    Node* clash = slot.parent->child(target);
    if (clash && clash != node)
        return FsError::Exists;
    if (!slot.where.drive->host.empty()) {
        std::error_code ec;
        const auto from = hostPath(slot.where);
        std::filesystem::rename(from, from.parent_path() / target, ec);
        if (ec)
            return FsError::HostFailure;
        node->hostName = target;
    }
    node->name = target;
    return FsError::None;
}

FsError DosFileSystem::format(char letter)
{
    std::lock_guard lock(mutex_);
    Drive* d = drive(letter);
    if (!d)
        return FsError::InvalidName;
    if (d == driveC_.get())
        return FsError::HostFailure;
    if (!d->host.empty()) {
        // Only what the drive shows is erased; host entries DOS could not name stay.
        for (const auto& c : d->root.children) {
            std::error_code ec;
            std::filesystem::remove_all(d->host / c->hostName, ec);
            if (ec)
                return FsError::HostFailure;
        }
    }
    d->root.children.clear();
    d->used = 0;
    d->currentDirectory.clear();
    return FsError::None;
}

std::uint64_t DosFileSystem::freeBytes(char letter) const
{
    std::lock_guard lock(mutex_);
    const Drive* d = drive(letter);
    if (!d)
        return 0;
    return d->used >= d->capacity ? 0 : d->capacity - d->used;
}

std::uint64_t DosFileSystem::capacity(char letter) const
{
    std::lock_guard lock(mutex_);
    const Drive* d = drive(letter);
    return d ? d->capacity : 0;
}

void DosFileSystem::setCapacity(char letter, std::uint64_t bytes)
{
    std::lock_guard lock(mutex_);
    if (Drive* d = drive(letter))
        d->capacity = bytes;
}

std::string DosFileSystem::volumeLabel(char letter) const
{
    std::lock_guard lock(mutex_);
    const Drive* d = drive(letter);
    return d ? d->label : std::string();
}

std::string DosFileSystem::volumeSerial(char letter) const
{
    std::lock_guard lock(mutex_);
    const Drive* d = drive(letter);
    return d ? d->serial : std::string();
}

} // namespace kora::sim
