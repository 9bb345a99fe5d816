#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "link/PortWatcher.h"
#include "support/EventLoop.h"
#include "support/PtyPair.h"
#include "support/SimFixture.h"
#include "support/TempDir.h"
#include "terminal/TerminalReconnect.h"

namespace kora {
namespace {

namespace fs = std::filesystem;

// Each way a port link can appear or go is reported, the plain creation of a link in a folder
// that had none included (a first adapter, a simulator that removed its link on the way out and
// makes it again): no delete comes before it to wake the watcher.
TEST(PortWatcher, EveryWayALinkComesOrGoesIsReported)
{
    test::TempDir ports;
    test::PtyPair device;
    const fs::path link = ports.path() / "COM9";
    const fs::path aside = ports.path() / "aside";
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"created", [&] { fs::create_symlink(device.slavePath(), link); }},
        {"removed", [&] { fs::remove(link); }},
        {"moved in",
         [&] {
             fs::create_symlink(device.slavePath(), aside);
             fs::rename(aside, link);
         }},
        {"moved out", [&] { fs::rename(link, aside); }},
    };
    PortWatcher watcher({ports.path()});
    ASSERT_TRUE(watcher.watching());
    int reports = 0;
    QObject::connect(&watcher, &PortWatcher::portsMayHaveChanged, [&reports] { ++reports; });
    for (const auto& [what, change] : changes) {
        const int before = reports;
        change();
        EXPECT_TRUE(test::RunEventsUntil([&] { return reports > before; })) << what;
    }
}

// The device of a lost line is back but refuses the open for half a second (another program
// holds it a moment, udev sets its permissions late): the retries span that time instead of
// being spent at once. Only the test's own folder is watched, so no other program's devices
// wake the reconnect for another try.
TEST(TerminalReconnect, ADeviceThatRefusesTheOpenForAMomentIsTakenWhenItIsFree)
{
    test::TempDir ports;
    test::ScopedEnv portDir("KORA_PORT_DIR", ports.path().string());
    test::PtyPair device;
    QElapsedTimer sinceBack;
    int tries = 0;
    TerminalReconnect reconnect(
        [&](const std::string& where) {
            EXPECT_EQ(where, "COM9");
            ++tries;
            return sinceBack.elapsed() >= 500;
        },
        {ports.path()});
    bool reconnected = false;
    QObject::connect(&reconnect, &TerminalReconnect::reconnected,
                     [&reconnected] { reconnected = true; });
    reconnect.waitFor(ReturningDevice("COM9", "/dev/kora-gone", ports.path() / "by-id"));

    sinceBack.start();
    fs::create_symlink(device.slavePath(), ports.path() / "COM9");
    EXPECT_TRUE(test::RunEventsUntil([&] { return reconnected; }, std::chrono::seconds(10)))
        << tries << " tries";
    EXPECT_FALSE(reconnect.waiting());
    EXPECT_GT(tries, 1);
}

} // namespace
} // namespace kora
