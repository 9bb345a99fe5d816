#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kora {

// Where the start-up scan looks. The application scans the machine; tests give folders of
// their own and a fixed device list so that they see only the ports they made.
struct ComPortScanSources {
    std::filesystem::path portsFolder;           // the COMn links
    std::filesystem::path deviceFolder = "/dev"; // COMn without a link is ttyS<n-1> in here
    std::filesystem::path ttyClassFolder = "/sys/class/tty"; // <name>/type 0: no UART
    // Serial devices the system knows of, as device paths; may be empty.
    std::function<std::vector<std::string>()> extraDevices;
};

// The machine's own sources: PortsFolder(), /dev, /sys/class/tty and QSerialPortInfo.
ComPortScanSources SystemComPortSources();

// The names the port box offers: COM1..COM255 in ascending order, each one that opens or
// exists but is held by another program or refused by permissions; then the further serial
// devices by path, in natural order (ttyUSB2 before ttyUSB10), that no listed COMn already
// stands for. Serial nodes without a UART behind them are left out. Nothing is sent; every
// port opened is closed again at once.
std::vector<std::string> ScanComPorts(const ComPortScanSources& sources);

} // namespace kora
