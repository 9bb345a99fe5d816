#include "link/PortWatcher.h"

#include <QSocketNotifier>

#include <array>

#include <sys/inotify.h>

namespace kora {
namespace {

// udev makes a node, then its by-id link, within a few milliseconds; one look afterwards.
constexpr int kSettleMs = 150;

constexpr std::uint32_t kWatchedEvents =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF;

} // namespace

PortWatcher::PortWatcher(std::vector<std::filesystem::path> folders, QObject* parent)
    : QObject(parent), folders_(std::move(folders)),
      inotify_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, [this] {
        addWatches(); // a folder made meanwhile (the first adapter's by-id folder)
        emit portsMayHaveChanged();
    });
    if (!inotify_) {
        return;
    }
    addWatches();
    notifier_ = std::make_unique<QSocketNotifier>(inotify_.get(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &PortWatcher::readEvents);
}

PortWatcher::~PortWatcher() = default;

void PortWatcher::addWatches()
{
    if (!inotify_) {
        return;
    }
    // Adding a folder watched already keeps its watch; a missing folder fails quietly.
    for (const std::filesystem::path& folder : folders_) {
        ::inotify_add_watch(inotify_.get(), folder.c_str(), kWatchedEvents | IN_ONLYDIR);
    }
}

void PortWatcher::readEvents()
{
    alignas(inotify_event) std::array<char, 4096> buffer{};
    bool any = false;
    while (::read(inotify_.get(), buffer.data(), buffer.size()) > 0) {
        any = true;
    }
    if (any) {
        settle_.start();
    }
}

} // namespace kora
