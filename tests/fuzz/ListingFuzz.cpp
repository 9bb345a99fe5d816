// The device listing's line parser with its date and size texts, and the tree counts of
// "dir/s", on whatever a serial line may bring.
#include <cstddef>
#include <cstdint>
#include <variant>

#include "FuzzInput.h"
#include "device/DeviceDate.h"
#include "device/DeviceListing.h"
#include "device/DirLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kora;
    DirectoryListing listing;
    TreeCounts counts;
    std::size_t fileLines = 0;
    for (const std::string_view line : fuzz::SplitLines(data, size)) {
        const DirLine parsed = ParseDirLine(line);
        if (const auto* entry = std::get_if<FolderEntry>(&parsed)) {
            // An 8.3 name joined by a dot; a folder has no size.
            KORA_FUZZ_CHECK(!entry->name.empty() && entry->name.size() <= 12);
            KORA_FUZZ_CHECK(!entry->isFolder || entry->size == 0);
            KORA_FUZZ_CHECK(entry->modified.size() <= 64);
        } else if (const auto* free = std::get_if<FreeSpace>(&parsed)) {
            KORA_FUZZ_CHECK(free->text.size() <= line.size() + 2);
        }
        const TreeLine tree = ParseTreeLine(line);
        fileLines += tree.kind == TreeLine::Kind::File ? 1 : 0;
        (void)ParseSizeText(line);
        KORA_FUZZ_CHECK(ConvertDeviceDate(line, 2026).size() <= 64);
        listing.take(line);
        counts.take(line);
    }
    // Lines noise has damaged are left out of the counts (and fail the reading).
    KORA_FUZZ_CHECK(counts.files <= fileLines);
    (void)listing.fault("\\");
    (void)counts.fault();
    return 0;
}
