#include "terminal/TerminalWindow.h"

#include "terminal/TerminalReconnect.h"

#include "terminal/PlainTextScreen.h"
#include "terminal/TerminalCursor.h"
#include "terminal/TerminalKeys.h"
#include "terminal/TerminalText.h"
#include "ui/UserPrompts.h"

#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QEventLoop>
#include <QFontDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>

namespace kora {

namespace {

constexpr QRgb kSilver = qRgb(192, 192, 192);

// What the pane's selection puts on the clipboard: its line breaks as "\n".
QString SelectedPlainText(const QPlainTextEdit& pane)
{
    QString text = pane.textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

std::optional<QFont> AskForFont(QWidget* parent, const QFont& current)
{
    QFontDialog FontDialog1(current, parent);
    FontDialog1.setObjectName(QStringLiteral("FontDialog1"));
    if (FontDialog1.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return FontDialog1.selectedFont();
}

} // namespace

TerminalWindow::TerminalWindow(const Widgets& widgets, DeviceLink& link)
    : widgets_(widgets), link_(link), logPalette_(widgets.meoDos->palette()),
      screen_(std::make_unique<PlainTextScreen>(*widgets.meoDos)),
      cursor_(new TerminalCursor(*widgets.meoDos)),
      session_(std::make_unique<TerminalSession>(*screen_)),
      chooseFont_([parent = widgets.dialogParent](const QFont& current) {
          return AskForFont(parent, current);
      })
{
    buildPopupMenu();
    session_->SetLineLostHandler([this](const std::string&) { lineLost(linePortName_); });
    reconnect_ = std::make_unique<TerminalReconnect>(
        [this](const std::string& where) { return reopenLine(where); });
    connect(widgets_.tbtnDOSCmd, &QAbstractButton::clicked, this, &TerminalWindow::tbtnDOSCmdClick);
    widgets_.meoDos->installEventFilter(this);
    widgets_.meoDos->viewport()->installEventFilter(this);
    // The button shows the state; a click only asks for the change.
    widgets_.tbtnDOSCmd->setCheckable(true);
    widgets_.tbtnDOSCmd->setChecked(false);
}

TerminalWindow::~TerminalWindow()
{
    ShutdownThreads();
    ShutdownQueue();
    ShutdownPort();
}

void TerminalWindow::buildPopupMenu()
{
    QPlainTextEdit& pane = *widgets_.meoDos;
    PopupMenu3_ = new QMenu(&pane);
    PopupMenu3_->setObjectName(QStringLiteral("PopupMenu3"));
    Copy1_ = PopupMenu3_->addAction(QStringLiteral("Copy"));
    Copy1_->setObjectName(QStringLiteral("Copy1"));
    Pasteto7740P1_ = PopupMenu3_->addAction(QStringLiteral("Paste to 7740P"));
    Pasteto7740P1_->setObjectName(QStringLiteral("Pasteto7740P1"));
    PopupMenu3_->addSeparator();
    SelectAll1_ = PopupMenu3_->addAction(QStringLiteral("Select All"));
    SelectAll1_->setObjectName(QStringLiteral("SelectAll1"));
    PopupMenu3_->addSeparator();
    Font1_ = PopupMenu3_->addAction(QStringLiteral("Font"));
    Font1_->setObjectName(QStringLiteral("Font1"));

    connect(Copy1_, &QAction::triggered, this, &TerminalWindow::Copy1Click);
    connect(Pasteto7740P1_, &QAction::triggered, this, &TerminalWindow::Pasteto7740P1Click);
    connect(SelectAll1_, &QAction::triggered, this, &TerminalWindow::SelectAll1Click);
    connect(Font1_, &QAction::triggered, this, &TerminalWindow::Font1Click);

    pane.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&pane, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu3Popup();
        PopupMenu3_->popup(widgets_.meoDos->viewport()->mapToGlobal(at));
    });
}

void TerminalWindow::tbtnDOSCmdClick()
{
    QAbstractButton& button = *widgets_.tbtnDOSCmd;
    if (session_->IsOn() || reconnect_->waiting()) {
        reconnect_->stop();
        session_->SwitchOff();
        showState(false);
        return;
    }
    button.setChecked(false);
    switchOn({});
}

bool TerminalWindow::SwitchOnWith(const TerminalSession::StartAction& start)
{
    if (session_->IsOn() || reconnect_->waiting()) {
        return false;
    }
    widgets_.tbtnDOSCmd->setChecked(false);
    return switchOn(start);
}

bool TerminalWindow::switchOn(const TerminalSession::StartAction& start)
{
    QPlainTextEdit& pane = *widgets_.meoDos;
    lease_ = link_.acquire(PortHolder::Terminal);
    if (!lease_) {
        return false; // somebody else has the port
    }
    const QString port = link_.portName();
    if (session_->SwitchOn(port.toStdString(), start)) {
        linePortName_ = port;
        lineDevice_.emplace(port.toStdString(), session_->Port()->devicePath());
        showState(true);
        pane.setFocus(Qt::OtherFocusReason);
        return true;
    }
    lease_.release();
    if (session_->StartFailed()) {
        return false;
    }
    QString message = TerminalSession::OpenFailureText(port);
    if (const std::string& hint = session_->OpenFailureHint(); !hint.empty()) {
        message += QStringLiteral("\n\n") + QString::fromStdString(hint);
    }
    Prompts().error(widgets_.dialogParent, message);
    return false;
}

bool TerminalWindow::meoDosKeyPress(std::uint8_t character)
{
    return session_->TypeCharacter(character);
}

bool TerminalWindow::meoDosKeyDown(int qtKey)
{
    return session_->SendSpecialKey(qtKey);
}

void TerminalWindow::meoDosMouseUp()
{
    QPlainTextEdit& pane = *widgets_.meoDos;
    QTextCursor cursor = pane.textCursor();
    if (cursor.hasSelection()) {
        return; // kept for copying
    }
    // Just before the text's last character: the end of the line the output is written on.
    const int textLength = pane.document()->characterCount() - 1;
    cursor.setPosition(std::max(0, textLength - 1));
    pane.setTextCursor(cursor);
}

void TerminalWindow::PopupMenu3Popup()
{
    Copy1_->setEnabled(widgets_.meoDos->textCursor().hasSelection());
    const QClipboard* clipboard = QGuiApplication::clipboard();
    Pasteto7740P1_->setEnabled(session_->IsOn() && clipboard != nullptr &&
                               !clipboard->text().isEmpty());
    SelectAll1_->setEnabled(true);
    Font1_->setEnabled(true);
}

void TerminalWindow::Copy1Click()
{
    const QString text = SelectedPlainText(*widgets_.meoDos);
    if (const auto refusal = CopyRefusal(text)) {
        Prompts().error(widgets_.dialogParent, *refusal);
        return;
    }
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->setText(text);
    }
}

void TerminalWindow::Pasteto7740P1Click()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr || !session_->IsOn()) {
        return;
    }
    session_->Paste(PlanPaste(clipboard->text()), pasteWait_);
}

void TerminalWindow::SelectAll1Click()
{
    widgets_.meoDos->selectAll();
}

void TerminalWindow::Font1Click()
{
    QPlainTextEdit& pane = *widgets_.meoDos;
    if (const auto font = chooseFont_(pane.font())) {
        pane.setFont(*font);
    }
    pane.setFocus(Qt::OtherFocusReason);
    pane.moveCursor(QTextCursor::End);
}

void TerminalWindow::ShutdownThreads()
{
    session_->StopThreads();
}

void TerminalWindow::ShutdownQueue()
{
    session_->ReleaseQueue();
}

void TerminalWindow::ShutdownPort()
{
    session_->ClosePort();
    cursor_->Stop();
    lease_.release();
}

void TerminalWindow::WaitHandlingEvents(std::chrono::milliseconds duration)
{
    if (duration.count() <= 0) {
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(duration);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

bool TerminalWindow::eventFilter(QObject* watched, QEvent* event)
{
    QPlainTextEdit& pane = *widgets_.meoDos;
    if (watched == &pane) {
        if (event->type() == QEvent::ShortcutOverride) {
            // While on, Ctrl+letter is a control character for the controller, not a shortcut.
            if (takesKey(static_cast<const QKeyEvent&>(*event))) {
                event->accept();
                return true;
            }
        } else if (event->type() == QEvent::KeyPress) {
            return handlePaneKey(static_cast<const QKeyEvent&>(*event));
        }
    } else if (watched == pane.viewport() && event->type() == QEvent::MouseButtonRelease) {
        // The pane finishes its own click handling first (it may move the caret to the click).
        QMetaObject::invokeMethod(this, &TerminalWindow::meoDosMouseUp, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

bool TerminalWindow::handlePaneKey(const QKeyEvent& event)
{
    if (!session_->IsOn()) {
        return false; // the read-only pane handles it (selection, scrolling, copy)
    }
    if (meoDosKeyDown(event.key())) {
        return true;
    }
    const auto byte = KeystrokeByte(event.key(), event.modifiers(), event.text());
    return byte && meoDosKeyPress(*byte);
}

bool TerminalWindow::takesKey(const QKeyEvent& event) const
{
    return session_->IsOn() && (SpecialKeyBytes(event.key()).has_value() ||
                                KeystrokeByte(event.key(), event.modifiers(), event.text()));
}

void TerminalWindow::lineLost(const QString& portName)
{
    // The session has switched itself off already.
    if (!reconnectOn_) {
        showState(false);
        Prompts().error(widgets_.dialogParent, TerminalSession::LineLostText(portName));
        return;
    }
    // The lease is kept: nothing else may take the port the terminal waits for.
    cursor_->Stop();
    announce(TerminalSession::LineLostText(portName) +
             QStringLiteral(" Waiting for it to come back..."));
    reconnect_->waitFor(lineDevice_ ? *lineDevice_
                                    : ReturningDevice(portName.toStdString(), std::string()));
}

bool TerminalWindow::WaitingForLine() const
{
    return reconnect_->waiting();
}

bool TerminalWindow::reopenLine(const std::string& where)
{
    if (!session_->SwitchOn(where)) {
        return false;
    }
    // Before the controller's answer to the carriage return SwitchOn sent: that is written
    // from the event loop, after this.
    announce(QStringLiteral("Reconnected to ") + linePortName_ + QStringLiteral("."));
    cursor_->Start();
    return true;
}

void TerminalWindow::announce(const QString& text)
{
    if (screen_->LineCount() == 0 || screen_->LastLine().isEmpty()) {
        screen_->SetLastLine(text);
    } else {
        screen_->AppendLine(text);
    }
    // The controller's output goes on below, on a line of its own.
    screen_->AppendLine(QString());
}

void TerminalWindow::showState(bool on)
{
    widgets_.tbtnDOSCmd->setChecked(on);
    if (!on) {
        cursor_->Stop();
        lease_.release();
        widgets_.meoDos->setPalette(logPalette_);
        return;
    }
    cursor_->Start();
    QPalette palette = logPalette_;
    palette.setColor(QPalette::Base, Qt::black);
    palette.setColor(QPalette::Text, QColor(kSilver));
    widgets_.meoDos->setPalette(palette);
}

} // namespace kora
