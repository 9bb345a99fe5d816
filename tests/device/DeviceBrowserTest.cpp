#include <gtest/gtest.h>

#include <QSignalSpy>

#include "FakeConsole.h"
#include "ListingLines.h"
#include "device/DeviceBrowser.h"
#include "filelist/FileColumns.h"
#include "filelist/FolderSort.h"

namespace kora {
namespace {

using test::FileLine;
using test::FolderLine;
using test::FreeLine;
using test::SummaryLine;

const std::string kOpenFailure = "Unable to open COM1!";

class DeviceBrowserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The root holds two folders and three files; \BIN one file.
        listDir("\\",
                {" Volume in drive D is KORA\r\n", " Directory of D:\\\r\n", "\r\n",
                 FileLine("ZETA", "TXT", "1,536"), FolderLine("BIN"),
                 FileLine("ALPHA", "EXE", "100"), FolderLine("DOCS"), FileLine("MID", "BAT", "20"),
                 "        3 file(s)          1,656 bytes\r\n", FreeLine("1,234,567")});
        listDir("\\BIN", {FolderLine("."), FolderLine(".."), FileLine("TOOL", "EXE", "1,023"),
                          FreeLine("7,000,000,000")});
    }

    // What "dir" prints after "cd" + path.
    void listDir(const std::string& path, std::vector<std::string> lines)
    {
        listings_[path] = std::move(lines);
    }

    OperationResult run(const DeviceOperation& op)
    {
        if (portMissing_) {
            console_.errorBoxes.push_back(kOpenFailure);
            return {false, kOpenFailure};
        }
        // "dir" answers with the listing of the last path that "cd" accepted.
        for (const ConsoleStep& step : op.steps) {
            if (step.command.rfind("cd", 0) == 0) {
                const std::string path = step.command.substr(2, step.command.size() - 3);
                const auto found = listings_.find(path);
                console_.output[step.command] =
                    found == listings_.end() ? std::vector<std::string>{"Invalid directory\r\n"}
                                             : std::vector<std::string>{};
                console_.output["dir\r"] =
                    found == listings_.end() ? std::vector<std::string>{} : found->second;
            }
        }
        return console_.run(op);
    }

    std::vector<std::string> names() const
    {
        std::vector<std::string> result;
        for (const FolderEntry& entry : browser_.entries()) {
            result.push_back(entry.name);
        }
        return result;
    }

    std::map<std::string, std::vector<std::string>> listings_;
    test::FakeConsole console_;
    bool portMissing_ = false;
    DeviceBrowser browser_{[this](const DeviceOperation& op) { return run(op); }};
};

TEST_F(DeviceBrowserTest, ListingFillsEntriesStatusPathAndSelection)
{
    QSignalSpy shown(&browser_, &DeviceBrowser::folderShown);
    browser_.ShowDeviceFolder("\\");
    EXPECT_EQ(console_.sent, (std::vector<std::string>{"d:\r", "cd\\\r", "dir\r"}));
    EXPECT_EQ(names(),
              (std::vector<std::string>{"BIN", "DOCS", "ALPHA.EXE", "MID.BAT", "ZETA.TXT"}));
    EXPECT_EQ(browser_.DevicePath(), "\\");
    EXPECT_EQ(browser_.DeviceFreeBytes(), 1234567u);
    EXPECT_EQ(browser_.objectCountText(), "5 object(s)");
    EXPECT_EQ(browser_.sizeStatusText(), "1.6 KB(1,234,567 bytes free)");
    EXPECT_EQ(browser_.focusRow(), 0u);
    EXPECT_TRUE(browser_.focusRowSelected());
    EXPECT_EQ(browser_.pathText(), "\\");
    EXPECT_EQ(shown.count(), 1);
}

TEST_F(DeviceBrowserTest, FreeSpaceBeyondThirtyTwoBitsIsKeptAndEmptyFoldersShowIt)
{
    browser_.ShowDeviceFolder("\\BIN");
    EXPECT_EQ(browser_.DeviceFreeBytes(), 7000000000u);
    EXPECT_EQ(browser_.sizeStatusText(), "1023 byte(s)(7,000,000,000 bytes free)");

    listDir("\\EMPTY", {FolderLine("."), FolderLine(".."), FreeLine("99")});
    browser_.ShowDeviceFolder("\\EMPTY");
    EXPECT_EQ(browser_.objectCountText(), "0 object(s)");
    EXPECT_EQ(browser_.sizeStatusText(), "0 byte(s)(99 bytes free)");
    EXPECT_EQ(browser_.focusRow(), std::nullopt);
}

TEST_F(DeviceBrowserTest, AFailedListingKeepsTheLastOneGreyedUntilAListingSucceeds)
{
    browser_.ShowDeviceFolder("\\");
    const std::vector<std::string> root = names();
    const std::string rootSize = browser_.sizeStatusText();
    QSignalSpy replaced(&browser_, &DeviceBrowser::entriesReplaced);

    browser_.ShowDeviceFolder("\\BAD");
    EXPECT_EQ(console_.errorBoxes, (std::vector<std::string>{"Invalid directory\r\n'\\BAD'!"}));
    EXPECT_EQ(console_.sent.back(), "cd\\BAD\r"); // "dir" was not sent
    portMissing_ = true;
    browser_.refresh();
    EXPECT_EQ(console_.errorBoxes.back(), kOpenFailure);
    // Entries, path and status texts are the root's, which the views are told to grey.
    EXPECT_EQ(names(), root);
    EXPECT_TRUE(browser_.listingStale());
    EXPECT_EQ(replaced.count(), 2);
    EXPECT_EQ(browser_.DevicePath(), "\\");
    EXPECT_EQ(browser_.pathText(), "\\");
    EXPECT_EQ(browser_.objectCountText(), "5 object(s)");
    EXPECT_EQ(browser_.sizeStatusText(), rootSize);

    portMissing_ = false;
    browser_.ShowDeviceFolder("\\BIN");
    EXPECT_FALSE(browser_.listingStale());
    EXPECT_EQ(names(), (std::vector<std::string>{"TOOL.EXE"}));
}

TEST_F(DeviceBrowserTest, AReadingThatIsNotWholeIsReadAgainThenNeverShown)
{
    browser_.ShowDeviceFolder("\\BIN");
    // A damaged line, a listing that does not add up to its summary, one cut before its
    // free-space line, and a console that did not go where it was told: each keeps the view.
    const std::vector<std::vector<std::string>> spoilt = {
        {FileLine("A\x01", "TXT", "1"), FreeLine("9")},
        {FileLine("A", "TXT", "1,0x0"), FreeLine("9")},
        // Two lines run together, the line feed between them lost.
        {FileLine("A", "TXT", "10").substr(0, 44) + FolderLine("SUB"), SummaryLine("1", "10"),
         FreeLine("9")},
        // A folder line that lost a byte: out of the columns, not to be passed over.
        {FileLine("A", "TXT", "10"), FolderLine("SUB").erase(3, 1), SummaryLine("1", "10"),
         FreeLine("9")},
        {FileLine("A", "TXT", "10"), SummaryLine("2", "10"), FreeLine("9")},
        {FileLine("A", "TXT", "10"), SummaryLine("1", "11"), FreeLine("9")},
        {FileLine("A", "TXT", "10")},
    };
    for (const auto& lines : spoilt) {
        listDir("\\NEW", lines);
        const std::size_t sent = console_.sent.size();
        browser_.ShowDeviceFolder("\\NEW");
        EXPECT_EQ(browser_.DevicePath(), "\\BIN") << lines[0];
        EXPECT_EQ(names(), std::vector<std::string>{"TOOL.EXE"});
        EXPECT_EQ(console_.sent.size() - sent, 5u) << "d:, cd and dir three times";
    }
    listDir("\\NEW", {FileLine("A", "TXT", "10"), SummaryLine("1", "10"), FreeLine("9")});
    console_.promptAfter["cd\\NEW\r"] = "C:\\";
    browser_.ShowDeviceFolder("\\NEW");
    EXPECT_EQ(console_.errorBoxes.back(),
              "The KORA-7740P did not confirm that it is in D:\\NEW (its prompt reads 'C:\\>')."
              "\n\nNothing was done there; please try again.");
    EXPECT_EQ(console_.sent.back(), "cd\\NEW\r");
    EXPECT_EQ(browser_.DevicePath(), "\\BIN");
    console_.promptAfter.clear();
    browser_.ShowDeviceFolder("\\NEW");
    EXPECT_EQ(names(), std::vector<std::string>{"A.TXT"});
}

TEST_F(DeviceBrowserTest, AListingThatChangedIsShownOnlyWhenTwoReadingsAgree)
{
    browser_.ShowDeviceFolder("\\BIN");
    const auto bin = [](const char* name) {
        return std::vector<std::string>{FolderLine("."), FolderLine(".."),
                                        FileLine(name, "EXE", "1,023"), FreeLine("7,000,000,000")};
    };
    const std::string changed = "The listing of D:\\BIN changed from one reading to the next "
                                "(noise on the line).\n\nNothing is shown from it; please try "
                                "again.";
    struct Case {
        std::deque<std::vector<std::string>> readings;
        std::string shown; // the file the panel shows afterwards
        std::size_t dirs;  // "dir" commands sent
        bool refused;
    };
    const std::vector<Case> cases = {
        {{bin("TOOL")}, "TOOL.EXE", 1, false},                      // the same as shown: read once
        {{bin("TOOK"), bin("TOOL")}, "TOOL.EXE", 2, false},         // a letter noise changed
        {{bin("NEW"), bin("NEW")}, "NEW.EXE", 2, false},            // a change two readings confirm
        {{bin("NEX"), bin("NEZ"), bin("NEY")}, "NEW.EXE", 3, true}, // three that disagree
        {{bin("NEX"), bin("NEW")}, "NEW.EXE", 2, false},            // the second one as shown
        {{bin("NEX"), bin("NEZ"), bin("NEX")}, "NEX.EXE", 3, false}, // the third as the first
    };
    for (const Case& c : cases) {
        console_.readings["dir\r"] = c.readings;
        console_.errorBoxes.clear();
        const auto dirsBefore = std::count(console_.sent.begin(), console_.sent.end(), "dir\r");
        browser_.refresh();
        EXPECT_EQ(names(), std::vector<std::string>{c.shown}) << c.shown;
        EXPECT_EQ(std::count(console_.sent.begin(), console_.sent.end(), "dir\r") - dirsBefore,
                  static_cast<long>(c.dirs))
            << c.shown;
        EXPECT_EQ(console_.errorBoxes,
                  c.refused ? std::vector<std::string>{changed} : std::vector<std::string>{})
            << c.shown;
        EXPECT_EQ(browser_.listingStale(), c.refused);
    }
}

TEST_F(DeviceBrowserTest, TheRefreshAfterAKnownChangeTakesAReadingThatShowsJustThatChange)
{
    // \BIN shows TOOL.EXE (1,023 bytes); each case makes its change, then refreshes.
    const auto bin = [](std::vector<std::string> entries) {
        entries.insert(entries.begin(), {FolderLine("."), FolderLine("..")});
        entries.push_back(FreeLine("7,000,000,000"));
        return entries;
    };
    const std::string tool = FileLine("TOOL", "EXE", "1,023");
    struct Case {
        const char* what;
        KnownChange change;
        std::deque<std::vector<std::string>> readings;
        std::size_t dirs; // "dir" commands sent
    };
    const std::vector<Case> cases = {
        {"made", KnownChange::MadeDirectory("new"), {bin({tool, FolderLine("NEW")})}, 1},
        {"deleted", KnownChange::Deleted("TOOL.EXE"), {bin({})}, 1},
        {"uploaded over",
         KnownChange::Uploaded({"tool.exe"}),
         {bin({FileLine("TOOL", "EXE", "2,048")})},
         1},
        {"uploaded",
         KnownChange::Uploaded({"B.BIN"}),
         {bin({tool, FileLine("B", "BIN", "128")})},
         1},
        // Noise on another entry, or more than the change: read again, as any change is.
        {"made, another changed",
         KnownChange::MadeDirectory("NEW"),
         {bin({FileLine("TOOK", "EXE", "1,023"), FolderLine("NEW")}),
          bin({tool, FolderLine("NEW")})},
         2},
        {"made a file?",
         KnownChange::MadeDirectory("NEW"),
         {bin({tool, FileLine("NEW", "", "0")}), bin({tool, FileLine("NEW", "", "0")})},
         2},
        {"made twice",
         KnownChange::MadeDirectory("NEW"),
         {bin({tool, FolderLine("NEW"), FolderLine("NEX")}), bin({tool, FolderLine("NEW")})},
         2},
        {"deleted, still there",
         KnownChange::Deleted("TOOL.EXE"),
         {bin({FileLine("TOOL", "EXE", "1,024")}), bin({FileLine("TOOL", "EXE", "1,024")})},
         2},
    };
    for (const Case& c : cases) {
        DeviceBrowser browser{[this](const DeviceOperation& op) { return run(op); }};
        browser.ShowDeviceFolder("\\BIN");
        console_.readings["dir\r"] = c.readings;
        const auto dirsBefore = std::count(console_.sent.begin(), console_.sent.end(), "dir\r");
        browser.refreshAfter(c.change);
        EXPECT_EQ(std::count(console_.sent.begin(), console_.sent.end(), "dir\r") - dirsBefore,
                  static_cast<long>(c.dirs))
            << c.what;
        EXPECT_FALSE(browser.listingStale()) << c.what;
    }
    // The change goes with the next listing of its folder only: here one that shows no change.
    DeviceBrowser browser{[this](const DeviceOperation& op) { return run(op); }};
    browser.ShowDeviceFolder("\\BIN");
    browser.refreshAfter(KnownChange::Deleted("TOOL.EXE"));
    console_.readings["dir\r"] = {bin({})};
    const auto dirsBefore = std::count(console_.sent.begin(), console_.sent.end(), "dir\r");
    browser.refresh();
    EXPECT_EQ(std::count(console_.sent.begin(), console_.sent.end(), "dir\r") - dirsBefore, 2);
}

TEST_F(DeviceBrowserTest, ListingCommandsReportTheirOwnSendFailures)
{
    const std::string advice =
        "!\n\nPlease make sure the KORA-7740P is in INIT mode\n\nand no program is running";
    console_.echoFails = {"d:\r"};
    browser_.ShowDeviceFolder("\\BIN");
    console_.echoFails = {"cd\\BIN\r"};
    browser_.ShowDeviceFolder("\\BIN");
    console_.echoFails = {"dir\r"};
    browser_.ShowDeviceFolder("\\BIN");
    EXPECT_EQ(console_.errorBoxes,
              (std::vector<std::string>{"Unable to send command" + advice,
                                        "Unable to send command 'cd\\BIN'" + advice,
                                        "Unable to send command 'dir'" + advice}));
    EXPECT_TRUE(browser_.listingStale());
}

TEST_F(DeviceBrowserTest, ColumnClickSortsOnceThenNameOrderReturns)
{
    browser_.ShowDeviceFolder("\\");
    browser_.sortByColumn(kColumnSize);
    EXPECT_EQ(names(),
              (std::vector<std::string>{"BIN", "DOCS", "MID.BAT", "ALPHA.EXE", "ZETA.TXT"}));
    EXPECT_EQ(browser_.sortColumn(), 0);
    EXPECT_EQ(browser_.savedSortColumn(), kColumnSize);
    browser_.refresh();
    EXPECT_EQ(names()[2], "ALPHA.EXE");
    // The refresh after an operation sorts by the remembered column and row again.
    browser_.setSavedFocusIndex(3);
    browser_.operationRefresh();
    EXPECT_EQ(names()[2], "MID.BAT");
    EXPECT_EQ(browser_.focusRow(), 3u);
    EXPECT_TRUE(browser_.focusRowSelected());
    EXPECT_EQ(browser_.focusIndex(), 0);
    EXPECT_EQ(browser_.sortColumn(), 0);
}

TEST_F(DeviceBrowserTest, FocusIndexBeyondTheListSelectsTheLastRow)
{
    browser_.setFocusIndex(42);
    browser_.ShowDeviceFolder("\\");
    EXPECT_EQ(browser_.focusRow(), 4u);
    EXPECT_EQ(browser_.focusIndex(), 0);
    browser_.setFocusIndex(2);
    browser_.ShowDeviceFolder("\\");
    EXPECT_EQ(browser_.focusRow(), 2u);
}

TEST_F(DeviceBrowserTest, FoldersAreEnteredFilesHandedBackAndUpClimbs)
{
    listDir("\\BIN\\TEST", {FreeLine("1")});
    browser_.ShowDeviceFolder("\\");
    const auto entered = browser_.activate(0); // BIN
    EXPECT_EQ(entered.kind, DeviceBrowser::Activation::Kind::EnteredFolder);
    EXPECT_EQ(browser_.DevicePath(), "\\BIN");
    EXPECT_FALSE(browser_.focusRowSelected());
    EXPECT_EQ(browser_.focusRow(), 0u);

    const auto file = browser_.activate(0); // TOOL.EXE
    EXPECT_EQ(file.kind, DeviceBrowser::Activation::Kind::RunFile);
    EXPECT_EQ(file.fileName, "TOOL.EXE");
    EXPECT_EQ(browser_.DevicePath(), "\\BIN");
    EXPECT_EQ(browser_.activate(std::nullopt).kind, DeviceBrowser::Activation::Kind::Nothing);
    EXPECT_EQ(browser_.activate(7).kind, DeviceBrowser::Activation::Kind::Nothing);

    browser_.ShowDeviceFolder("\\BIN\\TEST");
    browser_.moveUp();
    EXPECT_EQ(browser_.DevicePath(), "\\BIN");
    browser_.moveUp();
    EXPECT_EQ(browser_.DevicePath(), "\\");
    browser_.moveUp();
    EXPECT_EQ(browser_.DevicePath(), "\\");
    EXPECT_EQ(console_.sent.back(), "dir\r");
    EXPECT_EQ(console_.sent[console_.sent.size() - 2], "cd\\\r");
}

TEST_F(DeviceBrowserTest, PathHistoryCollectsNewestFirstWithoutDuplicates)
{
    listDir("\\DOCS", {FolderLine("."), FolderLine(".."), FreeLine("1")});
    browser_.ShowDeviceFolder("\\");
    browser_.ShowDeviceFolder("\\BIN");
    browser_.ShowDeviceFolder("\\DOCS");
    browser_.ShowDeviceFolder("\\BAD"); // a path that failed to list is not remembered
    EXPECT_EQ(browser_.pathTexts(), (std::vector<std::string>{"\\DOCS", "\\BIN", "\\"}));
    EXPECT_EQ(browser_.pathHistoryIndex(), 0);
    browser_.choosePath("\\BIN");
    EXPECT_EQ(browser_.pathTexts(), (std::vector<std::string>{"\\DOCS", "\\BIN", "\\"}));
    EXPECT_EQ(browser_.pathHistoryIndex(), 1);
    EXPECT_EQ(browser_.pathText(), "\\BIN");
    EXPECT_TRUE(browser_.focusRowSelected());
}

TEST_F(DeviceBrowserTest, FirstRefreshAndPortChangeListTheRoot)
{
    browser_.refresh();
    EXPECT_EQ(console_.sent[1], "cd\\\r");
    EXPECT_EQ(browser_.DevicePath(), "\\");

    browser_.ShowDeviceFolder("\\BIN");
    browser_.setSortColumn(kColumnSize);
    browser_.setFocusIndex(3);
    browser_.portChanged();
    EXPECT_EQ(browser_.DevicePath(), "\\");
    EXPECT_EQ(names()[2], "ALPHA.EXE");
    EXPECT_EQ(browser_.focusRow(), 0u);
}

} // namespace
} // namespace kora
