#pragma once

#include <QAbstractTableModel>

#include <cstdint>

namespace kora {

class FolderBrowser;

// How a row's name is drawn, by its entry's attributes: read-only in the grey text colour,
// system items in the highlight colour (over grey), hidden ones struck out. Rows whose details
// are not read yet have no attributes and are drawn plainly.
struct NameStyle {
    enum class Colour { Normal, Grey, Highlight };
    Colour colour = Colour::Normal;
    bool struckOut = false;
    bool operator==(const NameStyle&) const = default;
};
NameStyle NameStyleFor(std::uint32_t attributes);

// A file list as the views see it. It holds no rows of its own: every row is read from the
// browser's entries when a view asks for it, and an entry's details are filled the first time
// a view asks for anything that needs them (icon, type; for the PC's entries also date and
// colours), so a listing itself looks nothing up. A listing kept from before a failed one is
// greyed. Where the source allows it, rows are dragged out as their files' URLs.
class FolderListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    // The browser must outlive the model.
    explicit FolderListModel(FolderBrowser& browser, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Dragged rows are their files' URLs (text/uri-list), for a copy only: to the device panel
    // or to the desktop's file manager.
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;

private:
    FolderBrowser& browser_;
};

} // namespace kora
