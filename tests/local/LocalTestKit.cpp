#include "LocalTestKit.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>

namespace kora::test {
namespace {

bool Capabilities(__user_cap_data_struct (&data)[2], bool set)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

constexpr std::uint32_t kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

} // namespace

void WriteFile(const std::filesystem::path& path, std::uint64_t size)
{
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        if (!file) {
            throw std::runtime_error("cannot write " + path.string());
        }
    }
    if (::truncate(path.c_str(), static_cast<off_t>(size)) != 0) {
        throw std::runtime_error("cannot size " + path.string());
    }
}

void SetModified(const std::filesystem::path& path, std::int64_t seconds, std::int64_t nanoseconds)
{
    const timespec time{static_cast<time_t>(seconds), static_cast<long>(nanoseconds)};
    const timespec times[2] = {time, time};
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) {
        throw std::runtime_error("cannot set the time of " + path.string());
    }
}

EntryInfoProvider::Info FakeInfoProvider::lookUpLocal(const LocalItem& item)
{
    ++lookups[item.path];
    switch (item.kind) {
    case LocalItem::Kind::Folder:
        return {"Folder", 1};
    case LocalItem::Kind::Home:
        return {"Home", 1};
    case LocalItem::Kind::Volume:
        return {item.fileSystemType + " file system", 1};
    case LocalItem::Kind::File:
        break;
    }
    const std::string extension = std::filesystem::path(item.path).extension().string();
    return {(extension.empty() ? "" : extension.substr(1)) + " file", 2};
}

PermissionsEnforced::PermissionsEnforced()
{
    __user_cap_data_struct data[2]{};
    if (!Capabilities(data, false)) {
        return;
    }
    savedEffective_ = data[0].effective;
    if ((savedEffective_ & kOverrides) != 0) {
        data[0].effective &= ~kOverrides;
        if (!Capabilities(data, true)) {
            return;
        }
        lowered_ = true;
    }
    active_ = true;
}

PermissionsEnforced::~PermissionsEnforced()
{
    if (!lowered_) {
        return;
    }
    __user_cap_data_struct data[2]{};
    if (Capabilities(data, false)) {
        data[0].effective = savedEffective_;
        Capabilities(data, true);
    }
}

} // namespace kora::test
