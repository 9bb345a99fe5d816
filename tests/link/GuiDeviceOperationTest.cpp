#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPlainTextEdit>

#include "PtyPeer.h"
#include "link/GuiDeviceOperation.h"
#include "ui/UserPrompts.h"

namespace kora {
namespace {

using namespace std::chrono_literals;

// Answers every box at once and notes whether the hourglass was still up when it came.
class RecordingPrompts final : public UserPrompts {
public:
    void error(QWidget*, const QString& text) override
    {
        errors << text;
        cursorBusyAtError = QGuiApplication::overrideCursor() != nullptr;
    }
    void warning(QWidget*, const QString&) override {}
    void information(QWidget*, const QString&) override {}
    bool confirm(QWidget*, const QString&) override { return false; }
    void beep() override {}

    QStringList errors;
    bool cursorBusyAtError = true;
};

TEST(PaneConsoleLog, CountsLinesOfTheRealPane)
{
    QPlainTextEdit pane;
    PaneConsoleLog log(pane);
    EXPECT_EQ(log.lineCount(), 0);
    log.appendLine("dir");
    log.appendLine("\xb3 box");
    EXPECT_EQ(log.lineCount(), 2);
    EXPECT_EQ(pane.toPlainText(), QString::fromLatin1("dir\n\xb3 box"));
    log.clear();
    EXPECT_EQ(log.lineCount(), 0);
}

TEST(RunGuiDeviceOperation, RestoresTheCursorBeforeTheErrorBox)
{
    RecordingPrompts prompts;
    ScopedPrompts scoped(prompts);
    QPlainTextEdit pane;

    OperationResult result =
        RunGuiDeviceOperation(nullptr, pane, "/no/such/tty", GenericCommand("dir\r"));
    EXPECT_FALSE(result.ok);
    ASSERT_EQ(prompts.errors.size(), 1);
    EXPECT_EQ(prompts.errors.front().toStdString(), result.message);
    EXPECT_FALSE(prompts.cursorBusyAtError);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    test::PtyPeer peer;
    peer.run([](test::PtyPeer& p) {
        p.console([](const std::string&) { return "\nVolume in drive D\r\nD:\\>"; }, 5s);
    });
    DeviceOperation op = GenericCommand("dir\r");
    op.timeoutMs = 50;
    result = RunGuiDeviceOperation(nullptr, pane, peer.devicePath(), op);
    peer.finish();
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(prompts.errors.size(), 1);
    EXPECT_EQ(pane.toPlainText(), "dir\nVolume in drive D");
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

} // namespace
} // namespace kora
