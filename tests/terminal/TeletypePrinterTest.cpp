#include "terminal/TeletypePrinter.h"

#include "RecordingScreen.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace kora {
namespace {

using namespace std::chrono_literals;
using test::RecordingScreen;

// Runs the printer's rules on this thread against a recording pane; sleeps are noted, not slept.
class TeletypePrinterTest : public ::testing::Test, protected PrinterHost {
protected:
    bool WithPane(const std::function<void(TerminalScreen&)>& op) override
    {
        op(screen);
        return true;
    }
    void Sleep(std::chrono::milliseconds duration) override { sleeps.push_back(duration); }

    void Feed(std::string_view bytes)
    {
        for (char c : bytes) {
            printer.Turn(static_cast<std::uint8_t>(c));
        }
    }
    // Empty polls of the queue; six of them write held-back text.
    void Idle(int polls = 6)
    {
        for (int i = 0; i < polls; ++i) {
            printer.Turn(std::nullopt);
        }
    }
    QStringList Lines() const { return screen.lines; }

    RecordingScreen screen;
    std::vector<std::chrono::milliseconds> sleeps;
    TeletypePrinter printer{*this};
};

TEST_F(TeletypePrinterTest, LineFeedEndsTheLineWithOrWithoutCarriageReturns)
{
    Feed("abc\r\n");
    EXPECT_EQ(Lines(), (QStringList{"abc", ""}));

    Feed("\n");
    EXPECT_EQ(Lines(), (QStringList{"abc", "", ""}));

    Feed("\r\r\n");
    EXPECT_EQ(Lines(), (QStringList{"abc", "", "", ""}));

    // Also after text on the line: CR CR LF is one line end, the text stays.
    Feed("def\r\r\n");
    EXPECT_EQ(Lines(), (QStringList{"abc", "", "", "def", ""}));
}

TEST_F(TeletypePrinterTest, CarriageReturnThenTextOverwritesTheLine)
{
    Feed("abc\rxy");
    Idle();
    EXPECT_EQ(Lines(), (QStringList{"xy"}));

    // Text already on the pane is blanked too.
    Feed("\n123");
    Idle();
    Feed("\rx");
    Idle();
    EXPECT_EQ(Lines(), (QStringList{"xy", "x"}));
}

TEST_F(TeletypePrinterTest, IdleWriteForgetsAWaitingCarriageReturn)
{
    Feed("abc\r");
    Idle();
    Feed("x");
    Idle();
    EXPECT_EQ(Lines(), (QStringList{"abcx"}));
}

TEST_F(TeletypePrinterTest, HeldTextIsWrittenOnTheSixthEmptyPoll)
{
    Feed("abc");
    Idle(5);
    EXPECT_TRUE(Lines().isEmpty());
    EXPECT_EQ(sleeps, std::vector<std::chrono::milliseconds>(5, 5ms));

    Idle(1);
    EXPECT_EQ(Lines(), (QStringList{"abc"}));
    EXPECT_EQ(sleeps.back(), 50ms);

    // The count restarts only with an idle write, not with new data.
    Feed("d");
    Idle(3);
    Feed("e");
    Idle(2);
    EXPECT_EQ(Lines(), (QStringList{"abc"}));
    Idle(1);
    EXPECT_EQ(Lines(), (QStringList{"abcde"}));
}

TEST_F(TeletypePrinterTest, BackspaceRemovesHeldTextOrThePaneCharacter)
{
    Feed("ab\b\bc");
    Idle();
    EXPECT_EQ(Lines(), (QStringList{"c"}));

    // Nothing held: the pane's current line loses its last character.
    Feed("de");
    Idle();
    Feed("\b");
    EXPECT_EQ(Lines(), (QStringList{"cd"}));

    // On an empty line nothing happens.
    Feed("\n\b");
    EXPECT_EQ(Lines(), (QStringList{"cd", ""}));

    // A backspace that ends the output (a console's "\b \b" erase) is not lost while idle.
    Feed("xy\b");
    Idle();
    EXPECT_EQ(Lines(), (QStringList{"cd", "x"}));
}

TEST_F(TeletypePrinterTest, LongLineArrivesInPiecesOfEightyOnOnePaneLine)
{
    const std::string text(85, 'x');
    Feed(text.substr(0, 81));
    // The 81st character pushed the first 80 out.
    EXPECT_EQ(Lines(), (QStringList{QString(80, 'x')}));
    Feed(text.substr(81));
    Idle();
    EXPECT_EQ(Lines(), (QStringList{QString(85, 'x')}));
}

TEST_F(TeletypePrinterTest, BellSoundsAndShowsNothing)
{
    Feed("a\ab");
    Idle();
    EXPECT_EQ(screen.bells, 1);
    EXPECT_EQ(Lines(), (QStringList{"ab"}));
    EXPECT_EQ(sleeps.front(), 100ms);
}

TEST_F(TeletypePrinterTest, OtherControlBytesAreShownButZeroEndsTheHeldText)
{
    Feed("a\tb\x1b");
    Idle();
    EXPECT_EQ(Lines(), (QStringList{"a\tb\x1b"}));

    Feed(std::string_view("\nab\0cd", 6));
    Idle();
    EXPECT_EQ(Lines().last(), "ab");

    Feed("\n\xe9");
    Idle();
    EXPECT_EQ(Lines().last(), QString(QChar(0xE9)));
}

TEST_F(TeletypePrinterTest, The513thLineTrimsThePaneToItsNewerHalf)
{
    for (int i = 1; i <= 511; ++i) {
        Feed("L" + std::to_string(i) + "\r\n");
    }
    ASSERT_EQ(Lines().size(), 512);

    Feed("L512\r\n");
    QStringList expected;
    for (int i = 256; i <= 512; ++i) {
        expected << QString("L%1").arg(i);
    }
    expected << "";
    EXPECT_EQ(Lines(), expected);

    // The pane keeps growing from there and trims again.
    for (int i = 513; i <= 767; ++i) {
        Feed("L" + std::to_string(i) + "\r\n");
    }
    EXPECT_EQ(Lines().size(), 256);
    EXPECT_EQ(Lines().first(), "L513");
    EXPECT_EQ(Lines().last(), "");
}

TEST_F(TeletypePrinterTest, LinesCollectedBeforeTheLogClearedThePaneComeBack)
{
    for (int i = 1; i <= 300; ++i) {
        Feed("A" + std::to_string(i) + "\n");
    }
    screen.lines.clear(); // the device operations' log clears the pane at 300 lines
    for (int i = 1; i <= 512; ++i) {
        Feed("B" + std::to_string(i) + "\n");
    }
    ASSERT_FALSE(Lines().isEmpty());
    EXPECT_EQ(Lines().first(), "A256");
}

TEST_F(TeletypePrinterTest, FloodSuspendsRepaintAfterLine25AndRepaintsAfter73)
{
    for (int i = 1; i <= 100; ++i) {
        Feed("line\r\n");
    }
    // Pane lines count the new empty line, so "@26" is right after the 25th line.
    EXPECT_EQ(screen.events, (std::vector<std::string>{"suspend@26", "resume@74", "suspend@75"}));
    EXPECT_TRUE(screen.suspended);

    Idle(1);
    EXPECT_FALSE(screen.suspended);
    EXPECT_EQ(screen.events.back(), "resume@101");
    EXPECT_EQ(sleeps, (std::vector<std::chrono::milliseconds>{20ms, 50ms, 20ms}));

    // The repaint left the count at 24; the next empty poll clears it, after which 24 lines
    // in a row are still shown live and the 25th suspends.
    Idle(1);
    screen.events.clear();
    for (int i = 1; i <= 24; ++i) {
        Feed("x\n");
    }
    EXPECT_TRUE(screen.events.empty());
    Feed("x\n");
    EXPECT_TRUE(screen.suspended);
}

TEST_F(TeletypePrinterTest, EightyCharacterPiecesCountAsLinesForBatching)
{
    Feed(std::string(80 * 26, 'y'));
    EXPECT_EQ(screen.events, (std::vector<std::string>{"suspend@1"}));
}

TEST_F(TeletypePrinterTest, RepaintCanBeResumedAtOnceAndTheFloodSuspendsItAgain)
{
    for (int i = 1; i <= 30; ++i) {
        Feed("z\n");
    }
    ASSERT_TRUE(printer.RepaintSuspended());

    printer.ResumeRepaintNow(screen);
    EXPECT_FALSE(screen.suspended);
    EXPECT_FALSE(printer.RepaintSuspended());
    const auto eventsAfterResume = screen.events.size();
    printer.ResumeRepaintNow(screen); // nothing to resume
    EXPECT_EQ(screen.events.size(), eventsAfterResume);

    Feed("z\n");
    EXPECT_TRUE(screen.suspended);
    Idle(1);
    EXPECT_FALSE(screen.suspended);
}

} // namespace
} // namespace kora
