#include "terminal/PastePlan.h"
#include "terminal/TerminalKeys.h"
#include "terminal/TerminalText.h"

#include <gtest/gtest.h>

#include <string>

namespace kora {
namespace {

using namespace std::chrono_literals;

std::string Bytes(const std::optional<SpecialKeySequence>& sequence)
{
    return sequence ? std::string(sequence->begin(), sequence->end()) : std::string("<none>");
}

TEST(TerminalKeys, CursorAndFunctionKeysSendVt100Sequences)
{
    EXPECT_EQ(Bytes(SpecialKeyBytes(Qt::Key_Up)), "\x1b[A");
    EXPECT_EQ(Bytes(SpecialKeyBytes(Qt::Key_Down)), "\x1b[B");
    EXPECT_EQ(Bytes(SpecialKeyBytes(Qt::Key_Right)), "\x1b[C");
    EXPECT_EQ(Bytes(SpecialKeyBytes(Qt::Key_Left)), "\x1b[D");
    EXPECT_EQ(Bytes(SpecialKeyBytes(Qt::Key_F1)), "\x1bOP");
    EXPECT_EQ(Bytes(SpecialKeyBytes(Qt::Key_F2)), "\x1bOQ");
    EXPECT_EQ(Bytes(SpecialKeyBytes(Qt::Key_F3)), "\x1bOR");
    EXPECT_EQ(Bytes(SpecialKeyBytes(Qt::Key_F4)), "\x1bOS");

    for (int key : {Qt::Key_F5, Qt::Key_Home, Qt::Key_Backspace, Qt::Key_A, Qt::Key_Return}) {
        EXPECT_FALSE(SpecialKeyBytes(key)) << key;
    }
}

TEST(TerminalKeys, TypedKeysSendOneByte)
{
    const auto none = Qt::NoModifier;
    EXPECT_EQ(KeystrokeByte(Qt::Key_Backspace, none, "\b"), 8);
    EXPECT_EQ(KeystrokeByte(Qt::Key_Return, none, "\r"), 13);
    EXPECT_EQ(KeystrokeByte(Qt::Key_Enter, Qt::KeypadModifier, "\r"), 13);
    EXPECT_EQ(KeystrokeByte(Qt::Key_Escape, none, ""), 27);
    EXPECT_EQ(KeystrokeByte(Qt::Key_A, none, "a"), 'a');
    EXPECT_EQ(KeystrokeByte(Qt::Key_A, Qt::ShiftModifier, "A"), 'A');
    // Ctrl+C is 3 whatever text the platform attaches.
    EXPECT_EQ(KeystrokeByte(Qt::Key_C, Qt::ControlModifier, ""), 3);
    EXPECT_EQ(KeystrokeByte(Qt::Key_Z, Qt::ControlModifier, "\x1a"), 26);
    EXPECT_EQ(KeystrokeByte(Qt::Key_unknown, none, QString(QChar(0xE9))), 0xE9);
    EXPECT_EQ(KeystrokeByte(Qt::Key_unknown, none, QString(QChar(0x20AC))), '?');

    // Keys without a character send nothing this way (cursor keys go as sequences).
    EXPECT_FALSE(KeystrokeByte(Qt::Key_Shift, Qt::ShiftModifier, ""));
    EXPECT_FALSE(KeystrokeByte(Qt::Key_Up, none, ""));
    EXPECT_FALSE(KeystrokeByte(Qt::Key_Delete, none, "\x7f"));
    EXPECT_FALSE(KeystrokeByte(Qt::Key_F, Qt::AltModifier, "f"));
}

std::string PastedBytes(const std::vector<PasteStep>& steps)
{
    std::string bytes;
    for (const auto& step : steps) {
        bytes.push_back(static_cast<char>(step.byte));
    }
    return bytes;
}

TEST(PastePlan, LineBreaksBecomeOneCarriageReturnWithTheirOwnPacing)
{
    // CR LF and a lone LF (the line break of text copied on Linux) alike; a lone CR is Enter.
    const auto steps = PlanPaste("dir\r\ncd x\nmem\r");
    EXPECT_EQ(PastedBytes(steps), "dir\rcd x\rmem\r");

    for (std::size_t i = 0; i < steps.size(); ++i) {
        const bool lineBreak = i == 3 || i == 8; // the CRs that stood for CR LF and LF
        EXPECT_EQ(steps[i].before, lineBreak ? 20ms : 0ms) << i;
        EXPECT_EQ(steps[i].afterPause, 1ms) << i;
        EXPECT_EQ(steps[i].afterWrite, lineBreak ? 0ms : 1ms) << i;
        EXPECT_EQ(steps[i].after, 10ms) << i;
    }
}

TEST(PastePlan, OnlyTheFirst1023CharactersArePasted)
{
    EXPECT_TRUE(PlanPaste("").empty());
    EXPECT_EQ(PlanPaste(QString(1023, 'a')).size(), 1023u);
    EXPECT_EQ(PlanPaste(QString(5000, 'a')).size(), 1023u);

    // A CR LF cut in two by the limit leaves a lone CR, sent as a plain character.
    const auto steps = PlanPaste(QString(1022, 'a') + "\r\nb");
    ASSERT_EQ(steps.size(), 1023u);
    EXPECT_EQ(steps.back().byte, '\r');
    EXPECT_EQ(steps.back().before, 0ms);

    // The limit counts characters as the controller gets them.
    EXPECT_EQ(PlanPaste(QString::fromUcs4(U"\U0001F600x")).size(), 2u);
    EXPECT_EQ(PastedBytes(PlanPaste(QString::fromUcs4(U"\U0001F600x"))), "?x");
}

TEST(CopyLimit, AtMost1024CharactersAreCopied)
{
    EXPECT_FALSE(CopyRefusal(QString()));
    EXPECT_FALSE(CopyRefusal(QString(1024, 'x')));
    const auto refusal = CopyRefusal(QString(1025, 'x'));
    ASSERT_TRUE(refusal);
    EXPECT_EQ(*refusal, "The selected text exceeds 1024 bytes!");
}

} // namespace
} // namespace kora
