#pragma once

#include "terminal/TerminalThread.h"

#include <chrono>
#include <cstdint>
#include <functional>

namespace kora {

class ByteQueue;
class SerialPort;

// The terminal's receive thread: takes the controller's output from the terminal port one
// byte at a time and pushes it into the queue. The reads themselves run on the GUI thread as
// synchronised calls, so the port is only ever touched there and reads never overlap the
// terminal's writes.
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
    // stops); not owned. Read only on the GUI thread.
    void SetPort(SerialPort* port) { Port = port; }
    // Called on the GUI thread, from inside the synchronised read, when a read finds the line
    // hung up or the port closed after one (a pulled USB adapter). Set while paused.
    void SetLineLostHook(std::function<void()> hook) { LineLost = std::move(hook); }

protected:
    void Execute() override;

private:
    // Synchronised: one byte from Port into RxByte, RxOk telling whether it came.
    void ReadOneByte();

    std::uint8_t RxByte = 0;
    bool RxOk = false;
    SerialPort* Port = nullptr;
    ByteQueue* Queue = nullptr;
    std::function<void()> LineLost;
};

} // namespace kora
