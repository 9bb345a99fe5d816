// What a listing must show after an upload whose end was not clean, and which closing lines say
// that the receiver failed.
#include <gtest/gtest.h>

#include "transfer/UploadEnd.h"

namespace kora {
namespace {

TEST(UploadEnd, ClosingLinesOfFailureInTheirManyWordings)
{
    const struct {
        const char* line;
        bool failed;
    } cases[] = {
        {"File received: 1024 bytes", false},
        {"Transfer complete", false},
        {"", false},
        {"Transfer failed", true},
        {"TRANSFER FAILED", true},
        {"Insufficient disk space", true},
        {"Unable to create file", true},
        {"Error writing D:\\A.EXE", true},
        {"Aborted by receiver", true},
        {"Receive timed out", true},
        {"File not saved", true},
        {"Write protect error", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReceiverReportsFailure(c.line), c.failed) << c.line;
    }
}

TEST(UploadEnd, AKeptFileIsListedWithItsNameAndTheSizeSent)
{
    const auto entry = [](std::string name, std::uint64_t size, std::string modified = "1-1-26") {
        FolderEntry listed;
        listed.name = std::move(name);
        listed.size = size;
        listed.modified = std::move(modified);
        return listed;
    };
    FolderEntry folder = entry("A.EXE", 0);
    folder.isFolder = true;
    const UploadDestination destination{"\\BIN", "a.exe"};
    const struct {
        std::vector<FolderEntry> listed;
        std::uint64_t sent;
        std::optional<ListedFile> earlier;
        std::optional<std::string> reason;
    } cases[] = {
        {{entry("A.EXE", 300)}, 300, {}, {}},
        {{entry("B.EXE", 1), entry("A.EXE", 384)}, 300, {}, {}}, // the last block kept whole
        {{entry("A.EXE", 128)}, 128, {}, {}},
        {{entry("A.EXE", 300, "2-1-26")}, 300, ListedFile{300, "1-1-26"}, {}}, // replaced
        {{entry("A.EXE", 300)}, 300, ListedFile{200, "1-1-26"}, {}},
        {{}, 300, {}, "D:\\BIN holds no file a.exe"},
        {{folder}, 300, {}, "D:\\BIN holds no file a.exe"},
        {{entry("A.EXE", 256)}, 300, {}, "D:\\BIN\\a.exe holds 256 bytes; 300 were sent"},
        {{entry("A.EXE", 299)}, 300, {}, "D:\\BIN\\a.exe holds 299 bytes; 300 were sent"},
        {{entry("A.EXE", 384)},
         300,
         ListedFile{384, "1-1-26"},
         "D:\\BIN\\a.exe is still the earlier file (the same size, date and time)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NotKeptReason(c.listed, destination, c.sent, c.earlier), c.reason)
            << c.listed.size() << " " << c.sent;
    }
    EXPECT_EQ(ListedFileNamed({entry("B.EXE", 1), entry("A.EXE", 7)}, "a.exe"),
              (ListedFile{7, "1-1-26"}));
    EXPECT_EQ(ListedFileNamed({folder}, "A.EXE"), std::nullopt);
}

TEST(UploadEnd, TheDestinationSplitsIntoTheFolderToListAndTheName)
{
    const struct {
        const char* deviceName;
        std::optional<std::string> folder;
        std::string name;
    } cases[] = {
        {"D:\\A.EXE", "\\", "A.EXE"},
        {"d:\\bin\\x\\A.EXE", "\\bin\\x", "A.EXE"},
        {"D:\\koraio.cfg", "\\", "koraio.cfg"},
        {"C:\\A.EXE", std::nullopt, ""},
        {"A.EXE", std::nullopt, ""},
        {"D:\\BIN\\", std::nullopt, ""},
    };
    for (const auto& c : cases) {
        const auto split = SplitUploadDestination(c.deviceName);
        EXPECT_EQ(split ? std::optional(split->folder) : std::nullopt, c.folder) << c.deviceName;
        if (split) {
            EXPECT_EQ(split->name, c.name) << c.deviceName;
        }
    }
}

} // namespace
} // namespace kora
