#include "cli/DeviceArgs.h"

#include <vector>

#include "device/DeviceOperations.h"
#include "device/DevicePath.h"
#include "filelist/ControllerText.h"

namespace kora::cli {

namespace {

char AsciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool HasDrivePrefix(std::string_view typed)
{
    return typed.size() >= 2 && AsciiUpper(typed[0]) == 'D' && typed[1] == ':';
}

QString DeviceMessageText(std::string_view bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

std::variant<std::string, PathError> DeviceText(const QString& typed)
{
    auto bytes = ControllerBytes(typed);
    if (auto* refusal = std::get_if<TextRefusal>(&bytes)) {
        return PathError{std::move(refusal->message)};
    }
    return std::get<std::string>(std::move(bytes));
}

std::variant<std::string, PathError> NormalizeDevicePath(std::string_view typed)
{
    if (HasDrivePrefix(typed)) {
        typed.remove_prefix(2);
    } else if (typed.size() >= 2 && typed[1] == ':') {
        return PathError{DeviceMessageText("Only the D: drive of KORA-7740P can be used here: '" +
                                           std::string(typed) + "'")};
    }
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= typed.size()) {
        std::size_t end = typed.find_first_of("\\/", start);
        if (end == std::string_view::npos) {
            end = typed.size();
        }
        const std::string_view part = typed.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
            continue;
        }
        if (const auto warning = UnsafeNameWarning(part)) {
            return PathError{DeviceMessageText(*warning)};
        }
        parts.emplace_back(part);
    }
    std::string path(kDeviceRoot);
    for (const std::string& part : parts) {
        path = ChildDevicePath(path, part);
    }
    return path;
}

std::variant<std::string, PathError> DevicePathArgument(const QString& typed)
{
    const auto bytes = DeviceText(typed);
    if (const auto* error = std::get_if<PathError>(&bytes)) {
        return *error;
    }
    return NormalizeDevicePath(std::get<std::string>(bytes));
}

SplitPath SplitDevicePath(const std::string& normalized)
{
    if (normalized == kDeviceRoot) {
        return {normalized, {}};
    }
    const std::size_t last = normalized.rfind('\\');
    return {ParentDevicePath(normalized), normalized.substr(last + 1)};
}

bool LooksLikeDevicePath(const QString& typed)
{
    return typed.startsWith(QLatin1Char('\\')) || typed.startsWith(QLatin1String("D:")) ||
           typed.startsWith(QLatin1String("d:"));
}

bool SameDeviceName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace kora::cli
