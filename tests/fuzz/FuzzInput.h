#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kora::fuzz {

// A fuzzer's input as the lines a console would deliver: cut after every LF, the last piece
// kept even without one.
inline std::vector<std::string_view> SplitLines(const std::uint8_t* data, std::size_t size)
{
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < all.size()) {
        const std::size_t end = all.find('\n', start);
        const std::size_t next = end == std::string_view::npos ? all.size() : end + 1;
        lines.push_back(all.substr(start, next - start));
        start = next;
    }
    return lines;
}

// Stops the fuzzer with a message when an invariant does not hold; a crash is what the fuzzer
// reports and keeps.
#define KORA_FUZZ_CHECK(condition)                                                                 \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            __builtin_trap();                                                                      \
        }                                                                                          \
    } while (false)

} // namespace kora::fuzz
