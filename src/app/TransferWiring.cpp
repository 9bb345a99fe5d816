#include "app/TransferWiring.h"

#include <QPushButton>

#include "device/DeviceBrowser.h"
#include "device/DevicePanelController.h"
#include "device/DevicePath.h"
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
}

TransferWiring::~TransferWiring() = default;

void TransferWiring::RunDeviceProgram(const std::string& name)
{
    // The console may stand anywhere since the listing.
    const std::string& shown = parts_.deviceController->browser().DevicePath();
    uploadAndRun_->RunOnDevice(shown.empty() ? std::string(kDeviceRoot) : shown, name);
}

} // namespace kora
