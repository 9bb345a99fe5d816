#include "cli/TerminalInput.h"

#include <Qt>

#include "terminal/TerminalKeys.h"

namespace kora::cli {

namespace {

constexpr char kEscape = 0x1B;
constexpr char kDelete = 0x7F;

void AppendKeystroke(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text,
                     std::vector<std::string>& keys)
{
    if (const auto byte = kora::KeystrokeByte(qtKey, modifiers, text)) {
        keys.emplace_back(1, static_cast<char>(*byte));
    }
}

} // namespace

TerminalInput::TerminalInput() : decoder_(QStringDecoder::Utf8) {}

void TerminalInput::specialKey(int qtKey, std::vector<std::string>& keys)
{
    if (const auto sequence = kora::SpecialKeyBytes(qtKey)) {
        keys.emplace_back(sequence->begin(), sequence->end());
    }
}

void TerminalInput::text(char byte, std::vector<std::string>& keys)
{
    const auto code = static_cast<unsigned char>(byte);
    if (code == '\r') {
        AppendKeystroke(Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), keys);
    } else if (code == kDelete || code == '\b') {
        AppendKeystroke(Qt::Key_Backspace, Qt::NoModifier, QString(), keys);
    } else if (code == '\t') {
        AppendKeystroke(Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"), keys);
    } else if (code >= 1 && code <= 26) {
        AppendKeystroke(Qt::Key_A + code - 1, Qt::ControlModifier, QString(), keys);
    } else if (code < 0x20) {
        AppendKeystroke(0, Qt::ControlModifier, QString(QChar(code)), keys);
    } else {
        // Text arrives in the terminal's encoding, UTF-8; a character may span chunks.
        const QString decoded = decoder_.decode(QByteArrayView(&byte, 1));
        if (!decoded.isEmpty()) {
            AppendKeystroke(0, Qt::NoModifier, decoded, keys);
        }
    }
}

void TerminalInput::csiFinal(char final, std::vector<std::string>& keys)
{
    switch (final) {
    case 'A':
        return specialKey(Qt::Key_Up, keys);
    case 'B':
        return specialKey(Qt::Key_Down, keys);
    case 'C':
        return specialKey(Qt::Key_Right, keys);
    case 'D':
        return specialKey(Qt::Key_Left, keys);
    case 'P': // xterm's F1 to F4 with modifiers: ESC [ 1 ; m P
        return specialKey(Qt::Key_F1, keys);
    case 'Q':
        return specialKey(Qt::Key_F2, keys);
    case 'R':
        return specialKey(Qt::Key_F3, keys);
    case 'S':
        return specialKey(Qt::Key_F4, keys);
    case '~': { // VT220 function keys: ESC [ 11 ~ to ESC [ 14 ~
        const std::string number = parameters_.substr(0, parameters_.find(';'));
        if (number.size() == 2 && number[0] == '1' && number[1] >= '1' && number[1] <= '4') {
            return specialKey(Qt::Key_F1 + (number[1] - '1'), keys);
        }
        return; // Home, Insert, Delete, Page Up and the like send nothing
    }
    default:
        return;
    }
}

std::vector<std::string> TerminalInput::feed(std::string_view bytes)
{
    std::vector<std::string> keys;
    for (const char byte : bytes) {
        if (leave_) {
            break;
        }
        switch (state_) {
        case State::Text:
            if (byte == kLeaveKey) {
                leave_ = true;
            } else if (byte == kEscape) {
                state_ = State::Escape;
            } else {
                text(byte, keys);
            }
            break;
        case State::Escape:
            if (byte == '[') {
                state_ = State::Csi;
                parameters_.clear();
            } else if (byte == 'O') {
                state_ = State::Ss3;
            } else if (byte == kEscape) {
                AppendKeystroke(Qt::Key_Escape, Qt::NoModifier, QString(), keys);
            } else {
                state_ = State::Text; // Alt with a key: the pane sends nothing for it
            }
            break;
        case State::Csi:
            if (byte == '[' && parameters_.empty()) {
                state_ = State::LinuxFunction;
            } else if (byte >= 0x20 && byte <= 0x3F) {
                parameters_ += byte;
            } else {
                state_ = State::Text;
                if (byte >= 0x40 && byte <= 0x7E) {
                    csiFinal(byte, keys);
                }
            }
            break;
        case State::Ss3:
            state_ = State::Text;
            csiFinal(byte, keys); // application cursor keys ESC O A..D, F1 to F4 ESC O P..S
            break;
        case State::LinuxFunction: // the Linux console's F1 to F4: ESC [ [ A to D
            state_ = State::Text;
            if (byte >= 'A' && byte <= 'D') {
                specialKey(Qt::Key_F1 + (byte - 'A'), keys);
            }
            break;
        }
    }
    return keys;
}

std::vector<std::string> TerminalInput::flush()
{
    std::vector<std::string> keys;
    if (state_ == State::Escape) {
        AppendKeystroke(Qt::Key_Escape, Qt::NoModifier, QString(), keys);
    }
    state_ = State::Text;
    return keys;
}

} // namespace kora::cli
