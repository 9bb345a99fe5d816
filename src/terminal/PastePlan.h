#pragma once

#include <QString>

#include <chrono>
#include <cstdint>
#include <vector>

namespace kora {

// One byte of a paste and the pauses around it. Each byte is written with the terminal threads
// paused; the controller gets at least 10 ms per character to echo and process it.
struct PasteStep {
    std::uint8_t byte = 0;
    // Before pausing the threads: a line break gives the controller time to finish the line.
    std::chrono::milliseconds before{0};
    // With the threads paused, before and after the write.
    std::chrono::milliseconds afterPause{1};
    std::chrono::milliseconds afterWrite{1};
    // After resuming the threads.
    std::chrono::milliseconds after{10};
};

// The most characters of clipboard text that are pasted; the rest is dropped silently.
inline constexpr int kPasteLimit = 1023;

// The steps that paste text: its first 1023 characters, each CR LF sent as one carriage
// return (like Enter), a lone LF as LF.
std::vector<PasteStep> PlanPaste(const QString& clipboardText);

} // namespace kora
