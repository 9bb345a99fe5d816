#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

#include "FakeConsole.h"
#include "ListingLines.h"
#include "device/DeviceBrowser.h"
#include "device/DeviceMenuActions.h"
#include "filelist/FileColumns.h"
#include "filelist/FolderSort.h"

// The menu's flows on a scripted console: what is asked, what is sent and when the list is read
// again. The same flows run against the simulator in DeviceSimTest.
namespace kora {
namespace {

class ScriptedUi : public DeviceActionUi {
public:
    std::deque<bool> answers;
    std::deque<std::optional<std::string>> names;
    std::vector<std::string> questions, warnings;
    std::vector<PropertiesTexts> properties;

    bool confirm(const std::string& text) override
    {
        questions.push_back(text);
        const bool yes = !answers.empty() && answers.front();
        answers.empty() ? void() : answers.pop_front();
        return yes;
    }
    void warning(const std::string& text) override { warnings.push_back(text); }
    std::optional<std::string> askName(const NameRequest&) override
    {
        auto name = names.empty() ? std::nullopt : names.front();
        names.empty() ? void() : names.pop_front();
        return name;
    }
    void showProperties(const PropertiesTexts& texts) override { properties.push_back(texts); }
};

class DeviceMenuActionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Rows in name order: EMPTY, FULL, A.TXT, RUN.EXE, ZED.BIN.
        console_.output["dir\r"] = {test::FolderLine("EMPTY"),
                                    test::FolderLine("FULL"),
                                    test::FileLine("RUN", "EXE", "2,000"),
                                    test::FileLine("A", "TXT", "10"),
                                    test::FileLine("ZED", "BIN", "5"),
                                    test::FreeLine("5,000")};
        console_.output["dir/s FULL\r"] = {test::FileLine("X", "", "7"),
                                           test::SummaryLine("1", "7")};
        for (const std::string& line : test::TreeTotalLines("1", "7")) {
            console_.output["dir/s FULL\r"].push_back(line);
        }
        console_.output["dir/s EMPTY\r"] = test::TreeTotalLines("0", "0");
        browser_.ShowDeviceFolder("\\");
        console_.sent.clear();
    }

    bool refreshed() const { return !console_.sent.empty() && console_.sent.back() == "dir\r"; }

    test::FakeConsole console_;
    DeviceBrowser browser_{console_.runner()};
    ScriptedUi ui_;
    DeviceMenuActions actions_{browser_, ui_};
};

TEST_F(DeviceMenuActionsTest, RefreshAfterAnOperationKeepsSortColumnAndMenuRow)
{
    browser_.sortByColumn(kColumnSize); // EMPTY, FULL, ZED.BIN, A.TXT, RUN.EXE
    console_.output["dir\r"].erase(console_.output["dir\r"].begin() + 2); // RUN.EXE goes
    actions_.PopupMenu2Popup(4);
    actions_.PopupMenu2Popup(std::nullopt); // no selection: the row stays remembered
    ui_.answers = {true};
    actions_.Delete1Click(4);
    // del, then d:, cd and dir once: the listing lacks just the file deleted.
    EXPECT_EQ(console_.sent[console_.sent.size() - 4], "del RUN.EXE\r");
    EXPECT_TRUE(refreshed());
    EXPECT_EQ(browser_.entries().at(2).name, "ZED.BIN"); // still by size
    EXPECT_EQ(browser_.focusRow(), 3u);                  // clamped to the new last row
}

TEST_F(DeviceMenuActionsTest, NoCancelAndEmptyNamesSendNothing)
{
    ui_.answers = {false, false};
    actions_.Delete1Click(2);
    actions_.FORMAT1Click();
    ui_.names = {std::nullopt, std::string()};
    actions_.MakeDirectory1Click();
    actions_.Rename1Click(2);
    actions_.Delete1Click(std::nullopt);
    actions_.SetToAutoRun1Click(std::nullopt);
    EXPECT_EQ(ui_.questions.size(), 2u);
    EXPECT_TRUE(ui_.warnings.empty());
    EXPECT_TRUE(console_.sent.empty());
}

TEST_F(DeviceMenuActionsTest, DirectoriesAreCountedBeforeTheyAreRemoved)
{
    actions_.Delete1Click(1);
    EXPECT_EQ(ui_.warnings,
              (std::vector<std::string>{
                  "The directory 'FULL' is not empty.\nCannot delete this directory!"}));
    console_.echoFails = {"dir/s EMPTY\r"};
    actions_.Delete1Click(0); // the count failed: its error box only
    console_.echoFails.clear();
    ui_.answers = {true};
    actions_.Delete1Click(0);
    EXPECT_EQ(console_.errorBoxes.size(), 1u);
    EXPECT_EQ(ui_.questions, (std::vector<std::string>{"Are you sure to delete the directory "
                                                       "'EMPTY'\nfrom KORA-7740P?"}));
    // In the panel's directory, confirmed first.
    const auto rd = std::find(console_.sent.begin(), console_.sent.end(), "rd EMPTY\r");
    ASSERT_NE(rd, console_.sent.end());
    EXPECT_EQ(*(rd - 1), "cd\\\r");
}

TEST_F(DeviceMenuActionsTest, OnlyTheFirstErrorLineCountsAndFailuresDoNotRefresh)
{
    console_.output["md NEW\r"] = {"Unable to create directory\r\n", "Invalid later\r\n"};
    ui_.names = {std::string("NEW")};
    actions_.MakeDirectory1Click();
    EXPECT_EQ(console_.errorBoxes,
              (std::vector<std::string>{"Unable to create directory\r\n'NEW'!"}));
    EXPECT_FALSE(refreshed());
}

TEST_F(DeviceMenuActionsTest, AutoRunRefreshesEvenAfterAFailedExchange)
{
    console_.echoFails = {"echo RUN.EXE>AutoRun.bat\r"};
    actions_.SetToAutoRun1Click(3);
    EXPECT_EQ(console_.errorBoxes.size(), 1u);
    EXPECT_TRUE(refreshed());
}

TEST_F(DeviceMenuActionsTest, FailedCountsShowEntryPropertiesButNotTheDirectorys)
{
    console_.echoFails = {"dir/s FULL\r", "dir/s \r"};
    actions_.Properities1Click(1);
    actions_.Properities1Click(std::nullopt);
    ASSERT_EQ(ui_.properties.size(), 1u);
    EXPECT_EQ(ui_.properties[0].name, "FULL");
    EXPECT_EQ(ui_.properties[0].size, "");
    actions_.Properities1Click(3);
    EXPECT_EQ(ui_.properties[1].size, "2000 byte(s)");
    EXPECT_TRUE(actions_.itemEnabled("Set to AutoRun", 3));
    EXPECT_FALSE(actions_.itemEnabled("Rename", 0));
}

} // namespace
} // namespace kora
