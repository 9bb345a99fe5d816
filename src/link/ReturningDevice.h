#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kora {

// The device a lost line was on, to be recognised when it comes back: by its stable by-id link
// (a USB adapter plugged into another socket gets another ttyUSB number, never another by-id
// name), else by the port name the user chose (a COMn link made again, the same device path).
class ReturningDevice {
public:
    // portName as the user chose it; devicePath is what it resolved to while the line was up.
    ReturningDevice(std::string portName, const std::string& devicePath,
                    const std::filesystem::path& byIdFolder = "/dev/serial/by-id");

    const std::string& portName() const { return portName_; }
    const std::string& byIdPath() const { return byIdPath_; }
    // The name to open now that the device is there again; nothing while it is not. Nothing is
    // opened here.
    std::optional<std::string> whereNow() const;

private:
    std::string portName_;
    std::string byIdPath_;
};

} // namespace kora
