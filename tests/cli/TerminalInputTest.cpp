// What the user's terminal sends for keys, turned into what the terminal pane sends for them.
#include <gtest/gtest.h>

#include "cli/TerminalInput.h"

namespace kora::cli {
namespace {

using Keys = std::vector<std::string>;

TEST(TerminalInput, KeysReachTheControllerAsThePaneSendsThem)
{
    const struct {
        const char* input;
        Keys keys;
    } cases[] = {
        {"dir\r", {"d", "i", "r", "\r"}},
        {"\x7f", {"\b"}},                           // Backspace as most terminals send it
        {"\b", {"\b"}},                             // and as some others do
        {"\x03\x1a\x1c", {"\x03", "\x1a", "\x1c"}}, // control characters as typed
        {"\t", {"\t"}},
        {"\x1b[A", {"\x1b[A"}},                     // cursor keys, normal mode
        {"\x1bOD", {"\x1b[D"}},                     // application cursor mode
        {"\x1b[1;5C", {"\x1b[C"}},                  // with a modifier
        {"\x1bOP", {"\x1bOP"}},                     // F1 as xterm sends it
        {"\x1b[11~\x1b[14~", {"\x1bOP", "\x1bOS"}}, // VT220 F1 and F4
        {"\x1b[[B", {"\x1bOQ"}},                    // Linux console F2
        {"\x1b[1;2R", {"\x1bOR"}},                  // Shift+F3
        {"\x1b[5~\x1b[3~\x1b[H", {}},               // Page Up, Delete, Home: nothing
        {"\x1bx", {}},                              // Alt+x: nothing
        {"\x1b\x1b[B", {"\x1b", "\x1b[B"}},         // Escape, then cursor down
        {"\xc3\xa9", {"\xe9"}},                     // UTF-8 text as Latin-1
        {"\xe2\x82\xac!", {"?", "!"}},              // outside Latin-1: "?"
    };
    for (const auto& c : cases) {
        TerminalInput input;
        EXPECT_EQ(input.feed(c.input), c.keys) << c.input;
        EXPECT_FALSE(input.leaveRequested());
        EXPECT_FALSE(input.escapePending());
    }
}

TEST(TerminalInput, CtrlBracketLeavesAndNothingAfterItIsSent)
{
    TerminalInput input;
    EXPECT_EQ(input.feed("ab\x1d"
                         "cd"),
              (Keys{"a", "b"}));
    EXPECT_TRUE(input.leaveRequested());
    EXPECT_EQ(input.feed("ef"), Keys{});
}

TEST(TerminalInput, KeysSplitAcrossReadsComeTogether)
{
    TerminalInput input;
    EXPECT_EQ(input.feed("\xc3"), Keys{});
    EXPECT_EQ(input.feed("\xa9"), Keys{"\xe9"});
    EXPECT_EQ(input.feed("\x1b"), Keys{});
    EXPECT_TRUE(input.escapePending());
    EXPECT_EQ(input.feed("[A"), Keys{"\x1b[A"});
    // An Escape that stays alone is the Escape key; a cut-off sequence is dropped.
    EXPECT_EQ(input.feed("\x1b"), Keys{});
    EXPECT_EQ(input.flush(), Keys{"\x1b"});
    EXPECT_EQ(input.feed("\x1b[1"), Keys{});
    EXPECT_EQ(input.flush(), Keys{});
    EXPECT_EQ(input.feed("x"), Keys{"x"});
}

} // namespace
} // namespace kora::cli
