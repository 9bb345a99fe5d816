#include "device/KoraViewDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "device/ReadBackCopy.h"
#include "ui/UserPrompts.h"

namespace kora {

QString ViewTitle(const std::string& name, std::size_t size, const std::string& note)
{
    const QString shownName = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    if (!note.empty()) {
        return QStringLiteral("%1 (%2)").arg(shownName, QString::fromLatin1(note.c_str()));
    }
    return QStringLiteral("%1 (%2 bytes)").arg(shownName).arg(size);
}

TdlgKoraView::TdlgKoraView(const std::string& name, std::string content, QWidget* parent,
                           const std::string& note)
    : QDialog(parent), name_(name), content_(std::move(content))
{
    setObjectName(QStringLiteral("dlgKoraView"));
    setWindowTitle(ViewTitle(name_, content_.size(), note));
    auto* layout = new QVBoxLayout(this);
    meoText_ = new QPlainTextEdit(this);
    meoText_->setObjectName(QStringLiteral("meoText"));
    meoText_->setReadOnly(true);
    meoText_->setLineWrapMode(QPlainTextEdit::NoWrap);
    meoText_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // The controller's text is single-byte; CR LF ends a line on it as LF does here.
    QString text = QString::fromLatin1(content_.data(), static_cast<qsizetype>(content_.size()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    meoText_->setPlainText(text);
    layout->addWidget(meoText_);

    auto* buttons = new QDialogButtonBox(this);
    btnSaveAs_ = buttons->addButton(QStringLiteral("Save As..."), QDialogButtonBox::ActionRole);
    btnSaveAs_->setObjectName(QStringLiteral("btnSaveAs"));
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setObjectName(QStringLiteral("btnClose"));
    layout->addWidget(buttons);
    connect(btnSaveAs_, &QPushButton::clicked, this, &TdlgKoraView::SaveAsClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(640, 480);
}

void TdlgKoraView::SaveAsClick()
{
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save As"),
                                     QDir::home().filePath(QString::fromLatin1(
                                         name_.data(), static_cast<qsizetype>(name_.size()))));
    if (!path.isEmpty()) {
        saveTo({QFile::encodeName(path).toStdString()});
    }
}

bool TdlgKoraView::saveTo(const LocalPath& path)
{
    if (const auto error = SaveReadBackCopy(path, content_, true)) {
        Prompts().error(this, QStringLiteral("Unable to save the file: ") +
                                  QString::fromLocal8Bit(error->c_str()));
        return false;
    }
    return true;
}

} // namespace kora
