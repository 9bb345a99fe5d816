#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QAction;
class QLabel;
class QMainWindow;
class QMenu;

namespace kora {

class ConsoleLogFile;
class DeviceLink;
class TerminalWindow;

// The main window's menu bar: File ("Exit"), Options (settings kept between runs, and the
// console log) and Help ("About..."). The window connects Exit and About; the options act
// on the link, the terminal and the console log themselves.
class MainMenu final : public QObject {
    Q_OBJECT
public:
    // The window and the link must outlive the menu.
    MainMenu(QMainWindow& window, DeviceLink& link);
    ~MainMenu() override;

    QAction* Exit1() const { return Exit1_; }
    QAction* About1() const { return About1_; }
    // Options, "Log Console to File...": asks for a file and appends what the pane shows to it
    // (checked while logging; choosing it again stops). "Log Raw Received Bytes" logs the
    // bytes received instead of the lines shown, from the next start of a log.
    QAction* LogConsole1() const { return LogConsole1_; }

    // Options, "Reconnect Terminal": the terminal opens its line again when the device returns.
    void bindTerminal(TerminalWindow& terminal);

    // Starts the console log on path (false, with an error box, when it cannot be written) or
    // stops it; what the menu item does after its file dialog.
    bool StartConsoleLog(const QString& path);
    void StopConsoleLog();

private:
    QAction* option(const QString& caption, const QString& objectName,
                    const QString& statusTip = QString());
    void LogConsole1Click();

    QMainWindow& window_;
    DeviceLink& link_;
    QMenu* Options1_ = nullptr;
    QAction* Exit1_ = nullptr;
    QAction* About1_ = nullptr;
    // Options, "Patient Timing (wait for silence)": checked, every exchange waits for silence.
    QAction* PatientTiming1_ = nullptr;
    QAction* TerminalReconnect1_ = nullptr;
    QAction* LogConsole1_ = nullptr;
    QAction* LogRawBytes1_ = nullptr;
    // Options, "Fast Upload (no pause between blocks)": checked, uploads leave out the 5 ms
    // pause after each block's ACK.
    QAction* FastUpload1_ = nullptr;
    // The console log the user asked for, and its note in the status bar.
    std::unique_ptr<ConsoleLogFile> consoleLog_;
    QLabel* logStatus_ = nullptr;
};

} // namespace kora
