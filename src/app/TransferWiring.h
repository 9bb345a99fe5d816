#pragma once

#include <functional>
#include <memory>
#include <string>

class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace kora {

class CopyFromDeviceController;
class CopyToDeviceController;
class DeviceLink;
class DevicePanel;
class DevicePanelController;
class LocalPanel;
class SyncController;
class TerminalWindow;
class UploadAndRunController;

// The main window's file moves between its panels: the copy to the controller (btnCopy, F5,
// drops on the device panel), the read-back to the PC (View, drags from the device list),
// Upload and Run and the sync of a folder, each wired to the panels it works on. The terminal is
// made later in start-up; Upload and Run reaches it when it is used.
class TransferWiring {
public:
    struct Parts {
        DeviceLink* link = nullptr;
        LocalPanel* localPanel = nullptr;
        DevicePanel* devicePanel = nullptr;
        DevicePanelController* deviceController = nullptr;
        QPushButton* btnCopy = nullptr;
        QPlainTextEdit* meoDos = nullptr;
        QWidget* dialogParent = nullptr;
        // The terminal, once start-up has made it (null before).
        std::function<TerminalWindow*()> terminal;
    };

    // Everything in the parts must outlive the wiring.
    explicit TransferWiring(const Parts& parts);
    ~TransferWiring();

    CopyFromDeviceController* copyFromController() const { return copyFrom_.get(); }
    SyncController* syncController() const { return sync_.get(); }
    // A program on the controller, started in the terminal in the directory the device panel
    // shows (the root before anything was listed), the place confirmed first.
    void RunDeviceProgram(const std::string& name);

private:
    Parts parts_;
    // Released before the device controller, whose listing they refresh.
    std::unique_ptr<CopyToDeviceController> copyTo_;
    std::unique_ptr<CopyFromDeviceController> copyFrom_;
    std::unique_ptr<UploadAndRunController> uploadAndRun_;
    std::unique_ptr<SyncController> sync_;
};

} // namespace kora
