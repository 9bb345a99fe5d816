#include <gtest/gtest.h>

#include <deque>

#include "device/DeviceBrowser.h"
#include "device/DeviceMenuActions.h"
#include "filelist/FileColumns.h"
#include "filelist/FolderSort.h"
#include "filelist/SizeText.h"
#include "link/ConsoleExchange.h"
#include "link/SerialPort.h"
#include "sim/DosFileSystem.h"
#include "support/BothTimings.h"
#include "support/RecordingLog.h"
#include "support/SimFixture.h"

namespace kora {
namespace {

class YesUi : public DeviceActionUi {
public:
    std::deque<std::string> names;
    std::vector<std::string> warnings;
    std::vector<PropertiesTexts> properties;
    bool answer = true;
    int questions = 0;

    bool confirm(const std::string&) override
    {
        ++questions;
        return answer;
    }
    void warning(const std::string& text) override { warnings.push_back(text); }
    std::optional<std::string> askName(const NameRequest&) override
    {
        if (names.empty()) {
            return std::nullopt;
        }
        std::string name = names.front();
        names.pop_front();
        return name;
    }
    void showProperties(const PropertiesTexts& texts) override { properties.push_back(texts); }
};

// The real console exchange against the simulator's sample drive D:.
class DeviceSimTest : public test::SimFixture, public test::UnderEachTiming {
protected:
    OperationResult run(DeviceOperation op)
    {
        ++operations_;
        op.timing = timing();
        op.promptBudgetMs = promptBudgetMs_;
        OperationResult result = RunDeviceOperation(portName(), op, pane_);
        if (!result.ok) {
            errors_.push_back(result.message);
        }
        return result;
    }

    std::optional<std::size_t> rowOf(const std::string& name) const
    {
        for (std::size_t row = 0; row < browser_.entries().size(); ++row) {
            if (browser_.entries().at(row).name == name) {
                return row;
            }
        }
        return std::nullopt;
    }

    test::RecordingLog pane_;
    std::vector<std::string> errors_;
    int operations_ = 0;
    std::uint32_t promptBudgetMs_ = kPromptBudgetMs;
    DeviceBrowser browser_{[this](const DeviceOperation& op) { return run(op); }};
    YesUi ui_;
    DeviceMenuActions actions_{browser_, ui_};
};

TEST_P(DeviceSimTest, ListsTheRootAsTheDriveHoldsIt)
{
    browser_.sortByColumn(kColumnSize);
    ASSERT_TRUE(errors_.empty()) << errors_.front();
    const auto drive = sim().fileSystem().list("D:\\");
    ASSERT_TRUE(drive);
    ASSERT_EQ(browser_.entries().size(), drive->size());
    std::uint64_t total = 0;
    for (const sim::DosEntry& expected : *drive) {
        const auto row = rowOf(expected.name);
        ASSERT_TRUE(row) << expected.name;
        const FolderEntry& entry = browser_.entries().at(*row);
        EXPECT_EQ(entry.isFolder, expected.isDirectory) << expected.name;
        EXPECT_EQ(entry.size, expected.size) << expected.name; // 1,234,567 included
        EXPECT_FALSE(entry.modified.empty()) << expected.name;
        total += expected.size;
    }
    // Folders first, files by size.
    const auto& entries = browser_.entries();
    for (std::size_t row = 1; row < entries.size(); ++row) {
        EXPECT_LE(CompareFolderEntries(entries.at(row - 1), entries.at(row), kColumnSize, {}), 0);
    }
    EXPECT_EQ(entries.at(entries.size() - 1).name, "DATALOG.DAT");
    EXPECT_EQ(entries.at(*rowOf("NOTES")).modified, "2003/05/31"); // midnight: date alone
    EXPECT_EQ(browser_.DeviceFreeBytes(), sim().fileSystem().freeBytes('D'));
    EXPECT_EQ(browser_.objectCountText(), std::to_string(drive->size()) + " object(s)");
    EXPECT_EQ(browser_.sizeStatusText().rfind(TotalSizeText(total), 0), 0u);
    EXPECT_NE(browser_.sizeStatusText().find(" bytes free)"), std::string::npos);
}

TEST_P(DeviceSimTest, WalksIntoFoldersAndBackAndRefusesABadOne)
{
    browser_.ShowDeviceFolder("\\");
    browser_.activate(rowOf("LOG"));
    EXPECT_EQ(browser_.DevicePath(), "\\LOG");
    EXPECT_EQ(browser_.entries().size(), 4u);
    browser_.moveUp();
    EXPECT_EQ(browser_.DevicePath(), "\\");
    EXPECT_TRUE(errors_.empty());

    browser_.ShowDeviceFolder("\\NOPE");
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_NE(errors_[0].find("Invalid "), std::string::npos);
    EXPECT_TRUE(errors_[0].ends_with("\r\n'\\NOPE'!")) << errors_[0];
    // The root's listing stays, marked stale, and so does its path.
    EXPECT_TRUE(browser_.listingStale());
    EXPECT_EQ(browser_.DevicePath(), "\\");
    EXPECT_EQ(browser_.entries().size(), sim().fileSystem().list("D:\\")->size());
}

TEST_P(DeviceSimTest, CountsATreeAndShowsTheRootsProperties)
{
    browser_.ShowDeviceFolder("\\");
    const auto log = CountDeviceTree(browser_.runner(), "\\", "LOG");
    ASSERT_TRUE(log);
    EXPECT_EQ(log->folders, 2u);
    EXPECT_EQ(log->files, 4u);
    EXPECT_EQ(log->bytes, 30u);

    actions_.Properities1Click(std::nullopt);
    ASSERT_EQ(ui_.properties.size(), 1u);
    EXPECT_EQ(ui_.properties[0].type, "KORA disk (D:)");
    EXPECT_EQ(ui_.properties[0].path, "\\");
    // Four root files, two in BIN, four in LOG, one in NESTED.
    EXPECT_EQ(ui_.properties[0].contents, "11 file(s), 8 folder(s)");
}

TEST_P(DeviceSimTest, DeletesAnEmptyFolderButNotOneHoldingAnEmptyFolder)
{
    ASSERT_EQ(sim().fileSystem().makeDirectory("D:\\ONLY"), sim::FsError::None);
    ASSERT_EQ(sim().fileSystem().makeDirectory("D:\\ONLY\\SUB"), sim::FsError::None);
    browser_.ShowDeviceFolder("\\");
    actions_.Delete1Click(rowOf("ONLY"));
    EXPECT_EQ(ui_.warnings.size(), 1u);
    EXPECT_TRUE(sim().fileSystem().exists("D:\\ONLY\\SUB"));

    const auto emptyRow = rowOf("EMPTY");
    actions_.PopupMenu2Popup(emptyRow);
    actions_.Delete1Click(emptyRow);
    EXPECT_FALSE(sim().fileSystem().exists("D:\\EMPTY"));
    EXPECT_FALSE(rowOf("EMPTY"));
    EXPECT_EQ(browser_.focusRow(), emptyRow);
    EXPECT_TRUE(errors_.empty());
}

TEST_P(DeviceSimTest, MakeDirectoryAndRenameReportTheControllersRefusals)
{
    browser_.ShowDeviceFolder("\\");
    ui_.names = {"BIN", "FRESH"};
    actions_.MakeDirectory1Click();
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_[0], "Unable to create directory\r\n'BIN'!");
    actions_.MakeDirectory1Click();
    EXPECT_TRUE(sim().fileSystem().isDirectory("D:\\FRESH"));
    EXPECT_TRUE(rowOf("FRESH"));

    ui_.names = {"NOTES", "NOTES.TXT"};
    actions_.Rename1Click(rowOf("README.TXT"));
    ASSERT_EQ(errors_.size(), 2u);
    EXPECT_EQ(errors_[1], "Duplicate file name or file not found\r\n'NOTES'!");
    actions_.Rename1Click(rowOf("NOTES"));
    EXPECT_TRUE(sim().fileSystem().exists("D:\\NOTES.TXT"));
    EXPECT_TRUE(rowOf("NOTES.TXT"));

    // A name the console would take for a redirection never reaches it.
    const int before = operations_;
    ui_.names = {"X>Y"};
    actions_.MakeDirectory1Click();
    EXPECT_EQ(operations_, before);
    EXPECT_EQ(ui_.warnings.size(), 1u);
}

TEST_P(DeviceSimTest, AutoRunWritesTheBatchFileAndFormatEmptiesTheDrive)
{
    browser_.ShowDeviceFolder("\\");
    actions_.SetToAutoRun1Click(rowOf("DEMO.EXE"));
    const auto autorun = sim().fileSystem().readFile("D:\\AUTORUN.BAT");
    ASSERT_TRUE(autorun);
    EXPECT_EQ(autorun->rfind("DEMO.EXE", 0), 0u);
    EXPECT_TRUE(rowOf("AUTORUN.BAT"));

    ui_.answer = false;
    const int before = operations_;
    actions_.FORMAT1Click();
    EXPECT_EQ(operations_, before);

    ui_.answer = true;
    actions_.FORMAT1Click();
    EXPECT_TRUE(errors_.empty()) << errors_.front();
    EXPECT_TRUE(sim().fileSystem().list("D:\\")->empty());
    EXPECT_TRUE(browser_.entries().empty());
}

// Another program (a terminal, another tool) types on the console and leaves: what it typed
// stays on the console's line, and the controller stays where it went.
void TypeAsAnotherProgram(const std::string& portName, const std::string& bytes)
{
    SerialPort other(portName);
    ASSERT_TRUE(other.Open());
    ASSERT_TRUE(other.SetCommParams(57600, 8, Parity::None, StopBits::One));
    other.SetTimeouts(200);
    ASSERT_TRUE(other.Write(bytes));
    std::string echoed;
    for (std::uint8_t byte = 0; echoed.size() < bytes.size() && other.Read(1, &byte);) {
        echoed.push_back(static_cast<char>(byte));
    }
    other.Close();
}

TEST_P(DeviceSimTest, TextLeftOnTheConsolesLineIsErasedNotRun)
{
    // The console on C: after power-up with a byte of line noise, then a half-typed line.
    ASSERT_TRUE(sim().fileSystem().setCurrentDrive('C'));
    TypeAsAnotherProgram(portName(), "x");
    browser_.ShowDeviceFolder("\\");
    ASSERT_TRUE(errors_.empty()) << errors_.front();
    EXPECT_EQ(browser_.entries().size(), sim().fileSystem().list("D:\\")->size());
    EXPECT_TRUE(rowOf("DEMO.EXE"));

    TypeAsAnotherProgram(portName(), "md ZZ");
    ui_.names = {"NEW"};
    actions_.MakeDirectory1Click();
    EXPECT_TRUE(errors_.empty()) << errors_.front();
    EXPECT_TRUE(sim().fileSystem().isDirectory("D:\\NEW"));
    // Nothing glued to what was left ran: the console answered no command with a complaint.
    for (const std::string& line : pane_.lines) {
        EXPECT_EQ(line.find("Unable "), std::string::npos) << line;
        EXPECT_EQ(line.find("Bad command"), std::string::npos) << line;
    }
}

TEST_P(DeviceSimTest, ActsInTheDirectoryShownAfterAnotherProgramMovedTheController)
{
    auto& fs = sim().fileSystem();
    ASSERT_TRUE(fs.writeFile("D:\\SAME.TXT", "root"));
    ASSERT_TRUE(fs.writeFile("D:\\BIN\\SAME.TXT", "bin"));
    ASSERT_TRUE(fs.writeFile("D:\\BIN\\TOOL.EXE", "tool"));
    browser_.ShowDeviceFolder("\\BIN");

    TypeAsAnotherProgram(portName(), "cd\\\r");
    actions_.PopupMenu2Popup(rowOf("SAME.TXT"));
    actions_.Delete1Click(rowOf("SAME.TXT"));
    EXPECT_FALSE(fs.exists("D:\\BIN\\SAME.TXT"));
    EXPECT_EQ(fs.readFile("D:\\SAME.TXT"), "root");

    TypeAsAnotherProgram(portName(), "c:\r");
    ui_.names = {"KEEP.EXE"};
    actions_.Rename1Click(rowOf("TOOL.EXE"));
    EXPECT_TRUE(fs.exists("D:\\BIN\\KEEP.EXE"));

    TypeAsAnotherProgram(portName(), "cd\\LOG\r");
    actions_.SetToAutoRun1Click(rowOf("KEEP.EXE"));
    EXPECT_TRUE(fs.exists("D:\\BIN\\AUTORUN.BAT"));
    EXPECT_FALSE(fs.exists("D:\\LOG\\AUTORUN.BAT"));
    EXPECT_TRUE(errors_.empty()) << errors_.front();
    EXPECT_EQ(browser_.DevicePath(), "\\BIN");
}

TEST_P(DeviceSimTest, NamesTheControllerWouldCutNeverReachIt)
{
    browser_.ShowDeviceFolder("\\");
    const int before = operations_;
    ui_.names = {"ABCDEFGHIJ.T", "README.TEXT", "A.B.C"};
    actions_.Rename1Click(rowOf("README.TXT"));
    actions_.Rename1Click(rowOf("README.TXT"));
    actions_.Rename1Click(rowOf("README.TXT"));
    EXPECT_EQ(operations_, before);
    EXPECT_EQ(ui_.warnings.size(), 3u);
    EXPECT_TRUE(sim().fileSystem().exists("D:\\README.TXT"));
}

TEST_P(DeviceSimTest, AListingCutOffByAHangUpIsNeverShown)
{
    browser_.ShowDeviceFolder("\\LOG");
    const std::vector<std::string> shown = {"NEW", "OLD", "A.TXT", "B.TXT"};
    promptBudgetMs_ = 1000;
    sim().faults().hangUpAfterLines = 9; // in the middle of the root's entries
    browser_.ShowDeviceFolder("\\");
    ASSERT_FALSE(errors_.empty());
    EXPECT_EQ(browser_.DevicePath(), "\\LOG");
    std::vector<std::string> names;
    for (const FolderEntry& entry : browser_.entries()) {
        names.push_back(entry.name);
    }
    EXPECT_EQ(names, shown);
}

KORA_UNDER_EACH_TIMING(DeviceSimTest);

} // namespace
} // namespace kora
