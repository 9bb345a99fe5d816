#include "link/DeviceLink.h"

#include <utility>

namespace kora {

PortLease::PortLease(PortLease&& other) noexcept : link_(std::exchange(other.link_, nullptr)) {}

PortLease& PortLease::operator=(PortLease&& other) noexcept
{
    if (this != &other) {
        release();
        link_ = std::exchange(other.link_, nullptr);
    }
    return *this;
}

PortLease::~PortLease()
{
    release();
}

void PortLease::release()
{
    if (DeviceLink* link = std::exchange(link_, nullptr)) {
        link->give(PortHolder::None);
    }
}

DeviceLink::DeviceLink(QObject* parent) : QObject(parent) {}

DeviceLink::~DeviceLink() = default;

void DeviceLink::setPortName(const QString& name)
{
    if (name == portName_) {
        return;
    }
    portName_ = name;
    emit portNameChanged(portName_);
}

void DeviceLink::setPendingPortConfirmer(PendingPortConfirmer confirmer)
{
    confirmPending_ = std::move(confirmer);
}

bool DeviceLink::confirmPendingPort()
{
    // While the port is held, the name must not change under its holder.
    if (busy() || !confirmPending_) {
        return false;
    }
    return confirmPending_();
}

PortLease DeviceLink::acquire(PortHolder who)
{
    if (busy() || who == PortHolder::None) {
        return {};
    }
    if (who != PortHolder::DeviceOperation) {
        confirmPendingPort();
        // Confirming a typed name lists the new port, which takes and gives the port back.
        if (busy()) {
            return {};
        }
    }
    give(who);
    return PortLease(this);
}

void DeviceLink::give(PortHolder who)
{
    if (who == holder_) {
        return;
    }
    const bool wasBusy = busy();
    holder_ = who;
    emit holderChanged(holder_);
    if (wasBusy != busy()) {
        emit busyChanged(busy());
    }
}

} // namespace kora
