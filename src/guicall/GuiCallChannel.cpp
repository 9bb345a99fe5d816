#include "guicall/GuiCallChannel.h"

#include <QObject>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

#include "link/UniqueFd.h"

namespace kora {

namespace {

UniqueFd OpenEventFd()
{
    UniqueFd fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!fd) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
    return fd;
}

} // namespace

// The worker's knock on the delivery thread: an eventfd watched by a socket notifier that lives
// on that thread. Knocks add up in the counter; one read takes them all.
class GuiCallChannel::Doorbell {
public:
    explicit Doorbell(GuiCallChannel& channel)
        : fd_(OpenEventFd()),
          notifier_(std::make_unique<QSocketNotifier>(fd_.get(), QSocketNotifier::Read))
    {
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this, &channel] {
            std::uint64_t knocks = 0;
            while (::read(fd_.get(), &knocks, sizeof knocks) < 0 && errno == EINTR) {
            }
            channel.ServePending();
        });
    }

    void ring()
    {
        const std::uint64_t knock = 1;
        while (::write(fd_.get(), &knock, sizeof knock) < 0 && errno == EINTR) {
        }
    }

private:
    UniqueFd fd_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

GuiCallChannel::GuiCallChannel()
    : deliveryThread_(std::this_thread::get_id()), doorbell_(std::make_unique<Doorbell>(*this))
{
}

GuiCallChannel::~GuiCallChannel() = default;

bool GuiCallChannel::OnDeliveryThread() const
{
    return std::this_thread::get_id() == deliveryThread_;
}

bool GuiCallChannel::RunAndWait(const std::function<void()>& call)
{
    if (OnDeliveryThread()) {
        call();
        return true;
    }
    std::unique_lock lock(mutex_);
    if (abandoned_) {
        return false;
    }
    pending_ = &call;
    done_ = false;
    doorbell_->ring();
    knocked_.notify_all();
    served_.wait(lock, [this] { return done_ || (abandoned_ && !running_); });
    const bool ran = done_;
    pending_ = nullptr;
    done_ = false;
    return ran;
}

void GuiCallChannel::ServePending()
{
    std::unique_lock lock(mutex_);
    if (pending_ == nullptr || done_ || running_ || held_ || abandoned_) {
        return;
    }
    const std::function<void()>* call = pending_;
    running_ = true;
    // The worker stays parked until done_ is set, and abandoning waits for running_ to clear,
    // so the call may run unlocked.
    lock.unlock();
    (*call)();
    lock.lock();
    running_ = false;
    done_ = true;
    served_.notify_all();
}

void GuiCallChannel::ServeWithin(std::chrono::milliseconds within)
{
    {
        std::unique_lock lock(mutex_);
        knocked_.wait_for(lock, within, [this] {
            return woken_ || abandoned_ || (pending_ != nullptr && !done_ && !running_);
        });
        woken_ = false;
    }
    ServePending();
}

void GuiCallChannel::Wake()
{
    std::lock_guard lock(mutex_);
    woken_ = true;
    knocked_.notify_all();
}

void GuiCallChannel::Hold()
{
    std::lock_guard lock(mutex_);
    held_ = true;
}

void GuiCallChannel::Release()
{
    std::lock_guard lock(mutex_);
    held_ = false;
    // A call turned away while held is offered again.
    if (pending_ != nullptr && !done_) {
        doorbell_->ring();
    }
}

void GuiCallChannel::Abandon()
{
    std::lock_guard lock(mutex_);
    abandoned_ = true;
    served_.notify_all();
}

bool GuiCallChannel::Pending() const
{
    std::lock_guard lock(mutex_);
    return pending_ != nullptr && !done_;
}

} // namespace kora
