#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "PtyPeer.h"
#include "link/ConsoleExchange.h"
#include "link/SerialPort.h"
#include "link/UucpLock.h"
#include "support/RecordingLog.h"
#include "support/TempDir.h"

namespace kora {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::PtyPeer;

long long MsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("KORA_LOCK_DIR", locks.path().c_str(), 1);
        ASSERT_TRUE(port.Open()) << port.devicePath();
        ASSERT_TRUE(port.SetCommParams(57600, 8, Parity::None, StopBits::One));
        port.SetTimeouts(100);
    }
    void TearDown() override { ::unsetenv("KORA_LOCK_DIR"); }

    std::filesystem::path lockFile() const
    {
        return locks.path() / UucpLock::FileNameFor(peer.devicePath());
    }

    test::TempDir locks;
    PtyPeer peer;
    SerialPort port{peer.devicePath()};
};

TEST(SerialPortLifecycle, CloseNeedsNoOpenAndOpenFailuresAreClassified)
{
    SerialPort never("COM255");
    EXPECT_TRUE(never.Close());
    EXPECT_TRUE(never.Close());

    test::TempDir folder;
    std::ofstream(folder.path() / "plain") << "not a tty";
    const std::string plain = (folder.path() / "plain").string();
    for (const std::string& name : {std::string(), std::string("COM"), std::string("relative"),
                                    std::string("/no/such/tty"), plain}) {
        SerialPort port(name);
        EXPECT_FALSE(port.Open()) << name;
        EXPECT_FALSE(port.isOpen());
        EXPECT_EQ(port.lastOpenFailure(), OpenFailure::NoPort) << name;
        EXPECT_EQ(port.openFailureHint(), "");
        EXPECT_FALSE(port.Write("x"));
        std::string text;
        EXPECT_FALSE(port.ReadLine(1024, text));
    }
}

TEST(SerialPortLifecycle, RefusedPermissionNamesTheOwningGroup)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to become a user the device refuses";
    }
    PtyPeer peer;
    ::chmod(peer.devicePath().c_str(), 0660);
    struct stat info {};
    ASSERT_EQ(::stat(peer.devicePath().c_str(), &info), 0);
    const std::string group = ::getgrgid(info.st_gid)->gr_name;

    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(2);
        }
        SerialPort port(peer.devicePath());
        const bool opened = port.Open();
        const std::string report =
            std::to_string(static_cast<int>(port.lastOpenFailure())) + "|" + port.openFailureHint();
        (void)!::write(pipeFds[1], report.data(), report.size());
        ::_exit(opened ? 1 : 0);
    }
    ::close(pipeFds[1]);
    std::string report;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        report.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(report.substr(0, 2),
              std::to_string(static_cast<int>(OpenFailure::AccessDenied)) + "|");
    EXPECT_NE(report.find("'" + group + "'"), std::string::npos) << report;
}

TEST_F(SerialPortTest, WriteDiscardsUnreadInputUnlessKept)
{
    peer.send("stale");
    std::this_thread::sleep_for(50ms);
    std::uint8_t byte = 'a';
    ASSERT_TRUE(port.Write(1, &byte));
    ASSERT_EQ(peer.receiveByte(1s), 'a');
    peer.send("Q");
    ASSERT_TRUE(port.Read(1, &byte));
    EXPECT_EQ(byte, 'Q');

    peer.send("kept");
    std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(port.Write("b", InputPurge::Keep));
    ASSERT_TRUE(port.Read(1, &byte));
    EXPECT_EQ(byte, 'k');
}

TEST_F(SerialPortTest, ReadLineKeepsLimitMinusOneBytesAndConsumesTheNext)
{
    std::string stream;
    for (int i = 0; i < 2000; ++i) {
        stream.push_back(static_cast<char>('A' + i % 26));
    }
    peer.send(stream);
    std::string text;
    EXPECT_FALSE(port.ReadLine(1024, text));
    EXPECT_EQ(port.lastIoFailure(), IoFailure::LimitReached);
    EXPECT_EQ(text, stream.substr(0, 1023));
    std::uint8_t next = 0;
    ASSERT_TRUE(port.Read(1, &next));
    EXPECT_EQ(next, static_cast<std::uint8_t>(stream[1024]));
}

TEST_F(SerialPortTest, ReadLineEndsAtLineEndAndKeepsPartialText)
{
    port.LineEnd = 10;
    peer.send("abc\r\nC:\\>");
    std::string text;
    EXPECT_TRUE(port.ReadLine(1024, text));
    EXPECT_EQ(text, "abc\r\n");

    text.clear();
    const auto start = Clock::now();
    EXPECT_FALSE(port.ReadLine(1024, text));
    EXPECT_EQ(text, "C:\\>");
    EXPECT_GE(MsSince(start), 180);

    // A zero byte counts toward the limit but never reaches the text.
    peer.send(std::string("a\0b\n", 4));
    text.clear();
    EXPECT_FALSE(port.ReadLine(4, text));
    EXPECT_EQ(text, "ab");

    // The quiet gap ends a read only after text the caller calls complete; a pause after
    // anything else is waited out as before.
    port.SetTimeouts(1000);
    peer.run([](PtyPeer& p) {
        p.send("C:");
        std::this_thread::sleep_for(100ms);
        p.send("\\>dir\n");
    });
    text.clear();
    EXPECT_TRUE(port.ReadLine(1024, text, QuickPromptEnd()));
    EXPECT_EQ(text, "C:\\>dir\n");
    peer.join();
}

TEST_F(SerialPortTest, OneByteReadOfNothingFailsAfterTwiceTheStep)
{
    std::uint8_t byte = 0;
    const auto start = Clock::now();
    EXPECT_FALSE(port.Read(1, &byte));
    EXPECT_NEAR(MsSince(start), 200, 40);
    EXPECT_EQ(port.lastIoFailure(), IoFailure::TimedOut);
    EXPECT_TRUE(port.isOpen());

    peer.send("x");
    EXPECT_TRUE(port.Read(1, &byte));
    EXPECT_EQ(port.lastIoFailure(), IoFailure::None);
}

TEST_F(SerialPortTest, ParityAndStopBitsReachTheLine)
{
    struct Case {
        Parity parity;
        StopBits stopBits;
        tcflag_t flags;
    };
    // A pseudo-terminal keeps PARODD, CSTOPB and the speed; it forces CS8 and clears PARENB.
    for (const Case& c :
         {Case{Parity::None, StopBits::One, 0}, Case{Parity::Odd, StopBits::One, PARODD},
          Case{Parity::Even, StopBits::Two, CSTOPB}}) {
        ASSERT_TRUE(port.SetCommParams(9600, 7, c.parity, c.stopBits));
        termios line{};
        ASSERT_EQ(::tcgetattr(peer.terminalFd(), &line), 0);
        EXPECT_EQ(line.c_cflag & (PARODD | CSTOPB), c.flags) << int(c.parity);
        EXPECT_EQ(::cfgetospeed(&line), speed_t(B9600));
    }
    EXPECT_FALSE(port.SetCommParams(57601, 8, Parity::None, StopBits::One));
    EXPECT_FALSE(port.SetCommParams(57600, 9, Parity::None, StopBits::One));
}

TEST_F(SerialPortTest, IntervalIsArmedByTheFirstByteAndTotalBoundsTheRead)
{
    std::uint8_t buffer[4] = {};
    // A first byte later than T is fine; the interval only starts counting after it.
    peer.run([](PtyPeer& p) {
        std::this_thread::sleep_for(150ms);
        p.send("xy");
    });
    EXPECT_TRUE(port.Read(2, buffer));
    peer.join();

    // A gap longer than T after the first byte ends the read.
    peer.run([](PtyPeer& p) {
        p.send("1");
        std::this_thread::sleep_for(300ms);
        p.send("2");
    });
    auto start = Clock::now();
    EXPECT_FALSE(port.Read(4, buffer));
    EXPECT_NEAR(MsSince(start), 100, 50);
    peer.join();
    ASSERT_TRUE(port.Read(1, buffer));
    EXPECT_EQ(buffer[0], '2');

    // Gaps below T never trip the interval, but T*n+T = 1000 ms (T = 200) ends the read of 4
    // bytes after three of them; the fourth is left for the next read.
    port.SetTimeouts(200);
    peer.run([](PtyPeer& p) {
        std::this_thread::sleep_for(600ms);
        for (const char* b : {"a", "b", "c", "d"}) {
            p.send(b);
            std::this_thread::sleep_for(160ms);
        }
    });
    start = Clock::now();
    EXPECT_FALSE(port.Read(4, buffer));
    EXPECT_NEAR(MsSince(start), 1000, 40);
    peer.join();
    ASSERT_TRUE(port.Read(1, buffer));
    EXPECT_EQ(buffer[0], 'd');
}

TEST_F(SerialPortTest, HangUpFailsPromptlyWithoutSpinning)
{
    port.SetTimeouts(1000);
    peer.run([](PtyPeer& p) {
        std::this_thread::sleep_for(100ms);
        p.hangUp();
    });
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    const auto start = Clock::now();
    std::string text;
    EXPECT_FALSE(port.ReadLine(1024, text));
    EXPECT_LT(MsSince(start), 1000);
    EXPECT_EQ(port.lastIoFailure(), IoFailure::HungUp);
    peer.join();
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    const long cpuMs = (after.ru_utime.tv_sec - before.ru_utime.tv_sec) * 1000 +
                       (after.ru_utime.tv_usec - before.ru_utime.tv_usec) / 1000 +
                       (after.ru_stime.tv_sec - before.ru_stime.tv_sec) * 1000 +
                       (after.ru_stime.tv_usec - before.ru_stime.tv_usec) / 1000;
    EXPECT_LT(cpuMs, 60);
    // The line is gone for good: the reopen failed, so later calls fail at once.
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.Write("x"));
    EXPECT_EQ(port.lastIoFailure(), IoFailure::NotOpen);
    EXPECT_FALSE(std::filesystem::exists(lockFile()));

    // A write into a line that went away fails the same way.
    PtyPeer other;
    SerialPort writer(other.devicePath());
    ASSERT_TRUE(writer.Open());
    writer.SetTimeouts(1000);
    other.hangUp();
    const auto writeStart = Clock::now();
    EXPECT_FALSE(writer.Write("dir\r"));
    EXPECT_LT(MsSince(writeStart), 500);
    EXPECT_EQ(writer.lastIoFailure(), IoFailure::HungUp);
    EXPECT_FALSE(writer.isOpen());
}

TEST_F(SerialPortTest, OpenIsExclusiveInEveryLayer)
{
    EXPECT_EQ(port.lastOpenFailure(), OpenFailure::None);
    std::ifstream lock(lockFile());
    std::string pid;
    std::getline(lock, pid);
    EXPECT_EQ(pid, std::string(10 - std::to_string(::getpid()).size(), '0') +
                       std::to_string(::getpid()));

    EXPECT_TRUE(port.Open()); // opening again lets go of the first descriptor and lock
    SerialPort second(peer.devicePath());
    EXPECT_FALSE(second.Open());
    EXPECT_EQ(second.lastOpenFailure(), OpenFailure::InUse);
    {
        SerialPort scoped(peer.devicePath());
        port.Close();
        EXPECT_FALSE(std::filesystem::exists(lockFile()));
        EXPECT_TRUE(scoped.Open());
    } // the destructor closes and unlocks
    EXPECT_TRUE(second.Open());
    second.Close();

    // Another program's flock alone is enough.
    const int other = ::open(peer.devicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(second.Open());
    EXPECT_EQ(second.lastOpenFailure(), OpenFailure::InUse);
    ::close(other);

    // So is another program's TIOCEXCL, which stays theirs.
    const int exclusive = ::open(peer.devicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_EQ(::ioctl(exclusive, TIOCEXCL), 0);
    EXPECT_FALSE(second.Open());
    EXPECT_EQ(second.lastOpenFailure(), OpenFailure::InUse);
    int stillExclusive = 0;
    ::ioctl(exclusive, TIOCGEXCL, &stillExclusive);
    EXPECT_EQ(stillExclusive, 1);
    ::ioctl(exclusive, TIOCNXCL);
    ::close(exclusive);

    // A lock file naming a live process holds; one naming a dead process is taken over.
    std::ofstream(lockFile()) << "         1\n";
    EXPECT_FALSE(second.Open());
    EXPECT_EQ(second.lastOpenFailure(), OpenFailure::InUse);
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    std::ofstream(lockFile(), std::ios::trunc) << child << "\n";
    EXPECT_TRUE(second.Open());
    std::ifstream taken(lockFile());
    std::getline(taken, pid);
    EXPECT_EQ(std::stoi(pid), ::getpid());
    second.Close();

    // A lock without a readable PID may be one another program has just created and not yet
    // written: busy while it is young, stale once it is old.
    for (const std::string& content : {std::string(), std::string("garbage\n")}) {
        std::ofstream(lockFile(), std::ios::trunc) << content;
        EXPECT_FALSE(second.Open()) << content;
        EXPECT_EQ(second.lastOpenFailure(), OpenFailure::InUse);
        std::filesystem::last_write_time(lockFile(), std::filesystem::file_time_type::clock::now() -
                                                         std::chrono::minutes(1));
        EXPECT_TRUE(second.Open()) << content;
        second.Close();
    }

    // No writable lock folder: that layer is skipped, the port still opens.
    ::setenv("KORA_LOCK_DIR", (locks.path() / "missing").c_str(), 1);
    EXPECT_TRUE(second.Open());
}

} // namespace
} // namespace kora
