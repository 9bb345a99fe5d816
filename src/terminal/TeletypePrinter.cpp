#include "terminal/TeletypePrinter.h"

namespace kora {

namespace {
constexpr std::uint8_t kBackspace = 8;
constexpr std::uint8_t kBell = 7;
constexpr std::uint8_t kLineFeed = 10;
constexpr std::uint8_t kCarriageReturn = 13;
} // namespace

TeletypePrinter::TeletypePrinter(PrinterHost& host) : host_(host) {}

void TeletypePrinter::Turn(std::optional<std::uint8_t> byte)
{
    if (byte) {
        if (pendingCR_ > 0) {
            if (*byte == kLineFeed) {
                OnPane(&TeletypePrinter::NewLine);
                ClearPending();
                pendingCR_ = 0;
                return;
            }
            if (*byte == kCarriageReturn) {
                return;
            }
            // A bare carriage return: the text that follows overwrites the line.
            OnPane(&TeletypePrinter::ClearLastLine);
            ClearPending();
            pendingCR_ = 0;
        }
        TakeByte(*byte);
    } else {
        if (Column > 0 && idlePolls_ < kIdlePollsBeforeWrite) {
            ++idlePolls_;
            host_.Sleep(kIdlePollSleep);
            return;
        }
        TakeEmptyPoll();
    }
    CheckBatching();
}

void TeletypePrinter::TakeByte(std::uint8_t byte)
{
    switch (byte) {
    case kBackspace:
        if (Column > 0) {
            --Column;
            Pending[Column] = 0;
        } else {
            OnPane(&TeletypePrinter::EraseLastChar);
        }
        break;
    case kLineFeed:
        OnPane(&TeletypePrinter::NewLine);
        ClearPending();
        pendingCR_ = 0;
        break;
    case kCarriageReturn:
        ++pendingCR_;
        break;
    case kBell:
        host_.WithPane([](TerminalScreen& screen) { screen.Bell(); });
        // The tone holds the printer for its length, as a blocking beep would.
        host_.Sleep(kBellLength);
        break;
    default:
        if (Column < kPendingLimit) {
            Pending[Column] = static_cast<char>(byte);
            ++Column;
            Pending[Column] = 0;
        } else {
            // Long lines reach the pane in pieces of 80 on the same pane line.
            OnPane(&TeletypePrinter::AppendPending);
            Pending[0] = static_cast<char>(byte);
            Pending[1] = 0;
            Column = 1;
            ++LineCount;
        }
        break;
    }
}

void TeletypePrinter::TakeEmptyPoll()
{
    if (Column > 0) {
        // The line has waited long enough: show what there is. A carriage return that was
        // waiting for its line feed is forgotten.
        OnPane(&TeletypePrinter::AppendPending);
        ClearPending();
        idlePolls_ = 0;
        pendingCR_ = 0;
    }
    LineCount = 0;
    host_.Sleep(kEmptyQueueSleep);
}

void TeletypePrinter::CheckBatching()
{
    if (!batching_ && LineCount > BatchBeginLines) {
        batching_ = true;
        OnPane(&TeletypePrinter::BeginBatch);
    }
    if (batching_ && (LineCount > BatchEndLines || LineCount == 0)) {
        batching_ = false;
        OnPane(&TeletypePrinter::EndBatch);
        LineCount = BatchBeginLines;
        host_.Sleep(kAfterRepaintSleep);
    }
}

void TeletypePrinter::ResumeRepaintNow(TerminalScreen& screen)
{
    if (!repaintSuspended_) {
        return;
    }
    screen.ResumeRepaint();
    repaintSuspended_ = false;
    batching_ = false;
}

void TeletypePrinter::OnPane(void (TeletypePrinter::*operation)(TerminalScreen&))
{
    host_.WithPane([this, operation](TerminalScreen& screen) { (this->*operation)(screen); });
}

void TeletypePrinter::ClearPending()
{
    Column = 0;
    Pending[0] = 0;
}

QString TeletypePrinter::PendingText() const
{
    // A zero byte ends the pending text early, like the end of a C string.
    return QString::fromLatin1(Pending.data());
}

void TeletypePrinter::NewLine(TerminalScreen& screen)
{
    const QString completed = screen.LastLine() + PendingText();
    screen.SetLastLine(completed);
    screen.AppendLine(QString());
    ++LineCount;

    const int lines = screen.LineCount();
    if (lines > MaxLines / 2) {
        History.append(completed);
    }
    if (lines > MaxLines) {
        screen.ReplaceLines(History);
        History.clear();
        screen.AppendLine(QString());
    }
}

void TeletypePrinter::AppendPending(TerminalScreen& screen)
{
    screen.SetLastLine(screen.LastLine() + PendingText());
}

void TeletypePrinter::ClearLastLine(TerminalScreen& screen)
{
    screen.SetLastLine(QString());
}

void TeletypePrinter::EraseLastChar(TerminalScreen& screen)
{
    QString line = screen.LastLine();
    if (!line.isEmpty()) {
        line.chop(1);
        screen.SetLastLine(line);
    }
}

void TeletypePrinter::BeginBatch(TerminalScreen& screen)
{
    screen.SuspendRepaint();
    repaintSuspended_ = true;
}

void TeletypePrinter::EndBatch(TerminalScreen& screen)
{
    screen.ResumeRepaint();
    repaintSuspended_ = false;
}

} // namespace kora
