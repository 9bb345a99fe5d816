#include <gtest/gtest.h>

#include <filesystem>

#include "link/ReturningDevice.h"
#include "support/PtyPair.h"
#include "support/TempDir.h"

namespace kora {
namespace {

namespace fs = std::filesystem;

// A device with a by-id link is known by that link only: another device that takes its old
// name is not it. One without is known by the name the user chose.
TEST(ReturningDevice, KnownByItsByIdLinkElseByItsName)
{
    test::TempDir byId;
    test::PtyPair adapter;
    test::PtyPair other;
    const fs::path link = byId.path() / "usb-Maker_Model_SN123-if00-port0";
    fs::create_symlink(adapter.slavePath(), link);

    const ReturningDevice usb(other.slavePath(), adapter.slavePath(), byId.path());
    EXPECT_EQ(usb.byIdPath(), link.string());
    EXPECT_EQ(usb.whereNow(), link.string());
    fs::remove(link); // pulled: udev removes the link; the old name now names another device
    EXPECT_EQ(usb.whereNow(), std::nullopt);
    fs::create_symlink(other.slavePath(), link); // back, in another socket
    EXPECT_EQ(usb.whereNow(), link.string());

    const ReturningDevice plain(other.slavePath(), other.slavePath(), byId.path() / "none");
    EXPECT_EQ(plain.byIdPath(), "");
    EXPECT_EQ(plain.whereNow(), other.slavePath());
    const ReturningDevice gone("/dev/kora-no-such-port", "/dev/kora-no-such-port", byId.path());
    EXPECT_EQ(gone.whereNow(), std::nullopt);
}

} // namespace
} // namespace kora
