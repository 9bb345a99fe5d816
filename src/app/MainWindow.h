#pragma once

#include <QMainWindow>

#include <cstdint>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QSplitter;

namespace kora {

class ComPortBox;
class ConsoleLogFile;
class CopyToDeviceController;
class UploadAndRunController;
class DeviceControls;
class DeviceLink;
class DevicePanel;
class DevicePanelController;
class IoConfigController;
class LocalPanel;
class SerialPort;
class TerminalWindow;

// The program's one main window: the local panel on the left, the copy button column, the
// device panel on the right and the terminal pane across the bottom. It composes the panels,
// runs start-up and shutdown, and owns the state that lives as long as the program.
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
    QPlainTextEdit* meoDos() const { return meoDos_; }
    QPushButton* btnCopy() const { return btnCopy_; }
    QAction* Exit1() const { return Exit1_; }
    QAction* About1() const { return About1_; }
    // Options, "Patient Timing (wait for silence)": checked, every exchange waits for silence.
    QAction* PatientTiming1() const { return PatientTiming1_; }
    // Options, "Reconnect Terminal": the terminal opens its line again when the device returns.
    QAction* TerminalReconnect1() const { return TerminalReconnect1_; }
    // Options, "Log Console to File...": asks for a file and appends what the pane shows to it
    // (checked while logging; choosing it again stops). "Log Raw Received Bytes" logs the
    // bytes received instead of the lines shown, from the next start of a log.
    QAction* LogConsole1() const { return LogConsole1_; }
    QAction* LogRawBytes1() const { return LogRawBytes1_; }
    // Starts the console log on path (false, with an error box, when it cannot be written) or
    // stops it; what the menu item does after its file dialog.
    bool StartConsoleLog(const QString& path);
    void StopConsoleLog();
    // Options, "Fast Upload (no pause between blocks)": checked, uploads leave out the 5 ms
    // pause after each block's ACK.
    QAction* FastUpload1() const { return FastUpload1_; }
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
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void centreOnDesktop();
    void buildMenu();
    QWidget* buildButtonColumn();
    void buildTerminalPane();
    void createDeviceController();
    void bindDeviceControls();
    void createIoConfigController();
    void createCopyController();
    void createUploadAndRunController();
    void PatientTiming1Click(bool checked);
    void LogConsole1Click();
    void FastUpload1Click(bool checked);

    // Start-up steps that other parts of the program fill in.
    void locateSpecialFolders();
    void ScanComPort();
    void constructLocalView();
    void selectStartViews();
    void createTerminalThreads();

    // Shutdown steps, in the order FormDestroy runs them.
    void FormDestroy();
    void stopTerminalThreads();
    void releaseTerminalQueue();
    void closeTerminalPort();

    // The window's close button, the system menu or Alt+F4: No keeps the window open.
    void FormClose(QCloseEvent& event);
    bool ConfirmExit();
    // The path box of the device panel is chosen from, never typed into.
    bool cbxKoraKeyPress(QKeyEvent& event);

    QMenuBar* MainMenu1_ = nullptr;
    QMenu* File1_ = nullptr;
    QMenu* Options1_ = nullptr;
    QAction* PatientTiming1_ = nullptr;
    QAction* TerminalReconnect1_ = nullptr;
    QAction* LogConsole1_ = nullptr;
    QAction* LogRawBytes1_ = nullptr;
    // The console log the user asked for (Options), and its note in the status bar.
    std::unique_ptr<ConsoleLogFile> consoleLog_;
    QLabel* logStatus_ = nullptr;
    QAction* FastUpload1_ = nullptr;
    QMenu* Help1_ = nullptr;
    QAction* Exit1_ = nullptr;
    QAction* About1_ = nullptr;
    QSplitter* clientSplitter_ = nullptr;
    QSplitter* pnlUpper_ = nullptr;
    LocalPanel* pnlLocal_ = nullptr;
    QWidget* pnlBtn_ = nullptr;
    QPushButton* btnCopy_ = nullptr;
    DevicePanel* pnlKora_ = nullptr;
    QPlainTextEdit* meoDos_ = nullptr;
    std::unique_ptr<DeviceLink> deviceLink_;
    std::unique_ptr<DeviceControls> deviceControls_;
    // Adds ports plugged in after start-up to the port box and marks those pulled.
    std::unique_ptr<ComPortBox> comPortBox_;
    // Released before the panel's widgets, which it drives.
    std::unique_ptr<DevicePanelController> deviceController_;
    // The copy button, F5 in the local list and drops on the device panel; released before the
    // device controller, whose listing it refreshes.
    std::unique_ptr<CopyToDeviceController> copyController_;
    std::unique_ptr<UploadAndRunController> uploadAndRun_;
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
