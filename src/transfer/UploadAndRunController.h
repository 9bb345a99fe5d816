#pragma once

#include <QObject>

#include <functional>
#include <string>

class QAction;
class QPlainTextEdit;
class QWidget;

namespace kora {

class CopyToDeviceController;
class DeviceBrowser;
class DeviceLink;
class LocalPanel;
class SerialPort;

// "Upload and Run" (UploadAndRun1) in the local panel's context menu, and Ctrl+R in its list:
// the selected file goes to the directory the device panel shows through the normal copy
// (warnings, rename prompt, transfer dialog, refresh); then the terminal comes on with the
// program's name typed in that directory, so its output appears live in the pane and the user
// can answer it. The console is brought to the directory and the place confirmed before the
// name is typed, in the terminal's own hold of the port; when that fails nothing is typed and
// the message says why. When the echo of the Enter that starts the program fails, the program
// may be running: the terminal comes on all the same (nothing more is typed) and the pane says
// so. A terminal that was on is switched off for the copy and on again after.
// A failed or cancelled copy starts nothing. The item is greyed for anything but one program
// file; Ctrl+R copies such a selection without starting it.
class UploadAndRunController final : public QObject {
    Q_OBJECT
public:
    struct Wiring {
        DeviceLink* link = nullptr;
        LocalPanel* localPanel = nullptr;       // the selection; its menu and list get the item
        CopyToDeviceController* copy = nullptr; // the normal copy
        DeviceBrowser* browser = nullptr;       // the directory the copy goes to
        QPlainTextEdit* meoDos = nullptr;       // the pane: the start's lines
        QWidget* dialogParent = nullptr;
        // The terminal: whether it is on, the "Launch Terminal" button, and switching it on
        // with the start run on its port first (false when it did not come on).
        std::function<bool()> terminalOn;
        std::function<void()> toggleTerminal;
        std::function<bool(const std::function<bool(SerialPort&)>& start)> switchTerminalOnWith;
    };

    // Everything in the wiring must outlive the controller.
    explicit UploadAndRunController(Wiring wiring, QObject* parent = nullptr);
    ~UploadAndRunController() override;

    QAction* UploadAndRun1() const { return UploadAndRun1_; }
    // Greys the item unless the selection is one program file.
    void PopupMenu1Popup();
    void UploadAndRun1Click();
    // A program already on the controller (a double click in the device list): the terminal
    // comes on with it started in `directory`, the place confirmed first, as after an upload.
    void RunOnDevice(const std::string& directory, const std::string& program);

private:
    // Switches the terminal on with the program started in the directory; on failure the
    // message box says why and a terminal that was on before comes on again.
    void startInTerminal(const std::string& directory, const std::string& program,
                         bool terminalWasOn);

    Wiring wiring_;
    QAction* UploadAndRun1_ = nullptr; // owned by the local panel's menu
};

} // namespace kora
