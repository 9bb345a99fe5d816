#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <vector>

#include "link/DeviceLink.h"

namespace kora {

// Binds the enabled state of the window's device controls to who holds the port. While the
// terminal, a copy batch or the I/O configuration has it, every control that could start
// another device action is disabled, except the holder's own control (the terminal's button
// stays enabled to switch it off). A single device operation disables nothing: it blocks the
// window's input for its few moments instead, which spares the controls a flicker.
class DeviceControls final : public QObject {
    Q_OBJECT
public:
    explicit DeviceControls(DeviceLink& link, QObject* parent = nullptr);

    // A control that starts device work; owner: the holder whose own control it is.
    void add(QWidget* control, PortHolder owner = PortHolder::None);

    // Whether a control of that owner is enabled while holder has the port.
    static bool EnabledWhile(PortHolder holder, PortHolder owner);

private:
    void apply(PortHolder holder);

    struct Control {
        QPointer<QWidget> widget;
        PortHolder owner;
    };
    DeviceLink& link_;
    std::vector<Control> controls_;
};

} // namespace kora
