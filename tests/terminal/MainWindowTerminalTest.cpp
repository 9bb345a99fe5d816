#include "app/MainWindow.h"
#include "device/DevicePanel.h"
#include "link/DeviceLink.h"
#include "link/SerialPort.h"
#include "sim/SamplePrograms.h"
#include "support/EventLoop.h"
#include "support/RecordingPrompts.h"
#include "support/SimFixture.h"
#include "terminal/TerminalWindow.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace kora {
namespace {

using namespace std::chrono_literals;
using test::RecordingPrompts;
using test::RunEventsUntil;

// The main window after start-up, its COM port the simulator.
class MainWindowTerminal : public test::SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        window = std::make_unique<TfrmMain>();
        window->FormCreate();
        window->deviceLink()->setPortName(QString::fromStdString(portName()));
        window->show();
    }
    void TearDown() override
    {
        window.reset();
        SimFixture::TearDown();
    }

    QPlainTextEdit& pane() { return *window->meoDos(); }
    bool PaneShows(const QString& text, int times = 1)
    {
        return RunEventsUntil([&] { return pane().toPlainText().count(text) >= times; });
    }
    void Type(const QString& text)
    {
        QTest::keyClicks(&pane(), text);
        QTest::keyClick(&pane(), Qt::Key_Return);
    }
    QList<QWidget*> DeviceControls()
    {
        DevicePanel& device = *window->devicePanel();
        return {device.tbtnKoraConf(),
                device.tbtnKoraUp(),
                device.tbtnRefresh(),
                device.viewStyleButton(FileViewStyle::LargeIcons),
                device.viewStyleButton(FileViewStyle::SmallIcons),
                device.viewStyleButton(FileViewStyle::List),
                device.viewStyleButton(FileViewStyle::Report),
                device.cbxCOM(),
                device.pathBox(),
                device.reportView(),
                window->btnCopy()};
    }
    int EnabledDeviceControls()
    {
        int enabled = 0;
        for (const QWidget* control : DeviceControls()) {
            enabled += control->isEnabled() ? 1 : 0;
        }
        return enabled;
    }

    RecordingPrompts prompts;
    ScopedPrompts scopedPrompts{prompts};
    std::unique_ptr<TfrmMain> window;
};

TEST_F(MainWindowTerminal, LaunchTerminalGivesALiveConsoleOnTheController)
{
    EXPECT_EQ(EnabledDeviceControls(), 11);
    window->devicePanel()->tbtnDOSCmd()->click();
    ASSERT_TRUE(window->terminal()->IsOn());
    ASSERT_TRUE(PaneShows(QStringLiteral("C:\\>")));
    EXPECT_EQ(sim().bytesReceived(), 1u) << "one carriage return for a fresh prompt";
    EXPECT_EQ(EnabledDeviceControls(), 0);
    EXPECT_TRUE(window->devicePanel()->tbtnDOSCmd()->isEnabled());

    Type(QStringLiteral("dir"));
    ASSERT_TRUE(PaneShows(QStringLiteral("C:\\>dir")));
    ASSERT_TRUE(PaneShows(QStringLiteral(" bytes free")));

    // Cursor and function keys reach the console as their sequences, which it takes whole.
    const auto before = sim().bytesReceived();
    for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Left, Qt::Key_F1, Qt::Key_F4}) {
        QTest::keyClick(&pane(), key);
    }
    ASSERT_TRUE(RunEventsUntil([&] { return sim().bytesReceived() == before + 12; }));
    Type(QStringLiteral("dir"));
    ASSERT_TRUE(PaneShows(QStringLiteral(" bytes free"), 2));
    EXPECT_TRUE(prompts.boxes.isEmpty());

    window->devicePanel()->tbtnDOSCmd()->click();
    EXPECT_FALSE(window->terminal()->IsOn());
    EXPECT_EQ(EnabledDeviceControls(), 11);
}

// A pulled line (the simulator hangs up) comes back on a new pseudo-terminal under the same
// COMn link: the terminal opens it again by itself, and the console log holds the listing, the
// terminal's traffic and both notes, each line with its time stamp.
TEST_F(MainWindowTerminal, ALostLineReconnectsByItselfAndTheConsoleLogKeepsWhatThePaneShowed)
{
    const std::filesystem::path logFile = workDir() / "console.log";
    ASSERT_TRUE(window->StartConsoleLog(QString::fromStdString(logFile.string())));
    EXPECT_TRUE(window->LogConsole1()->isChecked());
    EXPECT_TRUE(window->statusBar()->isVisible());
    window->devicePanel()->tbtnRefresh()->click();
    ASSERT_TRUE(PaneShows(QStringLiteral(" bytes free")));

    window->devicePanel()->tbtnDOSCmd()->click();
    ASSERT_TRUE(PaneShows(QStringLiteral("D:\\>")));
    Type(QStringLiteral("cd\\LOG"));
    ASSERT_TRUE(PaneShows(QStringLiteral("D:\\LOG>")));

    sim().faults().hangUp = true;
    ASSERT_TRUE(
        PaneShows(QStringLiteral("Lost the connection to COM1. Waiting for it to come back...")));
    EXPECT_TRUE(window->terminal()->WaitingForLine());
    EXPECT_EQ(EnabledDeviceControls(), 0) << "the terminal keeps the port while it waits";
    std::string error;
    ASSERT_TRUE(sim().start(&error)) << error;
    ASSERT_TRUE(sim().publishAs(portsFolder(), portName()));
    ASSERT_TRUE(PaneShows(QStringLiteral("Reconnected to COM1.")));
    EXPECT_TRUE(window->terminal()->IsOn());
    Type(QStringLiteral("dir"));
    ASSERT_TRUE(PaneShows(QStringLiteral(" bytes free"), 2));
    EXPECT_TRUE(prompts.boxes.isEmpty()) << prompts.boxes.join("\n").toStdString();
    window->devicePanel()->tbtnDOSCmd()->click();
    window->StopConsoleLog();
    EXPECT_FALSE(window->statusBar()->isVisible());

    std::ifstream in(logFile);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    const std::regex stamped(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}  .*)");
    for (const std::string& line : lines) {
        EXPECT_TRUE(std::regex_match(line, stamped)) << line;
    }
    const auto logged = [&lines](const std::string& text) {
        return std::count_if(lines.begin(), lines.end(),
                             [&](const std::string& line) { return line.ends_with(text); });
    };
    EXPECT_EQ(logged("  dir"), 1) << "the listing's command";
    EXPECT_EQ(logged("D:\\>cd\\LOG"), 1) << "typed in the terminal";
    EXPECT_EQ(logged("Lost the connection to COM1. Waiting for it to come back..."), 1);
    EXPECT_EQ(logged("Reconnected to COM1."), 1);
    EXPECT_EQ(logged("D:\\LOG>dir"), 1);
    const auto containing = [&lines](const std::string& text) {
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        });
    };
    EXPECT_EQ(containing("DATALOG  DAT"), 1) << "a row of the listing";
    EXPECT_EQ(containing(" bytes free"), 2) << "the listing's and the terminal's";
}

TEST_F(MainWindowTerminal, DoubleClickingAProgramInTheDeviceListRunsItInTheTerminal)
{
    ASSERT_TRUE(sim().fileSystem().writeFile(
        "D:\\COUNT.EXE", sim::ProgramImage(sim::CounterProgramTag(20, 3), 2000)));
    window->devicePanel()->tbtnRefresh()->click();
    QTreeView& list = *window->devicePanel()->reportView();
    const QModelIndexList found =
        list.model()->match(list.model()->index(0, 0), Qt::DisplayRole, QStringLiteral("COUNT"), 1,
                            Qt::MatchStartsWith);
    ASSERT_EQ(found.size(), 1) << "the listing shows the program";
    const QPoint row = list.visualRect(found.front()).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, row);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, row);

    EXPECT_TRUE(window->terminal()->IsOn());
    EXPECT_TRUE(window->devicePanel()->tbtnDOSCmd()->isChecked());
    // Started where the list shows it, the place confirmed first, as Upload and Run does.
    ASSERT_TRUE(PaneShows(QStringLiteral("COUNT.EXE finished")));
    EXPECT_TRUE(pane().toPlainText().contains(QStringLiteral("cd\\")));
    EXPECT_TRUE(pane().toPlainText().contains(QStringLiteral("Counter 1\nCounter 2\nCounter 3\n")));

    // Already on: the terminal comes on again with the program started.
    window->RunDeviceProgram(QStringLiteral("COUNT"));
    ASSERT_TRUE(PaneShows(QStringLiteral("COUNT.EXE finished"), 2));
}

TEST_F(MainWindowTerminal, RunDeviceProgramTypesNothingWhenThePortCannotBeOpened)
{
    window->deviceLink()->setPortName(QStringLiteral("/dev/kora-no-such-port"));
    window->RunDeviceProgram(QStringLiteral("COUNT.EXE"));
    EXPECT_FALSE(window->terminal()->IsOn());
    EXPECT_EQ(prompts.boxes,
              QStringList{"error: Unable to open /dev/kora-no-such-port !\n\nThere is no such port "
                          "(/dev/kora-no-such-port does not exist)."});
    EXPECT_EQ(EnabledDeviceControls(), 11);
    EXPECT_EQ(sim().bytesReceived(), 0u);
}

TEST_F(MainWindowTerminal, ClosingWithTheTerminalOnStopsItsThreadsAndFreesThePort)
{
    ASSERT_TRUE(sim().fileSystem().writeFile(
        "D:\\COUNT.EXE", sim::ProgramImage(sim::CounterProgramTag(5, 400), 2000)));
    window->RunDeviceProgram(QStringLiteral("COUNT"));
    ASSERT_TRUE(PaneShows(QStringLiteral("Counter 10")));
    window.reset();
    SerialPort port(portName());
    EXPECT_TRUE(port.Open()) << "the terminal port was closed and unlocked";
}

} // namespace
} // namespace kora
