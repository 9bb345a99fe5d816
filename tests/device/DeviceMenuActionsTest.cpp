#include <gtest/gtest.h>

#include <deque>

#include "FakeConsole.h"
#include "ListingLines.h"
#include "device/DeviceBrowser.h"
#include "device/DeviceMenuActions.h"
#include "device/DeviceSort.h"

namespace kora {
namespace {

using test::FileLine;
using test::FolderLine;
using test::FreeLine;

// Answers the operations' questions from a script and records what it was shown.
class ScriptedUi : public DeviceActionUi {
public:
    std::deque<bool> answers;
    std::deque<std::optional<std::string>> names;
    std::vector<std::string> questions;
    std::vector<std::string> warnings;
    std::vector<NameRequest> requests;
    std::vector<PropertiesTexts> properties;

    bool confirm(const std::string& text) override
    {
        questions.push_back(text);
        const bool yes = !answers.empty() && answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        return yes;
    }
    void warning(const std::string& text) override { warnings.push_back(text); }
    std::optional<std::string> askName(const NameRequest& request) override
    {
        requests.push_back(request);
        auto name = names.empty() ? std::nullopt : names.front();
        if (!names.empty()) {
            names.pop_front();
        }
        return name;
    }
    void showProperties(const PropertiesTexts& texts) override { properties.push_back(texts); }
};

class DeviceMenuActionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        console_.output["dir\r"] = {FolderLine("EMPTY"),
                                    FolderLine("NESTED"),
                                    FolderLine("FULL"),
                                    FileLine("A", "TXT", "10"),
                                    FileLine("RUN", "EXE", "2,000"),
                                    FreeLine("5,000")};
        console_.output["dir/s EMPTY\r"] = {" Directory of D:\\EMPTY\r\n", FolderLine("."),
                                            FolderLine(".."), FreeLine("5,000")};
        console_.output["dir/s NESTED\r"] = {FolderLine("."), FolderLine(".."), FolderLine("INNER"),
                                             FolderLine("."), FolderLine("..")};
        console_.output["dir/s FULL\r"] = {FolderLine("."), FolderLine(".."),
                                           FileLine("X", "", "7"), FileLine("Y", "", "8")};
        console_.output["dir/s \r"] = {FolderLine("EMPTY"),
                                       FolderLine("NESTED"),
                                       FolderLine("FULL"),
                                       FileLine("A", "TXT", "10"),
                                       FileLine("RUN", "EXE", "2,000"),
                                       FolderLine("INNER"),
                                       FileLine("X", "", "7"),
                                       FileLine("Y", "", "8")};
        browser_.ShowDeviceFolder("\\");
        // Rows: EMPTY, FULL, NESTED, A.TXT, RUN.EXE
        console_.sent.clear();
    }

    // The commands sent since SetUp, listings left out.
    std::vector<std::string> commands() const
    {
        std::vector<std::string> result;
        for (const std::string& command : console_.sent) {
            if (command != "d:\r" && command.rfind("cd", 0) != 0 && command != "dir\r") {
                result.push_back(command);
            }
        }
        return result;
    }

    bool refreshed() const { return !console_.sent.empty() && console_.sent.back() == "dir\r"; }

    test::FakeConsole console_;
    DeviceBrowser browser_{console_.runner()};
    ScriptedUi ui_;
    DeviceMenuActions actions_{browser_, ui_};
};

TEST_F(DeviceMenuActionsTest, DeletingAFileAsksThenRefreshesKeepingSortAndRow)
{
    browser_.sortByColumn(kDeviceColumnSize);
    console_.sent.clear();
    actions_.PopupMenu2Popup(4); // RUN.EXE (size order: A.TXT, RUN.EXE)
    ui_.answers = {true};
    actions_.Delete1Click(4);
    EXPECT_EQ(ui_.questions,
              (std::vector<std::string>{"Are you sure to delete the file 'RUN.EXE'\nfrom "
                                        "KORA-7740P?"}));
    EXPECT_EQ(commands(), (std::vector<std::string>{"del RUN.EXE\r"}));
    EXPECT_TRUE(refreshed());
    EXPECT_EQ(browser_.focusRow(), 4u);
    // The listing was sorted by size again: still A.TXT (10) before RUN.EXE (2,000).
    EXPECT_EQ(browser_.entries().at(3).name, "A.TXT");
    EXPECT_EQ(browser_.savedSortColumn(), kDeviceColumnSize);
}

TEST_F(DeviceMenuActionsTest, AnswerNoSendsNothing)
{
    ui_.answers = {false};
    actions_.Delete1Click(3);
    ui_.answers = {false};
    actions_.FORMAT1Click();
    EXPECT_EQ(ui_.questions.back(),
              "This action will format the D drive on KORA-7740P.\nAll the data on that drive "
              "will be erased.\nAre you sure?");
    EXPECT_TRUE(console_.sent.empty());
}

TEST_F(DeviceMenuActionsTest, EmptyDirectoryIsRemovedAfterCountingIt)
{
    browser_.setSavedFocusIndex(0);
    ui_.answers = {true};
    actions_.Delete1Click(0);
    EXPECT_EQ(commands(), (std::vector<std::string>{"dir/s EMPTY\r", "rd EMPTY\r"}));
    EXPECT_EQ(ui_.questions,
              (std::vector<std::string>{"Are you sure to delete the directory 'EMPTY'\nfrom "
                                        "KORA-7740P?"}));
    EXPECT_TRUE(ui_.warnings.empty());
    EXPECT_TRUE(refreshed());
}

TEST_F(DeviceMenuActionsTest, DirectoryWithFilesOrOnlyAnEmptySubDirectoryIsRefused)
{
    actions_.Delete1Click(1); // FULL
    actions_.Delete1Click(2); // NESTED: only an empty sub-directory
    EXPECT_EQ(ui_.warnings,
              (std::vector<std::string>{
                  "The directory 'FULL' is not empty.\nCannot delete this directory!",
                  "The directory 'NESTED' is not empty.\nCannot delete this directory!"}));
    EXPECT_TRUE(ui_.questions.empty());
    EXPECT_EQ(commands(), (std::vector<std::string>{"dir/s FULL\r", "dir/s NESTED\r"}));
}

TEST_F(DeviceMenuActionsTest, FailedCountStopsTheDelete)
{
    console_.echoFails = {"dir/s EMPTY\r"};
    actions_.Delete1Click(0);
    EXPECT_EQ(console_.errorBoxes.size(), 1u);
    EXPECT_EQ(console_.errorBoxes[0].rfind("Unable to send command 'dir/s'!", 0), 0u);
    EXPECT_TRUE(ui_.questions.empty());
    EXPECT_TRUE(commands().empty());
}

TEST_F(DeviceMenuActionsTest, MakeDirectoryAsksSendsAndReportsControllerErrors)
{
    ui_.names = {std::string("NEWDIR")};
    actions_.MakeDirectory1Click();
    ASSERT_EQ(ui_.requests.size(), 1u);
    EXPECT_EQ(ui_.requests[0].caption, "Make directory");
    EXPECT_EQ(ui_.requests[0].maxLength, 8);
    EXPECT_EQ(commands(), (std::vector<std::string>{"md NEWDIR\r"}));
    EXPECT_TRUE(refreshed());

    console_.sent.clear();
    console_.output["md EMPTY\r"] = {"Unable to create directory\r\n", "Invalid later\r\n"};
    ui_.names = {std::string("EMPTY")};
    actions_.MakeDirectory1Click();
    EXPECT_EQ(console_.errorBoxes,
              (std::vector<std::string>{"Unable to create directory\r\n'EMPTY'!"}));
    EXPECT_FALSE(refreshed());

    // Cancel and an empty name end silently.
    console_.sent.clear();
    ui_.names = {std::nullopt, std::string()};
    actions_.MakeDirectory1Click();
    actions_.MakeDirectory1Click();
    EXPECT_TRUE(console_.sent.empty());
    EXPECT_TRUE(ui_.warnings.empty());
}

TEST_F(DeviceMenuActionsTest, UnsafeNamesAreRefusedBeforeAnythingIsSent)
{
    ui_.names = {std::string("A>B"), std::string("X&DEL *"), std::string("..\\UP")};
    actions_.MakeDirectory1Click();
    actions_.Rename1Click(3);
    actions_.MakeDirectory1Click();
    EXPECT_EQ(ui_.warnings.size(), 3u);
    EXPECT_NE(ui_.warnings[0].find("'A>B'"), std::string::npos);
    EXPECT_TRUE(console_.sent.empty());
}

TEST_F(DeviceMenuActionsTest, RenameSendsBothNamesAndShowsDuplicateLines)
{
    ui_.names = {std::string("B.TXT")};
    actions_.Rename1Click(3);
    EXPECT_EQ(ui_.requests[0].caption, "Rename file 'A.TXT'");
    EXPECT_EQ(ui_.requests[0].maxLength, 12);
    EXPECT_EQ(commands(), (std::vector<std::string>{"ren A.TXT B.TXT\r"}));
    EXPECT_TRUE(refreshed());

    console_.sent.clear();
    console_.output["ren A.TXT RUN.EXE\r"] = {"Duplicate file name or file not found\r\n"};
    ui_.names = {std::string("RUN.EXE")};
    actions_.Rename1Click(3);
    EXPECT_EQ(console_.errorBoxes,
              (std::vector<std::string>{"Duplicate file name or file not found\r\n'RUN.EXE'!"}));
    EXPECT_FALSE(refreshed());

    // Nothing selected: nothing asked.
    actions_.Rename1Click(std::nullopt);
    EXPECT_EQ(ui_.requests.size(), 2u);
}

TEST_F(DeviceMenuActionsTest, DosCommandsAndAutoRun)
{
    actions_.MEM1Click();
    actions_.ABORT1Click();
    EXPECT_EQ(commands(), (std::vector<std::string>{"C:\\mem\r", "A\r"}));
    EXPECT_FALSE(refreshed());

    console_.sent.clear();
    ui_.answers = {true};
    actions_.FORMAT1Click();
    EXPECT_EQ(commands(), (std::vector<std::string>{"C:\\DLFMT D: /C\r"}));
    EXPECT_EQ(console_.operations[console_.operations.size() - 2].lineEnd, 13);
    EXPECT_TRUE(refreshed());

    // AutoRun refreshes even when the exchange failed.
    console_.sent.clear();
    console_.echoFails = {"echo RUN.EXE>AutoRun.bat\r"};
    actions_.SetToAutoRun1Click(4);
    EXPECT_EQ(console_.errorBoxes.size(), 1u);
    EXPECT_TRUE(refreshed());
}

TEST_F(DeviceMenuActionsTest, PropertiesOfFileFolderAndCurrentDirectory)
{
    actions_.Properities1Click(4);
    actions_.Properities1Click(1);
    actions_.Properities1Click(std::nullopt);
    ASSERT_EQ(ui_.properties.size(), 3u);
    EXPECT_EQ(ui_.properties[0].name, "RUN.EXE");
    EXPECT_EQ(ui_.properties[0].size, "2000 byte(s)");
    EXPECT_EQ(ui_.properties[0].path, "\\");
    EXPECT_EQ(ui_.properties[1].name, "FULL");
    EXPECT_EQ(ui_.properties[1].size, "15 byte(s)");
    EXPECT_EQ(ui_.properties[1].contents, "2 file(s), 0 folder(s)");
    EXPECT_EQ(ui_.properties[2].type, "KORA disk (D:)");
    EXPECT_EQ(ui_.properties[2].name, "");
    EXPECT_EQ(ui_.properties[2].size, "2025 byte(s)");
    EXPECT_EQ(ui_.properties[2].contents, "4 file(s), 4 folder(s)");
    EXPECT_EQ(commands(), (std::vector<std::string>{"dir/s FULL\r", "dir/s \r"}));

    // A failed count still shows an entry's properties, but not the directory's.
    console_.echoFails = {"dir/s FULL\r", "dir/s \r"};
    actions_.Properities1Click(1);
    actions_.Properities1Click(std::nullopt);
    ASSERT_EQ(ui_.properties.size(), 4u);
    EXPECT_EQ(ui_.properties[3].size, "");
}

TEST_F(DeviceMenuActionsTest, PopupRemembersTheRowAndEnablesByIt)
{
    actions_.PopupMenu2Popup(3);
    EXPECT_EQ(browser_.savedFocusIndex(), 3);
    actions_.PopupMenu2Popup(std::nullopt);
    EXPECT_EQ(browser_.savedFocusIndex(), 3);
    EXPECT_TRUE(actions_.itemEnabled("Set to AutoRun", 4));
    EXPECT_FALSE(actions_.itemEnabled("Set to AutoRun", 3));
    EXPECT_TRUE(actions_.itemEnabled("Make Directory", std::nullopt));
    EXPECT_FALSE(actions_.itemEnabled("Rename", 0));
}

} // namespace
} // namespace kora
