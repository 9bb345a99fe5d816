#include "local/LocalPanelController.h"

#include <QComboBox>
#include <QFile>
#include <QToolButton>

#include "filelist/ShellEntryInfoProvider.h"
#include "local/LocalContextMenu.h"
#include "local/LocalPanel.h"

namespace kora {

LocalPanelController::LocalPanelController(LocalPanel& panel, Wiring wiring, QObject* parent)
    : QObject(parent), panel_(panel), wiring_(std::move(wiring))
{
    if (!wiring_.infoProvider) {
        wiring_.infoProvider = std::make_unique<ShellEntryInfoProvider>();
    }
    if (!wiring_.dialogs) {
        wiring_.dialogs = std::make_unique<DesktopLocalDialogs>();
    }
    if (wiring_.dialogParent == nullptr) {
        wiring_.dialogParent = &panel_;
    }
    browser_ = std::make_unique<LocalBrowser>(
        std::move(wiring_.environment), wiring_.infoProvider.get(),
        [this](const std::string& message) { shared_->reportError(message); });
    menu_ = std::make_unique<LocalContextMenu>(*browser_, *wiring_.dialogs, wiring_.dialogParent);
    FilePanelController::Hooks hooks;
    hooks.prepareMenu = [this] {
        PopupMenu1Popup();
        return PopupMenu1();
    };
    hooks.dialogParent = wiring_.dialogParent;
    shared_ = std::make_unique<FilePanelController>(panel_, *browser_, std::move(hooks));

    connect(panel_.tbtnLocalOpenDir(), &QToolButton::clicked, this,
            &LocalPanelController::tbtnLocalOpenDirClick);
    connect(panel_.tbtnLocalUp(), &QToolButton::clicked, this,
            &LocalPanelController::tbtnLocalUpClick);
    connect(panel_.tbtnLocalRefresh(), &QToolButton::clicked, this,
            &LocalPanelController::tbtnLocalRefreshClick);
}

LocalPanelController::~LocalPanelController() = default;

QMenu* LocalPanelController::PopupMenu1() const
{
    return menu_->PopupMenu1();
}

void LocalPanelController::ShowLocalFolder(const LocalFolderId& folder)
{
    shared_->act([&] { browser_->ShowLocalFolder(folder); });
}

void LocalPanelController::ShowLocalPath(const std::string& path)
{
    shared_->act([&] { browser_->ShowLocalPath(path); });
}

void LocalPanelController::tbtnLocalOpenDirClick()
{
    if (const auto chosen = wiring_.dialogs->chooseFolder(wiring_.dialogParent)) {
        ShowLocalPath(QFile::encodeName(*chosen).toStdString());
    }
}

void LocalPanelController::cbxLocalClick()
{
    shared_->choosePath(panel_.pathBox()->currentText());
}

void LocalPanelController::PopupMenu1Popup()
{
    menu_->PopupMenu1Popup(panel_.selectedRows());
}

} // namespace kora
