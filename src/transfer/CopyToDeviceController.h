#pragma once

#include <QObject>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "filelist/LocalPath.h"
#include "transfer/CopyPlan.h"

class QPlainTextEdit;
class QWidget;

class QPushButton;
class QWidget;

namespace kora {

class DeviceBrowser;
class DeviceLink;
class DevicePanel;
class FileDropTarget;
class LocalPanel;

// Copies PC files to the directory the device panel shows: the copy button (and F5 in the
// local list) sends the local panel's selection, and files dropped on the device panel, from
// the local panel or from the desktop's file manager, go the same way. The selection and the
// free space are checked first; then one port is opened for the whole batch, held through the
// link so that nothing else uses it meanwhile, and the transfer dialog sends the files. The
// device panel is listed again afterwards, keeping its sort column and row.
// pnlBtn, the main window's column between the panels, this wide, with btnCopy ("Copy file to
// KORA") in its middle: what starts the copy.
struct CopyButtonColumn {
    QWidget* pnlBtn = nullptr;
    QPushButton* btnCopy = nullptr;
};
CopyButtonColumn MakeCopyButtonColumn(QWidget* parent, int width);

class CopyToDeviceController final : public QObject {
    Q_OBJECT
public:
    struct Wiring {
        DeviceLink* link = nullptr;         // who holds the port, and which port it is
        LocalPanel* localPanel = nullptr;   // whose selection is copied
        DevicePanel* devicePanel = nullptr; // its path box names the destination; takes drops
        DeviceBrowser* browser = nullptr;   // the device listing: free space and refresh
        QPlainTextEdit* meoDos = nullptr;   // the terminal pane: the workers' status lines
        QWidget* dialogParent = nullptr;    // parent of the dialog and the message boxes
    };

    // Everything in the wiring must outlive the controller.
    explicit CopyToDeviceController(Wiring wiring, QObject* parent = nullptr);
    ~CopyToDeviceController() override;

    // The copy button: the local panel's selection, in list order.
    void btnCopyClick();
    // The same, telling what the transfer did; nothing when it did not start (a warning, the
    // port held or not to be opened).
    std::optional<QueueOutcome> CopySelection();
    // Files by full path (dropped ones): exactly what the button does with a selection.
    void CopyFiles(const std::vector<LocalPath>& paths);

private:
    std::optional<QueueOutcome> copy(const std::vector<CopySource>& sources);
    // Opens the port and runs the transfer dialog; nothing when the port could not be opened.
    std::optional<QueueOutcome> transfer(const std::vector<CopySource>& sources);
    void bindCopyKey();

    Wiring wiring_;
    std::unique_ptr<FileDropTarget> dropTarget_; // on the device panel
};

} // namespace kora
