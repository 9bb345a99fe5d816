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

// The steps that paste text: its first 1023 characters, each line break sent as one carriage
// return (like Enter): CR LF, and a lone LF too. Text copied on Linux (the pane's own Copy
// included) breaks its lines with LF alone, and the console ends a line on CR only, so an LF
// sent as it is would run the pasted lines together into one command.
std::vector<PasteStep> PlanPaste(const QString& clipboardText);

} // namespace kora
