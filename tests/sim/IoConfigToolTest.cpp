// The I/O configuration tool: read out on the console, applied from an uploaded file.
#include <gtest/gtest.h>

#include "SimTestKit.h"
#include "sim/IoConfigTool.h"
#include "support/SimFixture.h"

using namespace kora;
using namespace kora::sim;
using namespace kora::test;

TEST(IoConfiguration, TextRoundTripsAndMalformedTextIsRefused)
{
    const IoConfiguration sample = SampleIoConfiguration();
    const std::string text = FormatIoConfiguration(sample);
    EXPECT_TRUE(text.starts_with("@KORA7740PIOCFG-START 001 -1 -1\n@SLOT0 04 08 -1\n0 08 -1 -1\n"));
    EXPECT_NE(text.find("@SLOT3 99 -1 -1\n@SLOT3 -1 -1 -1\n@KORA7740PIOCFG-END -1 -1 -1\n"),
              std::string::npos);
    EXPECT_EQ(text.find("@SLOT2 16 16 -1\n0 "), std::string::npos)
        << "a digital module has no range records";

    std::string why;
    const auto back = ParseIoConfiguration(text + std::string(40, '\x1a'), &why);
    ASSERT_TRUE(back) << why;
    EXPECT_EQ(back->nodeId, 1);
    EXPECT_EQ(back->slots[1].rangeCode[3], 2);
    EXPECT_EQ(back->slots[3].moduleType, 99);

    const std::vector<std::string> broken = {
        "",
        "@SLOT0 04 08 -1\n",
        text.substr(0, text.find("@KORA7740PIOCFG-END")),
        [&] { // a channel record missing from slot 0
            std::string t = text;
            t.erase(t.find("7 10 -1 -1\n"), 11);
            return t;
        }(),
        [&] { // a range that is no number
            std::string t = text;
            t.replace(t.find("0 08 -1 -1"), 4, "0 x8");
            return t;
        }(),
    };
    for (const auto& t : broken) {
        EXPECT_FALSE(ParseIoConfiguration(t, &why)) << t;
        EXPECT_FALSE(why.empty());
    }
}

namespace {
class IoConfigExchange : public SimFixture {};
} // namespace

TEST_F(IoConfigExchange, ReadOutPrintsOneRecordPerLine)
{
    const auto run = RunCommands(portName(), {"C:\\cfgio 1\r"});
    ASSERT_TRUE(run.result.ok) << run.result.message;
    std::string printed;
    for (const auto& line : run.rawLines)
        if (line.starts_with("@") || (line.size() > 2 && line[1] == ' '))
            printed += line.substr(0, line.size() - 2) + "\n";
    EXPECT_EQ(printed, FormatIoConfiguration(SampleIoConfiguration()));
    for (const auto& line : run.rawLines)
        EXPECT_TRUE(line == "\n" || line.ends_with("\r\n")) << line;
}

TEST_F(IoConfigExchange, ApplyTakesNewRangesButNotOtherModules)
{
    IoConfiguration wanted = SampleIoConfiguration();
    wanted.slots[0].rangeCode[0] = 13;
    // As uploaded: XMODEM pads the last block with SUB bytes.
    ASSERT_TRUE(sim().fileSystem().writeFile(kIoConfigUploadFile, FormatIoConfiguration(wanted) +
                                                                      std::string(30, '\x1a')));
    const auto apply = RunCommands(portName(), {"C:\\cfgio\r", "del D:\\koraio.cfg\r"});
    ASSERT_TRUE(apply.result.ok) << apply.result.message;
    EXPECT_TRUE(apply.log.contains("I/O configuration applied"));
    EXPECT_FALSE(sim().fileSystem().exists(kIoConfigUploadFile));
    EXPECT_TRUE(RunCommands(portName(), {"C:\\cfgio 1\r"}).log.contains("0 13 -1 -1"));

    wanted.slots[3] = {5, 7, {14, 14, 14, 14, 14, 14, 14, -1}};
    ASSERT_TRUE(sim().fileSystem().writeFile(kIoConfigUploadFile, FormatIoConfiguration(wanted)));
    const auto refused = RunCommands(portName(), {"C:\\cfgio\r"});
    EXPECT_TRUE(refused.log.contains("slot 3 does not hold that module"));
    EXPECT_NE(sim().fileSystem().readFile(kIoConfigSystemFile).value().find("@SLOT3 99 -1 -1"),
              std::string::npos);

    ASSERT_EQ(sim().fileSystem().deleteFile(kIoConfigUploadFile), FsError::None);
    EXPECT_TRUE(
        RunCommands(portName(), {"C:\\cfgio\r"}).log.contains("Cannot open D:\\KORAIO.CFG"));
}
