#include "sync/KoraSyncDialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "device/DevicePosition.h"
#include "filelist/LocalPath.h"
#include "filelist/SizeText.h"

namespace kora {

namespace {

QString Latin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString Shown(const std::string& devicePath)
{
    return Latin1(DeviceLocation(devicePath));
}

QTreeWidgetItem* AddGroup(QTreeWidget& tree, const QString& title, std::size_t count)
{
    auto* group = new QTreeWidgetItem(&tree, {QStringLiteral("%1 (%2)").arg(title).arg(count)});
    QFont bold = group->font(0);
    bold.setBold(true);
    group->setFont(0, bold);
    group->setFirstColumnSpanned(true);
    return group;
}

} // namespace

TdlgKoraSync::TdlgKoraSync(const SyncPlan& plan, const QString& pcFolder, QWidget* parent)
    : QDialog(parent), plan_(plan)
{
    setObjectName(QStringLiteral("dlgKoraSync"));
    setWindowTitle(QStringLiteral("Synchronise with KORA-7740P"));
    buildControls(pcFolder);
    fillPlan();
    chkDeleteClick();
}

TdlgKoraSync::~TdlgKoraSync() = default;

bool TdlgKoraSync::deleteChecked() const
{
    return chkDelete_->isChecked();
}

void TdlgKoraSync::buildControls(const QString& pcFolder)
{
    auto* outer = new QVBoxLayout(this);
    auto* lblFolders = new QLabel(this);
    lblFolders->setObjectName(QStringLiteral("lblFolders"));
    lblFolders->setTextFormat(Qt::PlainText);
    lblFolders->setText(
        QStringLiteral("%1 is to hold what %2 holds.").arg(Shown(plan_.destination), pcFolder));
    lblFolders->setWordWrap(true);
    outer->addWidget(lblFolders);

    lblSummary_ = new QLabel(this);
    lblSummary_->setObjectName(QStringLiteral("lblSummary"));
    lblSummary_->setTextFormat(Qt::PlainText);
    lblSummary_->setWordWrap(true);
    outer->addWidget(lblSummary_);

    tvPlan_ = new QTreeWidget(this);
    tvPlan_->setObjectName(QStringLiteral("tvPlan"));
    tvPlan_->setColumnCount(3);
    tvPlan_->setHeaderLabels(
        {QStringLiteral("On KORA-7740P"), QStringLiteral("Size"), QStringLiteral("Why")});
    tvPlan_->setRootIsDecorated(true);
    tvPlan_->setUniformRowHeights(true);
    tvPlan_->setMinimumSize(560, 300);
    outer->addWidget(tvPlan_, 1);

    chkDelete_ = new QCheckBox(this);
    chkDelete_->setObjectName(QStringLiteral("chkDelete"));
    chkDelete_->setText(QStringLiteral("Also delete what the PC folder does not hold"));
    connect(chkDelete_, &QCheckBox::toggled, this, &TdlgKoraSync::chkDeleteClick);
    outer->addWidget(chkDelete_);

    btnSync_ = new QPushButton(QStringLiteral("Synchronise"), this);
    btnSync_->setObjectName(QStringLiteral("btnSync"));
    btnCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel_->setObjectName(QStringLiteral("btnCancel"));
    connect(btnSync_, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnSync_);
    buttons->addWidget(btnCancel_);
    outer->addLayout(buttons);
}

void TdlgKoraSync::fillPlan()
{
    const std::size_t uploads = plan_.uploadCount();
    const std::size_t unchanged = plan_.files.size() - uploads;
    if (!plan_.makeFolders.empty()) {
        QTreeWidgetItem* group =
            AddGroup(*tvPlan_, QStringLiteral("Folders to make"), plan_.makeFolders.size());
        for (const std::string& folder : plan_.makeFolders) {
            new QTreeWidgetItem(group,
                                {Shown(folder), QString(), QStringLiteral("not on KORA-7740P")});
        }
        group->setExpanded(true);
    }
    QTreeWidgetItem* upload = AddGroup(*tvPlan_, QStringLiteral("To upload"), uploads);
    QTreeWidgetItem* same = AddGroup(*tvPlan_, QStringLiteral("Unchanged"), unchanged);
    for (const SyncFile& file : plan_.files) {
        FolderEntry sized;
        sized.size = file.file.size;
        new QTreeWidgetItem(file.uploads() ? upload : same,
                            {Shown(file.devicePath()), QString::fromStdString(SizeCellText(sized)),
                             file.uploads() ? Latin1(SyncReasonText(file.reason)) : QString()});
    }
    upload->setExpanded(true);
    // With nothing to upload, what is unchanged is the news.
    same->setExpanded(uploads == 0);
    if (!plan_.deletions.empty()) {
        deletions_ =
            AddGroup(*tvPlan_, QStringLiteral("Not in the PC folder"), plan_.deletions.size());
        for (const SyncDeletion& deletion : plan_.deletions) {
            FolderEntry sized;
            sized.size = deletion.size;
            new QTreeWidgetItem(
                deletions_,
                {Shown(deletion.devicePath()),
                 deletion.isFolder ? QString() : QString::fromStdString(SizeCellText(sized)),
                 deletion.isFolder ? QStringLiteral("folder") : QString()});
        }
        deletions_->setExpanded(true);
    }
    chkDelete_->setVisible(!plan_.deletions.empty());
    tvPlan_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    tvPlan_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    tvPlan_->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    tvPlan_->header()->setStretchLastSection(false);
}

void TdlgKoraSync::chkDeleteClick()
{
    const bool deleting = chkDelete_->isChecked();
    if (deletions_ != nullptr) {
        deletions_->setText(0, QStringLiteral("%1 (%2)")
                                   .arg(deleting ? QStringLiteral("To delete")
                                                 : QStringLiteral("Not in the PC folder, kept"))
                                   .arg(plan_.deletions.size()));
        for (int i = 0; i < deletions_->childCount(); ++i) {
            deletions_->child(i)->setDisabled(!deleting);
        }
    }
    const std::size_t uploads = plan_.uploadCount();
    const std::size_t deleted = deleting ? plan_.deletions.size() : 0;
    const bool anything = uploads > 0 || !plan_.makeFolders.empty() || deleted > 0;
    if (anything) {
        lblSummary_->setText(QStringLiteral("%1 of %2 file(s) to upload (%3), %4 to delete.")
                                 .arg(uploads)
                                 .arg(plan_.files.size())
                                 .arg(QString::fromStdString(TotalSizeText(plan_.uploadBytes())))
                                 .arg(deleted));
    } else {
        lblSummary_->setText(QStringLiteral("Nothing to upload: KORA-7740P lists every file as it "
                                            "was when it was last synchronised from this PC."));
    }
    btnSync_->setEnabled(anything);
    btnSync_->setDefault(anything);
    btnCancel_->setText(anything ? QStringLiteral("Cancel") : QStringLiteral("Close"));
    btnCancel_->setDefault(!anything);
}

} // namespace kora
