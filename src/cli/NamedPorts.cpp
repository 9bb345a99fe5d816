#include "cli/NamedPorts.h"

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

#include "link/PortNames.h"

namespace kora::cli {

namespace {

std::string Trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

bool IsPort(const std::string& text)
{
    return text.starts_with('/') || ComPortNumber(text).has_value();
}

bool IsNameCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

std::optional<std::string> NameFault(const std::string& name)
{
    if (name.empty()) {
        return "a name is missing before \"=\"";
    }
    for (const char c : name) {
        if (!IsNameCharacter(c)) {
            return "'" + name + "' is no name: use letters, digits, \"-\", \"_\" and \".\"";
        }
    }
    if (ComPortNumber(name)) {
        return "'" + name + "' is a port, not a name";
    }
    return std::nullopt;
}

// The device a port stands for, links followed, so that COM3 and the path it names compare
// equal.
std::string DeviceOf(const std::string& port)
{
    std::error_code error;
    const std::filesystem::path resolved = ResolvePortName(port);
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(resolved, error);
    return error ? resolved.string() : canonical.string();
}

std::string Listed(const std::vector<std::pair<std::string, std::string>>& names)
{
    std::string text;
    for (const auto& [name, port] : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

} // namespace

std::filesystem::path ControllerNamesFile()
{
    return ConfigFolder() / "controllers.conf";
}

std::variant<ControllerNames, std::string> ParseControllerNames(std::string_view text)
{
    ControllerNames result;
    std::set<std::string> seen;
    std::istringstream lines{std::string(text)};
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        const std::string content = Trimmed(line);
        if (content.empty() || content.starts_with('#')) {
            continue;
        }
        const std::string at = "line " + std::to_string(number) + ": ";
        const std::size_t equals = content.find('=');
        if (equals == std::string::npos) {
            return at + "expected NAME = PORT";
        }
        const std::string name = Trimmed(std::string_view(content).substr(0, equals));
        const std::string value = Trimmed(std::string_view(content).substr(equals + 1));
        if (name == "default") {
            if (value.empty() || !result.defaultChoice.empty()) {
                return at + (value.empty() ? "the default is empty" : "a second default");
            }
            result.defaultChoice = value;
            continue;
        }
        if (const auto fault = NameFault(name)) {
            return at + *fault;
        }
        if (!IsPort(value)) {
            return at + "'" + value +
                   "' is no port: use COMn or a device path such as /dev/ttyUSB0";
        }
        if (!seen.insert(name).second) {
            return at + "'" + name + "' is named twice";
        }
        result.names.emplace_back(name, value);
    }
    if (!result.defaultChoice.empty() && !IsPort(result.defaultChoice)) {
        bool known = false;
        for (const auto& entry : result.names) {
            known = known || entry.first == result.defaultChoice;
        }
        if (!known) {
            return "the default '" + result.defaultChoice +
                   "' is neither a port nor a name of the file";
        }
    }
    return result;
}

std::variant<ControllerNames, std::string> LoadControllerNames()
{
    const std::filesystem::path file = ControllerNamesFile();
    std::ifstream in(file);
    if (!in) {
        return ControllerNames{};
    }
    std::ostringstream text;
    text << in.rdbuf();
    auto parsed = ParseControllerNames(text.str());
    if (auto* error = std::get_if<std::string>(&parsed)) {
        return file.string() + ", " + *error;
    }
    return parsed;
}

std::variant<PortChoice, std::string> ChoosePort(const std::string& typed,
                                                 const ControllerNames& names)
{
    std::string wanted = typed;
    if (wanted.empty()) {
        if (const char* env = std::getenv("KORA_PORT"); env != nullptr) {
            wanted = env;
        }
    }
    if (wanted.empty()) {
        wanted = names.defaultChoice;
    }
    if (wanted.empty()) {
        return "no port given: name one with -p PORT or -p NAME (a controller named in " +
               ControllerNamesFile().string() +
               "), set KORA_PORT, or put \"default = PORT\" in "
               "that file";
    }
    for (const auto& [name, port] : names.names) {
        if (name == wanted) {
            return PortChoice{port, name};
        }
    }
    if (!IsPort(wanted)) {
        std::string message = "'" + wanted +
                              "' is neither a port (COMn, /dev/...) nor a "
                              "controller named in " +
                              ControllerNamesFile().string();
        if (!names.names.empty()) {
            message += " (" + Listed(names.names) + ")";
        }
        return message;
    }
    const std::vector<std::string> named = NamesOfPort(wanted, names);
    return PortChoice{wanted, named.empty() ? std::string() : named.front()};
}

std::vector<std::string> NamesOfPort(const std::string& port, const ControllerNames& names)
{
    std::vector<std::string> result;
    const std::string device = DeviceOf(port);
    for (const auto& [name, named] : names.names) {
        if (named == port || DeviceOf(named) == device) {
            result.push_back(name);
        }
    }
    return result;
}

} // namespace kora::cli
