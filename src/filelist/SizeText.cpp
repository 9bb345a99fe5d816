#include "filelist/SizeText.h"

#include <cstdio>

namespace kora {

std::string KilobyteText(std::uint64_t bytes)
{
    const std::uint64_t kilobytes = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
    return std::to_string(kilobytes) + "KB";
}

std::string SizeCellText(const FolderEntry& entry)
{
    return entry.isFolder ? std::string() : KilobyteText(entry.size);
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
