#pragma once

#include "terminal/PastePlan.h"

#include <QString>

class QObject;

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kora {

class ByteQueue;
class KoraComReceiver;
class KoraPrinterThread;
class SerialPort;
class TerminalScreen;

// The terminal's long-lived parts and what switching it on and off, typing and pasting do to
// them; the window adds colours, focus, the enabled state of its controls and the error box.
// Owns the queue, the two threads (created paused, living until destruction) and the port
// while the terminal is on. Everything here runs on the GUI thread.
//
// Terminal writes keep the port's unread input: controller output not yet taken by the receive
// thread must survive the user's typing.
//
// A line that hangs up while the terminal is on (a pulled USB adapter, a controller switched
// off), whether a read or a write finds out, switches the terminal off by itself; then the
// line-lost handler is told, from the event loop rather than from inside the read or write.
class TerminalSession {
public:
    // Time-out of the terminal port, per byte and in total.
    static constexpr std::uint32_t kPortTimeoutMs = 10;

    using Wait = std::function<void(std::chrono::milliseconds)>;
    // Plain sleep on the GUI thread.
    static void SleepWait(std::chrono::milliseconds duration);

    // The pane must outlive the session.
    explicit TerminalSession(TerminalScreen& pane);
    // The shutdown steps in their order (see below).
    ~TerminalSession();
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;

    bool IsOn() const { return TerminalPort != nullptr; }

    // Called after a hang-up of the line has switched the terminal off, with the name of the
    // port that was lost. The pane is the session's; the window adds the message.
    using LineLostHandler = std::function<void(const std::string& portName)>;
    void SetLineLostHandler(LineLostHandler handler) { lineLost_ = std::move(handler); }

    // Opens portName at 57600 8N1 with 10 ms time-outs, starts both threads and sends one
    // carriage return so the controller answers with a fresh prompt. False, with everything as
    // before, when the port cannot be opened.
    bool SwitchOn(const std::string& portName);
    // Work done on the freshly opened port before the threads run, in place of the carriage
    // return (typing a program's line, say); false when it failed.
    using StartAction = std::function<bool(SerialPort& port)>;
    // The same with start first: its line end and time-outs are put back afterwards, and no
    // carriage return follows. When start fails the port is closed again, the terminal stays
    // off and StartFailed() is true.
    bool SwitchOn(const std::string& portName, const StartAction& start);
    bool StartFailed() const { return startFailed_; }
    // Pauses the printer, then the receiver, repaints the pane if a flood had suspended it,
    // and closes the port. The threads, the queue and the pane keep their state.
    void SwitchOff();

    // A typed character. False while the terminal is off (the pane handles the key itself);
    // otherwise the key is taken, and its byte is sent with both threads paused around it
    // unless a keystroke is already being sent, in which case it is dropped.
    bool TypeCharacter(std::uint8_t byte, const Wait& wait = SleepWait);
    // A cursor key or F1 to F4: its three bytes in one write. True when the key was taken.
    bool SendSpecialKey(int qtKey);
    // A key pressed in the pane: a cursor key or F1 to F4 goes as its sequence, a key with a
    // character as that byte. True when the terminal took the key; false leaves it to the pane
    // (terminal off, or a key such as Page Up that sends nothing).
    bool HandleKey(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text,
                   const Wait& wait = SleepWait);
    // Sends the steps of a paste (see PlanPaste), pausing the threads around each byte.
    void Paste(const std::vector<PasteStep>& steps, const Wait& wait = SleepWait);

    // "Unable to open " + port + " !"
    static QString OpenFailureText(const QString& portName);
    // "Lost the connection to " + port + "."
    static QString LineLostText(const QString& portName);
    // After a failed SwitchOn: a hint for the user such as the group that owns the device, or
    // the empty text.
    const std::string& OpenFailureHint() const { return openFailureHint_; }

    // 1 when a keystroke may be sent, 0 while one is being sent.
    std::uint8_t KeyInputState() const { return KeyInputFree; }

    // Shutdown, in this order. The printer, then the receiver: a running thread is asked to
    // end and waited for, a paused one ends without another step; then each is deleted.
    void StopThreads();
    // The queue, once no thread uses it.
    void ReleaseQueue();
    // Closes and deletes the port if the terminal is on. After these steps the session only
    // answers IsOn() (false) and is destroyed.
    void ClosePort();

    ByteQueue& Queue() { return *TerminalQueue; }
    KoraComReceiver& Receiver() { return *ComReceiver; }
    KoraPrinterThread& Printer() { return *PrinterThread; }
    SerialPort* Port() { return TerminalPort.get(); }

private:
    void PauseThreads();
    // Only while on: the line may have been lost (and the terminal switched off) meanwhile.
    void ResumeThreads();
    bool Write(const std::uint8_t* bytes, std::size_t count);
    // A read or write found the line gone: switch off once, from the event loop.
    void NoticeLineLost();
    void HandleLineLost(std::uint64_t session);

    // Declaration order is the reverse of the shutdown order.
    std::unique_ptr<SerialPort> TerminalPort;
    std::unique_ptr<ByteQueue> TerminalQueue;
    std::unique_ptr<KoraComReceiver> ComReceiver;
    std::unique_ptr<KoraPrinterThread> PrinterThread;
    // 1 when a keystroke may be sent, 0 while one is being sent.
    std::uint8_t KeyInputFree = 1;
    std::string openFailureHint_;
    bool startFailed_ = false;
    LineLostHandler lineLost_;
    // Counts the times the terminal was switched on, so a hang-up noticed in one of them never
    // switches off a later one.
    std::uint64_t session_ = 0;
    std::uint64_t lineLostNoticedIn_ = 0;
    // Context of the deferred switch-off; a call still queued dies with the session.
    std::unique_ptr<QObject> deferred_;
};

} // namespace kora
