#pragma once

#include <QObject>
#include <QString>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "filelist/TypeAheadSearch.h"

class QAbstractItemView;
class QMenu;
class QPoint;
class QWidget;

namespace kora {

class FilePanel;
class FolderBrowser;
class FolderListModel;

// What both file panels do with their widgets: the browser's listings in the views, the path
// box, the status bar, the focus row and its selection, sorting by column, double click and
// the keys (Backspace goes up, Enter acts as a double click, type-ahead), the context menu on
// the row under the pointer or on the folder, dragging rows out. Each step runs under the
// hourglass and a failure is shown once the hourglass is gone. The panels' own controllers
// add their buttons and menus and name the handlers.
class FilePanelController final : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        // Before every user action: true when something else took effect first and the action,
        // made on what is gone, is dropped.
        std::function<bool()> actionSuperseded;
        // Double click or Enter on a file.
        std::function<void(const std::string& name)> runFile;
        // The context menu, made ready for the selection (none: no menu).
        std::function<QMenu*()> prepareMenu;
        // Parent of the error boxes.
        QWidget* dialogParent = nullptr;
    };

    // Panel and browser must outlive the controller.
    FilePanelController(FilePanel& panel, FolderBrowser& browser, Hooks hooks,
                        QObject* parent = nullptr);
    ~FilePanelController() override;

    // The row a double click or Enter acts on: the current row when it is selected, else the
    // first selected one.
    std::optional<std::size_t> activeRow() const;

    // Runs a step with the hourglass; failures reported meanwhile are shown afterwards.
    void act(const std::function<void()>& step);
    void reportError(const std::string& message);
    // A user action: dropped when superseded, else run as a step.
    void userAction(const std::function<void()>& step);

    void moveUp();
    void refresh();
    void sortByColumn(int column);
    void activate();
    // A path box text: a folder listed before, or a typed path.
    void choosePath(const QString& path);
    std::optional<int> findByTypeAhead(const QString& typed, int currentRow);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectPanel();
    void allowDragOut();
    // After every listing: path box, status texts, focus row and selection.
    void showListing();
    void openMenu(QAbstractItemView& view, const QPoint& position);
    bool pathBoxKey(int key, const QString& typed);
    // A text of the source's bytes, for the screen.
    QString text(const std::string& bytes) const;

    FilePanel& panel_;
    FolderBrowser& browser_;
    Hooks hooks_;
    std::unique_ptr<FolderListModel> model_;
    TypeAheadSearch typeAhead_;
    int acting_ = 0;
    std::vector<std::string> pendingErrors_;
};

} // namespace kora
