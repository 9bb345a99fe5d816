// term on a pseudo-terminal standing in for the user's terminal: keys reach the controller as
// the terminal pane sends them, its output comes back, and the terminal gets its settings back.
#include <signal.h>
#include <termios.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "ChildProcess.h"
#include "CliTestKit.h"
#include "support/PtyPair.h"
#include "support/TempDir.h"

namespace kora::test {
namespace {

using namespace std::chrono_literals;

bool SameSettings(const termios& a, const termios& b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::equal(std::begin(a.c_cc), std::end(a.c_cc), b.c_cc);
}

class CliTerm : public CliTest {
protected:
    sim::SimulatorOptions simulatorOptions() const override
    {
        sim::SimulatorOptions options;
        options.byteLog = lineLog_;
        return options;
    }

    void SetUp() override
    {
        CliTest::SetUp();
        ASSERT_TRUE(user_.ok());
        // The user's terminal as a shell leaves it: lines edited, echoed, signals on.
        ASSERT_EQ(::tcgetattr(user_.slaveFd(), &cooked_), 0);
        cooked_.c_iflag |= ICRNL;
        cooked_.c_oflag |= OPOST | ONLCR;
        cooked_.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
        ASSERT_EQ(::tcsetattr(user_.slaveFd(), TCSANOW, &cooked_), 0);
        ASSERT_EQ(::tcgetattr(user_.slaveFd(), &cooked_), 0);
        ASSERT_TRUE(
            term_.start({kToolPath, "term"}, user_.slaveFd(), workDir(), workDir() / "term.err"));
    }

    // What the tool shows the user until the text appears after position `from` of all it has
    // shown (or five seconds pass).
    std::string shownUntil(const std::string& text, std::size_t from = 0)
    {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (shown_.find(text, from) == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            if (const auto byte = user_.readByte(100ms)) {
                shown_ += static_cast<char>(*byte);
            }
        }
        return shown_;
    }

    termios current()
    {
        termios settings{};
        ::tcgetattr(user_.slaveFd(), &settings);
        return settings;
    }

    // Everything the controller received, as the line log writes it.
    std::string received()
    {
        std::ifstream log(lineLog_);
        std::string all;
        for (std::string line; std::getline(log, line);) {
            const std::size_t rx = line.find(" RX ");
            if (rx != std::string::npos) {
                all += line.substr(rx + 4);
            }
        }
        return all;
    }

    TempDir logFolder_{"kora-cli-term"};
    std::filesystem::path lineLog_ = logFolder_.path() / "line.log";
    PtyPair user_;
    termios cooked_{};
    ChildProcess term_;
    std::string shown_;
};

TEST_F(CliTerm, KeysAndOutputPassThroughAndTheTerminalIsRestored)
{
    ASSERT_NE(shownUntil(">").find(">"), std::string::npos) << "a fresh prompt";
    EXPECT_FALSE(current().c_lflag & ICANON);
    EXPECT_FALSE(current().c_lflag & ECHO);

    user_.write("dir\r");
    EXPECT_NE(shownUntil("bytes free").find("COMMAND  COM"), std::string::npos) << shown_;
    shownUntil(">", shown_.find("bytes free")); // the prompt after the listing
    // Cursor up and F1 (application form), then a typo taken back with the Backspace a
    // terminal sends (127), then Enter.
    user_.write("\x1b[A");
    user_.write("\x1bOP");
    user_.write("x");
    user_.write("\x7f");
    const std::size_t before = shown_.size();
    user_.write("\r");
    shownUntil(">", before); // the console has taken the line
    user_.write("\x1d");
    EXPECT_EQ(term_.waitForExit(5s), 0);
    EXPECT_TRUE(SameSettings(current(), cooked_));

    const std::string line = received();
    EXPECT_EQ(line.rfind("\\r", 0), 0u) << line; // the pane's opening carriage return
    EXPECT_NE(line.find("dir\\r"), std::string::npos) << line;
    EXPECT_NE(line.find("\\x1B[A\\x1BOPx\\x08\\r"), std::string::npos) << line;
    EXPECT_EQ(line.find("\\x7F"), std::string::npos) << line;
    EXPECT_EQ(line.find("\\x1D"), std::string::npos) << line;
}

// The tool's own notes go to standard error (a file here) until the text appears there.
bool ErrorsShow(const std::filesystem::path& file, const std::string& text)
{
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    for (;;) {
        std::ifstream in(file);
        const std::string all((std::istreambuf_iterator<char>(in)), {});
        if (all.find(text) != std::string::npos) {
            return true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
}

TEST_F(CliTerm, ALostLineIsWaitedForAndTheSessionGoesOnWhenItComesBack)
{
    shownUntil(">");
    sim().faults().hangUp = true;
    ASSERT_TRUE(ErrorsShow(workDir() / "term.err",
                           "Lost the connection to COM1. Waiting for it to come back..."));
    std::string error;
    ASSERT_TRUE(sim().start(&error)) << error;
    ASSERT_TRUE(sim().publishAs(portsFolder(), portName()));
    ASSERT_TRUE(ErrorsShow(workDir() / "term.err", "Reconnected to COM1."));
    const std::size_t before = shown_.size();
    user_.write("dir\r");
    EXPECT_NE(shownUntil("bytes free", before).find("bytes free", before), std::string::npos);
    user_.write("\x1d");
    EXPECT_EQ(term_.waitForExit(5s), 0);
    EXPECT_TRUE(SameSettings(current(), cooked_));
}

TEST_F(CliTerm, AStopSignalStillRestoresTheTerminal)
{
    shownUntil(">");
    EXPECT_FALSE(current().c_lflag & ICANON);
    ASSERT_EQ(::kill(term_.pid(), SIGTERM), 0);
    EXPECT_EQ(term_.waitForExit(5s), 1);
    EXPECT_TRUE(SameSettings(current(), cooked_));
}

} // namespace
} // namespace kora::test
