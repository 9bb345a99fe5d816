#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <filesystem>
#include <string>
#include <vector>

#include "support/EventLoop.h"
#include "support/PtyPair.h"
#include "support/SimFixture.h"
#include "support/TempDir.h"
#include "terminal/TerminalReconnect.h"

namespace kora {
namespace {

namespace fs = std::filesystem;

// A lost terminal line waits for its COMn link in an empty ports folder. The link comes back
// only by being created, never by a delete before it (a simulator that removed its link on the
// way out, a first adapter): the creation alone must wake the reconnect. The device then refuses
// the open for a while (another program holds it a moment, udev sets its permissions late): the
// retries must span that time, not be spent at once.
TEST(TerminalReconnect, ALinkThatIsOnlyCreatedIsTakenEvenWhenTheDeviceRefusesAtFirst)
{
    struct Case {
        const char* what;
        qint64 refusedForMs;
    };
    for (const Case& c : std::vector<Case>{{"opens at once", 0}, {"refuses half a second", 500}}) {
        SCOPED_TRACE(c.what);
        test::TempDir ports;
        test::ScopedEnv portDir("KORA_PORT_DIR", ports.path().string());
        test::PtyPair device;

        QElapsedTimer sinceBack;
        std::vector<std::string> tried;
        TerminalReconnect reconnect([&](const std::string& where) {
            tried.push_back(where);
            return sinceBack.isValid() && sinceBack.elapsed() >= c.refusedForMs;
        });
        bool reconnected = false;
        QObject::connect(&reconnect, &TerminalReconnect::reconnected,
                         [&reconnected] { reconnected = true; });
        reconnect.waitFor(ReturningDevice("COM9", "/dev/kora-gone", ports.path() / "by-id"));
        ASSERT_TRUE(reconnect.waiting());

        sinceBack.start();
        fs::create_symlink(device.slavePath(), ports.path() / "COM9");
        ASSERT_TRUE(test::RunEventsUntil([&] { return reconnected; }, std::chrono::seconds(10)))
            << "tries: " << tried.size();
        EXPECT_FALSE(reconnect.waiting());
        EXPECT_EQ(tried.back(), "COM9");
    }
}

} // namespace
} // namespace kora
