#pragma once

#include "terminal/TerminalScreen.h"

#include <QMetaObject>

#include <functional>

class QPlainTextEdit;

namespace kora {

// The terminal pane on a QPlainTextEdit: one text block per line, an empty document holding no
// line. Edits go through a cursor of their own, so the user's selection survives incoming
// output; the view follows the output while it is scrolled to the end, also when the pane is
// resized (a smaller pane would otherwise leave the newest lines below the view). The bell is the
// system beep of Prompts().
//
// Turns off the pane's undo history: every write of the terminal would otherwise be kept.
class PlainTextScreen final : public TerminalScreen {
public:
    explicit PlainTextScreen(QPlainTextEdit& pane);
    ~PlainTextScreen() override;
    PlainTextScreen(const PlainTextScreen&) = delete;
    PlainTextScreen& operator=(const PlainTextScreen&) = delete;

    int LineCount() const override;
    QString LastLine() const override;
    void SetLastLine(const QString& text) override;
    void AppendLine(const QString& text) override;
    void ReplaceLines(const QStringList& lines) override;
    void SuspendRepaint() override;
    void ResumeRepaint() override;
    void Bell() override;

private:
    // Runs an edit that starts at editStart, keeping the user's selection and following the
    // output when the view was at the end.
    void Edit(int editStart, const std::function<void()>& edit);
    bool AtEnd() const;
    void FollowIf(bool wasAtEnd);

    QPlainTextEdit& pane_;
    // Whether the view sits at the end of the text; the user leaves it by scrolling up.
    bool following_ = true;
    QMetaObject::Connection valueWatch_;
    QMetaObject::Connection rangeWatch_;
};

} // namespace kora
