#include "link/ReturningDevice.h"

#include <system_error>

#include "link/PortNames.h"

namespace kora {
namespace {

namespace fs = std::filesystem;

bool Exists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && path.front() == '/' && fs::exists(path, ec);
}

} // namespace

ReturningDevice::ReturningDevice(std::string portName, const std::string& devicePath,
                                 const fs::path& byIdFolder)
    : portName_(std::move(portName))
{
    std::error_code ec;
    const fs::path device = fs::weakly_canonical(devicePath, ec);
    if (ec) {
        return;
    }
    for (fs::directory_iterator it(byIdFolder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkError;
        if (fs::weakly_canonical(it->path(), linkError) == device && !linkError) {
            byIdPath_ = it->path().string();
            return;
        }
    }
}

std::optional<std::string> ReturningDevice::whereNow() const
{
    if (!byIdPath_.empty()) {
        if (Exists(byIdPath_)) {
            return byIdPath_;
        }
        // Another adapter may now sit on the old name; only this one's link says it is back.
        return std::nullopt;
    }
    if (Exists(ResolvePortName(portName_))) {
        return portName_;
    }
    return std::nullopt;
}

} // namespace kora
