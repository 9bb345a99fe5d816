#pragma once

#include <QString>
#include <QStringList>

namespace kora {

// The terminal pane as the output thread sees it: a list of text lines whose last line is the
// one being written. Everything here runs on the thread that owns the pane.
class TerminalScreen {
public:
    virtual ~TerminalScreen() = default;

    // 0 for an empty pane.
    virtual int LineCount() const = 0;
    // The empty text when the pane is empty.
    virtual QString LastLine() const = 0;
    // Replaces the last line; on an empty pane this creates the first line.
    virtual void SetLastLine(const QString& text) = 0;
    // Adds a line after the last one.
    virtual void AppendLine(const QString& text) = 0;
    // Clears the pane and fills it with these lines.
    virtual void ReplaceLines(const QStringList& lines) = 0;
    // Stops repainting during a flood of output.
    virtual void SuspendRepaint() = 0;
    // Repaints again, at once.
    virtual void ResumeRepaint() = 0;
    // The bell: a short tone, nothing written.
    virtual void Bell() = 0;
};

} // namespace kora
