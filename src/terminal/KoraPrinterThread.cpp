#include "terminal/KoraPrinterThread.h"

#include "terminal/ByteQueue.h"
#include "terminal/TerminalScreen.h"

#include <optional>

namespace kora {

KoraPrinterThread::KoraPrinterThread(bool createPaused)
{
    if (!createPaused) {
        Resume();
    }
}

KoraPrinterThread::~KoraPrinterThread()
{
    TerminateAndWait();
    // The loop's last duty, done here because a thread that is stopping makes no more calls:
    // leave the pane repainting.
    ResumeRepainting();
}

void KoraPrinterThread::ResumeRepainting()
{
    if (Memo != nullptr) {
        printer_.ResumeRepaintNow(*Memo);
    }
}

void KoraPrinterThread::Execute()
{
    while (Checkpoint()) {
        std::uint8_t byte = 0;
        const bool taken = Queue != nullptr && Queue->Pop(byte);
        printer_.Turn(taken ? std::optional<std::uint8_t>(byte) : std::nullopt);
    }
}

bool KoraPrinterThread::WithPane(const std::function<void(TerminalScreen&)>& op)
{
    return RunOnGui([this, &op] {
        if (Memo != nullptr) {
            op(*Memo);
        }
    });
}

void KoraPrinterThread::Sleep(std::chrono::milliseconds duration)
{
    SleepFor(duration);
}

} // namespace kora
