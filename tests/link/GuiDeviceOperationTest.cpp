#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

#include "PtyPeer.h"
#include "link/DeviceLink.h"
#include "link/GuiDeviceOperation.h"
#include "support/Palettes.h"
#include "ui/ByteText.h"
#include "ui/PanelParts.h"
#include "ui/UserInputBlock.h"
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

// The panels' titles read as normal text must (4.5:1) on a light and on a dark theme.
TEST(PanelTitle, ReadsOnLightAndDarkThemes)
{
    for (const auto& [name, palette] :
         {std::pair{"light", test::LightPalette()}, std::pair{"dark", test::DarkPalette()}}) {
        QWidget panel;
        panel.setPalette(palette);
        const QLabel* title =
            MakePanelTitle(QStringLiteral("lblTest"), QStringLiteral("Local System:"), &panel);
        EXPECT_GE(test::ContrastRatio(title->palette().color(QPalette::WindowText),
                                      title->palette().color(QPalette::Window)),
                  4.5)
            << name;
    }
}

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

    DeviceLink link;
    link.setPortName(QStringLiteral("/no/such/tty"));
    OperationResult result = RunGuiDeviceOperation(link, nullptr, pane, GenericCommand("dir\r"));
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
    link.setPortName(QString::fromStdString(peer.devicePath()));
    result = RunGuiDeviceOperation(link, nullptr, pane, op);
    peer.finish();
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(prompts.errors.size(), 1);
    EXPECT_EQ(pane.toPlainText(), "dir\nVolume in drive D");
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(link.busy());
}

TEST(RunGuiDeviceOperation, IsRefusedSilentlyWhileAnotherHolderHasThePort)
{
    RecordingPrompts prompts;
    ScopedPrompts scoped(prompts);
    QPlainTextEdit pane;
    DeviceLink link;
    link.setPortName(QStringLiteral("/no/such/tty"));
    const PortLease terminal = link.acquire(PortHolder::Terminal);
    ASSERT_TRUE(terminal);

    const OperationResult result =
        RunGuiDeviceOperation(link, nullptr, pane, GenericCommand("dir\r"));
    EXPECT_TRUE(result.refused);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(prompts.errors.isEmpty());
    EXPECT_TRUE(pane.toPlainText().isEmpty());
    EXPECT_EQ(link.holder(), PortHolder::Terminal);
}

TEST(DeviceLink, OneHolderAtATimeAndTheLeaseGivesThePortBack)
{
    DeviceLink link;
    QList<bool> busy;
    QObject::connect(&link, &DeviceLink::busyChanged, [&](bool now) { busy << now; });
    {
        PortLease copy = link.acquire(PortHolder::CopyBatch);
        ASSERT_TRUE(copy);
        EXPECT_FALSE(link.acquire(PortHolder::DeviceOperation));
        EXPECT_FALSE(link.acquire(PortHolder::Terminal));
        PortLease moved = std::move(copy);
        EXPECT_EQ(link.holder(), PortHolder::CopyBatch);
    }
    EXPECT_EQ(link.holder(), PortHolder::None);
    EXPECT_EQ(busy, (QList<bool>{true, false}));
}

TEST(DeviceLink, LongHoldersConfirmATypedPortNameFirstAndOperationsDoNot)
{
    DeviceLink link;
    int confirmations = 0;
    link.setPendingPortConfirmer([&] {
        ++confirmations;
        link.setPortName(QStringLiteral("COM7"));
        return true;
    });
    EXPECT_TRUE(link.acquire(PortHolder::DeviceOperation));
    EXPECT_EQ(confirmations, 0);
    EXPECT_TRUE(link.acquire(PortHolder::Terminal));
    EXPECT_EQ(confirmations, 1);
    EXPECT_EQ(link.portName(), "COM7");
    // Nobody confirms a name while the port is held: it would change under its holder.
    const PortLease held = link.acquire(PortHolder::IoConfiguration);
    EXPECT_FALSE(link.confirmPendingPort());
    EXPECT_EQ(confirmations, 2);
}

// Whole texts of valid UTF-8 read as UTF-8; any other text byte for byte, as Latin-1.
TEST(ByteText, Utf8WhenTheWholeTextIsElseLatin1)
{
    const std::pair<std::string, QString> cases[] = {
        {"", QString()},
        {"dir", QStringLiteral("dir")},
        {"caf\xC3\xA9", QStringLiteral("caf\u00E9")},
        {"\xB3 box", QStringLiteral("\u00B3 box")},
        {"caf\xC3\xA9 \xE9", QStringLiteral("caf\u00C3\u00A9 \u00E9")},
        {"A\xC3", QStringLiteral("A\u00C3")},
        {"\xC0\x80", QStringLiteral("\u00C0\u0080")},
        {"\xEF\xBF\xBD.txt", QStringLiteral("\uFFFD.txt")},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(ByteText(bytes), text) << bytes;
    }
}

TEST(UserInputBlock, InputQueuedMeanwhileIsDroppedAndOtherEventsStillArrive)
{
    QLineEdit edit;
    QTimer timer;
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    {
        const UserInputBlock block;
        // Queued as the window system queues input that a nested loop defers.
        QCoreApplication::postEvent(
            &edit, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a")));
        timer.start(0);
    }
    EXPECT_GE(ticks, 1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(edit.text().isEmpty());

    QCoreApplication::postEvent(
        &edit, new QKeyEvent(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, QStringLiteral("b")));
    QCoreApplication::processEvents();
    EXPECT_EQ(edit.text(), "b");
}

} // namespace
} // namespace kora
