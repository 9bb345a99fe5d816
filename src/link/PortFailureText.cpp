#include "link/PortFailureText.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "link/ConsoleExchange.h"
#include "link/PortNames.h"

namespace kora {
namespace {

namespace fs = std::filesystem;

const char kGeneralAdvice[] = "Please make sure there is no other application using the port!!";

// The name is a link (a COMn alias, a by-id path) that is still there while the device it
// names is gone: the line it stood for was lost.
bool LinkOutlivedItsDevice(const std::string& portName)
{
    fs::path link;
    if (!portName.empty() && portName.front() == '/') {
        link = portName;
    } else if (const std::optional<int> number = ComPortNumber(portName)) {
        link = PortsFolder() / ("COM" + std::to_string(*number));
    } else {
        return false;
    }
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(link, ec)) && !fs::exists(link, ec);
}

} // namespace

std::string LineLostReason()
{
    return "The line was lost: the adapter was unplugged or the other end closed it.";
}

std::string KnownOpenFailureReason(const SerialPort& port)
{
    switch (port.lastOpenFailure()) {
    case OpenFailure::AccessDenied:
        if (std::string hint = port.openFailureHint(); !hint.empty()) {
            return hint;
        }
        return "Access to " + port.devicePath() + " was refused.";
    case OpenFailure::InUse:
        return "The port is in use by another program.";
    case OpenFailure::NoPort:
        break;
    case OpenFailure::None:
        return {};
    }
    if (port.portName().empty()) {
        return {}; // no port was chosen (none was found): nothing more to say
    }
    switch (port.lastOpenErrno()) {
    case ENOENT:
        if (LinkOutlivedItsDevice(port.portName())) {
            return LineLostReason();
        }
        return "There is no such port (" + port.devicePath() + " does not exist).";
    case EIO:
    case ENXIO:
    case ENODEV:
        return LineLostReason();
    case ENOTTY:
    case ENOTDIR:
    case EISDIR:
        return port.devicePath() + " is not a serial port.";
    default:
        return {};
    }
}

std::string OpenFailureReason(const SerialPort& port)
{
    std::string reason = KnownOpenFailureReason(port);
    return reason.empty() ? std::string(kGeneralAdvice) : reason;
}

std::string OpenFailureMessage(const SerialPort& port)
{
    return "Unable to open " + port.portName() + "!\n\n" + OpenFailureReason(port);
}

std::string LineLostMessage(const std::string& portName)
{
    return "Lost the connection to " + portName + "!\n\n" + LineLostReason();
}

bool LineLost(const SerialPort& port)
{
    return port.lastIoFailure() == IoFailure::HungUp ||
           (!port.isOpen() && port.lastIoFailure() == IoFailure::NotOpen);
}

} // namespace kora
