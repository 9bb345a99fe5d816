#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kora {

// The tool's configuration folder: $XDG_CONFIG_HOME/kora7740p when that is an absolute path,
// else ~/.config/kora7740p. An empty or relative $XDG_CONFIG_HOME is invalid and ignored, so a
// stray kora7740p folder in the current directory never names a port.
std::filesystem::path ConfigFolder();

// The folder in which COMn links live: $KORA_PORT_DIR when set, else
// $XDG_CONFIG_HOME/kora7740p/ports (default ~/.config/kora7740p/ports).
std::filesystem::path PortsFolder();

// The number n of a "COMn" alias (1..255, decimal, no leading zeros), or nothing.
std::optional<int> ComPortNumber(const std::string& name);

// The device path a port name stands for: a name starting with "/" is used as it is; COMn
// resolves to the target of the link COMn in the ports folder, or to /dev/ttyS<n-1> when
// there is no such link. Anything else resolves to itself (and will fail to open).
std::string ResolvePortName(const std::string& name);
// The same with the folders given: portsFolder for the COMn links, deviceFolder for the
// ttyS<n-1> fallback. The port scan passes its own so that tests see only their own ports.
std::string ResolvePortName(const std::string& name, const std::filesystem::path& portsFolder,
                            const std::filesystem::path& deviceFolder);

} // namespace kora
