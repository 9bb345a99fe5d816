#include "ioconf/IoConfigController.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QPlainTextEdit>

#include <optional>

#include "ioconf/IoConfigText.h"
#include "ioconf/KoraIOConfDialog.h"
#include "link/DeviceLink.h"
#include "link/GuiDeviceOperation.h"
#include "ui/UserInputBlock.h"
#include "ui/UserPrompts.h"

namespace kora {

IoConfigController::IoConfigController(Wiring wiring, QObject* parent)
    : QObject(parent), wiring_(std::move(wiring))
{
}

void IoConfigController::tbtnKoraConfClick()
{
    PortLease lease = wiring_.link->acquire(PortHolder::IoConfiguration);
    if (!lease) {
        return;
    }
    const std::string port = wiring_.link->portName().toStdString();
    const std::optional<IoConfigTable> edited = ReadAndEdit(lease);
    if (!edited) {
        return;
    }
    if (!CreateIOConfig(*edited, wiring_.configPath)) {
        Prompts().error(wiring_.dialogParent, QString::fromLatin1(kCreateConfigFailed));
        return;
    }
    if (Upload(port)) {
        Apply(lease);
    }
}

std::optional<IoConfigTable> IoConfigController::ReadAndEdit(const PortLease& lease)
{
    TdlgKoraIOConf dialog(wiring_.dialogParent);
    // The last read-out of the controller on this port goes with the next one.
    const bool samePort = lastReadOutPort_ == wiring_.link->portName();
    const OperationResult read = RunGuiDeviceOperation(
        lease, wiring_.dialogParent, *wiring_.meoDos,
        ReadOutOperation(dialog.Config, wiring_.timing.readOutMs,
                         samePort && lastReadOut_ ? &*lastReadOut_ : nullptr));
    if (!read.ok) {
        return std::nullopt;
    }
    lastReadOut_ = dialog.Config;
    lastReadOutPort_ = wiring_.link->portName();
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.Config;
}

bool IoConfigController::Upload(const std::string& port)
{
    BusyCursor busy;
    PaneConsoleLog log(*wiring_.meoDos);
    // The window keeps repainting and the worker's calls get through; what the user does
    // meanwhile is dropped.
    std::optional<UserInputBlock> noInput(std::in_place);
    const auto keepAlive = [] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    const OperationResult sent = UploadIoConfig(
        port, QFile::encodeName(wiring_.configPath).toStdString(), log, wiring_.timing.uploadMs,
        keepAlive, wiring_.link->timing(), wiring_.link->uploadPacing());
    noInput.reset();
    busy.Restore();
    if (!sent.ok) {
        Prompts().error(wiring_.dialogParent, QString::fromUtf8(sent.message.c_str()));
    }
    return sent.ok;
}

void IoConfigController::Apply(const PortLease& lease)
{
    // The upload is removed even when applying it failed.
    RunGuiDeviceOperation(lease, wiring_.dialogParent, *wiring_.meoDos,
                          ApplyOperation(wiring_.timing.commandMs));
    RunGuiDeviceOperation(lease, wiring_.dialogParent, *wiring_.meoDos,
                          DeleteUploadOperation(wiring_.timing.commandMs));
}

} // namespace kora
