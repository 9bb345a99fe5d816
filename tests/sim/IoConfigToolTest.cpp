// The I/O configuration tool: read out on the console, applied from an uploaded file.
#include <gtest/gtest.h>

#include <cctype>

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
    EXPECT_TRUE(text.starts_with("@KORA7740PIOCFG-START 001 -1 -1\n@SLOT0 04 08 -1\n0 09 -1 -1\n"));
    EXPECT_NE(text.find("@SLOT3 99 -1 -1\n@SLOT3 -1 -1 -1\n@KORA7740PIOCFG-END -1 -1 -1\n"),
              std::string::npos);
    EXPECT_EQ(text.find("@SLOT2 16 16 -1\n0 "), std::string::npos)
        << "a digital module has no range records";

    std::string why;
    // As uploaded: the last block is padded with zero bytes.
    const auto back = ParseIoConfiguration(text + std::string(40, '\0'), &why);
    ASSERT_TRUE(back) << why;
    EXPECT_EQ(back->nodeId, 1);
    EXPECT_EQ(back->slotConfig[1].rangeCode[3], 48);
    EXPECT_EQ(back->slotConfig[3].moduleType, 99);

    const std::vector<std::string> broken = {
        "",
        "@SLOT0 04 08 -1\n",
        text.substr(0, text.find("@KORA7740PIOCFG-END")),
        [&] { // a channel record missing from slot 0
            std::string t = text;
            t.erase(t.find("7 09 -1 -1\n"), 11);
            return t;
        }(),
        [&] { // a range that is no number
            std::string t = text;
            t.replace(t.find("0 09 -1 -1"), 4, "0 x9");
            return t;
        }(),
    };
    for (const auto& t : broken) {
        EXPECT_FALSE(ParseIoConfiguration(t, &why)) << t;
        EXPECT_FALSE(why.empty());
    }
}

TEST(IoConfiguration, ModulesOfChoiceStartAtTheirFirstRange)
{
    const auto config = IoConfigurationWithModules({5, 12, 31, 99});
    ASSERT_TRUE(config);
    const std::string text = FormatIoConfiguration(*config);
    EXPECT_NE(text.find("@SLOT0 05 07 -1\n0 00 -1 -1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("6 00 -1 -1\n@SLOT0 -1 -1 -1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("@SLOT1 12 08 -1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("@SLOT2 31 04 -1\n@SLOT2 -1 -1 -1\n"), std::string::npos) << text;
    EXPECT_FALSE(IoConfigurationWithModules({4, 7, 16, 99})) << "no module has type 7";
}

namespace {
class IoConfigExchange : public SimFixture {};

// The record lines of a read-out, as the tool wrote them (CR LF taken off).
std::string Records(const std::vector<std::string>& rawLines)
{
    std::string printed;
    for (const auto& line : rawLines)
        if (line.starts_with("@") ||
            (line.size() > 2 && std::isdigit(static_cast<unsigned char>(line[0]))))
            printed += line.substr(0, line.size() - 2) + "\n";
    return printed;
}
} // namespace

TEST_F(IoConfigExchange, ReadOutPrintsOneRecordPerLineWithOrWithoutChatter)
{
    const auto run = RunCommands(portName(), {"C:\\cfgio 1\r"});
    ASSERT_TRUE(run.result.ok) << run.result.message;
    EXPECT_EQ(Records(run.rawLines), FormatIoConfiguration(SampleIoConfiguration()));
    for (const auto& line : run.rawLines)
        EXPECT_TRUE(line == "\n" || line.ends_with("\r\n")) << line;

    sim().faults().ioConfigNoise = true;
    const auto chatty = RunCommands(portName(), {"C:\\cfgio 1\r"});
    EXPECT_EQ(Records(chatty.rawLines), FormatIoConfiguration(SampleIoConfiguration()));
    EXPECT_GT(chatty.rawLines.size(), 2 * run.rawLines.size() - 4);
    EXPECT_TRUE(chatty.log.contains("Checking module"));

    sim().faults().ioConfigNoise = false;
    sim().faults().ioConfigNoEnd = true;
    const auto endless = RunCommands(portName(), {"C:\\cfgio 1\r"});
    ASSERT_TRUE(endless.result.ok) << endless.result.message;
    const std::string all = FormatIoConfiguration(SampleIoConfiguration());
    EXPECT_EQ(Records(endless.rawLines), all.substr(0, all.find("@KORA7740PIOCFG-END")));
}

TEST_F(IoConfigExchange, ApplyTakesNewRangesButNotOtherModulesOrForeignRanges)
{
    IoConfiguration wanted = SampleIoConfiguration();
    wanted.slotConfig[0].rangeCode.fill(13);
    // As uploaded: XMODEM pads the last block.
    ASSERT_TRUE(sim().fileSystem().writeFile(kIoConfigUploadFile, FormatIoConfiguration(wanted) +
                                                                      std::string(30, '\0')));
    const auto apply = RunCommands(portName(), {"C:\\cfgio\r", "del D:\\koraio.cfg\r"});
    ASSERT_TRUE(apply.result.ok) << apply.result.message;
    EXPECT_TRUE(apply.log.contains("I/O configuration applied"));
    EXPECT_FALSE(sim().fileSystem().exists(kIoConfigUploadFile));
    EXPECT_TRUE(RunCommands(portName(), {"C:\\cfgio 1\r"}).log.contains("7 13 -1 -1"));

    const auto refuse = [&](const IoConfiguration& config, const std::string& reason) {
        ASSERT_TRUE(
            sim().fileSystem().writeFile(kIoConfigUploadFile, FormatIoConfiguration(config)));
        EXPECT_TRUE(RunCommands(portName(), {"C:\\cfgio\r"}).log.contains(reason)) << reason;
        EXPECT_NE(sim().fileSystem().readFile(kIoConfigSystemFile).value().find("7 13 -1 -1"),
                  std::string::npos);
    };
    IoConfiguration otherModule = wanted;
    otherModule.slotConfig[3] = {5, 7, {14, 14, 14, 14, 14, 14, 14, -1}};
    refuse(otherModule, "Invalid I/O configuration: slot 3 does not hold that module");
    IoConfiguration foreignRange = wanted;
    foreignRange.slotConfig[1].rangeCode[2] = 9; // an input range on the output module
    refuse(foreignRange, "Invalid I/O configuration: slot 1 channel 2 has no range 9");

    ASSERT_EQ(sim().fileSystem().deleteFile(kIoConfigUploadFile), FsError::None);
    EXPECT_TRUE(
        RunCommands(portName(), {"C:\\cfgio\r"}).log.contains("Cannot open D:\\KORAIO.CFG"));
}
