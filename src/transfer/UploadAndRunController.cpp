#include "transfer/UploadAndRunController.h"

#include <QAbstractItemView>
#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>

#include <optional>
#include <string>
#include <vector>

#include "device/DeviceBrowser.h"
#include "device/ProgramStart.h"
#include "link/DeviceLink.h"
#include "link/GuiDeviceOperation.h"
#include "local/LocalPanel.h"
#include "transfer/CopyToDeviceController.h"
#include "transfer/UploadAndRun.h"
#include "ui/ByteText.h"
#include "ui/UserInputBlock.h"
#include "ui/UserPrompts.h"

namespace kora {

namespace {

std::vector<CopySource> Selection(const LocalPanel& panel)
{
    std::vector<CopySource> sources;
    for (const SelectedLocalEntry& entry : panel.selectedEntries()) {
        sources.push_back({entry.path.bytes, !entry.isFolder, entry.size});
    }
    return sources;
}

} // namespace

UploadAndRunController::UploadAndRunController(Wiring wiring, QObject* parent)
    : QObject(parent), wiring_(std::move(wiring))
{
    LocalPanel& panel = *wiring_.localPanel;
    QMenu& menu = *panel.controller().PopupMenu1();
    menu.addSeparator();
    UploadAndRun1_ = menu.addAction(QStringLiteral("Upload and Run"));
    UploadAndRun1_->setObjectName(QStringLiteral("UploadAndRun1"));
    UploadAndRun1_->setShortcut(Qt::CTRL | Qt::Key_R);
    connect(UploadAndRun1_, &QAction::triggered, this, &UploadAndRunController::UploadAndRun1Click);
    connect(&menu, &QMenu::aboutToShow, this, &UploadAndRunController::PopupMenu1Popup);
    // The key works where the selection is, as F5 for the copy does.
    for (QAbstractItemView* view : panel.views()) {
        auto* key = new QAction(view);
        key->setObjectName(QStringLiteral("UploadAndRunKey"));
        key->setShortcut(Qt::CTRL | Qt::Key_R);
        key->setShortcutContext(Qt::WidgetShortcut);
        view->addAction(key);
        connect(key, &QAction::triggered, this, &UploadAndRunController::UploadAndRun1Click);
    }
}

UploadAndRunController::~UploadAndRunController() = default;

void UploadAndRunController::PopupMenu1Popup()
{
    UploadAndRun1_->setEnabled(UploadAndRunApplies(Selection(*wiring_.localPanel)));
}

void UploadAndRunController::UploadAndRun1Click()
{
    const bool terminalWasOn = wiring_.terminalOn();
    // A copy or another operation holds the port: nothing happens, as for the copy button.
    if (wiring_.link->busy() && !terminalWasOn) {
        return;
    }
    const std::vector<CopySource> selection = Selection(*wiring_.localPanel);
    if (terminalWasOn) {
        wiring_.toggleTerminal();
        if (wiring_.terminalOn()) {
            return;
        }
    }
    // The copy goes to the directory the panel shows; the program starts there.
    const std::string directory = wiring_.browser->DevicePath();
    const std::optional<std::string> program =
        ProgramToStart(selection, wiring_.copy->CopySelection());
    if (!program) {
        if (terminalWasOn) {
            wiring_.toggleTerminal();
        }
        return;
    }

    startInTerminal(directory, *program, terminalWasOn);
}

void UploadAndRunController::RunOnDevice(const std::string& directory, const std::string& program)
{
    const bool terminalWasOn = wiring_.terminalOn();
    if (wiring_.link->busy() && !terminalWasOn) {
        return;
    }
    // The terminal holds the port while it is on: it is opened again with the start.
    if (terminalWasOn) {
        wiring_.toggleTerminal();
        if (wiring_.terminalOn()) {
            return;
        }
    }
    startInTerminal(directory, program, terminalWasOn);
}

void UploadAndRunController::startInTerminal(const std::string& directory,
                                             const std::string& program, bool terminalWasOn)
{
    PaneConsoleLog log(*wiring_.meoDos);
    std::optional<std::string> failure;
    const ExchangeTiming timing = wiring_.link->timing();
    bool on = false;
    {
        BusyCursor hourglass;
        const UserInputBlock block;
        on = wiring_.switchTerminalOnWith([&](SerialPort& port) {
            const OperationResult started = StartProgramIn(port, directory, program, log, timing);
            if (started.mayBeRunning) {
                // The program may be running: the terminal comes on to show it, and the pane
                // says why nothing was checked.
                ShowConsoleLine(log, started.message);
                return true;
            }
            if (!started.ok) {
                failure = started.message;
            }
            return started.ok;
        });
    }
    if (on) {
        return;
    }
    if (failure) {
        Prompts().error(wiring_.dialogParent, ByteText(*failure));
    }
    if (terminalWasOn && !wiring_.terminalOn()) {
        wiring_.toggleTerminal();
    }
}

} // namespace kora
