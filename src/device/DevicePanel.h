#pragma once

#include <QWidget>

class QAbstractItemModel;
class QButtonGroup;
class QComboBox;
class QLabel;
class QToolBar;
class QToolButton;
class QTreeView;

namespace kora {

class StatusPanels;

// The right-hand panel of the main window, pnlKora: the controller's D: drive as a file list
// with its tool bar, COM port box, path box and status bar. This class only lays the controls
// out; the main window and the device code connect to them through the accessors.
class DevicePanel final : public QWidget {
    Q_OBJECT
public:
    explicit DevicePanel(QWidget* parent = nullptr);

    QLabel* lblKora() const { return lblKora_; }
    QToolBar* tlbarKora() const { return tlbarKora_; }
    QToolButton* tbtnKoraUp() const { return tbtnKoraUp_; }
    QToolButton* tbtnRefresh() const { return tbtnRefresh_; }
    QToolButton* tbtnKoraLgIcon() const { return tbtnKoraLgIcon_; }
    QToolButton* tbtnKoraSmIcon() const { return tbtnKoraSmIcon_; }
    QToolButton* tbtnKoraLsIcon() const { return tbtnKoraLsIcon_; }
    QToolButton* tbtnKoraDtIcon() const { return tbtnKoraDtIcon_; }
    // The four view-style buttons; exactly one is pressed.
    QButtonGroup* viewStyleButtons() const { return viewStyleButtons_; }
    QToolButton* tbtnKoraConf() const { return tbtnKoraConf_; }
    QToolButton* tbtnDOSCmd() const { return tbtnDOSCmd_; }
    QComboBox* cbxCOM() const { return cbxCOM_; }
    QWidget* pnlKoraCbx() const { return pnlKoraCbx_; }
    QComboBox* cbxKora() const { return cbxKora_; }
    QTreeView* lstviewKora() const { return lstviewKora_; }
    StatusPanels* stabarKora() const { return stabarKora_; }

    // Puts the listing's model on lstviewKora with the list's column widths (a new model
    // resets them). The panel does not own the model.
    void setListModel(QAbstractItemModel* model);

private:
    void buildToolBar();

    QLabel* lblKora_ = nullptr;
    QToolBar* tlbarKora_ = nullptr;
    QToolButton* tbtnKoraUp_ = nullptr;
    QToolButton* tbtnRefresh_ = nullptr;
    QToolButton* tbtnKoraLgIcon_ = nullptr;
    QToolButton* tbtnKoraSmIcon_ = nullptr;
    QToolButton* tbtnKoraLsIcon_ = nullptr;
    QToolButton* tbtnKoraDtIcon_ = nullptr;
    QButtonGroup* viewStyleButtons_ = nullptr;
    QToolButton* tbtnKoraConf_ = nullptr;
    QToolButton* tbtnDOSCmd_ = nullptr;
    QComboBox* cbxCOM_ = nullptr;
    QWidget* pnlKoraCbx_ = nullptr;
    QComboBox* cbxKora_ = nullptr;
    QTreeView* lstviewKora_ = nullptr;
    StatusPanels* stabarKora_ = nullptr;
};

} // namespace kora
