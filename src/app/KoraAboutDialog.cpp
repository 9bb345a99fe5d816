#include "app/KoraAboutDialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ApplicationIcon.h"

namespace kora {
namespace {

constexpr int kAboutClientWidth = 453;
constexpr int kAboutClientHeight = 172;
constexpr int kPictureSize = 64;

void MakeBlue(QLabel& label)
{
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    label.setPalette(palette);
}

} // namespace

TdlgKoraAbout::TdlgKoraAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("dlgKoraAbout"));
    setWindowTitle(QStringLiteral("About KORA-7740P Utility"));

    auto* Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::StyledPanel);
    Panel1->setFrameShadow(QFrame::Sunken);

    ProgramIcon_ = new QLabel(Panel1);
    ProgramIcon_->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon_->setPixmap(
        ApplicationIcon().pixmap(QSize(kPictureSize, kPictureSize), devicePixelRatioF()));
    ProgramIcon_->setFixedSize(kPictureSize, kPictureSize);

    ProductName_ = new QLabel(QStringLiteral("KORA-7740P Utility"), Panel1);
    ProductName_->setObjectName(QStringLiteral("ProductName"));
    QFont titleFont(QStringLiteral("Times New Roman"));
    titleFont.setStyleHint(QFont::Serif);
    titleFont.setBold(true);
    titleFont.setPixelSize(20);
    ProductName_->setFont(titleFont);
    MakeBlue(*ProductName_);

    Version_ = new QLabel(QStringLiteral("Version: 1.10"), Panel1);
    Version_->setObjectName(QStringLiteral("Version"));
    QFont versionFont = Version_->font();
    versionFont.setBold(true);
    Version_->setFont(versionFont);
    MakeBlue(*Version_);

    auto* panelLayout = new QGridLayout(Panel1);
    panelLayout->setContentsMargins(16, 14, 16, 14);
    panelLayout->setHorizontalSpacing(20);
    panelLayout->addWidget(ProgramIcon_, 0, 0, 2, 1, Qt::AlignVCenter);
    panelLayout->addWidget(ProductName_, 0, 1, Qt::AlignBottom);
    panelLayout->addWidget(Version_, 1, 1, Qt::AlignTop);
    panelLayout->setColumnStretch(1, 1);

    OKBtn_ = new QPushButton(QStringLiteral("OK"), this);
    OKBtn_->setObjectName(QStringLiteral("OKBtn"));
    OKBtn_->setDefault(true);
    connect(OKBtn_, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn_);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(Panel1, 1);
    layout->addLayout(buttons);
    // A fixed border: the box cannot be resized. Qt centres it over its parent when shown.
    setFixedSize(kAboutClientWidth, kAboutClientHeight);
}

} // namespace kora
