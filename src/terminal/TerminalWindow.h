#pragma once

#include "link/DeviceLink.h"
#include "link/ReturningDevice.h"
#include "terminal/TerminalSession.h"

#include <QFont>
#include <QList>
#include <QObject>
#include <QPalette>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QAbstractButton;
class QAction;
class QKeyEvent;
class QMenu;
class QPlainTextEdit;
class QWidget;

namespace kora {

class PlainTextScreen;
class TerminalCursor;
class TerminalReconnect;

// The terminal pane of the main window as an interactive console: the "Launch Terminal" button,
// the pane's keys, its pop-up menu and its colours, on top of TerminalSession. While the
// terminal is on it holds the port through the DeviceLink, so nothing else can start a device
// action.
//
// When the line hangs up while the terminal is on (a pulled USB adapter), the pane says
// "Lost the connection to " + port + "." and the terminal waits, still holding the port, for the
// same device to come back; then it opens it again by itself and says so in the pane. The
// button ends the wait. With reconnecting turned off it switches itself off instead, gives the
// port back and shows the same words in an error box.
//
// Everything runs on the GUI thread. The widgets belong to the window and must outlive this
// object; destroying it stops the threads and closes the port (see Shutdown*()).
class TerminalWindow final : public QObject {
    Q_OBJECT
public:
    struct Widgets {
        QPlainTextEdit* meoDos = nullptr;
        QAbstractButton* tbtnDOSCmd = nullptr;
        // Parent of the message boxes and the font dialog.
        QWidget* dialogParent = nullptr;
    };
    using FontChooser = std::function<std::optional<QFont>(const QFont& current)>;

    // Creates the byte queue and both terminal threads, paused. Switched on, the terminal holds
    // the link's port until it is switched off; the link disables the other device controls.
    TerminalWindow(const Widgets& widgets, DeviceLink& link);
    ~TerminalWindow() override;
    TerminalWindow(const TerminalWindow&) = delete;
    TerminalWindow& operator=(const TerminalWindow&) = delete;

    bool IsOn() const { return session_->IsOn(); }
    // Open the line again by itself when its device comes back (on by default).
    void SetReconnect(bool on) { reconnectOn_ = on; }
    // The line was lost and the terminal waits for its device.
    bool WaitingForLine() const;
    TerminalSession& Session() { return *session_; }
    const TerminalCursor& Cursor() const { return *cursor_; }

    // "Launch Terminal": switches the terminal on, or off when it is on.
    void tbtnDOSCmdClick();
    // A typed character: sent while the terminal is on (true, the pane does not show it);
    // false while it is off, leaving the key to the read-only pane.
    bool meoDosKeyPress(std::uint8_t character);
    // A cursor key or F1 to F4 while the terminal is on: its sequence is sent (true).
    bool meoDosKeyDown(int qtKey);
    // After a mouse button was released over the pane: without a selection, the caret goes
    // back to where the output is written.
    void meoDosMouseUp();
    // Switches the terminal on with start run on its port first (see TerminalSession): a
    // program's line typed with the checks of a device operation, whose output then appears
    // live. False when the terminal did not come on; a port that could not be opened is
    // reported here, a failed start by whoever made it.
    bool SwitchOnWith(const TerminalSession::StartAction& start);

    // The pane's pop-up menu and its items.
    QMenu* PopupMenu3() const { return PopupMenu3_; }
    QAction* Copy1() const { return Copy1_; }
    QAction* Pasteto7740P1() const { return Pasteto7740P1_; }
    QAction* SelectAll1() const { return SelectAll1_; }
    QAction* Font1() const { return Font1_; }
    // Enables the items for the pane's selection, the terminal state and the clipboard.
    void PopupMenu3Popup();
    void Copy1Click();
    void Pasteto7740P1Click();
    void SelectAll1Click();
    void Font1Click();

    // The font dialog by default; tests answer it themselves.
    void SetFontChooser(FontChooser chooser) { chooseFont_ = std::move(chooser); }
    // How a paste waits between its bytes; by default the window keeps repainting meanwhile
    // (user input waits), so the controller's echo appears as the text goes out.
    void SetPasteWait(TerminalSession::Wait wait) { pasteWait_ = std::move(wait); }

    // Shutdown in its order: a running thread is asked to end and waited for, a paused one is
    // deleted at once (printer, then receiver); then the queue; then the port.
    void ShutdownThreads();
    void ShutdownQueue();
    void ShutdownPort();

    // Waits for duration while handling every event but user input.
    static void WaitHandlingEvents(std::chrono::milliseconds duration);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPopupMenu();
    // The button, colours, cursor and lease of a terminal that has just been switched on or off.
    void showState(bool on);
    bool switchOn(const TerminalSession::StartAction& start);
    void lineLost(const QString& portName);
    bool reopenLine(const std::string& where);
    // One line in the pane from the terminal itself, between the controller's output.
    void announce(const QString& text);
    bool handlePaneKey(const QKeyEvent& event);
    bool takesKey(const QKeyEvent& event) const;

    Widgets widgets_;
    DeviceLink& link_;
    PortLease lease_;
    QPalette logPalette_;
    std::unique_ptr<PlainTextScreen> screen_;
    TerminalCursor* cursor_ = nullptr; // the pane owns it
    std::unique_ptr<TerminalSession> session_;
    FontChooser chooseFont_;
    TerminalSession::Wait pasteWait_ = WaitHandlingEvents;
    bool reconnectOn_ = true;
    // The line the terminal was switched on for: the name the user chose, and its device as it
    // was while present (a pulled adapter's by-id link is gone by the time the loss is seen).
    QString linePortName_;
    std::optional<ReturningDevice> lineDevice_;
    std::unique_ptr<TerminalReconnect> reconnect_;

    QMenu* PopupMenu3_ = nullptr;
    QAction* Copy1_ = nullptr;
    QAction* Pasteto7740P1_ = nullptr;
    QAction* SelectAll1_ = nullptr;
    QAction* Font1_ = nullptr;
};

} // namespace kora
