#include "link/PortNames.h"

#include <cstdlib>
#include <system_error>

#include <pwd.h>
#include <unistd.h>

namespace kora {
namespace {

namespace fs = std::filesystem;

std::string EnvText(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

fs::path HomeFolder()
{
    if (std::string home = EnvText("HOME"); !home.empty()) {
        return home;
    }
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) {
        return entry->pw_dir;
    }
    return "/";
}

} // namespace

fs::path ConfigFolder()
{
    fs::path config = EnvText("XDG_CONFIG_HOME");
    if (config.empty() || config.is_relative()) {
        config = HomeFolder() / ".config";
    }
    return config / "kora7740p";
}

fs::path PortsFolder()
{
    if (std::string folder = EnvText("KORA_PORT_DIR"); !folder.empty()) {
        return folder;
    }
    return ConfigFolder() / "ports";
}

std::optional<int> ComPortNumber(const std::string& name)
{
    // Windows takes port names in any case; so do we ("com3" is COM3).
    if (name.size() < 4 || name.size() > 6) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        if ((name[i] & ~0x20) != "COM"[i]) {
            return std::nullopt;
        }
    }
    if (name[3] == '0') {
        return std::nullopt;
    }
    int number = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return std::nullopt;
        }
        number = number * 10 + (name[i] - '0');
    }
    if (number < 1 || number > 255) {
        return std::nullopt;
    }
    return number;
}

std::string ResolvePortName(const std::string& name)
{
    return ResolvePortName(name, PortsFolder(), "/dev");
}

std::string ResolvePortName(const std::string& name, const fs::path& portsFolder,
                            const fs::path& deviceFolder)
{
    if (!name.empty() && name.front() == '/') {
        return name;
    }
    const std::optional<int> number = ComPortNumber(name);
    if (!number) {
        return name;
    }
    const fs::path alias = portsFolder / ("COM" + std::to_string(*number));
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(alias, ec);
    if (!ec && fs::is_symlink(status)) {
        fs::path target = fs::read_symlink(alias, ec);
        if (!ec) {
            if (target.is_relative()) {
                target = fs::absolute(portsFolder / target, ec).lexically_normal();
            }
            return target.string();
        }
    }
    if (!ec && fs::exists(status)) {
        return fs::absolute(alias, ec).string(); // a device node placed there directly
    }
    return (deviceFolder / ("ttyS" + std::to_string(*number - 1))).string();
}

} // namespace kora
