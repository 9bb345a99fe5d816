#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

#include "filelist/EntryInfoProvider.h"

namespace kora::test {

// A file of the given size; a large one is sparse, so it costs no disk space.
void WriteFile(const std::filesystem::path& path, std::uint64_t size = 0);
// Sets a file's last-write time: seconds since the epoch and nanoseconds within that second.
void SetModified(const std::filesystem::path& path, std::int64_t seconds,
                 std::int64_t nanoseconds = 0);

// Type names made from the item's kind and extension ("TXT file"), icon 1 for folders and 2
// for anything else; counts its lookups per path.
class FakeInfoProvider final : public EntryInfoProvider {
public:
    Info lookUpLocal(const LocalItem& item) override;
    QVariant icon(int iconIndex) const override { return iconIndex; }

    std::map<std::string, int> lookups;
};

// While it lives, the calling thread may not read or search what its permissions forbid, even
// as root: it lowers the thread's capabilities that override file permissions, so that a
// folder with mode 000 cannot be listed. active() is false when that could not be done (the
// test then has nothing to show and skips).
class PermissionsEnforced {
public:
    PermissionsEnforced();
    ~PermissionsEnforced();
    PermissionsEnforced(const PermissionsEnforced&) = delete;
    PermissionsEnforced& operator=(const PermissionsEnforced&) = delete;

    bool active() const { return active_; }

private:
    bool lowered_ = false;
    bool active_ = false;
    std::uint32_t savedEffective_ = 0;
};

} // namespace kora::test
