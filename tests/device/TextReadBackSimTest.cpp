// Files read back with "type" on the simulator: what reads back exactly and what is refused.
#include <gtest/gtest.h>

#include "device/DevicePosition.h"
#include "device/TextReadBack.h"
#include "sim/DosFileSystem.h"
#include "support/RecordingLog.h"
#include "support/SimFixture.h"

namespace kora {
namespace {

class TextReadBackSim : public test::SimFixture {
protected:
    DeviceOperationRunner runner(ExchangeTiming timing = ExchangeTiming::Quick)
    {
        return [this, timing](DeviceOperation op) {
            op.timing = timing;
            return RunDeviceOperation(portName(), op, pane_);
        };
    }

private:
    test::RecordingLog pane_;
};

TEST_F(TextReadBackSim, ExactOnlyWhenEveryByteIsAccountedFor)
{
    struct Case {
        const char* name;
        std::string bytes;
        bool exact;
    };
    const std::string longLine = std::string(3000, 'x') + "\r\n";
    const std::vector<Case> cases = {
        {"CRLF.TXT", "one\r\ntwo\r\n", true},
        // The console adds a line end after a last line without one.
        {"NOEOL.TXT", "one\r\ntwo", true},
        {"LF.TXT", "a\nb\n", true},
        {"CR.TXT", "a\rb\r", true},
        {"EMPTY.TXT", "", true},
        {"LONG.TXT", longLine + longLine, true},
        // Lines that look like the console's prompt are the file's.
        {"PROMPT.TXT", "D:\\>\r\nC:\\X>", true},
        {"HIGH.TXT", "caf\xe9\r\n", true},
        // "type" stops at Ctrl-Z; zero bytes are no text.
        {"CTRLZ.TXT", "text\r\n\x1atail", false},
        {"ZEROS.BIN", std::string("ab\0\0", 4), false},
        {"ZERO.TXT", std::string("ab\0\r\n", 5), false},
    };
    for (const Case& c : cases) {
        sim().fileSystem().writeFileChecked(std::string("D:\\LOG\\") + c.name, c.bytes);
    }
    for (const Case& c : cases) {
        const TextFileReading reading =
            ReadDeviceTextFile(runner(), "\\LOG", c.name, c.bytes.size());
        if (c.exact) {
            ASSERT_TRUE(reading.content) << c.name << ": " << reading.message;
            EXPECT_EQ(*reading.content, c.bytes) << c.name;
        } else {
            EXPECT_FALSE(reading.content) << c.name;
            EXPECT_TRUE(reading.fileRefused) << c.name;
            EXPECT_EQ(reading.message, NotExactTextMessage(c.name));
        }
    }
    // A size that the listing no longer gives (the file changed since) is refused as well.
    const TextFileReading changed = ReadDeviceTextFile(runner(), "\\LOG", "CRLF.TXT", 9);
    EXPECT_FALSE(changed.content);
    const TextFileReading gone = ReadDeviceTextFile(runner(), "\\LOG", "GONE.TXT", 30);
    EXPECT_FALSE(gone.content);
    EXPECT_TRUE(gone.fileRefused);
    EXPECT_EQ(gone.message, "KORA-7740P could not find 'GONE.TXT'.");
    // Nothing was typed anywhere but in \LOG.
    EXPECT_EQ(sim().fileSystem().currentDirectory('D'), "\\LOG");
}

// Patient timing ends the reading at silence, not at the prompt: a file that ends in text like
// a prompt still reads whole.
TEST_F(TextReadBackSim, PatientTimingReadsToTheRealPrompt)
{
    const std::string bytes = "first\r\nD:\\LOG>";
    sim().fileSystem().writeFileChecked("D:\\LOG\\PROMPT.TXT", bytes);
    const TextFileReading reading =
        ReadDeviceTextFile(runner(ExchangeTiming::Patient), "\\LOG", "PROMPT.TXT", bytes.size());
    ASSERT_TRUE(reading.content) << reading.message;
    EXPECT_EQ(*reading.content, bytes);
}

} // namespace
} // namespace kora
