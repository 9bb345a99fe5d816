#pragma once

#include "terminal/TeletypePrinter.h"
#include "terminal/TerminalThread.h"

namespace kora {

class ByteQueue;
class TerminalScreen;

// The terminal's output thread: takes bytes from the queue and writes them into the pane by the
// teletype rules of TeletypePrinter. Every pane operation is a synchronised call onto the GUI
// thread.
class KoraPrinterThread final : public TerminalThread, private PrinterHost {
public:
    explicit KoraPrinterThread(bool createPaused);
    ~KoraPrinterThread() override;

    // Both set at start-up, while paused; not owned. The pane is touched only on the GUI thread.
    void SetQueue(ByteQueue* queue) { Queue = queue; }
    void SetMemo(TerminalScreen* memo) { Memo = memo; }

    // Repaints the pane at once if a flood had suspended it. For the GUI thread, with the thread
    // paused (switching the terminal off) or ended.
    void ResumeRepainting();

    // The printer's rules and limits (MaxLines, BatchBeginLines, BatchEndLines); change them
    // only while paused.
    TeletypePrinter& Printer() { return printer_; }

protected:
    void Execute() override;

private:
    bool WithPane(const std::function<void(TerminalScreen&)>& op) override;
    void Sleep(std::chrono::milliseconds duration) override;

    ByteQueue* Queue = nullptr;
    TerminalScreen* Memo = nullptr;
    TeletypePrinter printer_{*this};
};

} // namespace kora
