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

TEST(CommandLineForProgram, NamesExactlyThatProgram)
{
    for (const QString path : {"/opt/tool", "/opt/My Tools/tool", "/opt/tab\there", "/a/\"q\"/b",
                               "/a/\"\"/b\"", "\"lead", " /lead/blank", "trail/blank "}) {
        EXPECT_EQ(QProcess::splitCommand(CommandLineForProgram(path)), QStringList{path})
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
        {"\"\"\"quoted\"\"\"", {"\"quoted\""}},
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
          CommandLineForProgram(folderText + "/notes.txt") + " arg",
          QString("kora-no-such-program-anywhere")}) {
        EXPECT_FALSE(StartCommandLine(line)) << line.toStdString();
    }
}

} // namespace
} // namespace kora
