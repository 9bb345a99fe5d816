#pragma once

#include <string>

#include "link/ConsoleExchange.h"

class QPlainTextEdit;
class QWidget;

namespace kora {

// ConsoleLog on the terminal pane. Each appended line is painted at once (the window may
// repaint during a blocking operation) while user input stays blocked.
class PaneConsoleLog final : public ConsoleLog {
public:
    explicit PaneConsoleLog(QPlainTextEdit& pane) : pane_(pane) {}
    int lineCount() const override;
    void clear() override;
    void appendLine(const std::string& text) override;

private:
    QPlainTextEdit& pane_;
};

class DeviceLink;

// Runs a device operation from the GUI on the link's port: takes the port (a request made while
// another holder has it is refused, result.refused, and nothing else happens), hourglass while
// it lasts, lines shown in the pane as they arrive, user input made meanwhile dropped, cursor
// restored, port given back, then the error box (through Prompts()) when it failed.
OperationResult RunGuiDeviceOperation(DeviceLink& link, QWidget* parent, QPlainTextEdit& pane,
                                      const DeviceOperation& op);

class PortLease;

// The same for a holder that already has the port for a longer task (the I/O configuration
// cycle): runs on the lease's port without taking it again. An empty lease is refused.
OperationResult RunGuiDeviceOperation(const PortLease& held, QWidget* parent, QPlainTextEdit& pane,
                                      const DeviceOperation& op);

} // namespace kora
