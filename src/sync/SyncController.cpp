#include "sync/SyncController.h"

#include <QAction>
#include <QMenu>

#include "device/DeviceBrowser.h"
#include "device/DevicePath.h"
#include "link/DeviceLink.h"
#include "link/GuiDeviceOperation.h"
#include "link/SerialPort.h"
#include "local/LocalBrowser.h"
#include "local/LocalPanel.h"
#include "sync/KoraSyncDialog.h"
#include "sync/PcFolderTree.h"
#include "sync/SyncPlan.h"
#include "sync/SyncRecord.h"
#include "sync/SyncRun.h"
#include "transfer/KoraTranDialog.h"
#include "ui/ByteText.h"
#include "ui/UserPrompts.h"

namespace kora {

namespace {

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += (text.empty() ? "" : "\n") + line;
    }
    return text;
}

} // namespace

SyncController::SyncController(Wiring wiring, QObject* parent)
    : QObject(parent), wiring_(std::move(wiring))
{
    QMenu& menu = *wiring_.localPanel->controller().PopupMenu1();
    Synchronise1_ = menu.addAction(QStringLiteral("Synchronise with KORA-7740P"));
    Synchronise1_->setObjectName(QStringLiteral("Synchronise1"));
    connect(Synchronise1_, &QAction::triggered, this, &SyncController::Synchronise1Click);
    connect(&menu, &QMenu::aboutToShow, this, &SyncController::PopupMenu1Popup);
}

SyncController::~SyncController() = default;

std::optional<LocalPath> SyncController::folder() const
{
    const std::vector<SelectedLocalEntry> selected = wiring_.localPanel->selectedEntries();
    if (selected.size() == 1 && selected.front().isFolder) {
        return selected.front().path;
    }
    const LocalFolderId& shown = wiring_.localPanel->controller().browser().LocalFolderPidl();
    if (selected.empty() && !shown.isComputer()) {
        return LocalPath{shown.path};
    }
    return std::nullopt;
}

void SyncController::PopupMenu1Popup()
{
    Synchronise1_->setEnabled(folder().has_value());
}

void SyncController::Synchronise1Click()
{
    if (const std::optional<LocalPath> chosen = folder()) {
        SynchroniseFolder(*chosen);
    }
}

void SyncController::SynchroniseFolder(const LocalPath& folder)
{
    DeviceLink& link = *wiring_.link;
    QWidget* parent = wiring_.dialogParent;
    // Somebody else has the port: nothing happens, as for the copy. A port name typed but not
    // confirmed takes effect first, and the panel then shows another listing.
    if (link.busy() || link.confirmPendingPort()) {
        return;
    }
    const std::string& shown = wiring_.browser->DevicePath();
    const std::string destination = shown.empty() ? std::string(kDeviceRoot) : shown;
    const PcFolderTree tree = WalkPcFolder(folder, destination, destination != kDeviceRoot);
    if (!tree.problems.empty()) {
        // The PC's names, as the panel shows them.
        Prompts().error(parent,
                        QString::fromStdString("Nothing was sent:\n\n" + Joined(tree.problems)));
        return;
    }
    const std::string port = link.portName().toStdString();
    const std::string name = wiring_.controllerName ? wiring_.controllerName(port) : std::string();
    SyncRecord record = SyncRecord::Load(SyncRecord::FileFor(name.empty() ? port : name));

    std::optional<SyncPlan> plan;
    {
        // One hold of the port for all the listings: nothing else slips in between.
        PortLease lease = link.acquire(PortHolder::CopyBatch);
        if (!lease) {
            return;
        }
        SyncOptions planning;
        planning.findDeletions = true; // shown; deleted only when the box is ticked
        plan = PlanSync(tree, record, planning, [&](const std::string& path) {
            DirectoryListing listing;
            const bool listed = ListDeviceDirectory(
                [&](const DeviceOperation& op) {
                    return RunGuiDeviceOperation(lease, parent, *wiring_.meoDos, op);
                },
                path, listing);
            return listed ? std::optional(std::move(listing)) : std::nullopt;
        });
    }
    if (!plan) {
        return; // the listing's failure has been shown
    }
    if (!plan->problems.empty()) {
        Prompts().error(parent, ByteText("Nothing was changed:\n\n" + Joined(plan->problems)));
        return;
    }
    bool withDeletions = false;
    {
        TdlgKoraSync dialog(*plan, LocalPathText(folder), parent);
        if (dialog.exec() != QDialog::Accepted) {
            return;
        }
        withDeletions = dialog.deleteChecked();
    }

    SyncOutcome outcome;
    {
        PortLease lease = link.acquire(PortHolder::CopyBatch);
        if (!lease) {
            return;
        }
        SyncSteps steps;
        steps.run = [&](const DeviceOperation& op) {
            return RunGuiDeviceOperation(lease, parent, *wiring_.meoDos, op);
        };
        steps.send = [&](const std::vector<QueuedFile>& files) -> std::optional<QueueOutcome> {
            SerialPort serial(port);
            if (const std::optional<std::string> failure = OpenCopyPort(serial)) {
                Prompts().error(parent, ByteText(*failure));
                return std::nullopt;
            }
            PaneConsoleLog log(*wiring_.meoDos);
            // A dialog closed before its queue ran sent nothing.
            QueueOutcome sent{QueueOutcome::Kind::Cancelled, {}, {}, {}};
            {
                TdlgKoraTran dialog(parent);
                dialog.setPort(&serial);
                dialog.setStatusMemo(&log);
                dialog.setDeviceDir(DeviceDirectory(destination));
                dialog.setQueue(files);
                dialog.setTiming(link.timing());
                dialog.setUploadPacing(link.uploadPacing());
                dialog.exec();
                if (dialog.outcome()) {
                    sent = *dialog.outcome();
                }
            }
            serial.Close();
            return sent;
        };
        outcome = RunSync(*plan, withDeletions, record, steps);
    }
    // Whatever the outcome, the listing shows what arrived.
    wiring_.browser->operationRefresh();
    switch (outcome.kind) {
    case SyncOutcome::Kind::NoSpace:
        Prompts().warning(parent, ByteText(outcome.message));
        break;
    case SyncOutcome::Kind::NotDeleted:
    case SyncOutcome::Kind::RecordFailed:
        Prompts().error(parent, ByteText(outcome.message));
        break;
    default:
        break; // done, or reported where it failed (the operation's box, the transfer dialog)
    }
}

} // namespace kora
