#include "terminal/TerminalCursor.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

namespace kora {

TerminalCursor::TerminalCursor(QPlainTextEdit& pane)
    : QWidget(&pane), pane_(pane), viewport_(pane.viewport())
{
    setObjectName(QStringLiteral("TerminalCursor"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(&blink_, &QTimer::timeout, this, &TerminalCursor::Blink);
    // The block moves with the text, the scrolling and the pane's size and font. A change of
    // the text is signalled before the pane has laid it out, so the block follows it from the
    // event loop, once for any number of changes.
    follow_.setSingleShot(true);
    follow_.setInterval(0);
    connect(&follow_, &QTimer::timeout, this, &TerminalCursor::Reposition);
    connect(pane_.document(), &QTextDocument::contentsChanged, &follow_,
            qOverload<>(&QTimer::start));
    const auto reposition = [this] { Reposition(); };
    connect(pane_.verticalScrollBar(), &QScrollBar::valueChanged, this, reposition);
    connect(pane_.horizontalScrollBar(), &QScrollBar::valueChanged, this, reposition);
    viewport_->installEventFilter(this);
    pane_.installEventFilter(this);
}

void TerminalCursor::Start()
{
    FollowViewport();
    lit_ = true;
    show();
    raise();
    const int flashMs = QApplication::cursorFlashTime();
    if (flashMs >= 2) {
        blink_.start(flashMs / 2);
    }
    Reposition();
}

void TerminalCursor::Stop()
{
    blink_.stop();
    lit_ = false;
    hide();
}

QRect TerminalCursor::BlockRect() const
{
    QTextCursor end(pane_.document());
    end.movePosition(QTextCursor::End);
    QRect rect = pane_.cursorRect(end);
    rect.setWidth(pane_.fontMetrics().horizontalAdvance(QLatin1Char('M')));
    return rect;
}

bool TerminalCursor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == viewport_ &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        FollowViewport();
    } else if (watched == &pane_ && event->type() == QEvent::FontChange) {
        follow_.start();
    }
    return QWidget::eventFilter(watched, event);
}

void TerminalCursor::paintEvent(QPaintEvent*)
{
    if (!lit_) {
        return;
    }
    QPainter painter(this);
    painter.fillRect(shown_, pane_.palette().color(QPalette::Text));
}

void TerminalCursor::Blink()
{
    lit_ = !lit_;
    update(shown_);
}

void TerminalCursor::FollowViewport()
{
    setGeometry(viewport_->geometry());
    Reposition();
}

void TerminalCursor::Reposition()
{
    if (!isVisible()) {
        return;
    }
    const QRect now = BlockRect();
    if (now != shown_) {
        update(shown_);
        shown_ = now;
    }
    update(shown_);
}

} // namespace kora
