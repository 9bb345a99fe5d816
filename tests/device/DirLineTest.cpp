#include <gtest/gtest.h>

#include <QLocale>
#include <QTime>

#include "ListingLines.h"
#include "device/DeviceDate.h"
#include "device/DirLine.h"
#include "filelist/DateTimeText.h"

namespace kora {
namespace {

using test::FileLine;
using test::FolderLine;

const FolderEntry* AsEntry(const DirLine& line)
{
    return std::get_if<FolderEntry>(&line);
}

std::string LongTime(int hour, int minute)
{
    return QLocale::system()
        .toString(QTime(hour, minute), DateTimeText::instance().longTimeFormat())
        .toStdString();
}

TEST(ParseDirLine, ReadsFileAndFolderLinesInTheirColumns)
{
    const std::string command = FileLine("COMMAND", "COM", "54,645", "05-31-03   6:22a");
    ASSERT_EQ(command.size(), 45u);
    ASSERT_EQ(command.substr(19, 7), " 54,645");
    const DirLine parsed = ParseDirLine(command);
    const FolderEntry* file = AsEntry(parsed);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->name, "COMMAND.COM");
    EXPECT_FALSE(file->isFolder);
    EXPECT_EQ(file->size, 54645u);
    EXPECT_EQ(file->modified, "2003/05/31 " + LongTime(6, 22));
    EXPECT_TRUE(file->infoPending);
    EXPECT_TRUE(file->typeName.empty());

    const DirLine dosLine = ParseDirLine(FolderLine("DOS"));
    const FolderEntry* folder = AsEntry(dosLine);
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(folder->name, "DOS");
    EXPECT_TRUE(folder->isFolder);
    EXPECT_EQ(folder->size, 0u);
    EXPECT_EQ(folder->modified, "2003/05/31 " + LongTime(6, 22));

    const DirLine readme = ParseDirLine(FileLine("README", "", "1,234"));
    ASSERT_NE(AsEntry(readme), nullptr);
    EXPECT_EQ(AsEntry(readme)->name, "README");

    const DirLine dotted = ParseDirLine(FolderLine("SUB", "D"));
    ASSERT_NE(AsEntry(dotted), nullptr);
    EXPECT_EQ(AsEntry(dotted)->name, "SUB.D");
}

TEST(ParseDirLine, IgnoresDotFoldersShortLinesHeadersAndSummaries)
{
    EXPECT_TRUE(std::holds_alternative<std::monostate>(ParseDirLine(FolderLine("."))));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(ParseDirLine(FolderLine(".."))));

    // 42 characters with CR LF: ignored whatever they hold.
    std::string cut = FileLine("COMMAND", "COM", "54,645");
    cut = cut.substr(0, 40) + "\r\n";
    ASSERT_EQ(cut.size(), 42u);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(ParseDirLine(cut)));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(ParseDirLine("")));

    // Lines of 43 characters or more that are not in the listing's columns.
    for (const std::string& line : {
             std::string(" Directory of D:\\PROGRAMS\\TESTS\\LONGER\\DEEPER\r\n"),
             std::string("Directory of D:\\PROGRAMS\\TESTS\\LONGER\\DEEPER\r\n"),
             std::string(" Volume in drive D is KORA USER DISK 7740P\r\n"),
             std::string(" Volume Serial Number is 1A2B-3C4D (user drive)\r\n"),
             std::string("       12 file(s)      12,345,678 bytes used\r\n"),
         }) {
        ASSERT_GE(line.size(), 43u) << line;
        EXPECT_TRUE(std::holds_alternative<std::monostate>(ParseDirLine(line))) << line;
        EXPECT_EQ(ParseTreeLine(line).kind, TreeLine::Kind::Nothing) << line;
    }
}

TEST(ParseDirLine, KeepsEntriesWhoseDateOrSizeCannotBeRead)
{
    // A 24-hour time has no a/p suffix: the entry stays, without a modified text.
    const DirLine noon = ParseDirLine(FileLine("LOG", "TXT", "10", "05-31-03  13:05 "));
    ASSERT_NE(AsEntry(noon), nullptr);
    EXPECT_EQ(AsEntry(noon)->size, 10u);
    EXPECT_EQ(AsEntry(noon)->modified, "");

    const DirLine garbage = ParseDirLine(FileLine("ODD", "BIN", "n/a", "yesterday       "));
    ASSERT_NE(AsEntry(garbage), nullptr);
    EXPECT_EQ(AsEntry(garbage)->name, "ODD.BIN");
    EXPECT_EQ(AsEntry(garbage)->size, 0u);
    EXPECT_EQ(AsEntry(garbage)->modified, "");
}

TEST(ParseDirLine, ReadsSizesWiderThanTheirColumnsWhole)
{
    for (const auto& [text, bytes] : std::initializer_list<std::pair<std::string, std::uint64_t>>{
             {"0", 0},
             {"999,999", 999999},
             {"1,000,000", 1000000},
             {"12,345,678", 12345678},
             {"4,294,967,295", 4294967295u},
         }) {
        const DirLine parsed = ParseDirLine(FileLine("BIG", "DAT", text));
        ASSERT_NE(AsEntry(parsed), nullptr) << text;
        EXPECT_EQ(AsEntry(parsed)->size, bytes) << text;
        EXPECT_EQ(ParseTreeLine(FileLine("BIG", "DAT", text)).size, bytes) << text;
    }
    // A figure that fits columns 20-26 reads from them alone, as before.
    const DirLine split = ParseDirLine(FileLine("SPLIT", "DAT", "12 345"));
    ASSERT_NE(AsEntry(split), nullptr);
    EXPECT_EQ(AsEntry(split)->size, 0u);
}

TEST(ParseDirLine, FreeSpaceLineGivesTheFigureAndThePanelText)
{
    const std::string line = std::string(22, ' ') + "1,234,567 bytes free\r\n";
    ASSERT_EQ(line.size(), 44u);
    const DirLine parsed = ParseDirLine(line);
    const auto* free = std::get_if<FreeSpace>(&parsed);
    ASSERT_NE(free, nullptr);
    EXPECT_EQ(free->bytes, 1234567u);
    EXPECT_EQ(free->text, "(1,234,567 bytes free)");

    // Figures beyond 32 bits are kept.
    const DirLine large = ParseDirLine(test::FreeLine("3,000,000,000"));
    ASSERT_NE(std::get_if<FreeSpace>(&large), nullptr);
    EXPECT_EQ(std::get<FreeSpace>(large).bytes, 3000000000u);

    // No digits, or more than 64 bits hold: 0, but the text still shows.
    const DirLine none = ParseDirLine(std::string(30, ' ') + "no bytes free\r\n");
    ASSERT_NE(std::get_if<FreeSpace>(&none), nullptr);
    EXPECT_EQ(std::get<FreeSpace>(none).bytes, 0u);
    const DirLine huge = ParseDirLine(test::FreeLine("99,999,999,999,999,999,999"));
    EXPECT_EQ(std::get<FreeSpace>(huge).bytes, 0u);
    EXPECT_EQ(std::get<FreeSpace>(huge).text, "(99,999,999,999,999,999,999 bytes free)");
}

TEST(ParseSizeText, DropsSeparatorsAndRefusesAnythingElse)
{
    EXPECT_EQ(ParseSizeText("54,645"), 54645u);
    EXPECT_EQ(ParseSizeText("1,234,567"), 1234567u);
    EXPECT_EQ(ParseSizeText(""), 0u);
    EXPECT_EQ(ParseSizeText("12a"), 0u);
    EXPECT_EQ(ParseSizeText("-5"), 0u);
    EXPECT_EQ(ParseSizeText("99999999999999999999999"), 0u);
    // The largest 64-bit figure is read; one more does not wrap round to 0.
    EXPECT_EQ(ParseSizeText("18446744073709551615"), 18446744073709551615u);
    EXPECT_EQ(ParseSizeText("18446744073709551619"), 0u);
}

TEST(ConvertDeviceDate, PlacesTwoDigitYearsInTheWindowAndKeepsMidnightBare)
{
    EXPECT_EQ(WindowedYear(94, 2026), 1994);
    EXPECT_EQ(WindowedYear(3, 2026), 2003);
    EXPECT_EQ(WindowedYear(75, 2026), 2075);
    EXPECT_EQ(WindowedYear(76, 2026), 1976);
    EXPECT_EQ(WindowedYear(50, 2101), 2150);
    EXPECT_EQ(WindowedYear(51, 2101), 2051);

    EXPECT_EQ(ConvertDeviceDate(" 05-31-94   6:22am ", 2026), "1994/05/31 " + LongTime(6, 22));
    EXPECT_EQ(ConvertDeviceDate("01-02-75  11:59pm", 2026), "2075/01/02 " + LongTime(23, 59));
    EXPECT_EQ(ConvertDeviceDate("12-25-03  12:00am", 2026), "2003/12/25");
    EXPECT_EQ(ConvertDeviceDate("12-25-03  12:30am", 2026), "2003/12/25 " + LongTime(0, 30));
    EXPECT_EQ(ConvertDeviceDate("12-25-03  12:30PM", 2026), "2003/12/25 " + LongTime(12, 30));
    EXPECT_EQ(ConvertDeviceDate("5-1-2003 1:05am", 2026), "2003/05/01 " + LongTime(1, 5));

    for (const char* bad : {"05-31-03  13:05m", "05-31-03  13:05pm", "02-30-03   1:00am",
                            "13-01-03   1:00am", "05-31-03", "05/31/03   6:22am", "", "m",
                            "05-31-03   6:22xm", "05-31-03   6:22am trailing"}) {
        EXPECT_EQ(ConvertDeviceDate(bad, 2026), "") << bad;
    }
    // The program's dates take the device form from now on.
    EXPECT_EQ(DateTimeText::instance().shortDateFormat(), "yyyy/MM/dd");
}

TEST(DateTimeText, StartsFromTheLocaleAndSwitchesToTheDeviceForm)
{
    DateTimeText formatter{QLocale(QLocale::English, QLocale::UnitedStates)};
    EXPECT_EQ(formatter.longTimeFormat(), "h:mm:ss AP");
    const QDateTime morning(QDate(2003, 5, 31), QTime(6, 22), Qt::UTC);
    const QDateTime midnight(QDate(2003, 5, 31), QTime(0, 0), Qt::UTC);
    EXPECT_EQ(formatter.format(morning), "5/31/03 6:22:00 AM");
    EXPECT_EQ(formatter.format(midnight), "5/31/03");
    formatter.useDeviceDateFormat();
    EXPECT_EQ(formatter.format(morning), "2003/05/31 6:22:00 AM");
    EXPECT_EQ(formatter.format(midnight), "2003/05/31");
}

} // namespace
} // namespace kora
