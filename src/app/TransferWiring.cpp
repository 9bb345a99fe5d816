#include "app/TransferWiring.h"

#include <QPushButton>

#include "cli/NamedPorts.h"
#include "device/DeviceBrowser.h"
#include "device/DevicePanelController.h"
#include "device/DevicePath.h"
#include "sync/SyncController.h"
#include "terminal/TerminalWindow.h"
#include "transfer/CopyFromDeviceController.h"
#include "transfer/CopyToDeviceController.h"
#include "transfer/UploadAndRunController.h"

namespace kora {

TransferWiring::TransferWiring(const Parts& parts) : parts_(parts)
{
    DeviceBrowser* browser = &parts_.deviceController->browser();
    copyTo_ = std::make_unique<CopyToDeviceController>(
        CopyToDeviceController::Wiring{parts_.link, parts_.localPanel, parts_.devicePanel, browser,
                                       parts_.meoDos, parts_.dialogParent});
    QObject::connect(parts_.btnCopy, &QPushButton::clicked, copyTo_.get(),
                     &CopyToDeviceController::btnCopyClick);
    copyFrom_ = std::make_unique<CopyFromDeviceController>(
        CopyFromDeviceController::Wiring{parts_.link, parts_.devicePanel, parts_.deviceController,
                                         parts_.localPanel, parts_.meoDos, parts_.dialogParent});

    UploadAndRunController::Wiring upload;
    upload.link = parts_.link;
    upload.localPanel = parts_.localPanel;
    upload.copy = copyTo_.get();
    upload.browser = browser;
    upload.meoDos = parts_.meoDos;
    upload.dialogParent = parts_.dialogParent;
    const auto terminal = parts_.terminal;
    upload.terminalOn = [terminal] { return terminal() != nullptr && terminal()->IsOn(); };
    upload.toggleTerminal = [terminal] {
        if (TerminalWindow* window = terminal()) {
            window->tbtnDOSCmdClick();
        }
    };
    upload.switchTerminalOnWith = [terminal](const TerminalSession::StartAction& start) {
        return terminal() != nullptr && terminal()->SwitchOnWith(start);
    };
    uploadAndRun_ = std::make_unique<UploadAndRunController>(std::move(upload));

    SyncController::Wiring sync;
    sync.link = parts_.link;
    sync.localPanel = parts_.localPanel;
    sync.browser = browser;
    sync.meoDos = parts_.meoDos;
    sync.dialogParent = parts_.dialogParent;
    // The record of a controller the command line names is the window's too.
    sync.controllerName = [](const std::string& port) {
        const auto names = cli::LoadControllerNames();
        const auto* loaded = std::get_if<cli::ControllerNames>(&names);
        const std::vector<std::string> named =
            loaded != nullptr ? cli::NamesOfPort(port, *loaded) : std::vector<std::string>();
        return named.empty() ? std::string() : named.front();
    };
    sync_ = std::make_unique<SyncController>(std::move(sync));
}

TransferWiring::~TransferWiring() = default;

void TransferWiring::RunDeviceProgram(const std::string& name)
{
    // The console may stand anywhere since the listing.
    const std::string& shown = parts_.deviceController->browser().DevicePath();
    uploadAndRun_->RunOnDevice(shown.empty() ? std::string(kDeviceRoot) : shown, name);
}

} // namespace kora
