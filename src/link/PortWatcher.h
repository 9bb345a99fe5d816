#pragma once

#include <QObject>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <vector>

#include "link/UniqueFd.h"

class QSocketNotifier;

namespace kora {

// Tells when serial devices may have come or gone, from the system's own events: inotify on
// the folders where device nodes and port links appear (/dev, /dev/serial/by-id, the ports
// folder). Nothing is polled and no port is opened; a burst of events (udev makes a node and
// then its links) is reported once, after a short settling time.
class PortWatcher final : public QObject {
    Q_OBJECT
public:
    // Folders that do not exist yet are watched from the moment they appear, as long as a
    // watched folder above them reports their creation.
    explicit PortWatcher(std::vector<std::filesystem::path> folders, QObject* parent = nullptr);
    ~PortWatcher() override;

    // False when the system gave no inotify instance (the box then keeps its start-up list).
    bool watching() const { return static_cast<bool>(inotify_); }

signals:
    void portsMayHaveChanged();

private:
    void addWatches();
    void readEvents();

    std::vector<std::filesystem::path> folders_;
    UniqueFd inotify_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer settle_;
};

} // namespace kora
