#pragma once

#include <vector>

#include "filelist/FilePanel.h"

class QComboBox;
class QToolButton;

namespace kora {

// The right-hand panel of the main window, pnlKora: the controller's D: drive as a file list
// with its tool bar, COM port box, path box and status bar (lblKora, tlbarKora, cbxKora,
// lstviewKora, stabarKora and the view-style buttons are the skeleton's parts). The device
// panel controller wires what the controls do.
class DevicePanel final : public FilePanel {
    Q_OBJECT
public:
    explicit DevicePanel(QWidget* parent = nullptr);

    QToolButton* tbtnKoraUp() const { return tbtnKoraUp_; }
    QToolButton* tbtnRefresh() const { return tbtnRefresh_; }
    QToolButton* tbtnKoraConf() const { return tbtnKoraConf_; }
    QToolButton* tbtnDOSCmd() const { return tbtnDOSCmd_; }
    QComboBox* cbxCOM() const { return cbxCOM_; }
    // The controls that start work on the controller through the port, all but the terminal
    // button: disabled while a long holder (terminal, copy, I/O configuration) has the port.
    std::vector<QWidget*> portControls() const;

private:
    QToolButton* tbtnKoraUp_ = nullptr;
    QToolButton* tbtnRefresh_ = nullptr;
    QToolButton* tbtnKoraConf_ = nullptr;
    QToolButton* tbtnDOSCmd_ = nullptr;
    QComboBox* cbxCOM_ = nullptr;
};

} // namespace kora
