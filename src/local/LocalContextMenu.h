#pragma once

#include <QObject>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "filelist/LocalPath.h"

class QAction;
class QMenu;
class QWidget;

namespace kora {

class LocalBrowser;
class LocalDialogs;

// PopupMenu1, the local list's item context menu: Open (with the desktop's default
// application; a folder in the desktop's file manager), Copy Path, Rename and Move to Trash.
// Opened on selected rows it works on them; opened beside the rows it works on the folder shown.
// Every command ends with the refresh that keeps the sort column and the row it was opened on.
class LocalContextMenu final : public QObject {
    Q_OBJECT
public:
    // Browser and dialogs must outlive the menu.
    LocalContextMenu(LocalBrowser& browser, LocalDialogs& dialogs, QWidget* dialogParent,
                     QObject* parent = nullptr);
    ~LocalContextMenu() override;

    QMenu* PopupMenu1() const { return menu_.get(); }

    // Takes the targets (the selected rows, in list order, or the folder shown when there are
    // none), remembers the first row for the refresh and enables the items that apply.
    void PopupMenu1Popup(const std::vector<std::size_t>& selectedRows);

    void Open1Click();
    void CopyPath1Click();
    void Rename1Click();
    void MoveToTrash1Click();

private:
    // The refresh every command ends with, then its failures in one box.
    void finish(const std::vector<std::string>& failures);

    LocalBrowser& browser_;
    LocalDialogs& dialogs_;
    QWidget* dialogParent_;
    std::unique_ptr<QMenu> menu_;
    QAction* open_ = nullptr;
    QAction* copyPath_ = nullptr;
    QAction* rename_ = nullptr;
    QAction* moveToTrash_ = nullptr;
    // The paths the menu was opened on; entries of the folder when entryTargets_ is set.
    std::vector<LocalPath> targets_;
    bool entryTargets_ = false;
};

} // namespace kora
