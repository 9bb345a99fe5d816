// Files read back with "type" on the simulator: what reads back exactly and what is refused, on
// consoles that frame their output differently.
#include <gtest/gtest.h>

#include "device/DevicePosition.h"
#include "device/TextReadBack.h"
#include "sim/DosFileSystem.h"
#include "support/RecordingLog.h"
#include "support/SimFixture.h"

namespace kora {
namespace {

using namespace std::string_literals;

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

// How the console frames "type": a line end of its own before the prompt or none; a line end
// added after a last line without one or none.
struct Framing {
    const char* name;
    bool lineEndBeforePrompt;
    bool typeAddsLineEnd;
};

class TextReadBackFraming : public TextReadBackSim, public ::testing::WithParamInterface<Framing> {
protected:
    void SetUp() override
    {
        TextReadBackSim::SetUp();
        sim().faults().noLineEndBeforePrompt = !GetParam().lineEndBeforePrompt;
        sim().faults().typeAddsNoLineEnd = !GetParam().typeAddsLineEnd;
    }
};

TEST_P(TextReadBackFraming, ExactOnlyWhenEveryByteIsAccountedFor)
{
    struct Case {
        const char* name;
        std::string bytes;
        std::optional<std::string> text; // what is read back; nothing: refused
        ReadBackRefusal refusal = ReadBackRefusal::None;
    };
    const std::string longLine = std::string(3000, 'x') + "\r\n";
    const std::vector<Case> cases = {
        {"CRLF.TXT", "one\r\ntwo\r\n", "one\r\ntwo\r\n"},
        {"NOEOL.TXT", "one\r\ntwo", "one\r\ntwo"},
        {"LF.TXT", "a\nb\n", "a\nb\n"},
        {"CR.TXT", "a\rb\r", "a\rb\r"},
        {"EMPTY.TXT", "", ""},
        {"LONG.TXT", longLine + longLine, longLine + longLine},
        // Lines that look like the console's prompt are the file's.
        {"PROMPT.TXT", "D:\\>\r\nC:\\X>", "D:\\>\r\nC:\\X>"},
        {"HIGH.TXT", "caf\xe9\r\n", "caf\xe9\r\n"},
        // An upload's zero padding, and DOS's end-of-file mark, end the text.
        {"RUNME.BAT", "echo hi\r\ncls" + std::string(116, '\0'), "echo hi\r\ncls"},
        {"EOF.TXT", "last\r\n\x1a", "last\r\n"},
        {"OPEN.TXT", "last\x1a", "last"},
        // "type" stops at Ctrl-Z: what follows is never printed.
        {"CTRLZ.TXT", "text\r\n\x1atail", std::nullopt, ReadBackRefusal::NotExact},
        // ... and a last line without a line end may then run into the prompt.
        {"FILLED.TXT", "some\r\ntext" + std::string(6, '\x1a'), std::nullopt,
         ReadBackRefusal::NotExact},
        {"ZEROS.BIN", "ab\0\0"s, std::nullopt, ReadBackRefusal::NotText},
        {"ZERO.TXT", "ab\0\r\n"s, std::nullopt, ReadBackRefusal::NotText},
    };
    for (const Case& c : cases) {
        sim().fileSystem().writeFileChecked(std::string("D:\\LOG\\") + c.name, c.bytes);
    }
    for (const Case& c : cases) {
        const TextFileReading reading =
            ReadDeviceTextFile(runner(), "\\LOG", c.name, c.bytes.size());
        EXPECT_EQ(reading.content, c.text) << c.name << ": " << reading.message;
        EXPECT_EQ(reading.refusal, c.refusal) << c.name << ": " << reading.message;
    }
    // A size that the listing no longer gives (the file changed since) is refused as well.
    const TextFileReading changed = ReadDeviceTextFile(runner(), "\\LOG", "CRLF.TXT", 7);
    EXPECT_FALSE(changed.content);
    const TextFileReading gone = ReadDeviceTextFile(runner(), "\\LOG", "GONE.TXT", 30);
    EXPECT_FALSE(gone.content);
    EXPECT_EQ(gone.refusal, ReadBackRefusal::NotFound);
    EXPECT_EQ(gone.message, "KORA-7740P could not find 'GONE.TXT'.");
    // Nothing was typed anywhere but in \LOG.
    EXPECT_EQ(sim().fileSystem().currentDirectory('D'), "\\LOG");
}

INSTANTIATE_TEST_SUITE_P(Consoles, TextReadBackFraming,
                         ::testing::Values(Framing{"BothLineEnds", true, true},
                                           Framing{"NoLineEndBeforePrompt", false, true},
                                           Framing{"TypeAddsNone", true, false},
                                           Framing{"NoLineEndsAtAll", false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

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
