#include "transfer/UploadEnd.h"

#include <array>

#include "device/DevicePath.h"
#include "device/DevicePosition.h"
#include "link/DosName.h"
#include "transfer/XmodemProtocol.h"

namespace kora {

namespace {

// Upper case, as DosNameKey gives it.
constexpr std::array<std::string_view, 16> kFailureWords{
    "FAIL",   "ERROR",  "CANCEL",    "ABORT",   "UNABLE",       "CANNOT",    "CAN'T", "INVALID",
    "DENIED", "REFUSE", "TIMED OUT", "TIMEOUT", "INSUFFICIENT", "DISK FULL", "NOT ",  "INCOMPLETE",
};

const FolderEntry* EntryNamed(const std::vector<FolderEntry>& listed, std::string_view name)
{
    const std::string key = DosNameKey(name);
    for (const FolderEntry& entry : listed) {
        if (DosNameKey(entry.name) == key) {
            return &entry;
        }
    }
    return nullptr;
}

} // namespace

bool ReceiverReportsFailure(std::string_view line)
{
    const std::string upper = DosNameKey(line);
    for (const std::string_view word : kFailureWords) {
        if (upper.find(word) != std::string::npos) {
            return true;
        }
    }
    return false;
}

bool KeptSizeMatches(std::uint64_t listed, std::uint64_t sent)
{
    const std::uint64_t padded =
        (sent + xmodem::kDataSize - 1) / xmodem::kDataSize * xmodem::kDataSize;
    return listed == sent || listed == padded;
}

std::optional<UploadDestination> SplitUploadDestination(std::string_view deviceName)
{
    if (deviceName.size() < 4 || DosNameKey(deviceName.substr(0, 3)) != "D:\\") {
        return std::nullopt;
    }
    const std::string_view path = deviceName.substr(2);
    const std::size_t last = path.rfind('\\');
    const std::string_view name = path.substr(last + 1);
    if (name.empty()) {
        return std::nullopt;
    }
    return UploadDestination{last == 0 ? std::string(kDeviceRoot)
                                       : std::string(path.substr(0, last)),
                             std::string(name)};
}

std::optional<std::string> NotKeptReason(const std::vector<FolderEntry>& listed,
                                         const UploadDestination& destination, std::uint64_t sent,
                                         const std::optional<ListedFile>& earlier)
{
    const std::string where = DeviceLocation(ChildDevicePath(destination.folder, destination.name));
    const FolderEntry* entry = EntryNamed(listed, destination.name);
    if (entry == nullptr || entry->isFolder) {
        return DeviceLocation(destination.folder) + " holds no file " + destination.name;
    }
    if (!KeptSizeMatches(entry->size, sent)) {
        return where + " holds " + std::to_string(entry->size) + " bytes; " + std::to_string(sent) +
               " were sent";
    }
    if (earlier && *earlier == ListedFile{entry->size, entry->modified}) {
        return where + " is still the earlier file (the same size, date and time)";
    }
    return std::nullopt;
}

std::optional<ListedFile> ListedFileNamed(const std::vector<FolderEntry>& listed,
                                          std::string_view name)
{
    const FolderEntry* entry = EntryNamed(listed, name);
    if (entry == nullptr || entry->isFolder) {
        return std::nullopt;
    }
    return ListedFile{entry->size, entry->modified};
}

} // namespace kora
