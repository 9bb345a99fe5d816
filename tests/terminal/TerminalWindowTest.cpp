#include "terminal/TerminalWindow.h"
#include "link/DeviceControls.h"
#include "link/DeviceLink.h"

#include "link/SerialPort.h"
#include "support/EventLoop.h"
#include "support/PtyPair.h"
#include "support/RecordingPrompts.h"
#include "terminal/KoraComReceiver.h"
#include "terminal/KoraPrinterThread.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

namespace kora {
namespace {

using namespace std::chrono_literals;
using test::PtyPair;
using test::RecordingPrompts;
using test::RunEventsFor;
using test::RunEventsUntil;

const QColor kLogText(0, 128, 0);

// The terminal pane, its button and two device-side controls in a window of their own, with
// the controller's end of the line on a pseudo-terminal.
class PaneOnPty : public ::testing::Test {
protected:
    PaneOnPty()
    {
        auto* layout = new QVBoxLayout(&host);
        for (QWidget* widget :
             std::initializer_list<QWidget*>{meoDos, tbtnDOSCmd, tbtnRefresh, cbxCOM}) {
            layout->addWidget(widget);
        }
        meoDos->setReadOnly(true);
        QPalette log = meoDos->palette();
        log.setColor(QPalette::Text, kLogText);
        meoDos->setPalette(log);
        host.show();
        link.setPortName(QString::fromStdString(pty.slavePath()));
        controls.add(tbtnRefresh);
        controls.add(cbxCOM);
        controls.add(tbtnDOSCmd, PortHolder::Terminal);
        terminal = std::make_unique<TerminalWindow>(
            TerminalWindow::Widgets{meoDos, tbtnDOSCmd, &host}, link);
    }

    void SwitchOn()
    {
        tbtnDOSCmd->click();
        ASSERT_TRUE(terminal->IsOn());
        ASSERT_EQ(pty.readUntilQuiet(100ms), "\r");
    }
    // Both, or -1 when they differ.
    int DeviceControlsEnabled() const
    {
        return tbtnRefresh->isEnabled() == cbxCOM->isEnabled() ? int(cbxCOM->isEnabled()) : -1;
    }

    RecordingPrompts prompts;
    ScopedPrompts scopedPrompts{prompts};
    PtyPair pty;
    DeviceLink link;
    DeviceControls controls{link};
    QWidget host;
    QPlainTextEdit* meoDos = new QPlainTextEdit(&host);
    QToolButton* tbtnDOSCmd = new QToolButton(&host);
    QToolButton* tbtnRefresh = new QToolButton(&host);
    QComboBox* cbxCOM = new QComboBox(&host);
    std::unique_ptr<TerminalWindow> terminal;
};

TEST_F(PaneOnPty, SwitchingOnAndOffShowsTheStateAndHoldsTheDeviceControls)
{
    EXPECT_FALSE(tbtnDOSCmd->isChecked());
    EXPECT_EQ(DeviceControlsEnabled(), 1);

    SwitchOn();
    EXPECT_TRUE(tbtnDOSCmd->isChecked());
    EXPECT_EQ(DeviceControlsEnabled(), 0);
    EXPECT_EQ(meoDos->palette().color(QPalette::Base), QColor(Qt::black));
    EXPECT_EQ(meoDos->palette().color(QPalette::Text), QColor(192, 192, 192));
    RunEventsFor(50ms);
    EXPECT_EQ(pty.readUntilQuiet(30ms), "") << "only one carriage return at start";

    tbtnDOSCmd->click();
    EXPECT_FALSE(terminal->IsOn());
    EXPECT_FALSE(tbtnDOSCmd->isChecked());
    EXPECT_EQ(DeviceControlsEnabled(), 1);
    EXPECT_EQ(meoDos->palette().color(QPalette::Text), kLogText);
    EXPECT_TRUE(terminal->Session().Printer().IsPaused());
    EXPECT_TRUE(terminal->Session().Receiver().IsPaused());
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

TEST_F(PaneOnPty, APortThatCannotBeOpenedNamesItAndLeavesEverythingAsItWas)
{
    link.setPortName(QStringLiteral("/dev/kora-no-such-port"));
    const QPalette before = meoDos->palette();
    tbtnDOSCmd->click();
    EXPECT_FALSE(terminal->IsOn());
    EXPECT_FALSE(tbtnDOSCmd->isChecked());
    EXPECT_EQ(DeviceControlsEnabled(), 1);
    EXPECT_EQ(meoDos->palette(), before);
    EXPECT_EQ(prompts.boxes,
              QStringList{"error: Unable to open /dev/kora-no-such-port !\n\nThere is no such port "
                          "(/dev/kora-no-such-port does not exist)."});

    // In use by another program: the same message, the port's name between its halves.
    link.setPortName(QString::fromStdString(pty.slavePath()));
    SerialPort other(pty.slavePath());
    ASSERT_TRUE(other.Open());
    tbtnDOSCmd->click();
    EXPECT_FALSE(terminal->IsOn());
    ASSERT_EQ(prompts.boxes.size(), 2);
    EXPECT_TRUE(prompts.boxes[1].startsWith("error: Unable to open " + link.portName() + " !"));
    EXPECT_EQ(pty.readUntilQuiet(30ms), "");
}

TEST_F(PaneOnPty, WithoutReconnectAHungUpLineSwitchesOffWithAMessageAndGivesThePortBack)
{
    terminal->SetReconnect(false);
    SwitchOn();
    pty.hangUp(); // the controller's end goes away, as with a pulled USB adapter
    ASSERT_TRUE(RunEventsUntil([&] { return !terminal->IsOn(); }));
    EXPECT_FALSE(tbtnDOSCmd->isChecked());
    EXPECT_EQ(DeviceControlsEnabled(), 1);
    EXPECT_FALSE(link.busy());
    EXPECT_EQ(meoDos->palette().color(QPalette::Text), kLogText);
    EXPECT_TRUE(terminal->Session().Printer().IsPaused());
    EXPECT_TRUE(terminal->Session().Receiver().IsPaused());
    EXPECT_EQ(prompts.boxes, QStringList{"error: Lost the connection to " + link.portName() + "."});
}

TEST_F(PaneOnPty, ABlinkingCursorMarksWhereTheOutputGoesWhileOn)
{
    // The share of the character cell after the pane's text that shows the text colour.
    const auto cursorCover = [&] {
        QTextCursor end(meoDos->document());
        end.movePosition(QTextCursor::End);
        QRect cell = meoDos->cursorRect(end);
        cell.setWidth(meoDos->fontMetrics().horizontalAdvance(QLatin1Char('M')));
        const QImage image =
            meoDos->grab(cell.translated(meoDos->viewport()->geometry().topLeft())).toImage();
        const QColor text = meoDos->palette().color(QPalette::Text);
        int lit = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                lit += image.pixelColor(x, y) == text ? 1 : 0;
            }
        }
        return double(lit) / std::max(1, image.width() * image.height());
    };
    meoDos->setPlainText(QStringLiteral("log line"));
    EXPECT_LT(cursorCover(), 0.1) << "no cursor in the log";

    SwitchOn();
    pty.write("C:\\>");
    ASSERT_TRUE(RunEventsUntil([&] { return meoDos->toPlainText().endsWith("C:\\>"); }));
    EXPECT_TRUE(RunEventsUntil([&] { return cursorCover() > 0.9; }));
    EXPECT_TRUE(RunEventsUntil([&] { return cursorCover() < 0.1; })) << "it blinks";
    EXPECT_TRUE(RunEventsUntil([&] { return cursorCover() > 0.9; }));

    // It moves on with the output, along the line and to the next one.
    pty.write("dir\r\nD:\\>");
    ASSERT_TRUE(RunEventsUntil([&] { return meoDos->toPlainText().endsWith("dir\nD:\\>"); }));
    EXPECT_TRUE(RunEventsUntil([&] { return cursorCover() > 0.9; }));

    tbtnDOSCmd->click();
    RunEventsFor(50ms);
    EXPECT_LT(cursorCover(), 0.1);
}

TEST_F(PaneOnPty, KeysInThePaneGoToTheControllerOnlyWhileOn)
{
    meoDos->setPlainText(QStringLiteral("log line"));
    QTest::keyClicks(meoDos, QStringLiteral("ab"));
    QTest::keyClick(meoDos, Qt::Key_Up);
    QTest::keyClick(meoDos, Qt::Key_Return);
    EXPECT_EQ(pty.readUntilQuiet(30ms), "") << "typing while off sends nothing";
    EXPECT_EQ(meoDos->toPlainText(), QStringLiteral("log line"));

    SwitchOn();
    QTest::keyClicks(meoDos, QStringLiteral("dir"));
    QTest::keyClick(meoDos, Qt::Key_Return);
    QTest::keyClick(meoDos, Qt::Key_Backspace);
    QTest::keyClick(meoDos, Qt::Key_Escape);
    QTest::keyClick(meoDos, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(pty.readUntilQuiet(50ms), "dir\r\b\x1b\x03");

    for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Right, Qt::Key_Left, Qt::Key_F1,
                              Qt::Key_F2, Qt::Key_F3, Qt::Key_F4}) {
        QTest::keyClick(meoDos, key);
    }
    EXPECT_EQ(pty.readUntilQuiet(50ms), "\x1b[A\x1b[B\x1b[C\x1b[D\x1bOP\x1bOQ\x1bOR\x1bOS");

    // The pane shows only what the controller echoes, not the keys themselves.
    EXPECT_EQ(meoDos->toPlainText(), QStringLiteral("log line"));
    pty.write("dir");
    EXPECT_TRUE(RunEventsUntil([&] { return meoDos->toPlainText() == "log linedir"; }))
        << "the controller's output continues the pane's last line";
}

TEST_F(PaneOnPty, PasteSendsTheClipboardWithLineBreaksAsEnterAndAtMost1023Characters)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("dir\r\nver\nx"));
    terminal->PopupMenu3Popup();
    EXPECT_FALSE(terminal->Pasteto7740P1()->isEnabled()) << "terminal off";
    terminal->Pasteto7740P1Click();
    EXPECT_EQ(pty.readUntilQuiet(30ms), "");

    SwitchOn();
    terminal->PopupMenu3Popup();
    EXPECT_TRUE(terminal->Pasteto7740P1()->isEnabled());
    terminal->Pasteto7740P1()->trigger();
    EXPECT_EQ(pty.readUntilQuiet(50ms), "dir\rver\rx");

    QGuiApplication::clipboard()->setText(QString(1100, QLatin1Char('k')));
    terminal->SetPasteWait([](std::chrono::milliseconds) {});
    terminal->Pasteto7740P1Click();
    EXPECT_EQ(pty.readUntilQuiet(50ms), std::string(1023, 'k'));

    QGuiApplication::clipboard()->clear();
    terminal->PopupMenu3Popup();
    EXPECT_FALSE(terminal->Pasteto7740P1()->isEnabled()) << "nothing to paste";
}

TEST_F(PaneOnPty, CopyTakesAtMost1024CharactersWithLineBreaks)
{
    meoDos->setPlainText(QString(1023, QLatin1Char('a')) + QStringLiteral("\nb"));
    // A right click opens the pane's own menu, its items set for the moment.
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                            meoDos->viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(meoDos->viewport(), &click);
    QMenu* menu = terminal->PopupMenu3();
    ASSERT_TRUE(menu->isVisible());
    menu->hide();
    QStringList captions;
    for (const QAction* action : menu->actions()) {
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    EXPECT_EQ(captions, (QStringList{"Copy", "Paste to 7740P", "-", "Select All", "-", "Font"}));
    EXPECT_FALSE(terminal->Copy1()->isEnabled()) << "nothing selected";
    EXPECT_TRUE(terminal->SelectAll1()->isEnabled());
    EXPECT_TRUE(terminal->Font1()->isEnabled());

    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    terminal->SelectAll1()->trigger();
    terminal->PopupMenu3Popup();
    EXPECT_TRUE(terminal->Copy1()->isEnabled());
    terminal->Copy1()->trigger();
    EXPECT_EQ(prompts.boxes, QStringList{"error: The selected text exceeds 1024 bytes!"});
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));

    QTextCursor cursor = meoDos->textCursor();
    cursor.setPosition(1);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    meoDos->setTextCursor(cursor);
    terminal->Copy1Click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QString(1022, QLatin1Char('a')) + QStringLiteral("\nb"));
    EXPECT_EQ(prompts.boxes.size(), 1);
}

TEST_F(PaneOnPty, ReleasingTheMouseWithoutASelectionReturnsTheCaretToTheOutput)
{
    meoDos->setPlainText(QStringLiteral("C:\\>dir\nD:\\>"));
    const int end = meoDos->toPlainText().size();
    QTest::mouseClick(meoDos->viewport(), Qt::LeftButton, {}, QPoint(3, 3));
    QCoreApplication::processEvents();
    EXPECT_EQ(meoDos->textCursor().position(), end - 1);
    EXPECT_FALSE(meoDos->textCursor().hasSelection());

    // A selection made for copying stays.
    meoDos->selectAll();
    QTest::mouseRelease(meoDos->viewport(), Qt::LeftButton, {}, QPoint(3, 3));
    QCoreApplication::processEvents();
    EXPECT_EQ(meoDos->textCursor().selectedText().size(), end);

    meoDos->setPlainText(QStringLiteral("abc\n"));
    meoDos->moveCursor(QTextCursor::Start);
    terminal->meoDosMouseUp();
    EXPECT_EQ(meoDos->textCursor().position(), 3) << "the end of the last line written";
}

TEST_F(PaneOnPty, FontPutsTheCaretAtTheEndWhetherChosenOrNot)
{
    meoDos->setPlainText(QStringLiteral("one\ntwo"));
    // The font dialog, cancelled.
    const int pixelSize = meoDos->font().pixelSize();
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            if (dialog->objectName() == QStringLiteral("FontDialog1")) {
                dialog->reject();
            }
        }
    });
    cancel.start(10);
    terminal->Font1Click();
    cancel.stop();
    EXPECT_EQ(meoDos->font().pixelSize(), pixelSize);
    EXPECT_EQ(meoDos->textCursor().position(), 7);

    meoDos->selectAll();
    QFont chosen(QStringLiteral("Monospace"));
    chosen.setPixelSize(23);
    terminal->SetFontChooser([&](const QFont&) { return std::optional<QFont>(chosen); });
    terminal->Font1()->trigger();
    EXPECT_EQ(meoDos->font().pixelSize(), 23);
    EXPECT_FALSE(meoDos->textCursor().hasSelection());
    EXPECT_EQ(meoDos->textCursor().position(), 7);

    QFont offered;
    meoDos->moveCursor(QTextCursor::Start);
    terminal->SetFontChooser([&](const QFont& current) {
        offered = current;
        return std::optional<QFont>();
    });
    terminal->Font1Click();
    EXPECT_EQ(offered.pixelSize(), 23) << "the dialog starts from the pane's font";
    EXPECT_EQ(meoDos->font().pixelSize(), 23);
    EXPECT_EQ(meoDos->textCursor().position(), 7);
}

TEST(TerminalWindowShutdown, NeverSwitchedOnEndsWithoutWaiting)
{
    QPlainTextEdit pane;
    QToolButton button;
    DeviceLink link;
    auto terminal =
        std::make_unique<TerminalWindow>(TerminalWindow::Widgets{&pane, &button, nullptr}, link);
    EXPECT_TRUE(terminal->Session().Printer().IsPaused());
    EXPECT_TRUE(terminal->Session().Receiver().IsPaused());
    EXPECT_EQ(terminal->Session().KeyInputState(), 1);
    terminal->ShutdownThreads();
    terminal->ShutdownQueue();
    terminal->ShutdownPort();
    EXPECT_FALSE(terminal->IsOn());
    EXPECT_FALSE(terminal->meoDosKeyPress('a'));
    terminal.reset();
}

} // namespace
} // namespace kora
