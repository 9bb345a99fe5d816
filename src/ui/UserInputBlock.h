#pragma once

#include <QObject>

namespace kora {

// Throws away user input for as long as it lives: keys, mouse clicks, the wheel, context-menu
// requests and drops, to every widget. A blocking operation that lets the window repaint
// through a nested event loop excludes user input there, but Qt only defers such input: it would
// be replayed once the operation ends, so a click on Up made during a long listing would run
// another listing afterwards. The hourglass means that nothing the user does meanwhile counts,
// so on destruction the input that arrived meanwhile is taken from the queue and dropped.
//
// GUI thread only.
class UserInputBlock final : public QObject {
public:
    UserInputBlock();
    ~UserInputBlock() override;
    UserInputBlock(const UserInputBlock&) = delete;
    UserInputBlock& operator=(const UserInputBlock&) = delete;

    static bool IsUserInput(const QEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace kora
