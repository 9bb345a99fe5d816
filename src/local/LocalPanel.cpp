#include "local/LocalPanel.h"

#include <QToolBar>

#include "local/LocalBrowser.h"

namespace kora {

LocalPanel::LocalPanel(QWidget* parent, LocalPanelController::Wiring wiring)
    : FilePanel({QStringLiteral("Local"),
                 QStringLiteral("Local System:"),
                 {150, 100},
                 /*pathBoxEditable=*/true,
                 /*multiSelection=*/true},
                parent)
{
    tbtnLocalOpenDir_ = addToolButton(QStringLiteral("tbtnLocalOpenDir"),
                                      QStringLiteral("Open directory"), ToolIcon::OpenFolder);
    tbtnLocalUp_ =
        addToolButton(QStringLiteral("tbtnLocalUp"), QStringLiteral("Move up"), ToolIcon::MoveUp);
    tbtnLocalRefresh_ = addToolButton(QStringLiteral("tbtnLocalRefresh"),
                                      QStringLiteral("Refresh folder"), ToolIcon::Refresh);
    toolBar()->addSeparator();
    addViewStyleButtons();
    toolBar()->addSeparator();
    tbtnLocalRun_ = addToolButton(QStringLiteral("tbtnLocalRun"),
                                  QStringLiteral("Run KORA Utility"), ToolIcon::RunUtility);
    controller_ = std::make_unique<LocalPanelController>(*this, std::move(wiring));
}

LocalPanel::~LocalPanel() = default;

void LocalPanel::ShowDrivesFolder()
{
    controller_->ShowLocalFolder(LocalBrowser::DrivesPidl());
}

std::vector<SelectedLocalEntry> LocalPanel::selectedEntries() const
{
    return controller_->browser().entriesAt(selectedRows());
}

} // namespace kora
