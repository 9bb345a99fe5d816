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
    // A pause comes before the port is closed, so a paused thread's call never gets here.
    RxOk = Port != nullptr && Port->Read(1, &RxByte);
    if (RxOk || Port == nullptr) {
        return;
    }
    // A quiet line is no news; a line that hung up (and could not be opened again) is.
    const IoFailure failure = Port->lastIoFailure();
    if ((failure == IoFailure::HungUp || failure == IoFailure::NotOpen) && LineLost) {
        LineLost();
    }
}

} // namespace kora
