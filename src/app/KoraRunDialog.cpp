#include "app/KoraRunDialog.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSortFilterProxyModel>

#include <memory>

#include "app/CompanionProgram.h"
#include "ui/UserPrompts.h"

namespace kora {
namespace {

// 547 by 144 with the window frame and title bar.
constexpr int kRunClientWidth = 539;
constexpr int kRunClientHeight = 110;
constexpr int kEditWidth = 489;

// Programs on Linux rarely end in ".exe", so the "EXE file" filter also offers every file the
// user may execute. The dialog's own model greys out (rather than hides) the files its name
// filter rejects; this proxy then shows the enabled rows plus the executable files, enabled.
// Under "All files" every row is enabled, so everything shows.
class ProgramFileFilter final : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void setSourceModel(QAbstractItemModel* source) override
    {
        if (auto* files = qobject_cast<QFileSystemModel*>(source)) {
            files->setNameFilterDisables(true);
        }
        QSortFilterProxyModel::setSourceModel(source);
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        Qt::ItemFlags result = QSortFilterProxyModel::flags(index);
        if (isExecutableFile(mapToSource(index))) {
            result |= Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        }
        return result;
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        const QModelIndex index = sourceModel()->index(row, 0, parent);
        return sourceModel()->flags(index).testFlag(Qt::ItemIsEnabled) || isExecutableFile(index);
    }

private:
    bool isExecutableFile(const QModelIndex& sourceIndex) const
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!files || !sourceIndex.isValid()) {
            return false;
        }
        const QFileInfo info = files->fileInfo(sourceIndex);
        return info.isFile() && info.isExecutable();
    }
};

} // namespace

TdlgKoraRun::TdlgKoraRun(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("dlgKoraRun"));
    setWindowTitle(QStringLiteral("Run KORA-7200 Utility"));

    Label1_ = new QLabel(QStringLiteral("Run"), this);
    Label1_->setObjectName(QStringLiteral("Label1"));
    edtAppName_ = new QLineEdit(QStringLiteral("edtAppName"), this);
    edtAppName_->setObjectName(QStringLiteral("edtAppName"));
    edtAppName_->setMinimumWidth(kEditWidth);
    Label1_->setBuddy(edtAppName_);

    btnOK_ = new QPushButton(QStringLiteral("OK"), this);
    btnOK_->setObjectName(QStringLiteral("btnOK"));
    btnOK_->setDefault(true);
    btnCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel_->setObjectName(QStringLiteral("btnCancel"));
    btnBrowse_ = new QPushButton(QStringLiteral("Browse"), this);
    btnBrowse_->setObjectName(QStringLiteral("btnBrowse"));
    // Browse works inside the dialog; only OK and Cancel close it.
    btnBrowse_->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK_);
    buttons->addWidget(btnCancel_);
    buttons->addWidget(btnBrowse_);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(16, 20, 16, 14);
    layout->setHorizontalSpacing(10);
    layout->setVerticalSpacing(16);
    layout->addWidget(Label1_, 0, 0);
    layout->addWidget(edtAppName_, 0, 1);
    layout->setRowStretch(1, 1);
    layout->addLayout(buttons, 2, 0, 1, 2);

    connect(btnOK_, &QPushButton::clicked, this, &TdlgKoraRun::btnOKClick);
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnBrowse_, &QPushButton::clicked, this, &TdlgKoraRun::btnBrowseClick);

    resize(kRunClientWidth, kRunClientHeight);
    centreOnDesktop();
    FormCreate();
}

void TdlgKoraRun::centreOnDesktop()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void TdlgKoraRun::FormCreate()
{
    // Without a stored value the box keeps its own text.
    if (const std::optional<QString> stored = LoadRunFile()) {
        edtAppName_->setText(*stored);
    }
}

QStringList TdlgKoraRun::BrowseFilters()
{
    return {QStringLiteral("EXE file (*.exe)"), QStringLiteral("All files (*)")};
}

void TdlgKoraRun::btnBrowseClick()
{
    auto OpenDialog1 = std::make_unique<QFileDialog>(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    // Qt's own dialog, since a desktop's native one would not take the filter below.
    OpenDialog1->setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog1->setProxyModel(new ProgramFileFilter(OpenDialog1.get()));
    OpenDialog1->setNameFilters(BrowseFilters());
    OpenDialog1->selectNameFilter(BrowseFilters().front());
    if (OpenDialog1->exec() != QDialog::Accepted) {
        return;
    }
    const QStringList chosen = OpenDialog1->selectedFiles();
    if (chosen.isEmpty()) {
        return;
    }
    // Quoted when needed, so a folder with a blank in its name still names one program.
    edtAppName_->setText(CommandLineForProgram(chosen.front()));
    btnOK_->setFocus(Qt::OtherFocusReason);
}

void TdlgKoraRun::btnOKClick()
{
    StoreRunFile(edtAppName_->text());
    confirmedCommandLine_ = edtAppName_->text();
    accept();
}

void RunCompanionProgram(QWidget* parent, const std::function<void()>& releasePort)
{
    TdlgKoraRun dialog(parent);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    releasePort();
    const QString commandLine = dialog.ConfirmedCommandLine();
    if (!StartCommandLine(commandLine)) {
        Prompts().error(parent, RunFailedMessage(commandLine));
    }
}

} // namespace kora
