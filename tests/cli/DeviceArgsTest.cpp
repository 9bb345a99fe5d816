// Device paths and names typed on the command line.
#include <gtest/gtest.h>

#include "cli/DeviceArgs.h"

namespace kora::cli {
namespace {

TEST(DeviceArgs, PathsTakeThePanelsForm)
{
    const struct {
        const char* typed;
        const char* path; // nullptr: refused
    } cases[] = {
        {"", "\\"},
        {"\\", "\\"},
        {"D:\\", "\\"},
        {"d:/bin", "\\bin"},
        {"BIN\\TOOL.COM", "\\BIN\\TOOL.COM"},
        {"/BIN//OLD/", "\\BIN\\OLD"},
        {"\\BIN\\.\\..\\LOG", "\\LOG"},
        {"..\\..", "\\"},
        {"C:\\DOS", nullptr},
        {"\\MY DIR", nullptr},
        {"\\A*B", nullptr},
        {"\\A|B", nullptr},
        {"\\A&B", nullptr},
        {"\\A\x01", nullptr},
    };
    for (const auto& c : cases) {
        const auto result = NormalizeDevicePath(c.typed);
        if (c.path == nullptr) {
            EXPECT_TRUE(std::holds_alternative<PathError>(result)) << c.typed;
        } else {
            ASSERT_TRUE(std::holds_alternative<std::string>(result)) << c.typed;
            EXPECT_EQ(std::get<std::string>(result), c.path) << c.typed;
        }
    }
    // A refused part gets the window's warning.
    EXPECT_TRUE(std::get<PathError>(NormalizeDevicePath("\\MY DIR"))
                    .message.startsWith("The name 'MY DIR' cannot be used on KORA-7740P."));
}

TEST(DeviceArgs, SplittingMatchingAndTellingDevicePathsApart)
{
    EXPECT_EQ(SplitDevicePath("\\BIN\\TOOL.COM").folder, "\\BIN");
    EXPECT_EQ(SplitDevicePath("\\BIN\\TOOL.COM").name, "TOOL.COM");
    EXPECT_EQ(SplitDevicePath("\\README.TXT").folder, "\\");
    EXPECT_EQ(SplitDevicePath("\\README.TXT").name, "README.TXT");
    EXPECT_EQ(SplitDevicePath("\\").name, "");

    EXPECT_TRUE(LooksLikeDevicePath("\\BIN"));
    EXPECT_TRUE(LooksLikeDevicePath("d:\\BIN"));
    EXPECT_TRUE(LooksLikeDevicePath("D:"));
    EXPECT_FALSE(LooksLikeDevicePath("/tmp/BIN"));
    EXPECT_FALSE(LooksLikeDevicePath("a.bin"));

    EXPECT_TRUE(SameDeviceName("demo.exe", "DEMO.EXE"));
    EXPECT_FALSE(SameDeviceName("DEMO.EXE", "DEMO.EX"));
    EXPECT_FALSE(SameDeviceName("\xe9", "\xc9")); // only ASCII letters fold
}

} // namespace
} // namespace kora::cli
