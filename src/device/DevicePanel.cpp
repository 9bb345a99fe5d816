#include "device/DevicePanel.h"

#include <QComboBox>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

namespace kora {

DevicePanel::DevicePanel(QWidget* parent)
    // The path box is chosen from its list only (the directories listed so far); one row is
    // selected at a time.
    : FilePanel({QStringLiteral("Kora"), QStringLiteral("KORA-7740P:"), {150, 50}}, parent)
{
    tbtnKoraUp_ =
        addToolButton(QStringLiteral("tbtnKoraUp"), QStringLiteral("Move up"), ToolIcon::MoveUp);
    tbtnRefresh_ = addToolButton(QStringLiteral("tbtnRefresh"), QStringLiteral("Refresh folder"),
                                 ToolIcon::Refresh);
    toolBar()->addSeparator();
    addViewStyleButtons();
    toolBar()->addSeparator();
    tbtnKoraConf_ = addToolButton(QStringLiteral("tbtnKoraConf"), QStringLiteral("Config KORA"),
                                  ToolIcon::ConfigDevice);
    tbtnDOSCmd_ = addToolButton(QStringLiteral("tbtnDOSCmd"), QStringLiteral("Launch Terminal"),
                                ToolIcon::Terminal);
    tbtnDOSCmd_->setCheckable(true);
    toolBar()->addSeparator();

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
    return {tbtnKoraConf(),
            tbtnKoraUp(),
            tbtnRefresh(),
            viewStyleButton(FileViewStyle::LargeIcons),
            viewStyleButton(FileViewStyle::SmallIcons),
            viewStyleButton(FileViewStyle::List),
            viewStyleButton(FileViewStyle::Report),
            cbxCOM(),
            pathBox(),
            reportView()};
}

} // namespace kora
