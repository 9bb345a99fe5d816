#include "filelist/SizeText.h"

#include <cstdio>

namespace kora {

std::string SizeCellText(const FolderEntry& entry)
{
    const std::uint64_t kilobytes = entry.size / 1024 + (entry.size % 1024 != 0 ? 1 : 0);
    return entry.isFolder ? std::string() : std::to_string(kilobytes) + "KB";
}

std::string TotalSizeText(std::uint64_t total)
{
    if (total < 1024) {
        return std::to_string(total) + " byte(s)";
    }
    char text[64];
    if (total < 1048576) {
        const float kilobytes = static_cast<float>(total) * (1.0f / 1024.0f);
        std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(kilobytes));
    } else {
        const float megabytes = static_cast<float>(total) * (1.0f / 1048576.0f);
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(megabytes));
    }
    return text;
}

std::string ObjectCountText(std::size_t count)
{
    return std::to_string(count) + " object(s)";
}

} // namespace kora
