#include "link/DeviceControls.h"

namespace kora {

DeviceControls::DeviceControls(DeviceLink& link, QObject* parent) : QObject(parent), link_(link)
{
    connect(&link_, &DeviceLink::holderChanged, this, &DeviceControls::apply);
}

void DeviceControls::add(QWidget* control, PortHolder owner)
{
    controls_.push_back({control, owner});
    control->setEnabled(EnabledWhile(link_.holder(), owner));
}

bool DeviceControls::EnabledWhile(PortHolder holder, PortHolder owner)
{
    switch (holder) {
    case PortHolder::None:
    case PortHolder::DeviceOperation:
        return true;
    case PortHolder::Terminal:
    case PortHolder::CopyBatch:
    case PortHolder::IoConfiguration:
        return owner == holder;
    }
    return true;
}

void DeviceControls::apply(PortHolder holder)
{
    for (const Control& control : controls_) {
        if (control.widget) {
            control.widget->setEnabled(EnabledWhile(holder, control.owner));
        }
    }
}

} // namespace kora
