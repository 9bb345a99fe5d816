#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include "PtyPeer.h"
#include "link/ComPortScan.h"
#include "link/ConsoleExchange.h"
#include "link/PortNames.h"
#include "link/SerialPort.h"
#include "support/RecordingLog.h"
#include "support/TempDir.h"

namespace kora {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

TEST(PortNames, AliasesAndFolders)
{
    EXPECT_EQ(ComPortNumber("COM1"), 1);
    EXPECT_EQ(ComPortNumber("COM255"), 255);
    EXPECT_EQ(ComPortNumber("com12"), 12);
    for (const char* bad : {"", "COM", "COM0", "COM01", "COM256", "COM1a", "CON1", "/dev/ttyS0"}) {
        EXPECT_EQ(ComPortNumber(bad), std::nullopt) << bad;
    }

    test::TempDir home;
    const std::string realHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", home.path().c_str(), 1);
    ::unsetenv("KORA_PORT_DIR");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(PortsFolder(), home.path() / ".config/kora7740p/ports");
    // An empty or relative XDG_CONFIG_HOME is ignored: a kora7740p folder in the current
    // directory must never name a port or a controller.
    for (const auto& [xdg, folder] :
         std::vector<std::pair<std::string, fs::path>>{{"", home.path() / ".config/kora7740p"},
                                                       {"cfg", home.path() / ".config/kora7740p"},
                                                       {"./", home.path() / ".config/kora7740p"},
                                                       {"/xdg", "/xdg/kora7740p"}}) {
        ::setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
        EXPECT_EQ(ConfigFolder(), folder) << "XDG_CONFIG_HOME=" << xdg;
        EXPECT_EQ(PortsFolder(), folder / "ports") << "XDG_CONFIG_HOME=" << xdg;
    }
    ::setenv("KORA_PORT_DIR", home.path().c_str(), 1);
    EXPECT_EQ(PortsFolder(), home.path());

    fs::create_symlink("/dev/pts/7", home.path() / "COM3");
    fs::create_symlink("ttyUSB0", home.path() / "COM4");
    EXPECT_EQ(ResolvePortName("COM3"), "/dev/pts/7");
    EXPECT_EQ(ResolvePortName("com3"), "/dev/pts/7");
    EXPECT_EQ(ResolvePortName("COM4"), (home.path() / "ttyUSB0").string());
    EXPECT_EQ(ResolvePortName("COM12"), "/dev/ttyS11");
    EXPECT_EQ(ResolvePortName("/dev/ttyUSB1"), "/dev/ttyUSB1");
    EXPECT_EQ(ResolvePortName("nonsense"), "nonsense");
    ::unsetenv("KORA_PORT_DIR");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", realHome.c_str(), 1);
}

class PortScanTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("KORA_LOCK_DIR", locks.path().c_str(), 1);
        fs::create_directories(sources.portsFolder);
        fs::create_directories(sources.deviceFolder);
    }
    void TearDown() override { ::unsetenv("KORA_LOCK_DIR"); }
    void publish(const std::string& name, const test::PtyPeer& peer)
    {
        fs::create_symlink(peer.devicePath(), sources.portsFolder / name);
    }

    test::TempDir root;
    test::TempDir locks;
    ComPortScanSources sources{
        root.path() / "ports",           root.path() / "dev", root.path() / "sys", {}, {},
        root.path() / "dev/serial/by-id"};
};

TEST_F(PortScanTest, NoPortsGiveAnEmptyList)
{
    EXPECT_TRUE(ScanComPorts(sources).empty());
}

TEST_F(PortScanTest, ListsPortsInNumericOrderIncludingBusyOnes)
{
    test::PtyPeer com1, com3, com12;
    publish("COM1", com1);
    publish("COM3", com3);
    publish("COM12", com12);
    fs::create_symlink("/no/such/tty", sources.portsFolder / "COM2");

    SerialPort holder("COM3");
    ::setenv("KORA_PORT_DIR", sources.portsFolder.c_str(), 1);
    ASSERT_TRUE(holder.Open());
    ::unsetenv("KORA_PORT_DIR");
    EXPECT_EQ(ScanComPorts(sources), (Names{"COM1", "COM3", "COM12"}));
    EXPECT_TRUE(holder.isOpen());
    holder.Close();

    // Held by another program through flock only.
    const int other = ::open(com3.devicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(ScanComPorts(sources), (Names{"COM1", "COM3", "COM12"}));
    ::close(other);
}

TEST_F(PortScanTest, ProbingOrUsingAPortLeavesItsSettingsAsTheyWere)
{
    using namespace std::chrono_literals;
    test::PtyPeer com1;
    publish("COM1", com1);
    // The line as a shell would leave it: cooked, echoing, 9600 baud, even parity.
    termios before{};
    ASSERT_EQ(::tcgetattr(com1.terminalFd(), &before), 0);
    before.c_iflag |= ICRNL | IXON;
    before.c_oflag |= OPOST | ONLCR;
    before.c_lflag |= ICANON | ECHO | ISIG;
    before.c_cflag |= PARENB;
    before.c_cc[VMIN] = 1;
    ::cfsetspeed(&before, B9600);
    ASSERT_EQ(::tcsetattr(com1.terminalFd(), TCSANOW, &before), 0);
    ASSERT_EQ(::tcgetattr(com1.terminalFd(), &before), 0);

    const auto settingsUnchanged = [&] {
        termios after{};
        return ::tcgetattr(com1.terminalFd(), &after) == 0 && after.c_iflag == before.c_iflag &&
               after.c_oflag == before.c_oflag && after.c_cflag == before.c_cflag &&
               after.c_lflag == before.c_lflag &&
               std::equal(std::begin(after.c_cc), std::end(after.c_cc), std::begin(before.c_cc)) &&
               ::cfgetispeed(&after) == ::cfgetispeed(&before) &&
               ::cfgetospeed(&after) == ::cfgetospeed(&before);
    };
    EXPECT_EQ(ScanComPorts(sources), Names{"COM1"});
    EXPECT_TRUE(settingsUnchanged()) << "after the scan's probe";

    com1.run([](test::PtyPeer& p) {
        p.console([](const std::string&) { return std::string("\r\nD:\\>"); }, 1s);
    });
    test::RecordingLog log;
    EXPECT_TRUE(RunDeviceOperation(com1.devicePath(), GenericCommand("ver\r"), log).ok);
    com1.join();
    EXPECT_TRUE(settingsUnchanged()) << "after a device operation";
}

TEST_F(PortScanTest, AppendsFurtherDevicesNaturallyOrderedWithoutDuplicatesOrPhantoms)
{
    test::PtyPeer com2;
    publish("COM2", com2);
    const std::string dev = sources.deviceFolder.string();
    fs::create_directories(sources.ttyClassFolder / "ttyS4");
    std::ofstream(sources.ttyClassFolder / "ttyS4" / "type") << "0\n";
    fs::create_directories(sources.ttyClassFolder / "ttyS5");
    std::ofstream(sources.ttyClassFolder / "ttyS5" / "type") << "4\n";
    sources.extraDevices = [&] {
        return Names{dev + "/ttyUSB10", com2.devicePath(), dev + "/ttyS4",
                     dev + "/ttyUSB2",  dev + "/ttyS5",    dev + "/ttyUSB2"};
    };
    EXPECT_EQ(ScanComPorts(sources),
              (Names{"COM2", dev + "/ttyS5", dev + "/ttyUSB2", dev + "/ttyUSB10"}));
}

} // namespace
} // namespace kora
