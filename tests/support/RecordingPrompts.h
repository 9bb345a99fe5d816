#pragma once

#include <QString>
#include <QStringList>

#include <deque>

#include "ui/UserPrompts.h"

namespace kora::test {

// Answers confirmations from a script (No once the script is used up) and records every box.
class RecordingPrompts final : public UserPrompts {
public:
    void error(QWidget*, const QString& text) override { boxes << "error: " + text; }
    void warning(QWidget*, const QString& text) override { boxes << "warning: " + text; }
    void information(QWidget*, const QString& text) override { boxes << "info: " + text; }
    bool confirm(QWidget*, const QString& text) override
    {
        boxes << "confirm: " + text;
        if (answers.empty()) {
            return false;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void beep() override { ++beeps; }

    std::deque<bool> answers;
    QStringList boxes;
    int beeps = 0;
};

} // namespace kora::test
