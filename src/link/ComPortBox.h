#pragma once

#include <QObject>

#include <memory>

#include "link/ComPortScan.h"

class QComboBox;

namespace kora {

class PortWatcher;

// Keeps the port box in step with the machine after start-up: a port that appears (an adapter
// plugged in, a new link in the ports folder) is added in its place in the list, and one that
// disappears is kept but marked (greyed, in italics, with a tool tip and an accessible
// description saying so) until it comes back. Each item's tool tip tells what the system knows of
// the device. Driven by the system's device events (PortWatcher); no port is opened, so a port in
// use is never disturbed. The box's text and selection, and so the port every operation uses, stay
// as they are.
class ComPortBox final : public QObject {
    Q_OBJECT
public:
    ComPortBox(QComboBox& box, ComPortScanSources sources, QObject* parent = nullptr);
    ~ComPortBox() override;

    // Looks at the machine now and updates the list; the watcher calls it after each burst of
    // device events.
    void update();

    // An item's mark: the port is not there at the moment.
    static bool markedGone(const QComboBox& box, int index);

private:
    void describeAll();
    void describe(int index, const std::vector<SerialDeviceInfo>& known);

    QComboBox& box_;
    ComPortScanSources sources_;
    std::unique_ptr<PortWatcher> watcher_;
};

} // namespace kora
