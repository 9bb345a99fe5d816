#include "device/DevicePanel.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "ui/FileListColumns.h"
#include "ui/PanelParts.h"
#include "ui/StatusPanels.h"

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

    buildViews();
    layout->addWidget(viewStack_, 1);

    stabarKora_ = new StatusPanels(QStringLiteral("stabarKora"), {150, 50}, this);
    layout->addWidget(stabarKora_);
    connect(stabarKora_, &StatusPanels::resized, this, &DevicePanel::stabarKoraResize);

    connect(viewStyleButtons_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) {
            setViewStyle(static_cast<DeviceViewStyle>(id));
        }
    });
}

void DevicePanel::buildViews()
{
    viewStack_ = new QStackedWidget(this);
    viewStack_->setObjectName(QStringLiteral("pnlKoraViews"));

    lstviewKora_ = new DeviceReportView(viewStack_);
    lstviewKora_->setObjectName(QStringLiteral("lstviewKora"));
    SetUpFileListView(*lstviewKora_);
    lstviewKora_->setSelectionMode(QAbstractItemView::SingleSelection);
    // Sub-items in the window-text colour, like the names.
    lstviewKora_->setItemDelegate(new WindowTextSubItemDelegate(lstviewKora_));
    // Column headers until the device listing supplies its own model.
    lstviewKora_->setModel(new EmptyFileListModel(lstviewKora_));
    ApplyFileListColumnWidths(*lstviewKora_);
    viewStack_->addWidget(lstviewKora_);

    lstviewKoraIcons_ = new DeviceIconView(viewStack_);
    lstviewKoraIcons_->setObjectName(QStringLiteral("lstviewKoraIcons"));
    lstviewKoraIcons_->setSelectionMode(QAbstractItemView::SingleSelection);
    // A row picked here is the same selected row the report view shows.
    lstviewKoraIcons_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstviewKoraIcons_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstviewKoraIcons_->setContextMenuPolicy(Qt::CustomContextMenu);
    lstviewKoraIcons_->setMovement(QListView::Static);
    lstviewKoraIcons_->setResizeMode(QListView::Adjust);
    lstviewKoraIcons_->setWrapping(true);
    // Every item has the first one's size, so laying the view out asks for no other row (and
    // so looks up no icon) beyond those on screen.
    lstviewKoraIcons_->setUniformItemSizes(true);
    lstviewKoraIcons_->setLayoutMode(QListView::Batched);
    viewStack_->addWidget(lstviewKoraIcons_);
    // The terminal disables lstviewKora while it holds the port; the icon view follows.
    lstviewKora_->installEventFilter(this);

    viewStack_->setCurrentWidget(lstviewKora_);
}

void DevicePanel::setListModel(QAbstractItemModel* model)
{
    lstviewKora_->setModel(model);
    ApplyFileListColumnWidths(*lstviewKora_);
    lstviewKoraIcons_->setModel(model);
    lstviewKoraIcons_->setSelectionModel(lstviewKora_->selectionModel());
}

void DevicePanel::setViewStyle(DeviceViewStyle style)
{
    viewStyle_ = style;
    if (QAbstractButton* button = viewStyleButtons_->button(static_cast<int>(style))) {
        const QSignalBlocker quiet(viewStyleButtons_);
        button->setChecked(true);
    }
    QListView& icons = *lstviewKoraIcons_;
    switch (style) {
    case DeviceViewStyle::Report: {
        const bool hadFocus = lstviewKoraIcons_->hasFocus();
        viewStack_->setCurrentWidget(lstviewKora_);
        if (hadFocus) {
            lstviewKora_->setFocus(Qt::OtherFocusReason);
        }
        return;
    }
    case DeviceViewStyle::LargeIcons:
        icons.setViewMode(QListView::IconMode);
        icons.setFlow(QListView::LeftToRight);
        icons.setIconSize(QSize(32, 32));
        icons.setGridSize(QSize(96, 64));
        icons.setWordWrap(true);
        break;
    case DeviceViewStyle::SmallIcons:
        icons.setViewMode(QListView::ListMode);
        icons.setFlow(QListView::LeftToRight);
        icons.setIconSize(QSize(16, 16));
        icons.setGridSize(QSize(150, 20));
        icons.setWordWrap(false);
        break;
    case DeviceViewStyle::List:
        icons.setViewMode(QListView::ListMode);
        icons.setFlow(QListView::TopToBottom);
        icons.setIconSize(QSize(16, 16));
        icons.setGridSize(QSize(150, 20));
        icons.setWordWrap(false);
        break;
    }
    // setViewMode resets these.
    icons.setMovement(QListView::Static);
    icons.setWrapping(true);
    icons.setResizeMode(QListView::Adjust);
    const bool hadFocus = lstviewKora_->hasFocus();
    viewStack_->setCurrentWidget(lstviewKoraIcons_);
    if (hadFocus) {
        icons.setFocus(Qt::OtherFocusReason);
    }
}

QAbstractItemView* DevicePanel::currentView() const
{
    return viewStyle_ == DeviceViewStyle::Report ? static_cast<QAbstractItemView*>(lstviewKora_)
                                                 : lstviewKoraIcons_;
}

void DevicePanel::setTypeAheadFinder(const TypeAheadFinder& finder)
{
    lstviewKora_->setTypeAheadFinder(finder);
    lstviewKoraIcons_->setTypeAheadFinder(finder);
}

bool DevicePanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstviewKora_ && event->type() == QEvent::EnabledChange) {
        lstviewKoraIcons_->setEnabled(lstviewKora_->isEnabled());
    }
    return QWidget::eventFilter(watched, event);
}

void DevicePanel::stabarKoraResize()
{
    stabarKora_->setPanelWidth(0, width() / 3);
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
    // Picked from the ports found at start-up, or typed (a port that appeared later).
    cbxCOM_->setEditable(true);
    cbxCOM_->setInsertPolicy(QComboBox::NoInsert);
    cbxCOM_->setMinimumContentsLength(7);
    cbxCOM_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    bar.addWidget(cbxCOM_);
}

} // namespace kora
