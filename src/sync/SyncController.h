#pragma once

#include <QObject>

#include <functional>
#include <optional>
#include <string>

#include "filelist/LocalPath.h"

class QAction;
class QPlainTextEdit;
class QWidget;

namespace kora {

class DeviceBrowser;
class DeviceLink;
class LocalPanel;

// "Synchronise with KORA-7740P" (Synchronise1) in the local panel's menu on a folder (a folder's
// row, or beside the rows for the folder shown): the directory the device panel shows is made
// to hold what the folder holds, as the command line's sync does, with the same record. The
// folder's names are checked and the directories listed first; the plan is shown (TdlgKoraSync)
// and nothing changes until the user says so. The uploads then go through the transfer dialog,
// one queue for every folder, and the device panel is listed again.
class SyncController final : public QObject {
    Q_OBJECT
public:
    struct Wiring {
        DeviceLink* link = nullptr;
        LocalPanel* localPanel = nullptr; // its menu gets the item
        DeviceBrowser* browser = nullptr; // the directory synchronised into; refreshed after
        QPlainTextEdit* meoDos = nullptr; // the pane: the exchanges' lines
        QWidget* dialogParent = nullptr;
        // The controller's name for a port (controllers.conf), empty when it has none: the
        // record is kept under it, as the command line keeps it.
        std::function<std::string(const std::string& port)> controllerName;
    };

    // Everything in the wiring must outlive the controller.
    explicit SyncController(Wiring wiring, QObject* parent = nullptr);
    ~SyncController() override;

    QAction* Synchronise1() const { return Synchronise1_; }
    // Greys the item unless the menu is on one folder.
    void PopupMenu1Popup();
    void Synchronise1Click();
    // The folder the item works on; nothing when it does not apply.
    std::optional<LocalPath> folder() const;
    // The sync of a PC folder into the directory the device panel shows.
    void SynchroniseFolder(const LocalPath& folder);

private:
    Wiring wiring_;
    QAction* Synchronise1_ = nullptr; // owned by the local panel's menu
};

} // namespace kora
