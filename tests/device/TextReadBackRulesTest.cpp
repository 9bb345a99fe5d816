// The rules of reading a file back: what "type" printed against the listed size, on every
// framing a console may give; and the PC copy's permissions.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "device/ReadBackCopy.h"
#include "device/TextReadBack.h"
#include "support/TempDir.h"

namespace kora {
namespace {

using namespace std::string_literals;

TEST(TypeOutput, TheFileIsTheListedSizeFollowedByNothingButTheConsolesLineEnds)
{
    struct Case {
        std::string output; // after the echoed CR, up to the prompt
        std::uint64_t size;
        TypedFile kind;
        std::string text;
    };
    const std::string padded = "echo hi\r\n" + std::string(119, '\0');
    const std::vector<Case> cases = {
        // A last line feed, then the console's line end before the prompt, or none.
        {"\none\r\n\r\n", 5, TypedFile::Exact, "one\r\n"},
        {"\none\r\n", 5, TypedFile::Exact, "one\r\n"},
        // A last line without one: the console may add a line end, and its own, or neither.
        {"\none\r\n\r\n", 3, TypedFile::Exact, "one"},
        {"\none\r\n", 3, TypedFile::Exact, "one"},
        {"\none", 3, TypedFile::Exact, "one"},
        {"\n\r\n", 0, TypedFile::Exact, ""},
        {"\n", 0, TypedFile::Exact, ""},
        // A file ending in a line feed gets no line end added: two bytes more are the file's,
        // and its listed size is short of them.
        {"\na\n\r\n\r\n", 2, TypedFile::NotExact, ""},
        {"\none\r\n\r\n\r\n", 5, TypedFile::NotExact, ""},
        // An upload's zero padding fills its last 128-byte block, and only that.
        {"\n" + padded + "\r\n\r\n", 128, TypedFile::ZeroPadding, "echo hi\r\n"},
        {"\n" + padded, 128, TypedFile::ZeroPadding, "echo hi\r\n"},
        {"\n" + std::string(128, '\0') + "\r\n", 128, TypedFile::Binary, ""},
        {"\nab\0\0\r\n\r\n"s, 4, TypedFile::Binary, ""},
        {"\nab\0\r\n\r\n"s, 5, TypedFile::Binary, ""},
        {"\n" + padded.substr(0, 12) + "x" + padded.substr(13) + "\r\n", 128, TypedFile::Binary,
         ""},
        // "type" stops at Ctrl-Z: one byte short is the mark at the file's end, on any framing.
        {"\nlast\r\n\r\n", 7, TypedFile::EndOfFileMark, "last\r\n"},
        {"\nlast\r\n", 7, TypedFile::EndOfFileMark, "last\r\n"},
        {"\nlast\r\n\r\n", 5, TypedFile::EndOfFileMark, "last"},
        {"\nlast", 5, TypedFile::EndOfFileMark, "last"},
        // More short: what follows the mark was never printed.
        {"\nlast\r\n\r\n", 12, TypedFile::NotExact, ""},
        // A console that prints the marks.
        {"\nlast\r\n\x1a\x1a\r\n\r\n", 8, TypedFile::EndOfFileMark, "last\r\n"},
        {"\nlast\x1atail\r\n\r\n", 9, TypedFile::Binary, ""},
    };
    for (const Case& c : cases) {
        const TypeOutputReading reading = JudgeTypeOutput(c.output, c.size);
        EXPECT_EQ(reading.kind, c.kind) << ::testing::PrintToString(c.output) << " " << c.size;
        EXPECT_EQ(reading.text, c.text) << ::testing::PrintToString(c.output) << " " << c.size;
    }
}

TEST(ReadBackCopy, FollowsTheUmaskLikeEveryFileTheUserMakes)
{
    test::TempDir dir;
    for (const mode_t mask : {mode_t{022}, mode_t{002}, mode_t{077}}) {
        const mode_t before = ::umask(mask);
        const LocalPath target{(dir / ("COPY" + std::to_string(mask))).string()};
        const auto error = SaveReadBackCopy(target, "text\r\n", false);
        ::umask(before);
        ASSERT_FALSE(error) << *error;
        struct stat status {};
        ASSERT_EQ(::stat(target.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0666 & ~mask) << std::oct << mask;
    }
}

} // namespace
} // namespace kora
