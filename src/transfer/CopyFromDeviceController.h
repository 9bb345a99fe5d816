#pragma once

#include <QObject>
#include <QPoint>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/DeviceListing.h"
#include "device/TextReadBack.h"
#include "filelist/FolderEntry.h"
#include "filelist/LocalPath.h"

class QAction;
class QMimeData;
class QPlainTextEdit;
class QWidget;

namespace kora {

class DeviceLink;
class DevicePanel;
class DevicePanelController;
class LocalPanel;

// Text files from the controller to the PC, read back with "type" and kept only when every
// byte is accounted for (device/TextReadBack): the device list's "View" (and F3) shows a file in
// a read-only viewer with "Save As..."; a file dragged from the device list onto the local list
// is copied into the folder it shows, and onto a file manager's folder likewise. A file that
// cannot be read back exactly gets the refusal in an error box and nothing is written; a PC
// file is replaced only after the user said so.
class CopyFromDeviceController final : public QObject {
    Q_OBJECT
public:
    struct Wiring {
        DeviceLink* link = nullptr;                        // the port, and who holds it
        DevicePanel* devicePanel = nullptr;                // its lists: drags start there
        DevicePanelController* deviceController = nullptr; // its menu, selection and listing
        LocalPanel* localPanel = nullptr;                  // takes the drops; shows the PC folder
        QPlainTextEdit* meoDos = nullptr;                  // the console lines of the reading
        QWidget* dialogParent = nullptr;                   // the viewer, boxes and progress
    };

    // Everything in the wiring must outlive the controller.
    explicit CopyFromDeviceController(Wiring wiring, QObject* parent = nullptr);
    ~CopyFromDeviceController() override;

    // The menu item "&View" (F3 in the device list).
    QAction* View1() const { return View1_; }
    void View1Click();

    // What a drag from the device list carries for the selected files: the files as listed, and
    // for a file manager their PC copies, read when the drop asks for them. Nothing when no
    // file is selected.
    std::unique_ptr<QMimeData> dragData();
    // Copies the listed files of the device directory into the PC folder, with a progress
    // dialog for several; returns the files written.
    std::vector<LocalPath> CopyToFolder(const std::string& devicePath,
                                        const std::vector<FolderEntry>& files,
                                        const LocalPath& folder);
    // The drop on the local list: into the folder it shows, which is then listed again.
    void dropOnLocalList(const QMimeData& mime);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DeviceOperationRunner runner() const;
    std::vector<FolderEntry> selectedFiles() const;
    // Reads one file; the runner has shown the refusal when it gives no content.
    TextFileReading readFile(const std::string& devicePath, const FolderEntry& entry);
    // The PC copies a file manager asks for, in a temporary folder kept until the next drag.
    std::vector<LocalPath> temporaryCopies(const std::string& devicePath,
                                           const std::vector<FolderEntry>& files);
    void startDrag();

    Wiring wiring_;
    QAction* View1_ = nullptr;
    std::optional<QPoint> pressedAt_; // where a drag from the device list may start
    std::unique_ptr<QTemporaryDir> dragFolder_;
};

} // namespace kora
