#include "device/DeviceSort.h"

#include <algorithm>
#include <cstring>

namespace kora {

int CompareBytes(std::string_view left, std::string_view right)
{
    const std::size_t common = std::min(left.size(), right.size());
    if (common > 0) {
        // memcmp compares as unsigned char, which is the rule wanted.
        if (const int order = std::memcmp(left.data(), right.data(), common); order != 0) {
            return order < 0 ? -1 : 1;
        }
    }
    if (left.size() == right.size()) {
        return 0;
    }
    return left.size() < right.size() ? -1 : 1;
}

int CompareDeviceEntries(const FolderEntry& left, const FolderEntry& right, int sortColumn)
{
    if (left.isFolder != right.isFolder) {
        return left.isFolder ? -1 : 1;
    }
    int order = 0;
    switch (sortColumn) {
    case kDeviceColumnSize:
        order = left.size < right.size ? -1 : (left.size > right.size ? 1 : 0);
        break;
    case kDeviceColumnType:
        order = CompareBytes(left.typeName, right.typeName);
        break;
    case kDeviceColumnModified:
        order = CompareBytes(left.modified, right.modified);
        break;
    default:
        break;
    }
    return order != 0 ? order : CompareBytes(left.name, right.name);
}

namespace {

char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    if (prefix.size() > text.size()) {
        return false;
    }
    return std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return UpperAscii(a) == UpperAscii(b); });
}

} // namespace

std::optional<std::size_t> FindDeviceEntry(const DeviceEntries& entries, std::string_view text,
                                           std::size_t start, bool wrap)
{
    const std::size_t count = entries.size();
    for (std::size_t row = start; row < count; ++row) {
        if (StartsWithIgnoringCase(entries.at(row).name, text)) {
            return row;
        }
    }
    if (wrap) {
        for (std::size_t row = 0; row < std::min(start, count); ++row) {
            if (StartsWithIgnoringCase(entries.at(row).name, text)) {
                return row;
            }
        }
    }
    return std::nullopt;
}

} // namespace kora
