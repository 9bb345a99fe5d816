#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace kora {

// The dialogs the local panel asks things with, behind one seam so that tests can answer them
// without a modal loop.
class LocalDialogs {
public:
    virtual ~LocalDialogs() = default;
    // The folder picker "Select Directory": the chosen folder, nothing when cancelled.
    virtual std::optional<QString> chooseFolder(QWidget* parent) = 0;
    // The new name of an entry, nothing when cancelled.
    virtual std::optional<QString> askNewName(QWidget* parent, const QString& currentName) = 0;
};

// The desktop's own: QFileDialog and QInputDialog.
class DesktopLocalDialogs final : public LocalDialogs {
public:
    std::optional<QString> chooseFolder(QWidget* parent) override;
    std::optional<QString> askNewName(QWidget* parent, const QString& currentName) override;
};

} // namespace kora
