#pragma once

#include <string>
#include <vector>

#include "link/ConsoleLog.h"

namespace kora::test {

// The terminal pane as a list of lines: keeps every line the console exchange shows.
class RecordingLog final : public ConsoleLog {
public:
    int lineCount() const override { return static_cast<int>(lines.size()); }
    void clear() override { lines.clear(); }
    void appendLine(const std::string& text) override { lines.push_back(text); }
    // Whether any line holds the text.
    bool contains(const std::string& text) const;

    std::vector<std::string> lines;
};

} // namespace kora::test
