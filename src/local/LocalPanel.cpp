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

#include "ui/FileListColumns.h"
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

} // namespace

LocalPanel::LocalPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pnlLocal"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    lblLocal_ = MakePanelTitle(QStringLiteral("lblLocal"), QStringLiteral("Local System:"), this);
    layout->addWidget(lblLocal_);

    buildToolBar();
    layout->addWidget(tlbarLocal_);

    cbxLocal_ = new QComboBox(this);
    cbxLocal_->setObjectName(QStringLiteral("cbxLocal"));
    cbxLocal_->setEditable(true);
    cbxLocal_->setInsertPolicy(QComboBox::NoInsert);
    cbxLocal_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    layout->addWidget(cbxLocal_);

    lstviewLocal_ = new QTreeView(this);
    lstviewLocal_->setObjectName(QStringLiteral("lstviewLocal"));
    SetUpFileListView(*lstviewLocal_);
    lstviewLocal_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    listModel_ = new LocalListModel(this);
    // Column headers until the first folder is listed.
    listModel_->setSourceModel(new EmptyFileListModel(listModel_));
    lstviewLocal_->setModel(listModel_);
    ApplyFileListColumnWidths(*lstviewLocal_);
    layout->addWidget(lstviewLocal_, 1);

    stabarLocal_ = new StatusPanels(QStringLiteral("stabarLocal"), {150, 100}, this);
    layout->addWidget(stabarLocal_);

    connect(tbtnLocalOpenDir_, &QToolButton::clicked, this, &LocalPanel::tbtnLocalOpenDirClick);
    connect(tbtnLocalUp_, &QToolButton::clicked, this, &LocalPanel::tbtnLocalUpClick);
    connect(tbtnLocalRefresh_, &QToolButton::clicked, this, &LocalPanel::tbtnLocalRefreshClick);
    connect(lstviewLocal_, &QTreeView::activated, this, &LocalPanel::lstviewLocalActivated);
    connect(cbxLocal_, &QComboBox::activated, this, &LocalPanel::cbxLocalClick);
    connect(cbxLocal_->lineEdit(), &QLineEdit::returnPressed, this,
            &LocalPanel::cbxLocalReturnPressed);
}

void LocalPanel::buildToolBar()
{
    tlbarLocal_ = MakePanelToolBar(QStringLiteral("tlbarLocal"), this);
    QToolBar& bar = *tlbarLocal_;
    tbtnLocalOpenDir_ = AddToolButton(bar, QStringLiteral("tbtnLocalOpenDir"),
                                      QStringLiteral("Open directory"), ToolIcon::OpenFolder);
    tbtnLocalUp_ = AddToolButton(bar, QStringLiteral("tbtnLocalUp"), QStringLiteral("Move up"),
                                 ToolIcon::MoveUp);
    tbtnLocalRefresh_ = AddToolButton(bar, QStringLiteral("tbtnLocalRefresh"),
                                      QStringLiteral("Refresh folder"), ToolIcon::Refresh);
    bar.addSeparator();
    const ViewStyleButtons views = AddViewStyleButtons(bar, QStringLiteral("tbtnLocal"));
    tbtnLocalLgIcon_ = views.buttons[0];
    tbtnLocalSmIcon_ = views.buttons[1];
    tbtnLocalLsIcon_ = views.buttons[2];
    tbtnLocalDtIcon_ = views.buttons[3];
    viewStyleButtons_ = views.group;
    bar.addSeparator();
    tbtnLocalRun_ = AddToolButton(bar, QStringLiteral("tbtnLocalRun"),
                                  QStringLiteral("Run KORA Utility"), ToolIcon::RunUtility);
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
    lstviewLocal_->setRootIndex(listModel_->mapFromSource(root));
    ApplyFileListColumnWidths(*lstviewLocal_);
    lstviewLocal_->clearSelection();
    if (previous) {
        previous->deleteLater();
    }
    updateObjectCount();
}

void LocalPanel::rememberInPathBox(const QString& path)
{
    // A newly visited folder goes to the top; one already listed keeps its place.
    int index = cbxLocal_->findText(path);
    if (index < 0) {
        cbxLocal_->insertItem(0, path);
        index = 0;
    }
    cbxLocal_->setCurrentIndex(index);
    cbxLocal_->setEditText(path);
}

void LocalPanel::updateObjectCount()
{
    const int rows = lstviewLocal_->model()->rowCount(lstviewLocal_->rootIndex());
    stabarLocal_->setPanelText(0, QString::number(rows) + QStringLiteral(" object(s)"));
}

QStringList LocalPanel::selectedPaths() const
{
    QStringList paths;
    if (!folderModel_) {
        return paths;
    }
    QModelIndexList rows = lstviewLocal_->selectionModel()->selectedRows();
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
        ShowLocalPath(cbxLocal_->itemText(index));
    }
}

void LocalPanel::cbxLocalReturnPressed()
{
    const QString typed = cbxLocal_->currentText().trimmed();
    if (!ShowLocalPath(typed)) {
        // Not a folder: say so with a beep and show the current folder's path again.
        Prompts().beep();
        cbxLocal_->setEditText(localPathText_);
    }
}

} // namespace kora
