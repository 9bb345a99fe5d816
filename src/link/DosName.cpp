#include "link/DosName.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace kora {

bool IsDosShortName(std::string_view name)
{
    const std::size_t dot = name.find('.');
    const std::string_view base = name.substr(0, dot);
    if (base.empty() || base.size() > 8) {
        return false;
    }
    if (dot == std::string_view::npos) {
        return true;
    }
    // "A." would be stored as "A": a trailing dot is a change too.
    const std::string_view extension = name.substr(dot + 1);
    return !extension.empty() && extension.size() <= 3 &&
           extension.find('.') == std::string_view::npos;
}

std::string DosNameKey(std::string_view name)
{
    std::string key(name);
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return key;
}

bool IsDosDeviceName(std::string_view name)
{
    static constexpr std::array<std::string_view, 12> kDevices{"NUL",    "CON",  "PRN",  "AUX",
                                                               "CLOCK$", "COM1", "COM2", "COM3",
                                                               "COM4",   "LPT1", "LPT2", "LPT3"};
    const std::string base = DosNameKey(name.substr(0, name.find('.')));
    return std::find(kDevices.begin(), kDevices.end(), base) != kDevices.end();
}

bool IsRunnableProgram(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) {
        return false;
    }
    const std::string extension = DosNameKey(name.substr(dot));
    return extension == ".EXE" || extension == ".COM" || extension == ".BAT";
}

} // namespace kora
