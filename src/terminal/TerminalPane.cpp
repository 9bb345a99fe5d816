#include "terminal/TerminalPane.h"

#include <QPlainTextEdit>

namespace kora {

QPlainTextEdit* MakeTerminalPane(QWidget* parent)
{
    constexpr int kTerminalPaneMinHeight = 50;
    auto* pane = new QPlainTextEdit(parent);
    pane->setObjectName(QStringLiteral("meoDos"));
    pane->setReadOnly(true);
    pane->setLineWrapMode(QPlainTextEdit::NoWrap);
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pane->setMinimumHeight(kTerminalPaneMinHeight);
    pane->viewport()->setCursor(Qt::IBeamCursor);
    pane->setContextMenuPolicy(Qt::CustomContextMenu);

    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setBold(true);
    font.setPixelSize(17);
    pane->setFont(font);

    // Green on the menu colour while it is a log; the terminal recolours it while on.
    QPalette palette = pane->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    palette.setColor(QPalette::Text, QColor(0, 128, 0));
    pane->setPalette(palette);
    return pane;
}

} // namespace kora
