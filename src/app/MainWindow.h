#pragma once

#include <QMainWindow>

#include <memory>

#include "app/MainMenu.h"

class QAction;
class QPlainTextEdit;
class QPushButton;
class QSplitter;

namespace kora {

class ComPortBox;
class CopyFromDeviceController;
class DeviceControls;
class DeviceLink;
class DevicePanel;
class DevicePanelController;
class IoConfigController;
class LocalPanel;
class TerminalWindow;
class TransferWiring;

// The program's one main window: the local panel on the left, the copy button column, the
// device panel on the right and the terminal pane across the bottom. It composes the panels
// and wires their controllers, runs start-up and shutdown, and owns the state that lives as
// long as the program.
class TfrmMain final : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Start-up, run once after construction and before the window is shown: shows the
    // start-up dialog while the ports are scanned, the local view is built and the terminal
    // is prepared.
    void FormCreate();

    // Gives the two panels equal widths and the terminal pane a third of the height.
    void FormShow();

    LocalPanel* localPanel() const { return pnlLocal_; }
    DevicePanel* devicePanel() const { return pnlKora_; }
    // What the device panel does: listings, navigation, the port box and its pop-up menu.
    DevicePanelController* deviceController() const { return deviceController_.get(); }
    CopyFromDeviceController* copyFromController() const;
    QPlainTextEdit* meoDos() const { return meoDos_; }
    QPushButton* btnCopy() const { return btnCopy_; }
    QAction* Exit1() const { return menu_->Exit1(); }
    QAction* About1() const { return menu_->About1(); }
    // Options, "Log Console to File..." (see MainMenu).
    QAction* LogConsole1() const { return menu_->LogConsole1(); }
    bool StartConsoleLog(const QString& path) { return menu_->StartConsoleLog(path); }
    void StopConsoleLog() { menu_->StopConsoleLog(); }
    // The interactive console in meoDos; exists from start-up to shutdown.
    TerminalWindow* terminal() const { return terminal_.get(); }

    // Runs a program on the controller in the terminal: switches the terminal on and types
    // name and Enter.
    void RunDeviceProgram(const QString& name);

    // The one owner of the serial port: the selected port name and who holds the port.
    DeviceLink* deviceLink() const { return deviceLink_.get(); }

    QString IOConfigPath; // the local I/O configuration file

signals:
    // Each text the start-up dialog shows, in order.
    void startupProgress(const QString& text);

public slots:
    void Exit1Click();
    // "Run KORA Utility": asks for the companion program and starts it.
    void tbtnLocalRunClick();
    // Help, "About...".
    void About1Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QSplitter* addSplitter(Qt::Orientation orientation, const QString& objectName, QWidget* parent);
    void createDeviceController();
    void createIoConfigController();
    void createTransferWiring();

    // Start-up steps.
    void ScanComPort();
    void selectStartViews();
    void createTerminalThreads();

    // Shutdown, in the order FormDestroy runs it: the console log, the terminal's output and
    // receive threads, its byte queue, its port.
    void FormDestroy();

    // The window's close button, the system menu or Alt+F4: No keeps the window open.
    void FormClose(QCloseEvent& event);
    bool ConfirmExit();

    QSplitter* clientSplitter_ = nullptr;
    QSplitter* pnlUpper_ = nullptr;
    LocalPanel* pnlLocal_ = nullptr;
    QPushButton* btnCopy_ = nullptr;
    DevicePanel* pnlKora_ = nullptr;
    QPlainTextEdit* meoDos_ = nullptr;
    std::unique_ptr<DeviceLink> deviceLink_;
    std::unique_ptr<MainMenu> menu_;
    std::unique_ptr<DeviceControls> deviceControls_;
    // Adds ports plugged in after start-up to the port box and marks those pulled.
    std::unique_ptr<ComPortBox> comPortBox_;
    // Released before the panel's widgets, which it drives.
    std::unique_ptr<DevicePanelController> deviceController_;
    // The copies both ways and Upload and Run; released before the device controller, whose
    // listing they refresh.
    std::unique_ptr<TransferWiring> transfers_;
    // The "Config KORA" button's cycle.
    std::unique_ptr<IoConfigController> ioConfigController_;
    // The terminal's queue, threads and port; released before the widgets it uses.
    std::unique_ptr<TerminalWindow> terminal_;

    // The window keeps the panels equally divided while it settles into its maximised size,
    // until the user moves a splitter.
    bool shownOnce_ = false;
    bool divideOnResize_ = false;
    bool exitConfirmed_ = false;
};

} // namespace kora
