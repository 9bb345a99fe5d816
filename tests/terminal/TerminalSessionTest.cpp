#include "terminal/TerminalSession.h"

#include "RecordingScreen.h"
#include "link/SerialPort.h"
#include "support/EventLoop.h"
#include "support/PtyPair.h"
#include "terminal/ByteQueue.h"
#include "terminal/KoraComReceiver.h"
#include "terminal/KoraPrinterThread.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace kora {
namespace {

using namespace std::chrono_literals;
using test::PtyPair;
using test::RecordingScreen;
using test::RunEventsFor;
using test::RunEventsUntil;

class TerminalOnPty : public ::testing::Test {
protected:
    void SwitchOn()
    {
        ASSERT_TRUE(session->SwitchOn(pty.slavePath()));
        ASSERT_EQ(pty.readUntilQuiet(100ms), "\r");
    }
    bool ScreenShows(const QStringList& lines, std::chrono::milliseconds limit = 5s)
    {
        return RunEventsUntil([&] { return screen.lines == lines; }, limit);
    }

    PtyPair pty;
    RecordingScreen screen;
    std::unique_ptr<TerminalSession> session = std::make_unique<TerminalSession>(screen);
};

TEST_F(TerminalOnPty, StartingSendsOneCarriageReturnAndNothingElse)
{
    EXPECT_FALSE(session->IsOn());
    SwitchOn();
    EXPECT_TRUE(session->IsOn());
    RunEventsFor(100ms);
    EXPECT_EQ(pty.readUntilQuiet(50ms), "");
}

TEST_F(TerminalOnPty, AnUnusablePortLeavesTheTerminalOff)
{
    EXPECT_FALSE(session->SwitchOn("/dev/kora-no-such-port"));
    EXPECT_FALSE(session->IsOn());
    EXPECT_EQ(TerminalSession::OpenFailureText("COM9"), "Unable to open COM9 !");
    EXPECT_FALSE(session->TypeCharacter('a'));
}

TEST_F(TerminalOnPty, APortInUseLeavesTheTerminalOffUntilItIsFree)
{
    {
        SerialPort other(pty.slavePath());
        ASSERT_TRUE(other.Open());
        EXPECT_FALSE(session->SwitchOn(pty.slavePath()));
        EXPECT_FALSE(session->IsOn());
        EXPECT_FALSE(session->SendSpecialKey(Qt::Key_Up));
    }
    EXPECT_EQ(pty.readUntilQuiet(30ms), "");
    SwitchOn();
}

TEST_F(TerminalOnPty, ControllerOutputReachesThePaneInOrder)
{
    SwitchOn();
    QStringList expected;
    std::string output;
    for (int i = 0; i < 60; ++i) {
        const std::string line = "line " + std::to_string(i) + " of the listing";
        output += line + "\r\n";
        expected << QString::fromStdString(line);
    }
    output += "D:\\>";
    expected << "D:\\>";
    pty.write(output);
    EXPECT_TRUE(ScreenShows(expected)) << screen.lines.join('|').toStdString();
}

TEST_F(TerminalOnPty, PausedThreadsTakeNothingAndContinueWhenResumed)
{
    SwitchOn();
    RunEventsFor(30ms);
    session->Printer().Pause();
    session->Receiver().Pause();
    pty.write("abc\r\n");
    RunEventsFor(150ms);
    EXPECT_EQ(session->Queue().Size(), 0u);
    EXPECT_TRUE(screen.lines.isEmpty());

    // The receiver alone fills the queue; the pane stays as it was.
    session->Receiver().Resume();
    EXPECT_TRUE(RunEventsUntil([&] { return session->Queue().Size() == 5; }));
    RunEventsFor(60ms);
    EXPECT_TRUE(screen.lines.isEmpty());

    session->Printer().Resume();
    EXPECT_TRUE(ScreenShows({"abc", ""}));
}

TEST_F(TerminalOnPty, TypingSendsOneByteAndKeepsUnreadControllerOutput)
{
    SwitchOn();
    RunEventsFor(30ms);
    // Output the receiver has not read yet (no events run while it arrives and the key goes).
    pty.write("ping\r\n");
    std::this_thread::sleep_for(30ms);
    EXPECT_TRUE(session->TypeCharacter('x'));
    EXPECT_EQ(pty.readUntilQuiet(50ms), "x");
    EXPECT_TRUE(ScreenShows({"ping", ""}));
    EXPECT_FALSE(session->Printer().IsPaused());
    EXPECT_FALSE(session->Receiver().IsPaused());
}

TEST_F(TerminalOnPty, KeysSendTheirSequenceOrCharacterOnce)
{
    EXPECT_FALSE(session->HandleKey(Qt::Key_Up, Qt::NoModifier, "")); // terminal off
    EXPECT_FALSE(session->HandleKey(Qt::Key_A, Qt::NoModifier, "a"));
    SwitchOn();
    EXPECT_TRUE(session->HandleKey(Qt::Key_Up, Qt::NoModifier, ""));
    EXPECT_TRUE(session->HandleKey(Qt::Key_F4, Qt::NoModifier, ""));
    EXPECT_TRUE(session->HandleKey(Qt::Key_Backspace, Qt::NoModifier, "\b"));
    EXPECT_TRUE(session->HandleKey(Qt::Key_C, Qt::ControlModifier, "\x03"));
    EXPECT_FALSE(session->HandleKey(Qt::Key_PageUp, Qt::NoModifier, ""));
    EXPECT_EQ(pty.readUntilQuiet(50ms), "\x1b[A\x1bOS\b\x03");
}

TEST_F(TerminalOnPty, PasteSendsLineBreaksAsCarriageReturns)
{
    SwitchOn();
    std::vector<std::chrono::milliseconds> waits;
    session->Paste(PlanPaste("ab\r\ncd\nx"), [&](std::chrono::milliseconds wait) {
        waits.push_back(wait);
        TerminalSession::SleepWait(wait);
    });
    EXPECT_EQ(pty.readUntilQuiet(50ms), "ab\rcd\rx");
    EXPECT_EQ(waits.size(), 7u * 4u);
    EXPECT_FALSE(session->Printer().IsPaused());
}

TEST_F(TerminalOnPty, SwitchingOffWhileBatchingRepaintsAtOnce)
{
    SwitchOn();
    session->Printer().Pause();
    std::string flood;
    for (int i = 0; i < 40; ++i) {
        flood += "row\r\n";
    }
    pty.write(flood);
    ASSERT_TRUE(RunEventsUntil([&] { return session->Queue().Size() == flood.size(); }));

    session->Printer().Resume();
    // The printer waits for this thread between pane operations, so it stays mid-flood here.
    ASSERT_TRUE(RunEventsUntil([&] { return screen.suspended; }));
    session->SwitchOff();
    EXPECT_FALSE(screen.suspended);
    EXPECT_TRUE(session->Printer().IsPaused());
    EXPECT_TRUE(session->Receiver().IsPaused());
}

TEST_F(TerminalOnPty, SwitchingOffAndOnContinuesOnTheLastLine)
{
    SwitchOn();
    pty.write("abc");
    ASSERT_TRUE(ScreenShows({"abc"}));
    session->SwitchOff();
    EXPECT_FALSE(session->IsOn());
    EXPECT_FALSE(session->TypeCharacter('q'));
    EXPECT_EQ(pty.readUntilQuiet(30ms), "");

    SwitchOn();
    pty.write("def\r\n");
    EXPECT_TRUE(ScreenShows({"abcdef", ""}));
}

TEST_F(TerminalOnPty, TheReceiverReadsWithoutTheGuiThreadAndNotAfterSwitchingOff)
{
    SwitchOn();
    session->Printer().Pause(); // the queue keeps what the receiver took
    // No events run: the receiver waits for the controller's output and takes it by itself.
    pty.write("abc");
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (session->Queue().Size() < 3 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(session->Queue().Size(), 3u);
    EXPECT_FALSE(session->Receiver().GuiCallPending());

    // Switched off while it waits for more: nothing is read from the closed port.
    session->SwitchOff();
    pty.write("Z");
    RunEventsFor(100ms);
    EXPECT_EQ(session->Queue().Size(), 3u);

    // Switched on again, the "Z" arrives once, unless opening the port dropped it.
    SwitchOn();
    pty.write("ok\r\n");
    ASSERT_TRUE(RunEventsUntil([&] { return screen.lines.size() == 2; }));
    EXPECT_TRUE(screen.lines[0] == "abcZok" || screen.lines[0] == "abcok")
        << screen.lines[0].toStdString();
}

TEST_F(TerminalOnPty, TypingIntoAHungUpLineSwitchesTheTerminalOffOnce)
{
    std::vector<std::string> lost;
    session->SetLineLostHandler([&](const std::string& port) { lost.push_back(port); });
    SwitchOn();
    // With the receiver paused only the keys can find out.
    session->Receiver().Pause();
    pty.hangUp();
    EXPECT_TRUE(session->TypeCharacter('a'));
    EXPECT_TRUE(session->IsOn()) << "not from inside the write";
    session->TypeCharacter('b');
    ASSERT_TRUE(RunEventsUntil([&] { return !session->IsOn(); }));
    RunEventsFor(50ms);
    EXPECT_EQ(lost, std::vector<std::string>{pty.slavePath()});
    EXPECT_TRUE(session->Printer().IsPaused());
    EXPECT_TRUE(session->Receiver().IsPaused());
    EXPECT_FALSE(session->TypeCharacter('c'));
}

TEST_F(TerminalOnPty, StoppingDoesNotWaitForTheGuiThread)
{
    SwitchOn();
    pty.write(std::string(2000, 'x'));
    RunEventsFor(20ms);
    // Both threads are mid-work and waiting for this thread, which now stops them without
    // running another event.
    const auto start = std::chrono::steady_clock::now();
    session.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

TEST(TerminalThreads, CreatedPausedTheyDoNothingAndEndAtOnce)
{
    ByteQueue queue;
    queue.Push('a');
    RecordingScreen screen;
    {
        KoraComReceiver receiver(true);
        KoraPrinterThread printer(true);
        receiver.SetQueue(&queue);
        printer.SetQueue(&queue);
        printer.SetMemo(&screen);
        RunEventsFor(50ms);
        EXPECT_TRUE(receiver.IsPaused());
        EXPECT_FALSE(receiver.GuiCallPending());
        EXPECT_EQ(queue.Size(), 1u);
    }
    EXPECT_TRUE(screen.lines.isEmpty());

    // Not paused at creation: a receiver without a port reads nothing and keeps trying.
    KoraComReceiver running(false);
    running.SetQueue(&queue);
    EXPECT_FALSE(running.IsPaused());
    RunEventsFor(60ms);
    EXPECT_EQ(queue.Size(), 1u);
}

} // namespace
} // namespace kora
