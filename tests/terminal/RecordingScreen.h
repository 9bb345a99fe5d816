#pragma once

#include "terminal/TerminalScreen.h"

#include <string>
#include <vector>

namespace kora::test {

// A pane that keeps its lines in a list and notes repaint changes and bells, so the printer's
// effect can be checked line by line.
class RecordingScreen : public TerminalScreen {
public:
    int LineCount() const override { return static_cast<int>(lines.size()); }
    QString LastLine() const override { return lines.isEmpty() ? QString() : lines.last(); }
    void SetLastLine(const QString& text) override
    {
        if (lines.isEmpty()) {
            lines.append(text);
        } else {
            lines.last() = text;
        }
    }
    void AppendLine(const QString& text) override { lines.append(text); }
    void ReplaceLines(const QStringList& replacement) override { lines = replacement; }
    void SuspendRepaint() override
    {
        suspended = true;
        events.push_back("suspend@" + std::to_string(lines.size()));
    }
    void ResumeRepaint() override
    {
        suspended = false;
        events.push_back("resume@" + std::to_string(lines.size()));
    }
    void Bell() override { ++bells; }

    QStringList lines;
    bool suspended = false;
    int bells = 0;
    std::vector<std::string> events;
};

} // namespace kora::test
