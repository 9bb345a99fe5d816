#pragma once

#include <cctype>
#include <string>

namespace kora::sim {

// DOS names and commands are blind to case: these fold ASCII letters and leave other bytes be.
inline std::string upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

inline std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace kora::sim
