#include "terminal/PlainTextScreen.h"

#include "link/ConsoleLogFile.h"

#include "ui/UserPrompts.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace kora {
PlainTextScreen::PlainTextScreen(QPlainTextEdit& pane) : pane_(pane)
{
    pane_.document()->setUndoRedoEnabled(false);
    QScrollBar* bar = pane_.verticalScrollBar();
    following_ = AtEnd();
    valueWatch_ = QObject::connect(bar, &QScrollBar::valueChanged, [this](int value) {
        following_ = value == pane_.verticalScrollBar()->maximum();
    });
    // A resize changes the range without moving the view: keep it on the newest line.
    rangeWatch_ = QObject::connect(bar, &QScrollBar::rangeChanged, [this](int, int maximum) {
        if (following_) {
            pane_.verticalScrollBar()->setValue(maximum);
        }
    });
}

PlainTextScreen::~PlainTextScreen()
{
    QObject::disconnect(valueWatch_);
    QObject::disconnect(rangeWatch_);
}

int PlainTextScreen::LineCount() const
{
    // A document always has one block; an empty pane holds no line.
    return pane_.document()->isEmpty() ? 0 : pane_.document()->blockCount();
}

QString PlainTextScreen::LastLine() const
{
    return pane_.document()->lastBlock().text();
}

void PlainTextScreen::SetLastLine(const QString& text)
{
    const QTextBlock last = pane_.document()->lastBlock();
    Edit(last.position(), [&] {
        QTextCursor cursor(last);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        cursor.insertText(text);
    });
}

void PlainTextScreen::AppendLine(const QString& text)
{
    // The last line is finished now: that is when the console log takes it, unless the
    // device operations' log showed it (and logged it then).
    if (!pane_.document()->isEmpty() &&
        pane_.document()->lastBlock().userState() != kPaneLineLogged) {
        ConsoleLogFile::LogShownLine(LastLine().toLatin1().toStdString());
    }
    QTextCursor cursor(pane_.document());
    cursor.movePosition(QTextCursor::End);
    Edit(cursor.position(), [&] {
        if (!pane_.document()->isEmpty()) {
            cursor.insertBlock();
        }
        cursor.insertText(text);
    });
}

void PlainTextScreen::ReplaceLines(const QStringList& lines)
{
    pane_.setPlainText(lines.join(QLatin1Char('\n')));
    pane_.document()->setUndoRedoEnabled(false);
    FollowIf(true);
}

void PlainTextScreen::SuspendRepaint()
{
    pane_.setUpdatesEnabled(false);
}

void PlainTextScreen::ResumeRepaint()
{
    pane_.setUpdatesEnabled(true);
    pane_.viewport()->update();
}

void PlainTextScreen::Bell()
{
    Prompts().beep();
}

void PlainTextScreen::Edit(int editStart, const std::function<void()>& edit)
{
    const bool wasAtEnd = AtEnd();
    QTextCursor user = pane_.textCursor();
    const int anchor = user.anchor();
    const int position = user.position();
    edit();
    // A selection that ends where the output goes would grow with it; the user selected text
    // to copy it, so it stays as it was.
    if (anchor != position && std::max(anchor, position) <= editStart &&
        (user.anchor() != anchor || user.position() != position)) {
        user.setPosition(anchor);
        user.setPosition(position, QTextCursor::KeepAnchor);
        pane_.setTextCursor(user);
    }
    FollowIf(wasAtEnd);
}

bool PlainTextScreen::AtEnd() const
{
    const QScrollBar* bar = pane_.verticalScrollBar();
    return bar->value() == bar->maximum();
}

void PlainTextScreen::FollowIf(bool wasAtEnd)
{
    if (wasAtEnd) {
        QScrollBar* bar = pane_.verticalScrollBar();
        bar->setValue(bar->maximum());
    }
}

} // namespace kora
