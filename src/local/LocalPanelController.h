#pragma once

#include <QObject>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "filelist/FilePanelController.h"
#include "local/LocalBrowser.h"
#include "local/LocalDialogs.h"

class QMenu;
class QWidget;

namespace kora {

class LocalContextMenu;
class LocalPanel;

// The local panel: the shared file-panel controller on the PC's folders, the folder picker and
// the context menu PopupMenu1. Failures are shown in an error box once the hourglass is gone.
class LocalPanelController final : public QObject {
    Q_OBJECT
public:
    struct Wiring {
        // The file systems and the home folder; the system's own by default.
        LocalFolderSource::Environment environment;
        // Icons and type names; the desktop's own when none is given.
        std::unique_ptr<EntryInfoProvider> infoProvider;
        // The folder picker and the rename dialog; the desktop's own when none is given.
        std::unique_ptr<LocalDialogs> dialogs;
        // Parent of the message boxes and dialogs; the panel when none is given.
        QWidget* dialogParent = nullptr;
    };

    // The panel must outlive the controller.
    LocalPanelController(LocalPanel& panel, Wiring wiring, QObject* parent = nullptr);
    ~LocalPanelController() override;

    LocalBrowser& browser() const { return *browser_; }
    LocalContextMenu& contextMenu() const { return *menu_; }
    QMenu* PopupMenu1() const;

    // Listings asked for from outside the panel (start-up shows "Computer").
    void ShowLocalFolder(const LocalFolderId& folder);
    void ShowLocalPath(const std::string& path);

    // The panel's handlers.
    void tbtnLocalOpenDirClick();
    void tbtnLocalUpClick() { shared_->moveUp(); }
    void tbtnLocalRefreshClick() { shared_->refresh(); }
    // Enters a folder; a file is left alone.
    void lstviewLocalDblClick() { shared_->activate(); }
    void lstviewLocalColumnClick(int column) { shared_->sortByColumn(column); }
    std::optional<int> lstviewLocalDataFind(const QString& typed, int currentRow)
    {
        return shared_->findByTypeAhead(typed, currentRow);
    }
    // An item picked in the path box, or Enter in it: the box's text is listed.
    void cbxLocalClick();
    void PopupMenu1Popup();

private:
    LocalPanel& panel_;
    Wiring wiring_;
    std::unique_ptr<LocalBrowser> browser_;
    std::unique_ptr<FilePanelController> shared_;
    std::unique_ptr<LocalContextMenu> menu_;
};

} // namespace kora
