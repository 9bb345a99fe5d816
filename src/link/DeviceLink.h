#pragma once

#include <QObject>
#include <QString>

#include <functional>

#include "link/ConsoleExchange.h"
#include "link/UploadPacing.h"

namespace kora {

// Who has the serial port at the moment.
enum class PortHolder {
    None,
    DeviceOperation, // one console exchange: a listing, a menu command, the I/O read-out
    Terminal,        // the interactive console, for as long as it is on
    CopyBatch,       // a copy to the device, for its whole batch of files
    IoConfiguration, // the I/O configuration cycle: read-out, dialog, upload, apply
};

class DeviceLink;

// The right to use the port, for as long as the lease lives. An empty lease was refused
// because somebody else holds the port. Move-only; the port is given back on destruction or
// by release().
class [[nodiscard]] PortLease {
public:
    PortLease() = default;
    PortLease(PortLease&& other) noexcept;
    PortLease& operator=(PortLease&& other) noexcept;
    PortLease(const PortLease&) = delete;
    PortLease& operator=(const PortLease&) = delete;
    ~PortLease();

    explicit operator bool() const { return link_ != nullptr; }
    // The link whose port this lease holds; null for an empty lease.
    DeviceLink* link() const { return link_; }
    void release();

private:
    friend class DeviceLink;
    explicit PortLease(DeviceLink* link) : link_(link) {}

    DeviceLink* link_ = nullptr;
};

// The one owner of the serial port in the window: keeps the selected port name and who holds
// the port. Device operations, the terminal, a copy batch and the I/O configuration all take
// the port here, one holder at a time. A request made while the port is held is refused
// without side effects, which is what keeps an event delivered during a nested event loop (a
// focus change, a timer) from starting a second exchange inside the first.
//
// GUI thread only.
class DeviceLink final : public QObject {
    Q_OBJECT
public:
    explicit DeviceLink(QObject* parent = nullptr);
    ~DeviceLink() override;

    // The port every device action uses: a COMn alias or a device path; empty when none was
    // found. The port box confirms its text through setPortName.
    QString portName() const { return portName_; }
    void setPortName(const QString& name);

    // Called before the port is taken, so that a port name typed into the port box but not
    // yet confirmed takes effect first, exactly as Enter would. Returns true when it applied
    // a pending name (the caller may then skip a listing it was about to make).
    using PendingPortConfirmer = std::function<bool()>;
    void setPendingPortConfirmer(PendingPortConfirmer confirmer);
    // Applies a pending port name now; false when there was none (or the port is held).
    bool confirmPendingPort();

    // How every exchange on the port decides that the console has finished.
    ExchangeTiming timing() const { return timing_; }
    void setTiming(ExchangeTiming timing) { timing_ = timing; }
    // How the uploads (a copy, the I/O configuration) follow each block's ACK.
    UploadPacing uploadPacing() const { return uploadPacing_; }
    void setUploadPacing(UploadPacing pacing) { uploadPacing_ = pacing; }

    PortHolder holder() const { return holder_; }
    bool busy() const { return holder_ != PortHolder::None; }

    // Takes the port for who; an empty lease when it is held already. For the terminal, a copy
    // and the I/O configuration a pending port name is confirmed first, so that the lease is
    // for the port the box shows. A device operation belongs to a panel action that was made
    // on the listing shown, so the panel confirms a pending name before the action reads the
    // listing (see DevicePanelController), never in the middle of it.
    PortLease acquire(PortHolder who);

signals:
    void holderChanged(kora::PortHolder holder);
    void busyChanged(bool busy);
    void portNameChanged(const QString& name);

private:
    friend class PortLease;
    void give(PortHolder who);

    QString portName_;
    PortHolder holder_ = PortHolder::None;
    ExchangeTiming timing_ = ExchangeTiming::Quick;
    UploadPacing uploadPacing_ = UploadPacing::Paced;
    PendingPortConfirmer confirmPending_;
};

} // namespace kora
