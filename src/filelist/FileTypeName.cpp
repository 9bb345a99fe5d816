#include "filelist/FileTypeName.h"

#include <array>
#include <cctype>
#include <utility>

namespace kora {
namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kDosTypeNames{{
    {"BAT", "DOS batch file"},
    {"BIN", "binary data"},
    {"CFG", "configuration file"},
    {"DAT", "data file"},
    {"INI", "configuration file"},
    {"SYS", "DOS system file"},
}};

bool SameLetters(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string FileTypeName(const QMimeType& type, std::string_view fileName)
{
    if (type.isValid() && !type.isDefault()) {
        return type.comment().toStdString();
    }
    const std::size_t dot = fileName.rfind('.');
    if (dot != std::string_view::npos) {
        const std::string_view extension = fileName.substr(dot + 1);
        for (const auto& [known, name] : kDosTypeNames) {
            if (SameLetters(extension, known)) {
                return std::string(name);
            }
        }
    }
    return type.comment().toStdString();
}

} // namespace kora
