#pragma once

#include <QString>

#include "filelist/FilePanel.h"

class QButtonGroup;
class QComboBox;
class QFileSystemModel;
class QIdentityProxyModel;
class QLabel;
class QModelIndex;
class QToolBar;
class QToolButton;
class QTreeView;

namespace kora {

class StatusPanels;

// The left-hand panel of the main window, pnlLocal: the PC's own folders as a file list with
// a tool bar, a path box and a status bar. For now it is a plain folder browser over the file
// system (open, up, refresh, path box, double click into a folder); the selection is what the
// copy button sends.
class LocalPanel final : public FilePanel {
    Q_OBJECT
public:
    explicit LocalPanel(QWidget* parent = nullptr);

    QLabel* lblLocal() const { return title(); }
    QToolBar* tlbarLocal() const { return toolBar(); }
    QToolButton* tbtnLocalOpenDir() const { return tbtnLocalOpenDir_; }
    QToolButton* tbtnLocalUp() const { return tbtnLocalUp_; }
    QToolButton* tbtnLocalRefresh() const { return tbtnLocalRefresh_; }
    QToolButton* tbtnLocalLgIcon() const { return viewStyleButton(FileViewStyle::LargeIcons); }
    QToolButton* tbtnLocalSmIcon() const { return viewStyleButton(FileViewStyle::SmallIcons); }
    QToolButton* tbtnLocalLsIcon() const { return viewStyleButton(FileViewStyle::List); }
    QToolButton* tbtnLocalDtIcon() const { return viewStyleButton(FileViewStyle::Report); }
    QToolButton* tbtnLocalRun() const { return tbtnLocalRun_; }
    QComboBox* cbxLocal() const { return pathBox(); }
    QTreeView* lstviewLocal() const { return reportView(); }
    StatusPanels* stabarLocal() const { return statusBar(); }

    // The folder being shown, as an absolute path; empty before the first ShowLocalPath.
    QString LocalPathText() const { return localPathText_; }

    // Lists a folder and makes it current; false (and nothing changes) when the path is not an
    // existing folder.
    bool ShowLocalPath(const QString& path);

    // Absolute paths of the selected entries, in list order.
    QStringList selectedPaths() const;

public slots:
    void tbtnLocalOpenDirClick();
    void tbtnLocalUpClick();
    // Lists the current folder again and clears the list's selection.
    void tbtnLocalRefreshClick();

private:
    void listFolder(const QString& path);
    void rememberInPathBox(const QString& path);
    void updateObjectCount();
    void lstviewLocalActivated(const QModelIndex& index);
    void cbxLocalClick(int index);
    void cbxLocalReturnPressed();

    QToolButton* tbtnLocalOpenDir_ = nullptr;
    QToolButton* tbtnLocalUp_ = nullptr;
    QToolButton* tbtnLocalRefresh_ = nullptr;
    QToolButton* tbtnLocalRun_ = nullptr;

    // A fresh file-system model per listing (a refresh must really read the folder again),
    // shown through a proxy that gives the list its own column headers.
    QFileSystemModel* folderModel_ = nullptr;
    QIdentityProxyModel* listModel_ = nullptr;
    QString localPathText_;
};

} // namespace kora
