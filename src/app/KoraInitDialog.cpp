#include "app/KoraInitDialog.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace kora {

TdlgKoraInit::TdlgKoraInit(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("dlgKoraInit"));
    setWindowTitle(QStringLiteral("KORA-7740P Initializing..."));
    setModal(false);

    lblMsg_ = new QLabel(QStringLiteral("Initializing..."), this);
    lblMsg_->setObjectName(QStringLiteral("lblMsg"));
    lblMsg_->setAlignment(Qt::AlignCenter);
    QPalette palette = lblMsg_->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    lblMsg_->setPalette(palette);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->addWidget(lblMsg_);
    setFixedSize(320, 90);
    centreOnScreen();
}

void TdlgKoraInit::centreOnScreen()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.center() - rect().center());
    }
}

void TdlgKoraInit::ChangeLabelText(const QString& text)
{
    lblMsg_->setText(text);
    emit labelTextChanged(text);
    if (isVisible()) {
        repaint();
        // Let the window system map and expose the dialog; the user cannot act meanwhile.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

QString TdlgKoraInit::labelText() const
{
    return lblMsg_->text();
}

} // namespace kora
