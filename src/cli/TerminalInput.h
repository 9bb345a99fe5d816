#pragma once

#include <QStringDecoder>

#include <string>
#include <string_view>
#include <vector>

namespace kora::cli {

// Turns what a user's terminal sends for the keys pressed into what the window's terminal pane
// sends the controller for the same keys (terminal/TerminalKeys): cursor keys and F1 to F4 as
// their VT100 sequences whatever form the terminal uses (normal or application cursor mode,
// xterm, VT220 or Linux console function keys), Backspace as 8 where terminals send 127,
// Enter 13, Ctrl+letter 1 to 26, text as Latin-1 bytes with "?" for a character outside it.
// Keys the pane sends nothing for (Page Up, Home, Alt combinations, other sequences) are
// dropped. Ctrl-] is not sent: it ends the session.
class TerminalInput {
public:
    // The user's key that ends the session.
    static constexpr char kLeaveKey = 0x1D; // Ctrl-]

    TerminalInput();

    // Decodes a chunk of the user's input. Returns the keys completed, each as the bytes it
    // sends; nothing after the leave key is decoded.
    std::vector<std::string> feed(std::string_view bytes);
    // An Escape with nothing after it yet, which may still open a sequence.
    bool escapePending() const { return state_ == State::Escape; }
    // No more of a sequence came: a pending Escape is the Escape key; a cut-off sequence is
    // dropped.
    std::vector<std::string> flush();

    bool leaveRequested() const { return leave_; }

private:
    enum class State { Text, Escape, Csi, Ss3, LinuxFunction };

    void text(char byte, std::vector<std::string>& keys);
    void csiFinal(char final, std::vector<std::string>& keys);
    void specialKey(int qtKey, std::vector<std::string>& keys);

    State state_ = State::Text;
    std::string parameters_;
    QStringDecoder decoder_;
    bool leave_ = false;
};

} // namespace kora::cli
