#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace kora::cli {

// Named controllers: a plant names its controllers once, in the text file controllers.conf of
// the tool's configuration folder, and scripts say "-p press-2" instead of a device path:
//
//   # comment
//   press-2 = /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A9XQ3T1B-if00-port0
//   oven = COM3
//   default = press-2
//
// A name is letters, digits, "-", "_" and "."; it cannot be "default" or look like COMn. A port
// is COMn or a device path starting with "/". "default" names the port (or a controller) used
// when the command line names none.
struct ControllerNames {
    std::vector<std::pair<std::string, std::string>> names; // name, port; in the file's order
    std::string defaultChoice;                              // as written; empty: none
};

// controllers.conf in the configuration folder (ConfigFolder: ~/.config/kora7740p by default).
std::filesystem::path ControllerNamesFile();

// The file's text read; "line N: ..." for a line that is not as above.
std::variant<ControllerNames, std::string> ParseControllerNames(std::string_view text);
// The file read and parsed; no file is no names. The error names the file.
std::variant<ControllerNames, std::string> LoadControllerNames();

// The port a command works on, and the controller's name for it when it has one.
struct PortChoice {
    std::string port;
    std::string name;
};

// From what the command line names (-p: a controller's name or a port), else $KORA_PORT (the
// same), else the file's default. Never "the first port found": on a PC that is a built-in
// port with anything behind it. The error says what is wrong and how to name a port.
std::variant<PortChoice, std::string> ChoosePort(const std::string& typed,
                                                 const ControllerNames& names);

// The names given to a port (as the scan lists it), comparing the devices they stand for.
std::vector<std::string> NamesOfPort(const std::string& port, const ControllerNames& names);

} // namespace kora::cli
