#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "filelist/FolderEntry.h"

namespace kora {

// The entries of a panel's last listing in display order: row n of the list shows entry n.
// The container owns its entries; a listing replaces them as a whole.
class FolderEntries {
public:
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

    // The entry shown in that row. The row must be below size().
    const FolderEntry& at(std::size_t row) const { return entries_.at(row); }
    FolderEntry& at(std::size_t row) { return entries_.at(row); }

    void append(FolderEntry entry) { entries_.push_back(std::move(entry)); }
    void clear() { entries_.clear(); }
    void assign(std::vector<FolderEntry> entries) { entries_ = std::move(entries); }

    // Sum of all sizes (folders count 0), in 64 bits so that large drives do not wrap.
    std::uint64_t totalBytes() const;

    // Orders the entries by a three-way comparison (<0, 0, >0), as each panel defines it.
    template <typename Compare> void sort(Compare compare)
    {
        std::sort(entries_.begin(), entries_.end(),
                  [&](const FolderEntry& left, const FolderEntry& right) {
                      return compare(left, right) < 0;
                  });
    }

    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }
    auto begin() { return entries_.begin(); }
    auto end() { return entries_.end(); }

private:
    std::vector<FolderEntry> entries_;
};

} // namespace kora
