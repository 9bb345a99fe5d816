#include "cli/DosWildcard.h"

#include <string>

namespace kora::cli {

namespace {

constexpr std::size_t kNamePlaces = 8;
constexpr std::size_t kExtensionPlaces = 3;

char Upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// One field in its fixed places: "*" fills the rest with "?", blanks pad the end.
std::string Field(std::string_view text, std::size_t places)
{
    std::string field;
    for (const char c : text) {
        if (field.size() == places) {
            break;
        }
        if (c == '*') {
            field.resize(places, '?');
            break;
        }
        field.push_back(Upper(c));
    }
    field.resize(places, ' ');
    return field;
}

struct Fields {
    std::string name;
    std::string extension;
};

Fields Split(std::string_view text)
{
    const std::size_t dot = text.find('.');
    if (dot == std::string_view::npos) {
        return {Field(text, kNamePlaces), Field({}, kExtensionPlaces)};
    }
    return {Field(text.substr(0, dot), kNamePlaces), Field(text.substr(dot + 1), kExtensionPlaces)};
}

bool FieldMatches(const std::string& pattern, const std::string& name)
{
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '?' && pattern[i] != name[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

bool HasDosWildcard(std::string_view name)
{
    return name.find_first_of("*?") != std::string_view::npos;
}

bool MatchesDosPattern(std::string_view pattern, std::string_view name)
{
    const Fields wanted = Split(pattern);
    const Fields given = Split(name);
    return FieldMatches(wanted.name, given.name) && FieldMatches(wanted.extension, given.extension);
}

const char* DosPatternFault(std::string_view pattern)
{
    const std::size_t dot = pattern.find('.');
    const std::string_view base = pattern.substr(0, dot);
    const std::string_view extension =
        dot == std::string_view::npos ? std::string_view() : pattern.substr(dot + 1);
    if (base.empty() || base.size() > kNamePlaces || extension.size() > kExtensionPlaces ||
        extension.find('.') != std::string_view::npos) {
        return "a pattern has the 8.3 form: at most 8 places, a dot and at most 3 more";
    }
    for (const char c : pattern) {
        const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                             (c >= '0' && c <= '9') || c == '_' || c == '.' || c == '*' ||
                             c == '?' || c == '-' || c == '$' || c == '~';
        if (!allowed) {
            return "a pattern holds letters, digits, \"_\", \".\" and the wildcards \"*\" and "
                   "\"?\"";
        }
    }
    return nullptr;
}

} // namespace kora::cli
