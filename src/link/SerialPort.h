#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include <optional>

#include <termios.h>

#include "link/UniqueFd.h"
#include "link/UucpLock.h"

namespace kora {

// Whether a write first throws away input the line has delivered but nobody has read yet.
// Device operations rely on the purge for their echo check; the interactive terminal must
// not lose controller output when the user types, so it writes with Keep.
enum class InputPurge { Discard, Keep };

// Why the last Open failed, in the terms the port scan and the messages care about.
enum class OpenFailure {
    None,         // the last Open succeeded (or none was tried)
    InUse,        // another program holds the port (flock, TIOCEXCL or a live UUCP lock)
    AccessDenied, // the device exists but permissions refuse it
    NoPort,       // nothing usable behind the name
};

// The parity and stop bits SetCommParams accepts. One and a half stop bits have no termios form.
enum class Parity : std::uint8_t { None, Odd, Even };
enum class StopBits : std::uint8_t { One, Two };

// Why the last Read, ReadLine or Write failed, for a caller that must tell a quiet line from
// one that is gone (the terminal switches itself off when the line hangs up).
enum class IoFailure {
    None,         // the last call succeeded
    TimedOut,     // the line stayed quiet (read) or did not take the bytes (write) in time
    HungUp,       // the other end went away: a pulled USB adapter, a closed pseudo-terminal
    IoError,      // another error the system reported
    NotOpen,      // the port was not open: never opened, closed, or lost at an earlier hang-up
    LimitReached, // ReadLine took limit bytes without a line end
};

// How WaitForInput ended.
enum class InputWait {
    Ready,    // a read now returns at once: a byte is there, or the line failed
    Woken,    // the wake descriptor became readable first
    TimedOut, // the line stayed quiet for the whole wait
};

// What may end a line read before its time-out: the text read so far on the line is complete by
// the caller's rule (a console prompt), and then the line stays quiet for the gap.
struct QuietLineEnd {
    std::function<bool(const std::string& text)> complete;
    std::chrono::milliseconds gap{0};
};

// One serial port, opened exclusively (flock, TIOCEXCL and a UUCP lock file; see UucpLock.h
// for the lock folder, which $KORA_LOCK_DIR overrides), 57600 8N1 raw, with the controller's
// time-out rule: a read of n bytes ends when T ms pass between two bytes (armed after the first
// byte) or T*n+T ms pass in total; a write of n bytes must complete within T*n+T ms.
//
// Every call blocks for at most the time-out set with SetTimeouts and returns success as a
// boolean; nothing here shows a message. One object is used by one thread at a time.
//
// An I/O error other than a time-out (hang-up, EIO, POLLERR) closes the descriptor and opens
// the port again, and the call reports failure: a pseudo-terminal whose other side went
// away behaves like an unplugged USB adapter and must never be taken for a time-out.
// lastIoFailure() tells which it was.
//
// A port is left as it was found: the terminal settings read at Open are put back at Close, so
// a probe (the start-up scan opens every free port) or an operation changes nothing on it.
class SerialPort {
public:
    // Takes a port name as the user sees it: "COM3" (resolved through the ports folder) or a
    // device path such as "/dev/ttyUSB0". Does not touch the device.
    explicit SerialPort(std::string portName);
    // Closes the port if it is still open, so no path leaks the descriptor or the lock file.
    ~SerialPort();

    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    [[nodiscard]] bool Open();
    // Puts back the settings found at Open, then closes. True when there was nothing to close
    // or closing succeeded.
    bool Close();
    // False for a value the line cannot take (baud rates 1200 to 230400, 5 to 8 data bits).
    [[nodiscard]] bool SetCommParams(std::uint32_t baudRate, std::uint8_t dataBits, Parity parity,
                                     StopBits stopBits);
    bool SetTimeouts(std::uint32_t milliseconds);
    std::uint32_t GetTimeout() const { return timeoutMs_; }

    // Writes all bytes within T*n+T ms. Discards unread input first unless told to keep it.
    [[nodiscard]] bool Write(std::size_t count, const std::uint8_t* bytes,
                             InputPurge purge = InputPurge::Discard);
    [[nodiscard]] bool Write(const std::string& bytes, InputPurge purge = InputPurge::Discard);
    // True when exactly count bytes arrived under the time-out rule.
    [[nodiscard]] bool Read(std::size_t count, std::uint8_t* buffer);
    // Reads single bytes until LineEnd arrives (true). At most limit-1 bytes are appended; the
    // limit-th byte is consumed and dropped (false). A zero byte counts toward the limit but is
    // not appended, as with a zero-terminated buffer. On a time-out or error the bytes that did
    // arrive stay in text (the console prompt has no line end and is found that way), which is
    // why a caller may rightly look at the text and not at the result.
    bool ReadLine(std::uint32_t limit, std::string& text);
    // The same, also ending when quietEnd.complete(text) holds and no further byte arrives
    // within quietEnd.gap; that end counts as a time-out (false, TimedOut), the text kept.
    bool ReadLine(std::uint32_t limit, std::string& text, const QuietLineEnd& quietEnd);
    // One byte within the given wait instead of 2 × T.
    [[nodiscard]] bool ReadByteWithin(std::uint8_t& byte, std::chrono::milliseconds wait);
    // Waits until a Read would return at once (a byte has arrived, or the line failed or is not
    // open), until wakeFd becomes readable, or for the whole wait; takes nothing from either.
    // Lets a thread wait for input in a way another thread can cut short.
    InputWait WaitForInput(std::chrono::milliseconds wait, int wakeFd);
    // Why the last Read, ReadLine or Write failed; None after one that succeeded.
    IoFailure lastIoFailure() const { return lastIoFailure_; }

    bool isOpen() const { return static_cast<bool>(fd_); }
    const std::string& portName() const { return portName_; }
    // The device path the name resolved to at the last Open.
    const std::string& devicePath() const { return devicePath_; }
    OpenFailure lastOpenFailure() const { return lastOpenFailure_; }
    // errno of the last failed Open, 0 when it succeeded.
    int lastOpenErrno() const { return lastOpenErrno_; }
    // A hint for the user about the last failed Open, such as the group that owns the device
    // when permissions refused it; empty when there is nothing useful to add.
    std::string openFailureHint() const;

    // The byte that ends a line for ReadLine: CR at construction, LF for most operations.
    std::uint8_t LineEnd = 13;

private:
    bool openDevice();
    bool closeDevice();
    // Closes and opens the port again after a line error; the line settings made since Open
    // are made again, so a line that comes back keeps its speed.
    bool reopenAfterError();
    bool applyRawMode();
    // The serial driver's low-latency flag: set at open where the driver takes it, and put
    // back as it was at close.
    void askForLowLatency();
    void restoreLatency();
    bool applySettings(const termios& settings);
    void restoreFoundSettings();
    bool failOpen(int error, OpenFailure failure);
    // Records why a call failed; a line error also closes and reopens the port.
    bool fail(IoFailure failure);
    // Reads up to count bytes under the interval/total rule; returns how many arrived.
    // Sets failure when the line failed or was quiet for too long.
    // A total wait, when given, replaces T*n+T.
    std::size_t readWithTimeouts(std::size_t count, std::uint8_t* buffer, IoFailure& failure,
                                 std::optional<std::chrono::milliseconds> totalWait = {});
    bool readLine(std::uint32_t limit, std::string& text, const QuietLineEnd* quietEnd);

    std::string portName_;
    std::string devicePath_;
    UniqueFd fd_;
    UucpLock lock_;                     // the UUCP layer of the exclusive open
    bool exclusiveSet_ = false;         // TIOCEXCL is ours to clear before closing
    std::optional<termios> found_;      // the settings at Open, put back at Close
    std::optional<termios> configured_; // the settings SetCommParams made, kept over a reopen
    std::optional<int> flagsBeforeLowLatency_; // set when we turned the flag on
    std::uint32_t timeoutMs_ = 0;
    OpenFailure lastOpenFailure_ = OpenFailure::None;
    int lastOpenErrno_ = 0;
    IoFailure lastIoFailure_ = IoFailure::None;
};

} // namespace kora
