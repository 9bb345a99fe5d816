#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "PtyPeer.h"
#include "link/PortFailureText.h"
#include "link/SerialPort.h"
#include "support/TempDir.h"

namespace kora {
namespace {

namespace fs = std::filesystem;

// The second line of the open failure gives the system's reason where it knows one.
TEST(PortFailureText, TheSecondLineSaysWhyThePortCouldNotBeOpened)
{
    test::TempDir folder;
    ::setenv("KORA_PORT_DIR", folder.path().c_str(), 1);
    const fs::path plainFile = folder.path() / "notes.txt";
    std::ofstream(plainFile) << "x";
    fs::create_symlink("/dev/pts/kora-gone", folder.path() / "COM5");
    test::PtyPeer peer;
    SerialPort holder(peer.devicePath());
    ASSERT_TRUE(holder.Open());

    const struct {
        std::string port;
        std::string reason;
    } cases[] = {
        {"/dev/kora-no-such-port",
         "There is no such port (/dev/kora-no-such-port does not exist)."},
        {"COM5", LineLostReason()}, // the link is there, the device behind it is gone
        {plainFile.string(), plainFile.string() + " is not a serial port."},
        {peer.devicePath(), "The port is in use by another program."},
    };
    for (const auto& c : cases) {
        SerialPort port(c.port);
        ASSERT_FALSE(port.Open()) << c.port;
        EXPECT_EQ(OpenFailureMessage(port), "Unable to open " + c.port + "!\n\n" + c.reason);
        EXPECT_EQ(KnownOpenFailureReason(port), c.reason);
    }
    ::unsetenv("KORA_PORT_DIR");
}

} // namespace
} // namespace kora
