#include "device/DevicePath.h"

namespace kora {

std::string ParentDevicePath(std::string_view path)
{
    const std::size_t last = path.rfind('\\');
    if (last == std::string_view::npos || last == 0) {
        return std::string(kDeviceRoot);
    }
    return std::string(path.substr(0, last));
}

std::string ChildDevicePath(std::string_view path, std::string_view name)
{
    std::string child(path);
    if (path != kDeviceRoot) {
        child += '\\';
    }
    child += name;
    return child;
}

} // namespace kora
