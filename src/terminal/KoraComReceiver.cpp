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
    const std::function<void()> reportLineLost = [this] { ReportLineLost(); };
    int received = 0;
    RxOk = false;
    while (Checkpoint()) {
        const ReadOutcome outcome = ReadOneByte();
        if (outcome == ReadOutcome::Interrupted) {
            continue; // paused or terminating: the checkpoint parks or ends
        }
        if (!RxOk) {
            const IoFailure failure = Port != nullptr ? Port->lastIoFailure() : IoFailure::None;
            if (failure == IoFailure::HungUp || failure == IoFailure::NotOpen) {
                RunOnGui(reportLineLost);
            }
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

KoraComReceiver::ReadOutcome KoraComReceiver::ReadOneByte()
{
    RxOk = false;
    if (Port == nullptr) {
        return ReadOutcome::Nothing;
    }
    // The wait a one-byte Read makes (T + T), here cut short by a pause, so that a keystroke
    // never waits for a quiet line.
    const std::chrono::milliseconds wait(2 * Port->GetTimeout());
    switch (Port->WaitForInput(wait, WakeHandle())) {
    case InputWait::Woken:
        ClearWake();
        return ReadOutcome::Interrupted;
    case InputWait::TimedOut:
        return ReadOutcome::Nothing;
    case InputWait::Ready:
        break;
    }
    RxOk = Port->Read(1, &RxByte);
    return RxOk ? ReadOutcome::Byte : ReadOutcome::Nothing;
}

void KoraComReceiver::ReportLineLost()
{
    // Runs when the GUI thread gets to it, which may be after the terminal was switched off
    // (Port is null then) or on again on a new port that is fine.
    if (Port == nullptr || !LineLost) {
        return;
    }
    const IoFailure failure = Port->lastIoFailure();
    if (failure == IoFailure::HungUp || failure == IoFailure::NotOpen) {
        LineLost();
    }
}

} // namespace kora
