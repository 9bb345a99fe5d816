#pragma once

#include <string_view>

namespace kora {

// Byte-wise comparison: the first differing byte decides by its unsigned value; on an equal
// prefix the shorter text comes first. Returns <0, 0 or >0.
int CompareBytes(std::string_view left, std::string_view right);

// Whether text begins with prefix, ASCII letters compared without regard to case.
bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix);

} // namespace kora
