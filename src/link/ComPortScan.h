#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kora {

// What the system knows of a serial device: for a USB adapter its maker, model and serial
// number, and the stable /dev/serial/by-id link that names it.
struct SerialDeviceInfo {
    std::string path; // /dev/ttyUSB0
    std::string manufacturer;
    std::string description;
    std::string serialNumber;
    std::string byIdPath; // empty when there is none
};

// Where the start-up scan looks. The application scans the machine; tests give folders of
// their own and a fixed device list so that they see only the ports they made.
struct ComPortScanSources {
    std::filesystem::path portsFolder;           // the COMn links
    std::filesystem::path deviceFolder = "/dev"; // COMn without a link is ttyS<n-1> in here
    std::filesystem::path ttyClassFolder = "/sys/class/tty"; // <name>/type 0: no UART
    // Serial devices the system knows of, as device paths; may be empty.
    std::function<std::vector<std::string>()> extraDevices;
    // What the system knows of its serial devices (for tool tips); may be empty.
    std::function<std::vector<SerialDeviceInfo>()> describeDevices;
    // The stable names of USB serial devices: links to their nodes.
    std::filesystem::path byIdFolder = "/dev/serial/by-id";
};

// The machine's own sources: PortsFolder(), /dev, /sys/class/tty and QSerialPortInfo.
ComPortScanSources SystemComPortSources();

// The names the port box offers: COM1..COM255 in ascending order, each one that opens or
// exists but is held by another program or refused by permissions; then the further serial
// devices by path, in natural order (ttyUSB2 before ttyUSB10), that no listed COMn already
// stands for. Serial nodes without a UART behind them are left out. Nothing is sent; every
// port opened is closed again at once.
std::vector<std::string> ScanComPorts(const ComPortScanSources& sources);

// The ports that are there now, found without opening any (a port in use is never touched):
// the COMn links of the ports folder whose device exists, then the further serial devices as
// the scan finds them. For the port box to pick up adapters plugged in after start-up.
std::vector<std::string> PresentPorts(const ComPortScanSources& sources);
// Whether the device a port name stands for exists now (nothing is opened).
bool PortPresent(const std::string& name, const ComPortScanSources& sources);
// The order of the port box: COMn by number first, then device paths in natural order.
bool PortNameLess(const std::string& a, const std::string& b);

// What the port box tells of a port: the device behind it and what the system knows of it
// (maker, model, serial number, by-id path) as sources.describeDevices() gave it in known;
// empty when the system knows nothing of it.
std::string PortDescription(const std::string& name, const ComPortScanSources& sources,
                            const std::vector<SerialDeviceInfo>& known);

} // namespace kora
