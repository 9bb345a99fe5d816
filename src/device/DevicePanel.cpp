#include "device/DevicePanel.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/ui/FileListColumns.h"
#include "app/ui/PanelParts.h"
#include "app/ui/StatusPanels.h"

namespace kora {

DevicePanel::DevicePanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pnlKora"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    lblKora_ = MakePanelTitle(QStringLiteral("lblKora"), QStringLiteral("KORA-7740P:"), this);
    layout->addWidget(lblKora_);

    buildToolBar();
    layout->addWidget(tlbarKora_);

    pnlKoraCbx_ = new QWidget(this);
    pnlKoraCbx_->setObjectName(QStringLiteral("pnlKoraCbx"));
    auto* comboLayout = new QHBoxLayout(pnlKoraCbx_);
    comboLayout->setContentsMargins(0, 0, 0, 0);
    cbxKora_ = new QComboBox(pnlKoraCbx_);
    cbxKora_->setObjectName(QStringLiteral("cbxKora"));
    // Chosen from its list only: the directories listed so far.
    cbxKora_->setEditable(false);
    cbxKora_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    comboLayout->addWidget(cbxKora_);
    layout->addWidget(pnlKoraCbx_);

    lstviewKora_ = new QTreeView(this);
    lstviewKora_->setObjectName(QStringLiteral("lstviewKora"));
    SetUpFileListView(*lstviewKora_);
    lstviewKora_->setSelectionMode(QAbstractItemView::SingleSelection);
    // Column headers until the device listing supplies its own model.
    lstviewKora_->setModel(new EmptyFileListModel(lstviewKora_));
    ApplyFileListColumnWidths(*lstviewKora_);
    layout->addWidget(lstviewKora_, 1);

    stabarKora_ = new StatusPanels(QStringLiteral("stabarKora"), {150, 50}, this);
    layout->addWidget(stabarKora_);
}

void DevicePanel::setListModel(QAbstractItemModel* model)
{
    lstviewKora_->setModel(model);
    ApplyFileListColumnWidths(*lstviewKora_);
}

void DevicePanel::buildToolBar()
{
    tlbarKora_ = MakePanelToolBar(QStringLiteral("tlbarKora"), this);
    QToolBar& bar = *tlbarKora_;
    tbtnKoraUp_ = AddToolButton(bar, QStringLiteral("tbtnKoraUp"), QStringLiteral("Move up"),
                                ToolIcon::MoveUp);
    tbtnRefresh_ = AddToolButton(bar, QStringLiteral("tbtnRefresh"),
                                 QStringLiteral("Refresh folder"), ToolIcon::Refresh);
    bar.addSeparator();
    const ViewStyleButtons views = AddViewStyleButtons(bar, QStringLiteral("tbtnKora"));
    tbtnKoraLgIcon_ = views.buttons[0];
    tbtnKoraSmIcon_ = views.buttons[1];
    tbtnKoraLsIcon_ = views.buttons[2];
    tbtnKoraDtIcon_ = views.buttons[3];
    viewStyleButtons_ = views.group;
    bar.addSeparator();
    tbtnKoraConf_ = AddToolButton(bar, QStringLiteral("tbtnKoraConf"),
                                  QStringLiteral("Config KORA"), ToolIcon::ConfigDevice);
    tbtnDOSCmd_ = AddToolButton(bar, QStringLiteral("tbtnDOSCmd"),
                                QStringLiteral("Launch Terminal"), ToolIcon::Terminal);
    tbtnDOSCmd_->setCheckable(true);
    bar.addSeparator();
    cbxCOM_ = new QComboBox(&bar);
    cbxCOM_->setObjectName(QStringLiteral("cbxCOM"));
    cbxCOM_->setEditable(false);
    cbxCOM_->setMinimumContentsLength(7);
    cbxCOM_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    bar.addWidget(cbxCOM_);
}

} // namespace kora
