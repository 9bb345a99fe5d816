#include "terminal/KoraComReceiver.h"

#include "link/SerialPort.h"
#include "terminal/ByteQueue.h"

namespace kora {

KoraComReceiver::KoraComReceiver(bool createPaused)
{
    if (!createPaused) {
        Resume();
    }
}

KoraComReceiver::~KoraComReceiver()
{
    TerminateAndWait();
}

void KoraComReceiver::Execute()
{
    const std::function<void()> readOneByte = [this] { ReadOneByte(); };
    int received = 0;
    RxOk = false;
    while (Checkpoint()) {
        if (!RunOnGui(readOneByte)) {
            continue; // terminating
        }
        if (!RxOk) {
            SleepFor(kNothingReadSleep);
            continue;
        }
        if (Queue != nullptr) {
            Queue->Push(RxByte);
        }
        if (received > kBurstBytes) {
            received = 0;
            SleepFor(kBurstSleep);
        } else {
            ++received;
        }
    }
}

void KoraComReceiver::ReadOneByte()
{
    // A pause comes before the port is closed, so a paused thread's call never gets here; the
    // check covers a port that failed to reopen after a line error.
    RxOk = Port != nullptr && Port->isOpen() && Port->Read(1, &RxByte);
}

} // namespace kora
