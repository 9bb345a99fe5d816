#include "transfer/CopyFromDeviceController.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QUrl>

#include <functional>

#include "device/DeviceBrowser.h"
#include "device/DevicePanel.h"
#include "device/DevicePanelController.h"
#include "device/KoraViewDialog.h"
#include "device/ReadBackCopy.h"
#include "device/TextReadBack.h"
#include "link/DeviceLink.h"
#include "link/GuiDeviceOperation.h"
#include "local/LocalBrowser.h"
#include "local/LocalPanel.h"
#include "ui/UserPrompts.h"

namespace kora {

namespace {

// The files a drag from the device list carries: the device directory on the first line, then
// one "NAME<TAB>SIZE" line a file, in the console's single-byte text.
const QString kDeviceFilesFormat = QStringLiteral("application/x-kora7740p-device-files");
const QString kUriListFormat = QStringLiteral("text/uri-list");

QString Latin1(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QByteArray EncodeFiles(const std::string& devicePath, const std::vector<FolderEntry>& files)
{
    std::string text = devicePath + "\n";
    for (const FolderEntry& file : files) {
        text += file.name + "\t" + std::to_string(file.size) + "\n";
    }
    return QByteArray::fromStdString(text);
}

struct DraggedFiles {
    std::string devicePath;
    std::vector<FolderEntry> files;
};

std::optional<DraggedFiles> DecodeFiles(const QByteArray& bytes)
{
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.isEmpty() || lines.front().isEmpty()) {
        return std::nullopt;
    }
    DraggedFiles dragged{lines.front().toStdString(), {}};
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].split('\t');
        if (fields.size() != 2) {
            continue;
        }
        FolderEntry entry;
        entry.name = fields[0].toStdString();
        entry.size = fields[1].toULongLong();
        dragged.files.push_back(std::move(entry));
    }
    return dragged;
}

// The drag's data: the files as listed at once, their PC copies only when a drop target asks
// for them (a file manager does, at the drop), so a drag that ends nowhere reads nothing.
class DeviceFilesMime final : public QMimeData {
public:
    using CopyMaker = std::function<std::vector<LocalPath>()>;

    DeviceFilesMime(QByteArray files, CopyMaker makeCopies) : makeCopies_(std::move(makeCopies))
    {
        setData(kDeviceFilesFormat, files);
    }

    QStringList formats() const override { return {kDeviceFilesFormat, kUriListFormat}; }
    bool hasFormat(const QString& format) const override { return formats().contains(format); }

protected:
    QVariant retrieveData(const QString& format, QMetaType type) const override
    {
        if (format != kUriListFormat) {
            return QMimeData::retrieveData(format, type);
        }
        if (!urls_) {
            urls_.emplace();
            for (const LocalPath& path : makeCopies_()) {
                urls_->append(LocalPathUrl(path));
            }
        }
        return *urls_;
    }

private:
    CopyMaker makeCopies_;
    mutable std::optional<QVariantList> urls_;
};

} // namespace

CopyFromDeviceController::CopyFromDeviceController(Wiring wiring, QObject* parent)
    : QObject(parent), wiring_(wiring)
{
    QMenu& menu = *wiring_.deviceController->PopupMenu2();
    View1_ = new QAction(QStringLiteral("&View"), &menu);
    View1_->setObjectName(QStringLiteral("View1"));
    View1_->setShortcut(Qt::Key_F3);
    View1_->setShortcutContext(Qt::WidgetShortcut);
    QAction* first = menu.actions().value(0);
    menu.insertAction(first, View1_);
    menu.insertSeparator(first)->setObjectName(QStringLiteral("N5"));
    connect(View1_, &QAction::triggered, this, &CopyFromDeviceController::View1Click);
    // Enabled in the menu for a file; F3 stays live and looks at the selection itself.
    connect(&menu, &QMenu::aboutToShow, this,
            [this] { View1_->setEnabled(!selectedFiles().empty()); });
    connect(&menu, &QMenu::aboutToHide, this, [this] { View1_->setEnabled(true); });

    for (QAbstractItemView* view : wiring_.devicePanel->views()) {
        view->addAction(View1_);
        view->viewport()->installEventFilter(this);
    }
    // The device panel takes PC files dropped on it; files dragged from its own list are not
    // for it (this filter, installed last, sees the drag first).
    wiring_.devicePanel->installEventFilter(this);
    for (QAbstractItemView* view : wiring_.localPanel->views()) {
        view->viewport()->setAcceptDrops(true);
        view->viewport()->installEventFilter(this);
    }
}

CopyFromDeviceController::~CopyFromDeviceController() = default;

DeviceOperationRunner CopyFromDeviceController::runner() const
{
    return [wiring = wiring_](const DeviceOperation& op) {
        return RunGuiDeviceOperation(*wiring.link, wiring.dialogParent, *wiring.meoDos, op);
    };
}

std::vector<FolderEntry> CopyFromDeviceController::selectedFiles() const
{
    const DevicePanelController& device = *wiring_.deviceController;
    const FolderEntry* entry = device.browser().entryAt(device.selectedRow());
    if (entry == nullptr || entry->isFolder) {
        return {};
    }
    return {*entry};
}

TextFileReading CopyFromDeviceController::readFile(const std::string& devicePath,
                                                   const FolderEntry& entry)
{
    // The runner shows the refusal (or why the exchange failed) in its error box.
    return ReadDeviceTextFile(runner(), devicePath, entry.name, entry.size);
}

void CopyFromDeviceController::View1Click()
{
    const std::vector<FolderEntry> files = selectedFiles();
    if (files.empty()) {
        return;
    }
    // Copies: the listing may be replaced while the exchange runs.
    const FolderEntry entry = files.front();
    const std::string devicePath = wiring_.deviceController->browser().DevicePath();
    TextFileReading reading = readFile(devicePath, entry);
    if (!reading.content) {
        return;
    }
    const std::string note = KeptTextNote(reading);
    TdlgKoraView viewer(entry.name, std::move(*reading.content), wiring_.dialogParent, note);
    viewer.exec();
}

std::vector<LocalPath> CopyFromDeviceController::CopyToFolder(const std::string& devicePath,
                                                              const std::vector<FolderEntry>& files,
                                                              const LocalPath& folder)
{
    std::vector<LocalPath> written;
    std::unique_ptr<QProgressDialog> progress;
    if (files.size() > 1) {
        progress = std::make_unique<QProgressDialog>(
            QStringLiteral("Copying from KORA-7740P..."), QStringLiteral("Cancel"), 0,
            static_cast<int>(files.size()), wiring_.dialogParent);
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0);
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        const FolderEntry& file = files[i];
        if (progress) {
            if (progress->wasCanceled()) {
                break;
            }
            progress->setLabelText(QStringLiteral("Copying %1 (%2 of %3)...")
                                       .arg(Latin1(file.name))
                                       .arg(i + 1)
                                       .arg(files.size()));
            progress->setValue(static_cast<int>(i));
        }
        const LocalPath target = LocalChildPath(folder, file.name);
        const bool exists = LocalPathExists(target);
        if (exists &&
            !Prompts().confirm(
                wiring_.dialogParent,
                QStringLiteral("'%1' exists already.\nReplace it?").arg(LocalPathText(target)))) {
            continue;
        }
        const TextFileReading reading = readFile(devicePath, file);
        if (!reading.content) {
            continue;
        }
        if (const auto error = SaveReadBackCopy(target, *reading.content, exists)) {
            Prompts().error(wiring_.dialogParent,
                            QStringLiteral("Unable to copy %1: %2")
                                .arg(Latin1(file.name), QString::fromLocal8Bit(error->c_str())));
            continue;
        }
        written.push_back(target);
    }
    if (progress) {
        progress->setValue(static_cast<int>(files.size()));
    }
    return written;
}

std::vector<LocalPath>
CopyFromDeviceController::temporaryCopies(const std::string& devicePath,
                                          const std::vector<FolderEntry>& files)
{
    dragFolder_ = std::make_unique<QTemporaryDir>();
    if (!dragFolder_->isValid()) {
        return {};
    }
    return CopyToFolder(devicePath, files, {QFile::encodeName(dragFolder_->path()).toStdString()});
}

std::unique_ptr<QMimeData> CopyFromDeviceController::dragData()
{
    const std::vector<FolderEntry> files = selectedFiles();
    if (files.empty()) {
        return nullptr;
    }
    const std::string devicePath = wiring_.deviceController->browser().DevicePath();
    return std::make_unique<DeviceFilesMime>(
        EncodeFiles(devicePath, files),
        [this, devicePath, files] { return temporaryCopies(devicePath, files); });
}

void CopyFromDeviceController::dropOnLocalList(const QMimeData& mime)
{
    const std::optional<DraggedFiles> dragged = DecodeFiles(mime.data(kDeviceFilesFormat));
    if (!dragged) {
        return;
    }
    LocalBrowser& local = wiring_.localPanel->controller().browser();
    if (local.LocalFolderPidl().isComputer()) {
        Prompts().warning(wiring_.dialogParent,
                          QStringLiteral("Please open a folder to copy the files into."));
        return;
    }
    const std::vector<LocalPath> written =
        CopyToFolder(dragged->devicePath, dragged->files, {local.LocalFolderPidl().path});
    if (!written.empty()) {
        local.refresh();
    }
}

void CopyFromDeviceController::startDrag()
{
    std::unique_ptr<QMimeData> data = dragData();
    if (!data) {
        return;
    }
    auto* drag = new QDrag(wiring_.devicePanel->views().front());
    drag->setMimeData(data.release());
    drag->exec(Qt::CopyAction);
}

bool CopyFromDeviceController::eventFilter(QObject* watched, QEvent* event)
{
    bool onLocalList = false;
    for (QAbstractItemView* view : wiring_.localPanel->views()) {
        onLocalList = onLocalList || watched == view->viewport();
    }
    if (watched == wiring_.devicePanel) {
        if ((event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
             event->type() == QEvent::Drop) &&
            static_cast<QDropEvent*>(event)->mimeData()->hasFormat(kDeviceFilesFormat)) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        pressedAt_.reset();
        if (!onLocalList && mouse->button() == Qt::LeftButton) {
            pressedAt_ = mouse->position().toPoint();
        }
        break;
    }
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!onLocalList && pressedAt_ && (mouse->buttons() & Qt::LeftButton) &&
            (mouse->position().toPoint() - *pressedAt_).manhattanLength() >=
                QApplication::startDragDistance()) {
            pressedAt_.reset();
            startDrag();
            return true;
        }
        break;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
        if (onLocalList) {
            auto* drag = static_cast<QDropEvent*>(event);
            // Only files from the device list, and only while the port is free; the local
            // list takes nothing else.
            if (drag->mimeData()->hasFormat(kDeviceFilesFormat) && !wiring_.link->busy()) {
                drag->setDropAction(Qt::CopyAction);
                drag->accept();
            } else {
                drag->ignore();
            }
            return true;
        }
        break;
    case QEvent::Drop:
        if (onLocalList) {
            auto* drop = static_cast<QDropEvent*>(event);
            if (!drop->mimeData()->hasFormat(kDeviceFilesFormat) || wiring_.link->busy()) {
                drop->ignore();
                return true;
            }
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            // After the drop has finished: the drag's source is not kept waiting.
            const QByteArray files = drop->mimeData()->data(kDeviceFilesFormat);
            QMetaObject::invokeMethod(
                this,
                [this, files] {
                    QMimeData mime;
                    mime.setData(kDeviceFilesFormat, files);
                    dropOnLocalList(mime);
                },
                Qt::QueuedConnection);
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kora
