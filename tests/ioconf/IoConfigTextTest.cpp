// The configuration text: reading the console's records, writing the file.
#include <gtest/gtest.h>

#include <QFile>
#include <QString>

#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/resource.h>

#include "ioconf/IoConfigText.h"
#include "ioconf/ModuleKinds.h"
#include "support/TempDir.h"

namespace kora {
namespace {

// The lines of a text, each with its line end.
std::vector<std::string> LinesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line + "\n");
    }
    return lines;
}

IoConfigTable Parsed(const std::vector<std::string>& lines)
{
    IoConfigTable table;
    std::int32_t state = kParseIdle;
    for (const std::string& line : lines) {
        ParseIOConfig(table, state, line);
    }
    return table;
}

IoSlotConfig Slot(std::int32_t type, std::int32_t count, std::vector<std::int32_t> codes = {})
{
    IoSlotConfig slot{type, count, {}};
    slot.RangeCode.fill(-1);
    std::copy(codes.begin(), codes.end(), slot.RangeCode.begin());
    return slot;
}

struct ParseCase {
    const char* what;
    std::vector<std::string> lines;
    std::int32_t node;
    std::array<IoSlotConfig, 4> expected;
};

TEST(ParseIOConfig, ReadsRecordsAtTheirColumnsAndToleratesWhatTheConsoleAdds)
{
    const std::string start = "@KORA7740PIOCFG-START 001 -1 -1\r\n";
    const IoSlotConfig none;
    const std::vector<ParseCase> cases = {
        {"a full slot",
         {start, "@SLOT2 04 08 -1\r\n", "0 09 -1 -1\r\n", "1 09 -1 -1\r\n", "2 09 -1 -1\r\n",
          "3 09 -1 -1\r\n", "4 09 -1 -1\r\n", "5 09 -1 -1\r\n", "6 09 -1 -1\r\n", "7 09 -1 -1\r\n",
          "@SLOT2 -1 -1 -1\r\n", "@KORA7740PIOCFG-END -1 -1 -1\r\n"},
         1,
         {none, none, Slot(4, 8, {9, 9, 9, 9, 9, 9, 9, 9}), none}},
        {"two headers without a trailer: the second closes the first, its trailer opens a slot",
         {start, "@SLOT0 05 07 -1\n", "0 14 -1 -1\n", "@SLOT1 04 08 -1\n", "0 09 -1 -1\n",
          "@SLOT1 -1 -1 -1\n"},
         1,
         {Slot(5, 7, {14}), Slot(-1, -1), none, none}},
        {"channel records before any slot and after a trailer",
         {"0 09 -1 -1\n", start, "1 09 -1 -1\n", "@SLOT0 12 08 -1\n", "@SLOT0 -1 -1 -1\n",
          "2 09 -1 -1\n"},
         1,
         {Slot(12, 8), none, none, none}},
        {"an empty slot",
         {start, "@SLOT1 99 -1 -1\n", "@SLOT1 -1 -1 -1\n"},
         1,
         {none, none, none, none}},
        {"a node and a module type that are no numbers",
         {"@KORA7740PIOCFG-START abc -1 -1\n", "@SLOT3 xy 04 -1\n"},
         -1,
         {none, none, none, Slot(153, 4)}},
        {"a short channel record, chatter and blank lines inside a slot",
         {start, "@SLOT0 06 04 -1\n", "0 05\r\n", "\r\n", "Checking module\r\n", "1 02 -1 -1\n",
          "9 01 -1 -1\n"},
         1,
         {Slot(6, 4, {-1, 2}), none, none, none}},
        {"a slot number beyond 3 opens a slot whose records go nowhere",
         {start, "@SLOT4 04 08 -1\n", "0 09 -1 -1\n", "@SLOT4 -1 -1 -1\n", "@SLOT7 04 08 -1\n",
          "0 09 -1 -1\n", "@SLOT7 -1 -1 -1\n", "@SLOT0 04 08 -1\n", "0 10 -1 -1\n"},
         1,
         {Slot(4, 8, {10}), none, none, none}},
        {"repeated records overwrite, and a header after the end record opens again",
         {start, "@SLOT0 04 08 -1\n", "0 09 -1 -1\n", "0 11 -1 -1\n", "@SLOT0 -1 -1 -1\n",
          "@KORA7740PIOCFG-END -1 -1 -1\n", "@SLOT1 24 04 -1\n", "0 49 -1 -1\n"},
         1,
         {Slot(4, 8, {11}), Slot(24, 4, {49}), none, none}},
        {"a marker further in: the node's columns hold other text",
         {"  @KORA7740PIOCFG-START 026 -1 -1\n"},
         -1,
         {none, none, none, none}},
    };
    for (const ParseCase& c : cases) {
        const IoConfigTable table = Parsed(c.lines);
        EXPECT_EQ(table.NodeID, c.node) << c.what;
        for (std::size_t s = 0; s < 4; ++s) {
            EXPECT_EQ(table.SlotConfig[s], c.expected[s]) << c.what << ", slot " << s;
        }
    }
}

TEST(FormatIOConfig, WritesChannelRecordsOnlyForAnalogModulesWithOneToEightChannels)
{
    IoConfigTable table;
    table.NodeID = -1;
    table.SlotConfig[0] = Slot(6, 4, {0, 1, 2, 0});
    table.SlotConfig[1] = Slot(15, 16);
    table.SlotConfig[2] = Slot(4, 9, {7, 7, 7, 7, 7, 7, 7, 7});
    // An unreadable type field reads as 153: no module, and it must not come back as 15.
    table.SlotConfig[3] = Slot(153, 4, {1, 2, 3, 4});
    EXPECT_EQ(FormatIOConfig(table), "@KORA7740PIOCFG-START -01 -1 -1\n"
                                     "@SLOT0 06 04 -1\n"
                                     "0 00 -1 -1\n"
                                     "1 01 -1 -1\n"
                                     "2 02 -1 -1\n"
                                     "3 00 -1 -1\n"
                                     "@SLOT0 -1 -1 -1\n"
                                     "@SLOT1 15 16 -1\n"
                                     "@SLOT1 -1 -1 -1\n"
                                     "@SLOT2 04 09 -1\n"
                                     "@SLOT2 -1 -1 -1\n"
                                     "@SLOT3 99 -1 -1\n"
                                     "@SLOT3 -1 -1 -1\n"
                                     "@KORA7740PIOCFG-END -1 -1 -1\n");
}

TEST(FormatIOConfig, EveryModuleTypeReadsBackAsWritten)
{
    const std::vector<std::int32_t> types = {0,  4,  5,  6,  8,  9,  12, 15, 16,
                                             17, 18, 19, 20, 21, 24, 31, 99};
    for (std::size_t i = 0; i < types.size(); ++i) {
        const std::int32_t type = types[i];
        const ModuleKind& kind = ModuleKindOf(type);
        IoConfigTable table;
        table.NodeID = static_cast<std::int32_t>(i * 37);
        IoSlotConfig& slot = table.SlotConfig[i % 4];
        slot = Slot(type, type == kNoModule ? -1 : std::max(kind.channels, 2));
        for (int c = 0; HasRangeRecords(type) && c < kind.channels; ++c) {
            slot.RangeCode[static_cast<std::size_t>(c)] = 10 + c;
        }
        EXPECT_EQ(Parsed(LinesOf(FormatIOConfig(table))), table) << "type " << type;
    }
}

TEST(CreateIOConfig, WritesTheTextWithLineFeedsAndNeverLeavesAPartialFile)
{
    test::TempDir dir("kora-ioconf");
    const QString path = QString::fromStdString((dir / "K7740PIO.cfg").string());
    IoConfigTable table;
    table.NodeID = 1;
    table.SlotConfig[0] = Slot(5, 7, {14, 14, 14, 14, 14, 14, 14});
    ASSERT_TRUE(CreateIOConfig(table, path));
    const auto fileText = [&] {
        std::ifstream in((dir / "K7740PIO.cfg"), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(fileText(), FormatIOConfig(table));
    const std::string previous = fileText();

    table.SlotConfig[0].RangeCode.fill(20);
    {
        // A disk that fills up in the middle of the write.
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit tight = old;
        tight.rlim_cur = 64;
        setrlimit(RLIMIT_FSIZE, &tight);
        const bool written = CreateIOConfig(table, path);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_FALSE(written);
    }
    EXPECT_EQ(fileText(), previous);
    EXPECT_FALSE(CreateIOConfig(table, QString::fromStdString((dir / "missing/x.cfg").string())));
    EXPECT_FALSE(CreateIOConfig(table, QString::fromStdString(dir.path().string())));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "no temporary file is left behind";
}

} // namespace
} // namespace kora
