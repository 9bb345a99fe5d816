#pragma once

#include <QObject>
#include <QString>

#include <optional>
#include <string>

#include "ioconf/IoConfigExchange.h"
#include "ioconf/IoConfigTable.h"

class QPlainTextEdit;
class QWidget;

namespace kora {

class DeviceLink;
class PortLease;

// The "Config KORA" button's cycle: reads the controller's configuration from its console,
// lets the user edit the ranges, writes the local file, uploads it and has the controller
// apply it. The port is held for the whole cycle, so nothing else uses it meanwhile.
class IoConfigController final : public QObject {
    Q_OBJECT
public:
    struct Wiring {
        DeviceLink* link = nullptr;       // who holds the port, and which port it is
        QPlainTextEdit* meoDos = nullptr; // the terminal pane: the exchange's log
        QString configPath;               // the local configuration file
        QWidget* dialogParent = nullptr;  // parent of the dialog and the message boxes
        IoConfigTiming timing;
    };

    explicit IoConfigController(Wiring wiring, QObject* parent = nullptr);

    // One configuration cycle. Does nothing at all while somebody else holds the port.
    void tbtnKoraConfClick();

private:
    // The read-out and the dialog: the table as confirmed with OK, or nothing when the read-out
    // failed (its message has been shown) or the dialog was cancelled.
    std::optional<IoConfigTable> ReadAndEdit(const PortLease& lease);
    bool Upload(const std::string& port);
    void Apply(const PortLease& lease);

    Wiring wiring_;
    // The last read-out, and the port it came from.
    std::optional<IoConfigTable> lastReadOut_;
    QString lastReadOutPort_;
};

} // namespace kora
