#pragma once

#include <QObject>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "filelist/TypeAheadSearch.h"
#include "local/LocalBrowser.h"
#include "local/LocalDialogs.h"
#include "local/LocalInfoProvider.h"
#include "local/LocalNamespace.h"

class QAbstractItemView;
class QMenu;
class QPoint;
class QWidget;

namespace kora {

class LocalContextMenu;
class LocalListModel;
class LocalPanel;

// The behaviour of the local panel: lists folders into the panel's views, walks through them,
// sorts by column, keeps the path box and the status bar, and runs the context menu. Failures
// are shown in an error box once the hourglass is gone.
class LocalPanelController final : public QObject {
    Q_OBJECT
public:
    struct Wiring {
        // The file system as the panel walks it; the system's own when none is given.
        std::unique_ptr<LocalNamespace> fileSystem;
        // Icons and type names; the desktop's own when none is given.
        std::unique_ptr<LocalInfoProvider> infoProvider;
        // The folder picker and the rename dialog; the desktop's own when none is given.
        std::unique_ptr<LocalDialogs> dialogs;
        // Parent of the message boxes and dialogs; the panel when none is given.
        QWidget* dialogParent = nullptr;
    };

    // The panel must outlive the controller.
    LocalPanelController(LocalPanel& panel, Wiring wiring, QObject* parent = nullptr);
    ~LocalPanelController() override;

    LocalBrowser& browser() const { return *browser_; }
    LocalListModel& listModel() const { return *model_; }
    LocalContextMenu& contextMenu() const { return *menu_; }
    QMenu* PopupMenu1() const;

    // The selected rows in list order, and their entries.
    std::vector<std::size_t> selectedRows() const;
    std::vector<SelectedLocalEntry> selectedEntries() const;

    // Listings asked for from outside the panel (start-up shows "Computer").
    void ShowLocalFolder(const LocalFolderId& folder);
    void ShowLocalPath(const std::string& path);

    // The panel's handlers.
    void tbtnLocalOpenDirClick();
    void tbtnLocalUpClick();
    void tbtnLocalRefreshClick();
    void lstviewLocalDblClick();
    void lstviewLocalColumnClick(int column);
    // An item picked in the path box, or Enter in it: the box's text is listed.
    void cbxLocalClick();
    void PopupMenu1Popup();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectPanel();
    void allowDragOut();
    // Runs a step with the hourglass; a failure is shown when the hourglass is gone.
    void act(const std::function<void()>& step);
    void reportError(const std::string& message);
    // After every listing: path box, status texts, focus row and selection.
    void showListing();
    void openPopupMenu1(QAbstractItemView& view, const QPoint& position);
    // The row a double click or Enter acts on: the current row when it is selected, else the
    // first selected one.
    std::optional<std::size_t> activeRow() const;
    std::optional<int> lstviewLocalDataFind(const QString& typed, int currentRow);
    // Backspace goes up and Enter acts as a double click; the list still sees the key.
    void lstviewLocalKeyDown(int key);
    // Down opens the path box's list; Enter lists its text. True when the key was used.
    bool cbxLocalKeyDown(int key);

    LocalPanel& panel_;
    Wiring wiring_;
    std::unique_ptr<LocalBrowser> browser_;
    std::unique_ptr<LocalListModel> model_;
    std::unique_ptr<LocalContextMenu> menu_;
    TypeAheadSearch typeAhead_;
    int acting_ = 0;
    std::vector<std::string> pendingErrors_;
};

} // namespace kora
