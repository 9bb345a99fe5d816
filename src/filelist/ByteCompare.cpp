#include "filelist/ByteCompare.h"

#include <algorithm>
#include <cstring>

namespace kora {
namespace {

char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

int CompareBytes(std::string_view left, std::string_view right)
{
    const std::size_t common = std::min(left.size(), right.size());
    if (common > 0) {
        // memcmp compares as unsigned char, which is the rule wanted.
        if (const int order = std::memcmp(left.data(), right.data(), common); order != 0) {
            return order < 0 ? -1 : 1;
        }
    }
    if (left.size() == right.size()) {
        return 0;
    }
    return left.size() < right.size() ? -1 : 1;
}

bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix)
{
    if (prefix.size() > text.size()) {
        return false;
    }
    return std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return UpperAscii(a) == UpperAscii(b); });
}

} // namespace kora
