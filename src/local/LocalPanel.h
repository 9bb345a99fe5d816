#pragma once

#include <memory>
#include <vector>

#include "filelist/FilePanel.h"
#include "local/LocalPanelController.h"

class QToolButton;

namespace kora {

// The left-hand panel of the main window, pnlLocal: the PC's own folders as a file list with
// a tool bar, a path box and a status bar, from the "Computer" root down. The selection is what
// the copy button sends. The panel makes its own controller, which wires what the controls do.
class LocalPanel final : public FilePanel {
    Q_OBJECT
public:
    explicit LocalPanel(QWidget* parent = nullptr, LocalPanelController::Wiring wiring = {});
    ~LocalPanel() override;

    QToolButton* tbtnLocalOpenDir() const { return tbtnLocalOpenDir_; }
    QToolButton* tbtnLocalUp() const { return tbtnLocalUp_; }
    QToolButton* tbtnLocalRefresh() const { return tbtnLocalRefresh_; }
    QToolButton* tbtnLocalRun() const { return tbtnLocalRun_; }

    LocalPanelController& controller() const { return *controller_; }

    // Start-up: the "Computer" root.
    void ShowDrivesFolder();

    // The selected entries in list order, with full paths, whether each is a folder and its
    // size in bytes: what the copy to the controller sends.
    std::vector<SelectedLocalEntry> selectedEntries() const;

private:
    QToolButton* tbtnLocalOpenDir_ = nullptr;
    QToolButton* tbtnLocalUp_ = nullptr;
    QToolButton* tbtnLocalRefresh_ = nullptr;
    QToolButton* tbtnLocalRun_ = nullptr;
    std::unique_ptr<LocalPanelController> controller_;
};

} // namespace kora
