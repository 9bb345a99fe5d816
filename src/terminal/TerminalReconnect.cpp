#include "terminal/TerminalReconnect.h"

#include "link/PortNames.h"
#include "link/PortWatcher.h"

namespace kora {
namespace {

constexpr int kRetryMs = 250;
constexpr int kRetries = 8;

} // namespace

TerminalReconnect::TerminalReconnect(Reopen reopen, QObject* parent)
    : TerminalReconnect(std::move(reopen), {}, parent)
{
}

TerminalReconnect::TerminalReconnect(Reopen reopen, std::vector<std::filesystem::path> watched,
                                     QObject* parent)
    : QObject(parent), reopen_(std::move(reopen)), watched_(std::move(watched))
{
    retry_.setSingleShot(true);
    retry_.setInterval(kRetryMs);
    connect(&retry_, &QTimer::timeout, this, &TerminalReconnect::tryNow);
}

TerminalReconnect::~TerminalReconnect() = default;

void TerminalReconnect::waitFor(ReturningDevice device)
{
    device_ = std::move(device);
    retriesLeft_ = kRetries;
    // The ports folder as it is named now: the user may have pointed it elsewhere meanwhile.
    watcher_ = std::make_unique<PortWatcher>(
        !watched_.empty() ? watched_
                          : std::vector<std::filesystem::path>{PortsFolder(), "/dev", "/dev/serial",
                                                               "/dev/serial/by-id", "/dev/pts"});
    connect(watcher_.get(), &PortWatcher::portsMayHaveChanged, this, [this] {
        retriesLeft_ = kRetries;
        tryNow();
    });
}

void TerminalReconnect::stop()
{
    retry_.stop();
    watcher_.reset();
    device_.reset();
}

void TerminalReconnect::tryNow()
{
    if (!device_) {
        return;
    }
    const std::optional<std::string> where = device_->whereNow();
    if (!where) {
        return;
    }
    if (reopen_(*where)) {
        stop();
        emit reconnected();
        return;
    }
    if (retriesLeft_-- > 0) {
        retry_.start();
    }
}

} // namespace kora
