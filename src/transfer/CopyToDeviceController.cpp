#include "transfer/CopyToDeviceController.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>

#include "device/DeviceBrowser.h"
#include "device/DevicePanel.h"
#include "link/DeviceLink.h"
#include "link/GuiDeviceOperation.h"
#include "link/SerialPort.h"
#include "local/LocalPanel.h"
#include "transfer/FileDropTarget.h"
#include "transfer/KoraTranDialog.h"
#include "ui/ByteText.h"
#include "ui/ThemeIcons.h"
#include "ui/UserPrompts.h"

namespace kora {

CopyButtonColumn MakeCopyButtonColumn(QWidget* parent, int width)
{
    CopyButtonColumn made;
    made.pnlBtn = new QWidget(parent);
    made.pnlBtn->setObjectName(QStringLiteral("pnlBtn"));
    made.pnlBtn->setFixedWidth(width);
    auto* layout = new QVBoxLayout(made.pnlBtn);
    layout->setContentsMargins(2, 0, 2, 0);
    made.btnCopy = new QPushButton(made.pnlBtn);
    made.btnCopy->setObjectName(QStringLiteral("btnCopy"));
    made.btnCopy->setToolTip(QStringLiteral("Copy file to KORA"));
    made.btnCopy->setIcon(ThemeIcon(ToolIcon::CopyToDevice));
    made.btnCopy->setIconSize(QSize(24, 24));
    made.btnCopy->setFixedSize(width - 6, 40);
    layout->addStretch(1);
    layout->addWidget(made.btnCopy, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    return made;
}

CopyToDeviceController::CopyToDeviceController(Wiring wiring, QObject* parent)
    : QObject(parent), wiring_(wiring)
{
    dropTarget_ = std::make_unique<FileDropTarget>(
        *wiring_.devicePanel, [this] { return !wiring_.link->busy(); },
        [this](const std::vector<LocalPath>& paths) { CopyFiles(paths); });
    bindCopyKey();
}

CopyToDeviceController::~CopyToDeviceController() = default;

void CopyToDeviceController::bindCopyKey()
{
    // F5 copies the selection, as in two-panel file managers; only where the selection is.
    for (QAbstractItemView* view : wiring_.localPanel->views()) {
        auto* copyKey = new QAction(view);
        copyKey->setObjectName(QStringLiteral("CopyToKora"));
        copyKey->setShortcut(Qt::Key_F5);
        copyKey->setShortcutContext(Qt::WidgetShortcut);
        view->addAction(copyKey);
        connect(copyKey, &QAction::triggered, this, &CopyToDeviceController::btnCopyClick);
    }
}

void CopyToDeviceController::btnCopyClick()
{
    CopySelection();
}

std::optional<QueueOutcome> CopyToDeviceController::CopySelection()
{
    std::vector<CopySource> sources;
    for (const SelectedLocalEntry& entry : wiring_.localPanel->selectedEntries()) {
        // The size now, not the listing's: the check and the upload count the same bytes.
        CopySource source = CopySourceAt(entry.path.bytes);
        source.isFile = source.isFile && !entry.isFolder;
        sources.push_back(std::move(source));
    }
    return copy(sources);
}

void CopyToDeviceController::CopyFiles(const std::vector<LocalPath>& paths)
{
    std::vector<CopySource> sources;
    sources.reserve(paths.size());
    for (const LocalPath& path : paths) {
        sources.push_back(CopySourceAt(path.bytes));
    }
    copy(sources);
}

std::optional<QueueOutcome> CopyToDeviceController::copy(const std::vector<CopySource>& sources)
{
    DeviceLink& link = *wiring_.link;
    // Somebody else has the port: nothing happens at all. A port name typed but not yet
    // confirmed takes effect first; the device panel then shows another listing, so the copy,
    // which was aimed at the old one, is dropped.
    if (link.busy() || link.confirmPendingPort()) {
        return std::nullopt;
    }
    // No listing has reported the free space yet while it is 0.
    const std::uint64_t free = wiring_.browser->DeviceFreeBytes();
    const CopyRefusal refusal =
        CheckCopySelection(sources, free == 0 ? std::nullopt : std::optional(free));
    if (refusal != CopyRefusal::None) {
        Prompts().warning(wiring_.dialogParent, ByteText(CopyRefusalText(refusal)));
        return std::nullopt;
    }
    std::optional<QueueOutcome> outcome = transfer(sources);
    if (outcome && outcome->kind == QueueOutcome::Kind::Completed) {
        // Every file arrived: a listing that shows just them needs no second reading.
        std::vector<std::string> names;
        for (const QueuedFile& file : outcome->sent) {
            names.push_back(file.deviceName);
        }
        wiring_.browser->refreshAfter(KnownChange::Uploaded(names));
    } else if (outcome) {
        // Whatever the outcome, the listing shows what arrived.
        wiring_.browser->operationRefresh();
    }
    return outcome;
}

std::optional<QueueOutcome> CopyToDeviceController::transfer(const std::vector<CopySource>& sources)
{
    PortLease lease = wiring_.link->acquire(PortHolder::CopyBatch);
    if (!lease) {
        return std::nullopt;
    }
    SerialPort port(wiring_.link->portName().toStdString());
    if (const std::optional<std::string> failure = OpenCopyPort(port)) {
        lease.release();
        Prompts().error(wiring_.dialogParent, ByteText(*failure));
        return std::nullopt;
    }

    const QByteArray shown = wiring_.devicePanel->pathBox()->currentText().toLatin1();
    const std::string deviceDir = DeviceDirectory(
        std::string_view(shown.constData(), static_cast<std::size_t>(shown.size())));
    // The panel's listing, when it is of the destination, tells what each name held before.
    const bool listedThere = DeviceDirectory(wiring_.browser->DevicePath()) == deviceDir;
    std::vector<std::string> paths;
    std::vector<std::uint64_t> sizes;
    std::vector<std::optional<ListedFile>> earlier;
    for (const CopySource& source : sources) {
        paths.push_back(source.path);
        sizes.push_back(source.size);
        earlier.push_back(
            listedThere ? ListedFileNamed(wiring_.browser->entries(), FileNamePart(source.path))
                        : std::nullopt);
    }
    PaneConsoleLog log(*wiring_.meoDos);
    // A dialog closed before its queue ran sent nothing.
    QueueOutcome outcome{QueueOutcome::Kind::Cancelled, {}, {}, {}};
    {
        TdlgKoraTran dialog(wiring_.dialogParent);
        dialog.setPort(&port);
        dialog.setStatusMemo(&log);
        dialog.setDeviceDir(deviceDir);
        dialog.setFileList(std::move(paths));
        dialog.setCheckedSizes(std::move(sizes));
        dialog.setEarlierEntries(std::move(earlier));
        dialog.setTiming(wiring_.link->timing());
        dialog.setUploadPacing(wiring_.link->uploadPacing());
        dialog.exec();
        if (dialog.outcome()) {
            outcome = *dialog.outcome();
        }
    }
    port.Close();
    return outcome;
}

} // namespace kora
