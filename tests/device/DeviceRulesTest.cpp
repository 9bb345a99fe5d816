#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "device/DeviceListing.h"
#include "device/DeviceMenu.h"
#include "device/DeviceOperations.h"
#include "device/DevicePath.h"
#include "filelist/FolderEntry.h"
#include "link/DosName.h"

namespace kora {
namespace {

FolderEntry File(std::string name, std::uint64_t size = 0, std::string type = {},
                 std::string modified = {})
{
    FolderEntry entry;
    entry.name = std::move(name);
    entry.size = size;
    entry.typeName = std::move(type);
    entry.modified = std::move(modified);
    return entry;
}

FolderEntry Folder(std::string name, std::string type = {}, std::string modified = {})
{
    FolderEntry entry = File(std::move(name), 0, std::move(type), std::move(modified));
    entry.isFolder = true;
    return entry;
}

TEST(DevicePath, UpCutsTheLastLevelAndStopsAtTheRoot)
{
    EXPECT_EQ(ParentDevicePath("\\BIN\\TEST"), "\\BIN");
    EXPECT_EQ(ParentDevicePath("\\BIN"), "\\");
    EXPECT_EQ(ParentDevicePath("\\"), "\\");
    EXPECT_EQ(ParentDevicePath(""), "\\");
    EXPECT_EQ(ChildDevicePath("\\", "TEST"), "\\TEST");
    EXPECT_EQ(ChildDevicePath("\\BIN", "TEST"), "\\BIN\\TEST");
}

TEST(PopupMenu2, EnablingFollowsTheSelection)
{
    const FolderEntry exe = File("TEST.EXE");
    const FolderEntry bat = File("TEST.BAT");
    const FolderEntry lowerExe = File("TEST.exe");
    const FolderEntry exeInside = File("A.EXE.BAK");
    const FolderEntry folder = Folder("SUB.EXE");
    struct Row {
        const char* caption;
        bool nothing, file, folder;
    };
    for (const Row& row :
         {Row{"Make Directory", true, false, false}, Row{"Delete", false, true, true},
          Row{"Rename", false, true, false}, Row{"Properities", true, true, true},
          Row{"KORA Copy", false, false, false}, Row{"KORA Paste", false, false, false},
          Row{"DOS command", true, true, true}, Row{"ABORT", true, true, true},
          Row{"FORMAT", true, true, true}, Row{"MEM", true, true, true}}) {
        EXPECT_EQ(PopupMenu2ItemEnabled(row.caption, nullptr), row.nothing) << row.caption;
        EXPECT_EQ(PopupMenu2ItemEnabled(row.caption, &bat), row.file) << row.caption;
        EXPECT_EQ(PopupMenu2ItemEnabled(row.caption, &folder), row.folder) << row.caption;
    }
    EXPECT_TRUE(PopupMenu2ItemEnabled("Set to AutoRun", &exe));
    EXPECT_TRUE(PopupMenu2ItemEnabled("Set to AutoRun", &exeInside));
    EXPECT_FALSE(PopupMenu2ItemEnabled("Set to AutoRun", &bat));
    EXPECT_FALSE(PopupMenu2ItemEnabled("Set to AutoRun", &lowerExe));
    EXPECT_FALSE(PopupMenu2ItemEnabled("Set to AutoRun", &folder));
    EXPECT_FALSE(PopupMenu2ItemEnabled("Set to AutoRun", nullptr));

    // Every item of the menu is governed through its caption without accelerators.
    std::vector<std::string> captions;
    for (const PopupMenuItem& item : kPopupMenu2Items) {
        captions.push_back(CaptionWithoutAccelerator(item.caption));
    }
    for (const char* caption :
         {"Make Directory", "KORA Copy", "KORA Paste", "Delete", "Rename", "DOS command", "ABORT",
          "FORMAT", "MEM", "Set to AutoRun", "Properities"}) {
        EXPECT_NE(std::find(captions.begin(), captions.end(), caption), captions.end()) << caption;
    }
    EXPECT_EQ(CaptionWithoutAccelerator("Fish && &Chips"), "Fish & Chips");
}

TEST(DeviceOperations, CommandsLineEndsAndTimeOuts)
{
    struct Expected {
        DeviceOperation op;
        std::string command;
        int lineEnd;
        unsigned timeoutMs;
        bool checked;
    };
    for (const Expected& e : {
             Expected{DeleteFileOperation("\\BIN", "A.TXT"), "del A.TXT\r", 10, 200, false},
             Expected{RemoveDirectoryOperation("\\BIN", "SUB"), "rd SUB\r", 10, 200, false},
             Expected{MakeDirectoryOperation("\\BIN", "NEW"), "md NEW\r", 10, 200, true},
             Expected{RenameOperation("\\BIN", "A.TXT", "B.TXT"), "ren A.TXT B.TXT\r", 10, 200,
                      true},
             Expected{FormatOperation(), "C:\\DLFMT D: /C\r", 13, 1000, false},
             Expected{MemOperation(), "C:\\mem\r", 10, 200, false},
             Expected{AbortOperation(), "A\r", 10, 200, false},
             Expected{SetToAutoRunOperation("\\BIN", "RUN.EXE"), "echo RUN.EXE>AutoRun.bat\r", 10,
                      200, false},
         }) {
        const ConsoleStep& own = e.op.steps.back();
        EXPECT_EQ(own.command, e.command);
        EXPECT_EQ(e.op.lineEnd, e.lineEnd) << e.command;
        EXPECT_EQ(e.op.timeoutMs, e.timeoutMs) << e.command;
        EXPECT_EQ(static_cast<bool>(own.checkLine), e.checked) << e.command;
        // The standard send-failure message quotes the command with its CR.
        EXPECT_TRUE(own.sendFailureMessage.empty()) << e.command;
        // A command on a bare name acts where the console stands: it goes there first.
        if (e.op.steps.size() > 1) {
            ASSERT_EQ(e.op.steps.size(), 3u) << e.command;
            EXPECT_EQ(e.op.steps[0].command, "d:\r");
            EXPECT_EQ(e.op.steps[1].command, "cd\\BIN\r");
            EXPECT_TRUE(e.op.steps[0].checkEnd && e.op.steps[1].checkEnd);
        }
    }
}

TEST(DeviceOperations, EachOperationChecksItsOwnErrorWords)
{
    const LineCheck md = MakeDirectoryOperation("\\", "X").steps.back().checkLine;
    EXPECT_FALSE(md("invalid lower case\r\n"));
    EXPECT_EQ(md("Invalid path\r\n")->message, "Invalid path\r\n'X'!");
    const LineCheck ren = RenameOperation("\\", "OLD.TXT", "NEW.TXT").steps.back().checkLine;
    EXPECT_FALSE(ren("Unable to rename\r\n"));
    EXPECT_EQ(ren("Duplicate file name\r\n")->message, "Duplicate file name\r\n'NEW.TXT'!");
    // md's and ren's output runs on to the prompt; cd's check ends the listing's output there.
    const auto unable =
        MakeDirectoryOperation("\\", "X").steps.back().checkLine("Unable to create\r\n");
    ASSERT_TRUE(unable);
    EXPECT_FALSE(unable->stopReading);
    const auto invalid = InvalidPathCheck("\\BAD")("Invalid directory\r\n");
    ASSERT_TRUE(invalid);
    EXPECT_EQ(invalid->message, "Invalid directory\r\n'\\BAD'!");
    EXPECT_TRUE(invalid->stopReading);
}

TEST(DeviceOperations, UnsafeNamesAreRefusedAndOrdinaryOnesPass)
{
    for (const char* good : {"NEW", "TEST.EXE", "B.TXT", "TEST", "A_1-2.$$$", "12345678",
                             "ABCDEFGH.TXT", "~TMP", "README"}) {
        EXPECT_EQ(UnsafeNameWarning(good), std::nullopt) << good;
    }
    for (const char* bad : {"A B", " ", "A>B", "A<B", "A|B", "A&B", "\"A\"", "A'B", "*.*", "A?",
                            "..\\X", "A/B", "C:X", "A\tB", "A\rB", "A\x7f", "A,B", "A;B", "B=C"}) {
        const auto warning = UnsafeNameWarning(bad);
        ASSERT_TRUE(warning) << bad;
        EXPECT_NE(warning->find(std::string("'") + bad + "'"), std::string::npos) << *warning;
    }
    EXPECT_EQ(*UnsafeNameWarning("A B"),
              "The name 'A B' cannot be used on KORA-7740P.\n\nA name must not contain blanks, "
              "control characters or any of , ; = < > | & \" ' * ? \\ / :");
}

// DOS takes these names for its devices, with any extension: a "file" of such a name is the
// device, and writing it reports success.
TEST(DosName, DeviceNamesInAnyCaseWithOrWithoutExtension)
{
    const struct {
        const char* name;
        bool device;
    } cases[] = {
        {"NUL", true},       {"nul", true},      {"NUL.TXT", true},     {"Con.bat", true},
        {"PRN", true},       {"AUX.X", true},    {"CLOCK$", true},      {"clock$.dat", true},
        {"COM1", true},      {"COM4.LOG", true}, {"LPT1", true},        {"lpt3.txt", true},
        {"COM5", false},     {"COM0", false},    {"LPT4", false},       {"LPT", false},
        {"NULL", false},     {"NU", false},      {"CONFIG.SYS", false}, {"CON1", false},
        {"AUXILIAR", false}, {"CLOCK", false},   {"TXT.NUL", false},    {"README", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsDosDeviceName(c.name), c.device) << c.name;
    }
    // Every name typed for the controller meets the rule.
    EXPECT_EQ(*UnsafeNameWarning("nul.txt"),
              "The name 'nul.txt' cannot be used on KORA-7740P.\n\n" +
                  std::string(kDosDeviceNameRule));
}

TEST(DeviceOperations, TextsOfQuestionsDialogsAndProperties)
{
    EXPECT_EQ(DeleteFileQuestion("A.TXT"),
              "Are you sure to delete the file 'A.TXT'\nfrom KORA-7740P?");
    EXPECT_EQ(MakeDirectoryRequest().caption, "Make directory");
    EXPECT_EQ(MakeDirectoryRequest().prompt, "Please input new directory name:");
    EXPECT_EQ(MakeDirectoryRequest().maxLength, 8);
    EXPECT_EQ(RenameRequest("A.TXT").caption, "Rename file 'A.TXT'");
    EXPECT_EQ(RenameRequest("A.TXT").prompt, "Please input new file name:");
    EXPECT_EQ(RenameRequest("A.TXT").maxLength, 12);

    const PropertiesTexts file =
        EntryProperties(File("A.TXT", 1234, "Text", "2003/05/31"), "\\BIN", std::nullopt);
    EXPECT_EQ(std::vector<std::string>({file.module, file.name, file.path, file.type, file.size,
                                        file.date, file.contents}),
              std::vector<std::string>(
                  {"KORA-7740P", "A.TXT", "\\BIN", "Text", "1234 byte(s)", "2003/05/31", ""}));
    TreeCounts counts;
    counts.files = 4;
    counts.bytes = 30;
    counts.folders = 2;
    EXPECT_EQ(EntryProperties(Folder("SUB"), "\\", counts).contents, "4 file(s), 2 folder(s)");
    EXPECT_EQ(CurrentDirectoryProperties("\\", counts).type, "KORA disk (D:)");
    EXPECT_EQ(CurrentDirectoryProperties("\\BIN", counts).type, "Folder");
}

} // namespace
} // namespace kora
