#include "device/KoraPropDialog.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace kora {
namespace {

constexpr int kCaptionLeft = 24;
constexpr int kValueLeft = 112;
constexpr int kFirstRowTop = 20;
constexpr int kRowPitch = 32;

} // namespace

TdlgKoraProp::TdlgKoraProp(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgKoraProp"));
    setWindowTitle(QStringLiteral("Properities"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(482, 301);

    lblModule_ = addRow(0, QStringLiteral("Module:"), QStringLiteral("lblModule"));
    lblName_ = addRow(1, QStringLiteral("Name: "), QStringLiteral("lblName"));
    lblPath_ = addRow(2, QStringLiteral("Path:"), QStringLiteral("lblPath"));
    lblType_ = addRow(3, QStringLiteral("Type:"), QStringLiteral("lblType"));
    lblSize_ = addRow(4, QStringLiteral("Size:"), QStringLiteral("lblSize"));
    lblDate_ = addRow(5, QStringLiteral("Date:"), QStringLiteral("lblDate"));
    lblContain_ = addRow(6, QStringLiteral("Contains:"), QStringLiteral("lblContain"));

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    rule->setGeometry(kCaptionLeft, 248, width() - 2 * kCaptionLeft, 2);

    OKBtn_ = new QPushButton(QStringLiteral("OK"), this);
    OKBtn_->setObjectName(QStringLiteral("OKBtn"));
    OKBtn_->setGeometry((width() - 75) / 2, 262, 75, 25);
    OKBtn_->setDefault(true);
    connect(OKBtn_, &QPushButton::clicked, this, &QDialog::accept);
}

QLabel* TdlgKoraProp::addRow(int row, const QString& caption, const QString& valueName)
{
    const int top = kFirstRowTop + row * kRowPitch;
    auto* captionLabel = new QLabel(caption, this);
    captionLabel->setGeometry(kCaptionLeft, top, kValueLeft - kCaptionLeft - 8, 20);
    auto* value = new QLabel(this);
    value->setObjectName(valueName);
    value->setGeometry(kValueLeft, top, width() - kValueLeft - kCaptionLeft, 20);
    value->setTextFormat(Qt::PlainText);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return value;
}

void TdlgKoraProp::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TdlgKoraProp::FormShow()
{
    lblModule_->setText(Module);
    lblName_->setText(Name);
    lblPath_->setText(Path);
    lblType_->setText(Type);
    lblSize_->setText(Size);
    lblDate_->setText(Date);
    lblContain_->setText(Contain);
}

} // namespace kora
