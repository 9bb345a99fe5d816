#include "ioconf/IoConfigController.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QPlainTextEdit>

#include "ioconf/IoConfigText.h"
#include "ioconf/KoraIOConfDialog.h"
#include "link/DeviceLink.h"
#include "link/GuiDeviceOperation.h"
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
    const std::optional<IoConfigTable> edited = ReadAndEdit(port);
    if (!edited) {
        return;
    }
    if (!CreateIOConfig(*edited, wiring_.configPath)) {
        Prompts().error(wiring_.dialogParent, QString::fromLatin1(kCreateConfigFailed));
        return;
    }
    if (Upload(port)) {
        Apply(port);
    }
}

std::optional<IoConfigTable> IoConfigController::ReadAndEdit(const std::string& port)
{
    TdlgKoraIOConf dialog(wiring_.dialogParent);
    const OperationResult read =
        RunGuiDeviceOperation(wiring_.dialogParent, *wiring_.meoDos, port,
                              ReadOutOperation(dialog.Config, wiring_.timing.readOutMs));
    if (!read.ok || dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.Config;
}

bool IoConfigController::Upload(const std::string& port)
{
    BusyCursor busy;
    PaneConsoleLog log(*wiring_.meoDos);
    // The window keeps repainting and the worker's calls get through; input waits until the
    // upload is over.
    const auto keepAlive = [] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    const OperationResult sent =
        UploadIoConfig(port, QFile::encodeName(wiring_.configPath).toStdString(), log,
                       wiring_.timing.uploadMs, keepAlive);
    busy.Restore();
    if (!sent.ok) {
        Prompts().error(wiring_.dialogParent, QString::fromUtf8(sent.message.c_str()));
    }
    return sent.ok;
}

void IoConfigController::Apply(const std::string& port)
{
    // The upload is removed even when applying it failed.
    RunGuiDeviceOperation(wiring_.dialogParent, *wiring_.meoDos, port,
                          ApplyOperation(wiring_.timing.commandMs));
    RunGuiDeviceOperation(wiring_.dialogParent, *wiring_.meoDos, port,
                          DeleteUploadOperation(wiring_.timing.commandMs));
}

} // namespace kora
