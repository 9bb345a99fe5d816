#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "link/UniqueFd.h"

namespace kora {

// The console log the user asked for: what the terminal pane shows, appended to a file of the
// user's choosing, one line at a time with a time stamp ("2026-12-08 09:41:07.215  D:\>dir"),
// or instead the raw bytes received from the port exactly as they came. Every line or chunk is
// one write(2) to a descriptor opened with O_APPEND, so nothing waits in a buffer of ours:
// a crash loses nothing that was shown. Safe to call from any thread.
class ConsoleLogFile {
public:
    enum class Mode { Lines, RawReceived };

    // Null with the system's reason in error when the file cannot be opened for appending.
    static std::unique_ptr<ConsoleLogFile> Open(const std::string& path, Mode mode,
                                                std::string* error);

    Mode mode() const { return mode_; }
    const std::string& path() const { return path_; }

    // A line the pane shows (Lines mode; ignored in raw mode).
    void line(const std::string& text);
    // Bytes as the port received them (RawReceived mode; ignored otherwise).
    void received(const std::uint8_t* bytes, std::size_t count);
    // Bytes of a stream shown as it comes (the command-line terminal): cut into lines at LF,
    // CRs dropped, each line logged when it ends (Lines mode); raw mode keeps them as they are.
    void receivedStream(const std::uint8_t* bytes, std::size_t count);
    // Logs a line of the stream that has not ended yet (at the end of a session).
    void finishStream();

    // The process's console log, which whatever shows console text reports to (the pane, the
    // command-line tool) and every SerialPort hands its received bytes to; null for none. The
    // caller keeps the log alive while it is set.
    static void SetActive(ConsoleLogFile* log);
    static void TapReceived(const std::uint8_t* bytes, std::size_t count);
    static void LogShownLine(const std::string& text);
    static void LogShownStream(const std::uint8_t* bytes, std::size_t count);
    static void FinishShownStream();

private:
    ConsoleLogFile(UniqueFd fd, std::string path, Mode mode);
    void writeAll(const std::string& bytes);

    std::mutex mutex_;
    UniqueFd fd_;
    std::string path_;
    Mode mode_;
    std::string pendingLine_;
};

// The user state (QTextBlock) of a pane line that was logged as it was shown, so that the
// terminal, which logs a line when it finishes it, does not log it again.
inline constexpr int kPaneLineLogged = 0x4c6f67;

// The time stamp in front of each logged line: local time "YYYY-MM-DD hh:mm:ss.mmm".
std::string ConsoleLogTimeStamp();

} // namespace kora
