#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>

#include "ProgramScripts.h"
#include "app/CompanionProgram.h"
#include "support/QtPrinters.h"
#include "support/SimFixture.h"
#include "support/TempDir.h"

namespace kora {
namespace {

namespace fs = std::filesystem;

TEST(SplitShellWords, FollowsTheShellsQuotingAndExpandsNothing)
{
    const struct {
        QString line;
        std::optional<QStringList> words; // nothing: the line does not split
    } cases[] = {
        {"", QStringList{}},
        {" \t\n ", QStringList{}},
        {"prog 'a b'", QStringList{"prog", "a b"}},
        {"prog \"a b\" c", QStringList{"prog", "a b", "c"}},
        {"prog a\\ b", QStringList{"prog", "a b"}},
        {"prog '' \"\"", QStringList{"prog", "", ""}},
        {"a'b'\"c\"d", QStringList{"abcd"}},
        {"'it'\\''s'", QStringList{"it's"}},
        {"'\\$x \"'", QStringList{"\\$x \""}},
        // In double quotes a backslash keeps only $ ` " \ and newline.
        {"\"\\$ \\` \\\" \\\\ \\n\"", QStringList{"$ ` \" \\ \\n"}},
        {"a\\\nb \"c\\\nd\"", QStringList{"ab", "cd"}},
        {"$HOME ~ * `id` $(id) ;|&>", QStringList{"$HOME", "~", "*", "`id`", "$(id)", ";|&>"}},
        {"prog 'open", std::nullopt},
        {"prog \"open", std::nullopt},
        {"prog \"it'\"s'", std::nullopt},
        {"prog end\\", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitShellWords(c.line), c.words) << c.line.toStdString();
    }
}

TEST(CommandLineForProgram, NamesExactlyThatProgram)
{
    for (const QString path :
         {"/opt/tool", "/opt/My Tools/tool", "/opt/tab\there", "/a/\"q\"/b", "/a/\"\"/b\"",
          "\"lead", " /lead/blank", "trail/blank ", "/it's/here", "/back\\slash", "/$HOME/x"}) {
        EXPECT_EQ(SplitShellWords(CommandLineForProgram(path)), QStringList{path})
            << path.toStdString();
    }
    EXPECT_EQ(CommandLineForProgram("/opt/tool"), "/opt/tool") << "no quotes when none are needed";
}

class StartCommandLineTest : public ::testing::Test {
protected:
    // Starts the line and returns the arguments the recorder was started with.
    std::optional<QStringList> StartRecorder(const QString& line)
    {
        if (!StartCommandLine(line)) {
            return std::nullopt;
        }
        const auto recorded = test::WaitForFile(folder / "args");
        return recorded ? std::optional(test::SplitRecordedArguments(*recorded)) : std::nullopt;
    }

    test::TempDir dir{"kora-run"};
    fs::path folder = dir / "My Tools";
    fs::path recorder = (fs::create_directory(folder), test::WriteArgumentRecorder(folder));
    QString program = CommandLineForProgram(QString::fromStdString(recorder.string()));
};

TEST_F(StartCommandLineTest, TheProgramGetsExactlyTheArgumentsOfTheLine)
{
    const QString pwned = QString::fromStdString((dir / "PWNED").string());
    const struct {
        QString arguments;
        QStringList expected;
    } cases[] = {
        {"", {}},
        {" alpha  beta ", {"alpha", "beta"}},
        {"\"two words\" x", {"two words", "x"}},
        {"'two words' \"it's\" a\\ b", {"two words", "it's", "a b"}},
        // No shell: separators, variables, substitutions and redirections arrive as typed.
        {"one;touch " + pwned + " $HOME `id` $(id) |cat >out &",
         {"one;touch", pwned, "$HOME", "`id`", "$(id)", "|cat", ">out", "&"}},
    };
    for (const auto& c : cases) {
        fs::remove(folder / "args");
        const QString line = program + " " + c.arguments;
        EXPECT_EQ(StartRecorder(line), c.expected) << line.toStdString();
    }
    EXPECT_FALSE(fs::exists(dir / "PWNED"));
}

TEST_F(StartCommandLineTest, AProgramWithoutAFolderIsLookedUpInPath)
{
    test::ScopedEnv path("PATH", folder.string() + ":" + std::getenv("PATH"));
    EXPECT_EQ(StartRecorder("record-args 1 2"), (QStringList{"1", "2"}));
}

TEST_F(StartCommandLineTest, WhatCannotBeStartedIsAFailure)
{
    test::WriteScript(folder / "notes.txt", "#!/bin/sh\n", false);
    const QString folderText = QString::fromStdString(folder.string());
    for (const QString& line :
         {QString(), QString("   "), QString("\"\""), CommandLineForProgram(folderText),
          CommandLineForProgram(folderText + "/missing"),
          CommandLineForProgram(folderText + "/notes.txt") + " arg", program + " 'unclosed",
          QString("kora-no-such-program-anywhere")}) {
        EXPECT_FALSE(StartCommandLine(line)) << line.toStdString();
    }
}

} // namespace
} // namespace kora
