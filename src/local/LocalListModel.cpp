#include "local/LocalListModel.h"

#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include <set>
#include <vector>

#include "filelist/FileColumns.h"
#include "filelist/SizeText.h"
#include "local/LocalBrowser.h"
#include "local/LocalInfoProvider.h"

namespace kora {

NameStyle NameStyleFor(std::uint32_t attributes)
{
    NameStyle style;
    if ((attributes & FolderEntry::kReadOnly) != 0) {
        style.colour = NameStyle::Colour::Grey;
    }
    if ((attributes & FolderEntry::kSystem) != 0) {
        style.colour = NameStyle::Colour::Highlight;
    }
    style.struckOut = (attributes & FolderEntry::kHidden) != 0;
    return style;
}

LocalListModel::LocalListModel(LocalBrowser& browser, LocalInfoProvider* provider, QObject* parent)
    : QAbstractTableModel(parent), browser_(browser), provider_(provider)
{
    connect(&browser_, &LocalBrowser::entriesAboutToBeReplaced, this,
            &LocalListModel::beginResetModel);
    connect(&browser_, &LocalBrowser::entriesReplaced, this, &LocalListModel::endResetModel);
}

int LocalListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(browser_.LocalEntries().size());
}

int LocalListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kFileColumnCount;
}

QVariant LocalListModel::nameForeground(std::uint32_t attributes) const
{
    const QPalette palette = QGuiApplication::palette();
    switch (NameStyleFor(attributes).colour) {
    case NameStyle::Colour::Grey:
        return palette.color(QPalette::Disabled, QPalette::Text);
    case NameStyle::Colour::Highlight:
        return palette.color(QPalette::Active, QPalette::Highlight);
    case NameStyle::Colour::Normal:
        break;
    }
    return {};
}

QVariant LocalListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const int row = index.row();
    const int column = index.column();
    const bool name = column == kColumnName;
    const bool needsDetails =
        (name &&
         (role == Qt::DecorationRole || role == Qt::ForegroundRole || role == Qt::FontRole)) ||
        (role == Qt::DisplayRole && (column == kColumnType || column == kColumnModified));
    if (needsDetails) {
        browser_.FillLocalEntryInfo(row, row);
    }
    const FolderEntry& entry = browser_.LocalEntries().at(static_cast<std::size_t>(row));
    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case kColumnName:
            return QString::fromUtf8(entry.name);
        case kColumnSize:
            return QString::fromStdString(SizeCellText(entry));
        case kColumnType:
            return QString::fromStdString(entry.typeName);
        case kColumnModified:
            return QString::fromStdString(entry.modified);
        default:
            return {};
        }
    case Qt::ToolTipRole:
        // The whole name, where the column or the icon's cell is too narrow for it.
        return name ? QString::fromUtf8(entry.name) : QVariant();
    case Qt::DecorationRole:
        if (name && provider_ != nullptr) {
            return provider_->icon(entry.iconIndex);
        }
        return {};
    case Qt::ForegroundRole:
        // The other columns keep the window-text colour (the report view's delegate).
        return name ? nameForeground(entry.attributes) : QVariant();
    case Qt::FontRole:
        if (name && NameStyleFor(entry.attributes).struckOut) {
            QFont font = QGuiApplication::font();
            font.setStrikeOut(true);
            return font;
        }
        return {};
    case Qt::TextAlignmentRole:
        if (column == kColumnSize) {
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        }
        return {};
    default:
        return {};
    }
}

QVariant LocalListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    return FileListHeaderData(section, orientation, role);
}

Qt::ItemFlags LocalListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
           Qt::ItemNeverHasChildren;
}

QStringList LocalListModel::mimeTypes() const
{
    return {QStringLiteral("text/uri-list")};
}

QMimeData* LocalListModel::mimeData(const QModelIndexList& indexes) const
{
    std::set<std::size_t> rows; // each row once (a row has an index per column), in list order
    for (const QModelIndex& index : indexes) {
        if (index.isValid()) {
            rows.insert(static_cast<std::size_t>(index.row()));
        }
    }
    QList<QUrl> urls;
    for (const SelectedLocalEntry& entry :
         browser_.entriesAt(std::vector<std::size_t>(rows.begin(), rows.end()))) {
        // By their bytes: a name that is not UTF-8 still names its file.
        urls << LocalPathUrl(entry.path);
    }
    if (urls.isEmpty()) {
        return nullptr;
    }
    auto* mime = new QMimeData; // the view's drag takes it over
    mime->setUrls(urls);
    return mime;
}

Qt::DropActions LocalListModel::supportedDragActions() const
{
    return Qt::CopyAction;
}

} // namespace kora
