#include "local/LocalPanel.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "filelist/FileColumns.h"
#include "filelist/FileListViews.h"
#include "ui/PanelParts.h"
#include "ui/StatusPanels.h"
#include "ui/UserPrompts.h"

namespace kora {
namespace {

// The file-system model with the list's own column titles and alignment.
class LocalListModel final : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        const QVariant own = FileListHeaderData(section, orientation, role);
        return own.isValid() ? own : QIdentityProxyModel::headerData(section, orientation, role);
    }
};

FilePanelLook LocalPanelLook()
{
    FilePanelLook look;
    look.prefix = QStringLiteral("Local");
    look.caption = QStringLiteral("Local System:");
    look.statusWidths = {150, 100};
    look.pathBoxEditable = true;
    look.multiSelection = true;
    return look;
}

} // namespace

LocalPanel::LocalPanel(QWidget* parent) : FilePanel(LocalPanelLook(), parent)
{
    tbtnLocalOpenDir_ = addToolButton(QStringLiteral("tbtnLocalOpenDir"),
                                      QStringLiteral("Open directory"), ToolIcon::OpenFolder);
    tbtnLocalUp_ =
        addToolButton(QStringLiteral("tbtnLocalUp"), QStringLiteral("Move up"), ToolIcon::MoveUp);
    tbtnLocalRefresh_ = addToolButton(QStringLiteral("tbtnLocalRefresh"),
                                      QStringLiteral("Refresh folder"), ToolIcon::Refresh);
    addToolBarSeparator();
    addViewStyleButtons();
    addToolBarSeparator();
    tbtnLocalRun_ = addToolButton(QStringLiteral("tbtnLocalRun"),
                                  QStringLiteral("Run KORA Utility"), ToolIcon::RunUtility);

    listModel_ = new LocalListModel(this);
    // Column headers until the first folder is listed.
    listModel_->setSourceModel(new EmptyFileListModel(listModel_));
    setListModel(listModel_);

    connect(tbtnLocalOpenDir_, &QToolButton::clicked, this, &LocalPanel::tbtnLocalOpenDirClick);
    connect(tbtnLocalUp_, &QToolButton::clicked, this, &LocalPanel::tbtnLocalUpClick);
    connect(tbtnLocalRefresh_, &QToolButton::clicked, this, &LocalPanel::tbtnLocalRefreshClick);
    for (QAbstractItemView* view : views()) {
        connect(view, &QAbstractItemView::activated, this, &LocalPanel::lstviewLocalActivated);
    }
    connect(cbxLocal(), &QComboBox::activated, this, &LocalPanel::cbxLocalClick);
    connect(cbxLocal()->lineEdit(), &QLineEdit::returnPressed, this,
            &LocalPanel::cbxLocalReturnPressed);
}

bool LocalPanel::ShowLocalPath(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir()) {
        return false;
    }
    localPathText_ = QDir::cleanPath(info.absoluteFilePath());
    listFolder(localPathText_);
    rememberInPathBox(localPathText_);
    return true;
}

void LocalPanel::listFolder(const QString& path)
{
    QFileSystemModel* previous = folderModel_;
    folderModel_ = new QFileSystemModel(this);
    folderModel_->setReadOnly(true);
    // Hidden items (dot names) are not listed.
    folderModel_->setFilter(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::AllDirs);
    connect(folderModel_, &QFileSystemModel::directoryLoaded, this, &LocalPanel::updateObjectCount);
    const QModelIndex root = folderModel_->setRootPath(path);
    listModel_->setSourceModel(folderModel_);
    setListModel(listModel_);
    for (QAbstractItemView* view : views()) {
        view->setRootIndex(listModel_->mapFromSource(root));
    }
    lstviewLocal()->clearSelection();
    if (previous) {
        previous->deleteLater();
    }
    updateObjectCount();
}

void LocalPanel::rememberInPathBox(const QString& path)
{
    // A newly visited folder goes to the top; one already listed keeps its place.
    int index = cbxLocal()->findText(path);
    if (index < 0) {
        cbxLocal()->insertItem(0, path);
        index = 0;
    }
    cbxLocal()->setCurrentIndex(index);
    cbxLocal()->setEditText(path);
}

void LocalPanel::updateObjectCount()
{
    const int rows = lstviewLocal()->model()->rowCount(lstviewLocal()->rootIndex());
    stabarLocal()->setPanelText(0, QString::number(rows) + QStringLiteral(" object(s)"));
}

QStringList LocalPanel::selectedPaths() const
{
    QStringList paths;
    if (!folderModel_) {
        return paths;
    }
    QModelIndexList rows = lstviewLocal()->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& row : rows) {
        paths << folderModel_->filePath(listModel_->mapToSource(row));
    }
    return paths;
}

void LocalPanel::tbtnLocalOpenDirClick()
{
    const QString chosen =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Select Directory"));
    if (!chosen.isEmpty()) {
        ShowLocalPath(chosen);
    }
}

void LocalPanel::tbtnLocalUpClick()
{
    if (localPathText_.isEmpty()) {
        return;
    }
    QDir folder(localPathText_);
    // The root of the file system has no parent: Up stays there.
    if (folder.cdUp()) {
        ShowLocalPath(folder.absolutePath());
    }
}

void LocalPanel::tbtnLocalRefreshClick()
{
    if (!localPathText_.isEmpty()) {
        listFolder(localPathText_);
    }
}

void LocalPanel::lstviewLocalActivated(const QModelIndex& index)
{
    if (!folderModel_ || !index.isValid()) {
        return;
    }
    const QModelIndex source = listModel_->mapToSource(index);
    if (folderModel_->isDir(source)) {
        ShowLocalPath(folderModel_->filePath(source));
    }
}

void LocalPanel::cbxLocalClick(int index)
{
    if (index >= 0) {
        ShowLocalPath(cbxLocal()->itemText(index));
    }
}

void LocalPanel::cbxLocalReturnPressed()
{
    const QString typed = cbxLocal()->currentText().trimmed();
    if (!ShowLocalPath(typed)) {
        // Not a folder: say so with a beep and show the current folder's path again.
        Prompts().beep();
        cbxLocal()->setEditText(localPathText_);
    }
}

} // namespace kora
