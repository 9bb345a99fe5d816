#include "link/ComPortScan.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <system_error>

#include <QSerialPortInfo>

#include "link/PortNames.h"
#include "link/SerialPort.h"

namespace kora {
namespace {

namespace fs = std::filesystem;

constexpr int kHighestComPort = 255;

std::string CanonicalPath(const std::string& path)
{
    std::error_code ec;
    const fs::path canonical = fs::weakly_canonical(path, ec);
    return ec ? path : canonical.string();
}

// Newer kernels keep a ttyS node for every possible 8250 port; a type of 0 in sysfs says that
// no UART answers behind it.
bool IsPhantomSerialPort(const std::string& devicePath, const fs::path& ttyClassFolder)
{
    const std::string name = fs::path(devicePath).filename().string();
    if (name.rfind("ttyS", 0) != 0) {
        return false;
    }
    std::ifstream typeFile(ttyClassFolder / name / "type");
    int type = -1;
    return typeFile >> type && type == 0;
}

// Digit runs compare by value, everything else byte by byte.
bool NaturalLess(const std::string& a, const std::string& b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[j]);
        if (std::isdigit(ca) && std::isdigit(cb)) {
            std::size_t endA = i;
            std::size_t endB = j;
            while (endA < a.size() && std::isdigit(static_cast<unsigned char>(a[endA]))) {
                ++endA;
            }
            while (endB < b.size() && std::isdigit(static_cast<unsigned char>(b[endB]))) {
                ++endB;
            }
            std::string_view runA(a.data() + i, endA - i);
            std::string_view runB(b.data() + j, endB - j);
            while (runA.size() > 1 && runA.front() == '0') {
                runA.remove_prefix(1);
            }
            while (runB.size() > 1 && runB.front() == '0') {
                runB.remove_prefix(1);
            }
            if (runA.size() != runB.size()) {
                return runA.size() < runB.size();
            }
            if (runA != runB) {
                return runA < runB;
            }
            i = endA;
            j = endB;
            continue;
        }
        if (ca != cb) {
            return ca < cb;
        }
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j || (a.size() - i == b.size() - j && a < b);
}

std::vector<std::string> SystemSerialDevices()
{
    std::vector<std::string> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        devices.push_back(info.systemLocation().toStdString());
    }
    return devices;
}

std::vector<SerialDeviceInfo> SystemSerialDeviceInfo()
{
    std::vector<SerialDeviceInfo> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        devices.push_back({info.systemLocation().toStdString(),
                           info.manufacturer().toStdString(),
                           info.description().toStdString(),
                           info.serialNumber().toStdString(),
                           {}});
    }
    return devices;
}

std::string ByIdLinkTo(const std::string& canonicalDevice, const fs::path& byIdFolder)
{
    std::error_code ec;
    for (fs::directory_iterator it(byIdFolder, ec), end; !ec && it != end; it.increment(ec)) {
        if (CanonicalPath(it->path().string()) == canonicalDevice) {
            return it->path().string();
        }
    }
    return {};
}

bool DeviceExists(const std::string& device)
{
    std::error_code ec;
    return !device.empty() && device.front() == '/' && fs::exists(device, ec);
}

std::vector<std::string> FurtherDevices(const ComPortScanSources& sources,
                                        std::set<std::string>& coveredDevices)
{
    std::vector<std::string> extras;
    if (!sources.extraDevices) {
        return extras;
    }
    for (const std::string& device : sources.extraDevices()) {
        const std::string canonical = CanonicalPath(device);
        if (device.empty() || device.front() != '/' || coveredDevices.count(canonical) ||
            IsPhantomSerialPort(canonical, sources.ttyClassFolder)) {
            continue;
        }
        coveredDevices.insert(canonical);
        extras.push_back(device);
    }
    std::sort(extras.begin(), extras.end(), NaturalLess);
    return extras;
}

} // namespace

ComPortScanSources SystemComPortSources()
{
    ComPortScanSources sources;
    sources.portsFolder = PortsFolder();
    sources.extraDevices = SystemSerialDevices;
    sources.describeDevices = SystemSerialDeviceInfo;
    return sources;
}

std::vector<std::string> ScanComPorts(const ComPortScanSources& sources)
{
    std::vector<std::string> names;
    std::set<std::string> coveredDevices;

    for (int number = 1; number <= kHighestComPort; ++number) {
        const std::string name = "COM" + std::to_string(number);
        const std::string device = ResolvePortName(name, sources.portsFolder, sources.deviceFolder);
        SerialPort probe(device);
        const bool opened = probe.Open();
        const OpenFailure failure = probe.lastOpenFailure();
        probe.Close();
        const bool exists =
            opened || failure == OpenFailure::InUse || failure == OpenFailure::AccessDenied;
        if (exists && !IsPhantomSerialPort(CanonicalPath(device), sources.ttyClassFolder)) {
            names.push_back(name);
            coveredDevices.insert(CanonicalPath(device));
        }
    }

    const std::vector<std::string> extras = FurtherDevices(sources, coveredDevices);
    names.insert(names.end(), extras.begin(), extras.end());
    return names;
}

std::vector<std::string> PresentPorts(const ComPortScanSources& sources)
{
    std::vector<std::string> names;
    std::set<std::string> coveredDevices;
    // Only the links: a COMn without one stands for a built-in ttyS port, which does not come
    // and go, and the start-up scan has judged those already.
    for (int number = 1; number <= kHighestComPort; ++number) {
        const std::string name = "COM" + std::to_string(number);
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(sources.portsFolder / name, ec))) {
            continue;
        }
        const std::string device = ResolvePortName(name, sources.portsFolder, sources.deviceFolder);
        if (DeviceExists(device)) {
            names.push_back(name);
            coveredDevices.insert(CanonicalPath(device));
        }
    }
    const std::vector<std::string> extras = FurtherDevices(sources, coveredDevices);
    names.insert(names.end(), extras.begin(), extras.end());
    return names;
}

bool PortPresent(const std::string& name, const ComPortScanSources& sources)
{
    const std::string device = ResolvePortName(name, sources.portsFolder, sources.deviceFolder);
    return DeviceExists(device) &&
           !IsPhantomSerialPort(CanonicalPath(device), sources.ttyClassFolder);
}

bool PortNameLess(const std::string& a, const std::string& b)
{
    const std::optional<int> numberA = ComPortNumber(a);
    const std::optional<int> numberB = ComPortNumber(b);
    if (numberA && numberB) {
        return *numberA < *numberB;
    }
    if (numberA || numberB) {
        return numberA.has_value();
    }
    return NaturalLess(a, b);
}

std::string PortDescription(const std::string& name, const ComPortScanSources& sources,
                            const std::vector<SerialDeviceInfo>& known)
{
    const std::string device = ResolvePortName(name, sources.portsFolder, sources.deviceFolder);
    if (!DeviceExists(device)) {
        return {};
    }
    const std::string canonical = CanonicalPath(device);
    std::string text;
    const auto add = [&text](const char* label, const std::string& value) {
        if (!value.empty()) {
            text += (text.empty() ? "" : "\n") + std::string(label) + value;
        }
    };
    if (canonical != name) {
        add("Device: ", canonical);
    }
    for (const SerialDeviceInfo& info : known) {
        if (CanonicalPath(info.path) != canonical) {
            continue;
        }
        add("Maker: ", info.manufacturer);
        add("Model: ", info.description);
        add("Serial number: ", info.serialNumber);
        add("By id: ", info.byIdPath);
        break;
    }
    if (text.find("By id: ") == std::string::npos) {
        add("By id: ", ByIdLinkTo(canonical, sources.byIdFolder));
    }
    return text;
}

} // namespace kora
