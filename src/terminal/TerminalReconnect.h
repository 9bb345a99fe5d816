#pragma once

#include <QObject>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/ReturningDevice.h"

namespace kora {

class PortWatcher;

// Waits for the device of a lost terminal line to come back and then opens it again through
// the given call. It looks whenever the system reports device nodes or port links coming or
// going (PortWatcher); a device that is back but refuses the open (its permissions are set a
// moment after the node appears) is tried again a few times.
class TerminalReconnect final : public QObject {
    Q_OBJECT
public:
    // Opens the line on the given name; true when the terminal is on again.
    using Reopen = std::function<bool(const std::string& where)>;

    // Watches the ports folder and the system's device folders, or only the folders given (a
    // test's own, where no other program's devices come and go).
    explicit TerminalReconnect(Reopen reopen, QObject* parent = nullptr);
    TerminalReconnect(Reopen reopen, std::vector<std::filesystem::path> watched,
                      QObject* parent = nullptr);
    ~TerminalReconnect() override;

    void waitFor(ReturningDevice device);
    void stop();
    bool waiting() const { return device_.has_value(); }

signals:
    void reconnected();

private:
    void tryNow();

    Reopen reopen_;
    std::vector<std::filesystem::path> watched_;
    std::optional<ReturningDevice> device_;
    std::unique_ptr<PortWatcher> watcher_;
    QTimer retry_;
    int retriesLeft_ = 0;
};

} // namespace kora
