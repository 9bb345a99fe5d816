#include "local/LocalDialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>

namespace kora {

std::optional<QString> DesktopLocalDialogs::chooseFolder(QWidget* parent)
{
    // No root limit and no start folder.
    const QString chosen =
        QFileDialog::getExistingDirectory(parent, QStringLiteral("Select Directory"));
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return chosen;
}

std::optional<QString> DesktopLocalDialogs::askNewName(QWidget* parent, const QString& currentName)
{
    bool accepted = false;
    const QString name =
        QInputDialog::getText(parent, QStringLiteral("Rename"), QStringLiteral("New name:"),
                              QLineEdit::Normal, currentName, &accepted);
    if (!accepted) {
        return std::nullopt;
    }
    return name;
}

} // namespace kora
