#pragma once

#include <QWidget>

#include "device/DeviceViews.h"

class QAbstractItemModel;
class QButtonGroup;
class QComboBox;
class QLabel;
class QListView;
class QStackedWidget;
class QToolBar;
class QToolButton;
class QTreeView;

namespace kora {

class StatusPanels;

// The list's view styles, in the order of the view-style buttons.
enum class DeviceViewStyle { LargeIcons = 0, SmallIcons = 1, List = 2, Report = 3 };

// The right-hand panel of the main window, pnlKora: the controller's D: drive as a file list
// with its tool bar, COM port box, path box and status bar. The panel lays the controls out and
// keeps their look (view style, status-bar widths); what they do is wired by the device panel
// controller through the accessors.
//
// The report style is lstviewKora itself; the three icon styles show the same model and
// selection in a second view, lstviewKoraIcons, which follows lstviewKora's enabled state.
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
    QListView* lstviewKoraIcons() const { return lstviewKoraIcons_; }
    StatusPanels* stabarKora() const { return stabarKora_; }

    // Puts the listing's model on both views, sharing one selection, with the list's column
    // widths (a new model resets them). The panel does not own the model.
    void setListModel(QAbstractItemModel* model);

    // The view styles of the four buttons: only the report style shows the sub-items.
    DeviceViewStyle viewStyle() const { return viewStyle_; }
    void setViewStyle(DeviceViewStyle style);
    // The view the current style shows.
    QAbstractItemView* currentView() const;

    // Type-ahead in both views.
    void setTypeAheadFinder(const TypeAheadFinder& finder);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildToolBar();
    void buildViews();
    // Panel 0 of the status bar takes a third of the panel's width.
    void stabarKoraResize();

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
    QStackedWidget* viewStack_ = nullptr;
    DeviceReportView* lstviewKora_ = nullptr;
    DeviceIconView* lstviewKoraIcons_ = nullptr;
    StatusPanels* stabarKora_ = nullptr;
    DeviceViewStyle viewStyle_ = DeviceViewStyle::Report;
};

} // namespace kora
