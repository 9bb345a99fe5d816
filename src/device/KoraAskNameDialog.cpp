#include "device/KoraAskNameDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kora {

TdlgKoraAskName::TdlgKoraAskName(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgKoraAskName"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    // A fixed dialog border: the client area keeps its size.
    setFixedSize(417, 109);

    lblPrompt_ = new QLabel(this);
    lblPrompt_->setObjectName(QStringLiteral("lblPrompt"));
    lblPrompt_->setTextFormat(Qt::PlainText);
    lblPrompt_->setGeometry(16, 12, 385, 17);

    edtFileName_ = new QLineEdit(this);
    edtFileName_->setObjectName(QStringLiteral("edtFileName"));
    edtFileName_->setGeometry(16, 34, 385, 23);

    OKBtn_ = new QPushButton(QStringLiteral("OK"), this);
    OKBtn_->setObjectName(QStringLiteral("OKBtn"));
    OKBtn_->setGeometry(238, 72, 75, 25);
    OKBtn_->setDefault(true);
    connect(OKBtn_, &QPushButton::clicked, this, &QDialog::accept);

    CancelBtn_ = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn_->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn_->setGeometry(326, 72, 75, 25);
    connect(CancelBtn_, &QPushButton::clicked, this, &QDialog::reject);
}

void TdlgKoraAskName::setPrompt(const QString& prompt)
{
    lblPrompt_->setText(prompt);
}

void TdlgKoraAskName::setText(const QString& text)
{
    edtFileName_->setText(text);
}

void TdlgKoraAskName::setMaxLength(int length)
{
    edtFileName_->setMaxLength(length);
}

QString TdlgKoraAskName::text() const
{
    return edtFileName_->text();
}

void TdlgKoraAskName::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TdlgKoraAskName::FormShow()
{
    edtFileName_->setFocus(Qt::OtherFocusReason);
}

} // namespace kora
