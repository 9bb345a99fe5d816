// The I/O configuration reader on any read-out, and its writer: whatever table the reader
// builds, writing it and reading the text back gives the same table. The read-out's check runs
// on the same lines.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "FuzzInput.h"
#include "ioconf/IoConfigText.h"
#include "ioconf/ReadOutCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kora;
    IoConfigTable table;
    std::int32_t state = 0;
    for (const std::string_view line : fuzz::SplitLines(data, size)) {
        ParseIOConfig(table, state, std::string(line));
    }
    IoConfigTable checked;
    ReadOutCheck check;
    for (const std::string_view line : fuzz::SplitLines(data, size)) {
        check.take(checked, std::string(line));
    }
    static_cast<void>(check.whole(checked));
    const std::string text = FormatIOConfig(table);
    IoConfigTable again;
    std::int32_t againState = 0;
    for (const std::string_view line :
         fuzz::SplitLines(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())) {
        ParseIOConfig(again, againState, std::string(line));
    }
    if (const std::string second = FormatIOConfig(again); second != text) {
        std::fprintf(stderr, "written:\n%s\nread back and written again:\n%s\n", text.c_str(),
                     second.c_str());
        KORA_FUZZ_CHECK(false);
    }
    return 0;
}
