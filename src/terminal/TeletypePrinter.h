#pragma once

#include "terminal/TerminalScreen.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace kora {

// What the printer's rules need from the thread that runs them.
class PrinterHost {
public:
    virtual ~PrinterHost() = default;
    // Runs op against the pane on the pane's own thread and waits for it. False when it did not
    // run because the printer is stopping.
    virtual bool WithPane(const std::function<void(TerminalScreen&)>& op) = 0;
    // Sleeps on the printer's thread (returns early when the printer is stopping).
    virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

// The output thread's teletype: turns the controller's bytes into pane lines. Line feed ends a
// line, carriage return rewinds it (a following byte other than CR or LF blanks the line),
// backspace removes a character, the bell sounds, everything else is shown. Text is held back
// per line and written when the line ends, when 80 characters have piled up, or after five
// empty polls; long floods suspend repainting. The pane is trimmed back to its newer half when
// it passes 512 lines.
//
// Turn() runs on the printer's thread; the pane operations (NewLine and the others) run inside
// WithPane, on the pane's thread, while the printer waits, so the fields they share need no
// lock. ResumeRepaintNow is for the pane's thread while the printer is paused.
class TeletypePrinter {
public:
    static constexpr int kPendingLimit = 80;
    static constexpr int kIdlePollsBeforeWrite = 5;
    static constexpr std::chrono::milliseconds kIdlePollSleep{5};
    static constexpr std::chrono::milliseconds kEmptyQueueSleep{50};
    static constexpr std::chrono::milliseconds kAfterRepaintSleep{20};
    static constexpr std::chrono::milliseconds kBellLength{100};

    explicit TeletypePrinter(PrinterHost& host);
    TeletypePrinter(const TeletypePrinter&) = delete;
    TeletypePrinter& operator=(const TeletypePrinter&) = delete;

    // One turn of the output loop, with the byte the queue gave or nothing when it was empty.
    void Turn(std::optional<std::uint8_t> byte);

    // Ends a suspended repaint at once, for switching the terminal off in the middle of a flood
    // (the pane also shows the device operations' log while the terminal is off). Only while
    // Turn() is not running: the printer then starts a new batch if the flood goes on.
    void ResumeRepaintNow(TerminalScreen& screen);
    bool RepaintSuspended() const { return repaintSuspended_; }

    // Pane size at which the pane is trimmed; half of it starts the history.
    int MaxLines = 512;
    // More lines than this in one burst suspend repainting.
    int BatchBeginLines = 24;
    // More lines than this force a repaint.
    int BatchEndLines = 72;

private:
    // Pane operations, run on the pane's thread.
    void NewLine(TerminalScreen& screen);
    void AppendPending(TerminalScreen& screen);
    void ClearLastLine(TerminalScreen& screen);
    void EraseLastChar(TerminalScreen& screen);
    void BeginBatch(TerminalScreen& screen);
    void EndBatch(TerminalScreen& screen);

    void OnPane(void (TeletypePrinter::*operation)(TerminalScreen&));
    void TakeByte(std::uint8_t byte);
    void TakeEmptyPoll();
    void CheckBatching();
    void ClearPending();
    QString PendingText() const;

    PrinterHost& host_;

    // Characters of the current line not yet written; zero-terminated, at most 80 held.
    std::array<char, 128> Pending{};
    int Column = 0;
    // Lines written since the queue was last found empty.
    int LineCount = 0;
    // Completed lines kept for trimming the pane.
    QStringList History;

    int pendingCR_ = 0;
    int idlePolls_ = 0;
    bool batching_ = false;
    // Whether the pane's repainting is suspended right now; only touched on the pane's thread.
    bool repaintSuspended_ = false;
};

} // namespace kora
