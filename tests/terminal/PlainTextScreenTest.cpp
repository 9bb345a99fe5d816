#include "terminal/PlainTextScreen.h"

#include "support/EventLoop.h"
#include "support/PtyPair.h"
#include "terminal/TerminalSession.h"
#include "ui/UserPrompts.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

#include <gtest/gtest.h>

namespace kora {
namespace {

using namespace std::chrono_literals;

class CountingPrompts : public UserPrompts {
public:
    void error(QWidget*, const QString&) override {}
    void warning(QWidget*, const QString&) override {}
    void information(QWidget*, const QString&) override {}
    bool confirm(QWidget*, const QString&) override { return false; }
    void beep() override { ++beeps; }
    int beeps = 0;
};

TEST(PlainTextScreen, KeepsTheLineModelOnTheTextPane)
{
    QPlainTextEdit pane;
    PlainTextScreen screen(pane);
    EXPECT_EQ(screen.LineCount(), 0);
    EXPECT_EQ(screen.LastLine(), "");

    screen.SetLastLine("abc");
    EXPECT_EQ(screen.LineCount(), 1);
    screen.AppendLine("");
    screen.SetLastLine("de");
    EXPECT_EQ(pane.toPlainText(), "abc\nde");
    EXPECT_EQ(screen.LastLine(), "de");

    screen.ReplaceLines({"x", "y"});
    screen.AppendLine("");
    EXPECT_EQ(screen.LineCount(), 3);
    EXPECT_EQ(pane.toPlainText(), "x\ny\n");
    EXPECT_FALSE(pane.document()->isUndoRedoEnabled());

    screen.ReplaceLines({});
    EXPECT_EQ(screen.LineCount(), 0);
    screen.AppendLine("first");
    EXPECT_EQ(pane.toPlainText(), "first");
}

TEST(PlainTextScreen, OutputLeavesTheUserSelectionAloneAndBatchesRepaint)
{
    QPlainTextEdit pane;
    PlainTextScreen screen(pane);
    screen.SetLastLine("keep this");
    QTextCursor selection(pane.document());
    selection.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    pane.setTextCursor(selection);

    screen.AppendLine("more output");
    screen.SetLastLine("changed");
    EXPECT_EQ(pane.textCursor().selectedText(), "keep this");

    screen.SuspendRepaint();
    EXPECT_FALSE(pane.updatesEnabled());
    screen.ResumeRepaint();
    EXPECT_TRUE(pane.updatesEnabled());

    CountingPrompts prompts;
    ScopedPrompts scoped(prompts);
    screen.Bell();
    EXPECT_EQ(prompts.beeps, 1);
}

TEST(PlainTextScreen, TheViewStaysOnTheNewestLineThroughAResizeUnlessTheUserScrolledUp)
{
    QPlainTextEdit pane;
    pane.resize(400, 300);
    pane.show();
    PlainTextScreen screen(pane);
    for (int i = 0; i < 200; ++i) {
        screen.AppendLine(QString("line %1").arg(i));
    }
    QApplication::processEvents();
    QScrollBar* bar = pane.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    ASSERT_EQ(bar->value(), bar->maximum());

    // A smaller pane has a larger range: the view must not stay behind.
    pane.resize(400, 120);
    QApplication::processEvents();
    EXPECT_EQ(bar->value(), bar->maximum());
    screen.AppendLine("after the resize");
    EXPECT_EQ(bar->value(), bar->maximum());

    // The user scrolled up to read: neither output nor a resize pulls the view down.
    bar->setValue(10);
    screen.AppendLine("more");
    pane.resize(400, 100);
    QApplication::processEvents();
    EXPECT_EQ(bar->value(), 10);
}

TEST(PlainTextScreen, TerminalOutputContinuesAfterTheLog)
{
    test::PtyPair pty;
    QPlainTextEdit pane;
    pane.appendPlainText("dir");
    PlainTextScreen screen(pane);
    TerminalSession session(screen);
    ASSERT_TRUE(session.SwitchOn(pty.slavePath()));
    EXPECT_EQ(pty.readUntilQuiet(100ms), "\r");

    pty.write("\r\nD:\\>");
    EXPECT_TRUE(test::RunEventsUntil([&] { return pane.toPlainText() == "dir\nD:\\>"; }))
        << pane.toPlainText().toStdString();
}

} // namespace
} // namespace kora
