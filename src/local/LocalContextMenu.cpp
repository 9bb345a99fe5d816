#include "local/LocalContextMenu.h"

#include <QAction>
#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMenu>
#include <QUrl>

#include "local/LocalBrowser.h"
#include "local/LocalDialogs.h"
#include "local/LocalFileOperations.h"
#include "ui/ByteText.h"
#include "ui/UserPrompts.h"

namespace kora {

LocalContextMenu::LocalContextMenu(LocalBrowser& browser, LocalDialogs& dialogs,
                                   QWidget* dialogParent, QObject* parent)
    : QObject(parent), browser_(browser), dialogs_(dialogs), dialogParent_(dialogParent),
      menu_(std::make_unique<QMenu>())
{
    menu_->setObjectName(QStringLiteral("PopupMenu1"));
    const auto add = [this](const char* objectName, const char* caption, auto handler) {
        QAction* action = menu_->addAction(QString::fromLatin1(caption));
        action->setObjectName(QString::fromLatin1(objectName));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    open_ = add("Open1", "Open", &LocalContextMenu::Open1Click);
    copyPath_ = add("CopyPath1", "Copy Path", &LocalContextMenu::CopyPath1Click);
    menu_->addSeparator();
    rename_ = add("Rename1", "Rename", &LocalContextMenu::Rename1Click);
    moveToTrash_ = add("MoveToTrash1", "Move to Trash", &LocalContextMenu::MoveToTrash1Click);
    PopupMenu1Popup({});
}

LocalContextMenu::~LocalContextMenu() = default;

void LocalContextMenu::PopupMenu1Popup(const std::vector<std::size_t>& selectedRows)
{
    targets_.clear();
    entryTargets_ = !selectedRows.empty();
    if (entryTargets_) {
        browser_.setSavedFocusIndex(static_cast<int>(selectedRows.front()));
        for (const SelectedLocalEntry& entry : browser_.entriesAt(selectedRows)) {
            targets_.push_back(entry.path);
        }
    } else if (!browser_.LocalFolderPidl().isComputer()) {
        targets_.push_back(LocalPath{browser_.LocalFolderPidl().path});
    }
    const bool any = !targets_.empty();
    // Mounted file systems under "Computer" can be opened, but not renamed or thrown away; nor
    // can the folder shown be, from inside it.
    const bool changeable = entryTargets_ && !browser_.LocalFolderPidl().isComputer();
    open_->setEnabled(any);
    copyPath_->setEnabled(any);
    rename_->setEnabled(changeable && targets_.size() == 1);
    moveToTrash_->setEnabled(changeable);
}

void LocalContextMenu::Open1Click()
{
    std::vector<std::string> failures;
    for (const LocalPath& path : targets_) {
        if (!QDesktopServices::openUrl(LocalPathUrl(path))) {
            failures.push_back("'" + path.bytes + "'\n\nNo application is set to open it.");
        }
    }
    finish(failures);
}

void LocalContextMenu::CopyPath1Click()
{
    QStringList paths;
    for (const LocalPath& path : targets_) {
        paths << LocalPathText(path);
    }
    if (!paths.isEmpty()) {
        QGuiApplication::clipboard()->setText(paths.join(QLatin1Char('\n')));
    }
    finish({});
}

void LocalContextMenu::Rename1Click()
{
    std::vector<std::string> failures;
    if (entryTargets_ && targets_.size() == 1) {
        const LocalPath& path = targets_.front();
        const QString currentName = LocalPathText(LocalFileName(path));
        // A name shown as it was has not been edited: it keeps its bytes, which the text on
        // screen need not hold (a name that is not UTF-8).
        const auto name = dialogs_.askNewName(dialogParent_, currentName);
        if (name && *name != currentName) {
            if (std::string failure = RenameLocalEntry(path, name->toUtf8().toStdString());
                !failure.empty()) {
                failures.push_back(std::move(failure));
            }
        }
    }
    finish(failures);
}

void LocalContextMenu::MoveToTrash1Click()
{
    std::vector<std::string> failures;
    if (entryTargets_) {
        for (const LocalPath& path : targets_) {
            if (std::string failure = MoveLocalEntryToTrash(path); !failure.empty()) {
                failures.push_back(std::move(failure));
            }
        }
    }
    finish(failures);
}

void LocalContextMenu::finish(const std::vector<std::string>& failures)
{
    browser_.operationRefresh();
    // One box for the whole command, however many of its items failed.
    if (failures.empty()) {
        return;
    }
    std::string text;
    for (const std::string& failure : failures) {
        text += (text.empty() ? "" : "\n\n") + failure;
    }
    Prompts().error(dialogParent_, ByteText(text));
}

} // namespace kora
