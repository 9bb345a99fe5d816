#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "SimTestKit.h"
#include "sim/LineNoise.h"
#include "sim/Simulator.h"
#include "sim/SimulatorCli.h"
#include "support/SimFixture.h"

using namespace kora;
using namespace kora::sim;

TEST(Simulator, PublishesALinkThatResolvesToItsTerminalAndRemovesIt)
{
    test::TempDir dir;
    const auto ports = dir / "ports" / "nested";
    {
        Simulator sim;
        EXPECT_FALSE(sim.publishAs(ports, "COM3")) << "nothing to publish before start";
        std::string error;
        ASSERT_TRUE(sim.start(&error)) << error;
        EXPECT_FALSE(sim.start(&error)) << "one console per simulator";
        ASSERT_TRUE(sim.publishAs(ports, "COM3"));
        EXPECT_EQ(std::filesystem::read_symlink(ports / "COM3"), sim.terminalPath());
        ASSERT_TRUE(sim.publishAs(ports, "COM4"));
        EXPECT_FALSE(std::filesystem::is_symlink(ports / "COM3")) << "moved, not copied";

        // Stopped and started again, the drive keeps its contents.
        ASSERT_TRUE(sim.fileSystem().writeFile("D:\\KEEP.TXT", "k"));
        sim.stop();
        ASSERT_TRUE(sim.start(&error)) << error;
        EXPECT_TRUE(sim.fileSystem().exists("D:\\KEEP.TXT"));
    }
    EXPECT_FALSE(std::filesystem::is_symlink(ports / "COM4"));
}

TEST(Simulator, RegisteredCommandsAnswerByTheirBaseName)
{
    Simulator sim;
    std::string seenWord;
    std::string seenArguments;
    sim.registerCommand("Transfer", [&](CommandContext& c) {
        seenWord = c.commandWord;
        seenArguments = c.arguments;
        c.io.writeLine("received");
    });
    ASSERT_TRUE(sim.start());
    test::TempDir dir;
    ASSERT_TRUE(sim.publishAs(dir.path(), "COM2"));
    // Added while the console runs; it shadows the program of that name on D:.
    sim.registerCommand("demo", [](CommandContext& c) { c.io.writeLine("late one"); });
    const auto run = test::RunCommands((dir / "COM2").string(),
                                       {"C:\\TRANSFER.EXE /R D:\\X.BIN\r", "D:\\DEMO.EXE\r"});
    sim.stop(); // the handler ran on the console thread; joined, its results may be read
    ASSERT_TRUE(run.result.ok) << run.result.message;
    EXPECT_TRUE(run.log.contains("received"));
    EXPECT_TRUE(run.log.contains("late one"));
    EXPECT_EQ(seenWord, "C:\\TRANSFER.EXE");
    EXPECT_EQ(seenArguments, "/R D:\\X.BIN");
}

TEST(Simulator, HostDriveThatCanNotBeReadStopsTheStart)
{
    SimulatorOptions options;
    options.hostDriveD = "/nonexistent/kora-drive";
    Simulator sim(options);
    std::string error;
    EXPECT_FALSE(sim.start(&error));
    EXPECT_NE(error.find("/nonexistent/kora-drive"), std::string::npos);
}

TEST(SimulatorCli, ParsesTheConsoleFraming)
{
    std::string error;
    const auto options =
        ParseCommandLine({"--no-line-end-before-prompt", "--type-no-line-end"}, &error);
    ASSERT_TRUE(options) << error;
    Faults faults;
    ApplyFaults(*options, faults);
    EXPECT_TRUE(faults.noLineEndBeforePrompt);
    EXPECT_TRUE(faults.typeAddsNoLineEnd);
}

TEST(SimulatorCli, ParsesOptionsAndFaults)
{
    std::string error;
    const auto options = ParseCommandLine({"--ports-dir",
                                           "/tmp/p",
                                           "--com",
                                           "COM12",
                                           "--baud",
                                           "57600",
                                           "--log",
                                           "l.txt",
                                           "--drive-d",
                                           "/tmp/d",
                                           "--flood",
                                           "--no-echo",
                                           "--wrong-echo-at",
                                           "4",
                                           "--no-prompt",
                                           "--pause-ms",
                                           "250",
                                           "--pause-after-lines",
                                           "2",
                                           "--silent",
                                           "--hang-up-after",
                                           "900",
                                           "--io-modules",
                                           "12,99,5,16",
                                           "--cfgio-noise",
                                           "--noise",
                                           "2000",
                                           "--noise-dir",
                                           "rx",
                                           "--noise-seed",
                                           "7",
                                           "--nak-storm",
                                           "20",
                                           "--nak-storm-length",
                                           "11",
                                           "--cfgio-no-end",
                                           "--stray-at-start",
                                           "--stray-byte",
                                           "q",
                                           "--stray-percent",
                                           "5",
                                           "--external-cd-percent",
                                           "6",
                                           "--hang-up-after-lines",
                                           "8",
                                           "--silent-after-lines",
                                           "9",
                                           "--transfer-end",
                                           "refused-kept",
                                           "--stray-key-sequence",
                                           "ss3",
                                           "--collecting-key-reader",
                                           "--no-program-enter-echo"},
                                          &error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->portsDir, "/tmp/p");
    EXPECT_EQ(options->comName, "COM12");
    EXPECT_EQ(options->simulator.baudRate, 57600u);
    EXPECT_EQ(options->simulator.byteLog, "l.txt");
    EXPECT_EQ(options->simulator.hostDriveD, "/tmp/d");
    EXPECT_TRUE(options->simulator.flood);
    EXPECT_EQ(options->hangUpAfterMs, 900);
    ASSERT_TRUE(options->simulator.ioConfiguration);
    EXPECT_EQ(options->simulator.ioConfiguration->slotConfig[0].moduleType, 12);
    EXPECT_EQ(options->simulator.ioConfiguration->slotConfig[1].moduleType, 99);
    EXPECT_EQ(options->simulator.ioConfiguration->slotConfig[3].channelCount, 16);

    Faults faults;
    ApplyFaults(*options, faults);
    EXPECT_TRUE(faults.noEcho);
    EXPECT_EQ(faults.wrongEchoAt, 4);
    EXPECT_TRUE(faults.noPrompt);
    EXPECT_EQ(faults.pauseMs, 250);
    EXPECT_EQ(faults.pauseAfterLines, 2);
    EXPECT_TRUE(faults.silent);
    EXPECT_TRUE(faults.ioConfigNoise);
    EXPECT_EQ(faults.noisePerMillion, 2000);
    EXPECT_EQ(faults.noiseDirections, Faults::kNoiseReceived);
    EXPECT_EQ(faults.noiseSeed, 7u);
    EXPECT_EQ(faults.nakStormPercent, 20);
    EXPECT_EQ(faults.nakStormLength, 11);
    EXPECT_TRUE(faults.ioConfigNoEnd);
    EXPECT_EQ(faults.strayBytesPending, 1);
    EXPECT_EQ(faults.strayByte, 'q');
    EXPECT_EQ(faults.strayBytePercent, 5);
    EXPECT_EQ(faults.externalCdPercent, 6);
    EXPECT_EQ(faults.hangUpAfterLines, 8);
    EXPECT_EQ(faults.silentAfterLines, 9);
    EXPECT_EQ(faults.transferEnd, Faults::kTransferEndRefusedKept);
    EXPECT_EQ(faults.strayKeySequence, Faults::kKeySs3);
    EXPECT_TRUE(faults.collectingKeyReader);
    EXPECT_TRUE(faults.noProgramEnterEcho);

    EXPECT_TRUE(ParseCommandLine({"--help"}, &error)->help);
    EXPECT_NE(UsageText().find("--drive-d"), std::string::npos);
}

TEST(SimulatorCli, RejectsBadArgumentsWithAReason)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"},
        {"--baud"},
        {"--baud", "fast"},
        {"--baud", "-1"},
        {"--com", "COM0"},
        {"--com", "COM256"},
        {"--com", "ttyS0"},
        {"--com", "COM01"},
        {"--wrong-echo-at", "0"},
        {"--log"},
        {"--pause-ms", "1x"},
        {"--io-modules", "4,24,16"},
        {"--stray-byte", "xy"},
        {"--stray-percent", "101"},
        {"--hang-up-after-lines", "0"},
        {"--io-modules", "4,7,16,99"},
        {"--io-modules", "4,24,16,99,"},
        {"--noise", "1000001"},
        {"--noise-dir", "up"},
        {"--nak-storm", "101"},
        {"--transfer-end", "lost"},
        {"--stray-key-sequence", "up"},
    };
    for (const auto& arguments : bad) {
        std::string error;
        EXPECT_FALSE(ParseCommandLine(arguments, &error)) << arguments.front();
        EXPECT_FALSE(error.empty()) << arguments.front();
    }
}

TEST(LineNoise, DropsDoublesAndFlipsAtTheRateAndRepeatsWithTheSeed)
{
    Faults faults;
    const std::string clean(3000, 'a');
    LineNoise noise(faults);
    EXPECT_EQ(noise.apply(clean, Faults::kNoiseSent), clean) << "off by default";

    faults.noisePerMillion = 1'000'000;
    faults.noiseDirections = Faults::kNoiseReceived;
    EXPECT_EQ(noise.apply(clean, Faults::kNoiseSent), clean) << "only the chosen direction";
    const std::string first = noise.apply(clean, Faults::kNoiseReceived);
    EXPECT_EQ(faults.injected, clean.size());
    const auto count = [&first](auto keep) {
        return std::count_if(first.begin(), first.end(), keep);
    };
    const auto flipped = count([](char c) { return c != 'a'; });
    // Each fate a third of the time: a doubled byte adds one, a dropped one takes one away.
    EXPECT_GT(flipped, 800);
    EXPECT_LT(flipped, 1200);
    EXPECT_LT(std::abs(static_cast<long>(first.size()) - 3000), 200);

    faults.noiseSeed = 2;
    const std::string other = noise.apply(clean, Faults::kNoiseReceived);
    faults.noiseSeed = 1;
    LineNoise again(faults);
    EXPECT_EQ(again.apply(clean, Faults::kNoiseReceived), first) << "same seed, same noise";
    EXPECT_NE(other, first);
}
