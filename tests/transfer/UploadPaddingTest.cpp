// What fills the last XMODEM block of an upload: Ctrl-Z for a text file, zero bytes otherwise.
#include <gtest/gtest.h>

#include "transfer/UploadPadding.h"

namespace kora {
namespace {

using namespace std::string_literals;

TEST(UploadPadding, ATextFileByItsNameOrItsContentIsFilledWithTheEndOfFileMark)
{
    struct Case {
        const char* deviceName;
        std::string content;
        std::uint8_t padding;
    };
    const std::vector<Case> cases = {
        {"D:\\RUNME.BAT", "DEMO.EXE", kEndOfFilePadding},
        {"D:\\CFG\\plant.ini", "\x01\x02"s, kEndOfFilePadding},
        {"D:\\A.CFG", "", kEndOfFilePadding},
        {"D:\\README.TXT", "x", kEndOfFilePadding},
        {"D:\\RUN.LOG", "x", kEndOfFilePadding},
        // No name says so: the content does, printable with line ends.
        {"D:\\NOTES", "first\r\nsecond\r\n", kEndOfFilePadding},
        {"D:\\TABLE.DAT", "caf\xe9\t1\f\n", kEndOfFilePadding},
        {"D:\\EOF.DAT", "last\r\n\x1a", kEndOfFilePadding},
        {"D:\\NOTES", "no line end", kZeroPadding},
        {"D:\\NOTES", "one\r\n\x01", kZeroPadding},
        {"D:\\NOTES", "one\r\n\0"s, kZeroPadding},
        {"D:\\NOTES", "one\r\n\x7f", kZeroPadding},
        {"D:\\PROG.EXE", "MZ\r\n\0\0"s, kZeroPadding},
        {"D:\\TXT", "\x01", kZeroPadding},
        {"D:\\A.TXT.EXE", "\x01", kZeroPadding},
    };
    for (const Case& c : cases) {
        TextContent content;
        // In two chunks, as a file is read.
        const auto bytes =
            std::span(reinterpret_cast<const std::uint8_t*>(c.content.data()), c.content.size());
        content.add(bytes.first(bytes.size() / 2));
        content.add(bytes.subspan(bytes.size() / 2));
        EXPECT_EQ(PaddingFor(c.deviceName, content), c.padding)
            << c.deviceName << " " << ::testing::PrintToString(c.content);
    }
}

} // namespace
} // namespace kora
