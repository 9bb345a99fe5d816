#pragma once

#include "terminal/TerminalThread.h"

#include <chrono>
#include <cstdint>
#include <functional>

namespace kora {

class ByteQueue;
class SerialPort;

// The terminal's receive thread: takes the controller's output from the terminal port one
// byte at a time and pushes it into the queue. It waits for the bytes and reads them on its
// own thread, so a quiet line never holds the GUI thread; the GUI thread writes to the port
// only while this thread is paused (a pause cuts a wait for input short), so reads and writes
// never overlap.
class KoraComReceiver final : public TerminalThread {
public:
    static constexpr std::chrono::milliseconds kNothingReadSleep{50};
    static constexpr std::chrono::milliseconds kBurstSleep{30};
    // The thread rests after every 258th byte, which bounds its share of the GUI thread.
    static constexpr int kBurstBytes = 256;

    explicit KoraComReceiver(bool createPaused);
    ~KoraComReceiver() override;

    // Set at start-up, while paused; not owned.
    void SetQueue(ByteQueue* queue) { Queue = queue; }
    // The open terminal port, set while paused each time the terminal starts (nullptr when it
    // stops); not owned. Used by this thread while it runs, by the GUI thread while it is paused.
    void SetPort(SerialPort* port) { Port = port; }
    // Called on the GUI thread, through a synchronised call, when a read finds the line hung up
    // or the port closed after one (a pulled USB adapter). Set while paused.
    void SetLineLostHook(std::function<void()> hook) { LineLost = std::move(hook); }

protected:
    void Execute() override;

private:
    enum class ReadOutcome { Byte, Nothing, Interrupted };
    // One byte from Port into RxByte, RxOk telling whether it came, waiting as a one-byte Read
    // does; Interrupted when a pause or termination cut the wait short.
    ReadOutcome ReadOneByte();
    // Synchronised: tells LineLost if Port (still the port that failed) is gone.
    void ReportLineLost();

    std::uint8_t RxByte = 0;
    bool RxOk = false;
    SerialPort* Port = nullptr;
    ByteQueue* Queue = nullptr;
    std::function<void()> LineLost;
};

} // namespace kora
