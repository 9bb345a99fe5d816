#include "device/DevicePanel.h"

#include <QComboBox>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

namespace kora {

DevicePanel::DevicePanel(QWidget* parent)
    : FilePanel({.prefix = QStringLiteral("Kora"),
                 .caption = QStringLiteral("KORA-7740P:"),
                 .statusWidths = {150, 50},
                 // Chosen from its list only: the directories listed so far.
                 .pathBoxEditable = false,
                 .multiSelection = false},
                parent)
{
    tbtnKoraUp_ =
        addToolButton(QStringLiteral("tbtnKoraUp"), QStringLiteral("Move up"), ToolIcon::MoveUp);
    tbtnRefresh_ = addToolButton(QStringLiteral("tbtnRefresh"), QStringLiteral("Refresh folder"),
                                 ToolIcon::Refresh);
    addToolBarSeparator();
    addViewStyleButtons();
    addToolBarSeparator();
    tbtnKoraConf_ = addToolButton(QStringLiteral("tbtnKoraConf"), QStringLiteral("Config KORA"),
                                  ToolIcon::ConfigDevice);
    tbtnDOSCmd_ = addToolButton(QStringLiteral("tbtnDOSCmd"), QStringLiteral("Launch Terminal"),
                                ToolIcon::Terminal);
    tbtnDOSCmd_->setCheckable(true);
    addToolBarSeparator();

    cbxCOM_ = new QComboBox(toolBar());
    cbxCOM_->setObjectName(QStringLiteral("cbxCOM"));
    // Picked from the ports found at start-up, or typed (a port that appeared later).
    cbxCOM_->setEditable(true);
    cbxCOM_->setInsertPolicy(QComboBox::NoInsert);
    cbxCOM_->setMinimumContentsLength(7);
    cbxCOM_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    toolBar()->addWidget(cbxCOM_);
}

std::vector<QWidget*> DevicePanel::portControls() const
{
    return {tbtnKoraConf(),   tbtnKoraUp(),     tbtnRefresh(), tbtnKoraLgIcon(), tbtnKoraSmIcon(),
            tbtnKoraLsIcon(), tbtnKoraDtIcon(), cbxCOM(),      cbxKora(),        lstviewKora()};
}

} // namespace kora
