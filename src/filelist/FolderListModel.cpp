#include "filelist/FolderListModel.h"

#include <QFont>
#include <QGuiApplication>
#include <QMimeData>
#include <QPalette>
#include <QUrl>

#include <set>

#include "filelist/FileColumns.h"
#include "filelist/FolderBrowser.h"
#include "filelist/LocalPath.h"
#include "filelist/SizeText.h"

namespace kora {
namespace {

QVariant NameForeground(std::uint32_t attributes)
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

} // namespace

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

FolderListModel::FolderListModel(FolderBrowser& browser, QObject* parent)
    : QAbstractTableModel(parent), browser_(browser)
{
    connect(&browser_, &FolderBrowser::entriesAboutToBeReplaced, this,
            &FolderListModel::beginResetModel);
    connect(&browser_, &FolderBrowser::entriesReplaced, this, &FolderListModel::endResetModel);
}

int FolderListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(browser_.entries().size());
}

int FolderListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kFileColumnCount;
}

QVariant FolderListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const FolderSource::Traits& traits = browser_.source().traits;
    const int row = index.row();
    const int column = index.column();
    const bool name = column == kColumnName;
    const bool styled = name && traits.detailsHoldDates;
    const bool needsDetails =
        (name && role == Qt::DecorationRole) ||
        (styled && (role == Qt::ForegroundRole || role == Qt::FontRole)) ||
        (role == Qt::DisplayRole &&
         (column == kColumnType || (column == kColumnModified && traits.detailsHoldDates)));
    if (needsDetails) {
        browser_.fillEntryInfo(row, row);
    }
    const FolderEntry& entry = browser_.entries().at(static_cast<std::size_t>(row));
    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case kColumnName:
            return TypeAheadSearch::decode(entry.name, traits.names);
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
        return name && traits.nameToolTips ? TypeAheadSearch::decode(entry.name, traits.names)
                                           : QVariant();
    case Qt::DecorationRole:
        return name ? browser_.source().icon(entry.iconIndex) : QVariant();
    case Qt::ForegroundRole:
        // The other columns keep the window-text colour (the report view's delegate).
        return styled ? NameForeground(entry.attributes) : QVariant();
    case Qt::FontRole:
        if (styled && NameStyleFor(entry.attributes).struckOut) {
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

QVariant FolderListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kFileColumnCount) {
        return {};
    }
    const FileListColumn& column = kFileListColumns[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole) {
        return QString::fromLatin1(column.title);
    }
    return role == Qt::TextAlignmentRole ? QVariant::fromValue(column.alignment) : QVariant();
}

Qt::ItemFlags FolderListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    // A listing kept from before a failed one is shown greyed: it may no longer be true, and
    // nothing is done on its rows until a listing succeeds again.
    if (browser_.listingStale()) {
        return Qt::ItemNeverHasChildren;
    }
    const Qt::ItemFlags drag =
        browser_.source().traits.dragOut ? Qt::ItemIsDragEnabled : Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren | drag;
}

QStringList FolderListModel::mimeTypes() const
{
    return {QStringLiteral("text/uri-list")};
}

QMimeData* FolderListModel::mimeData(const QModelIndexList& indexes) const
{
    if (!browser_.source().traits.dragOut) {
        return nullptr;
    }
    std::set<std::size_t> rows; // each row once (a row has an index per column), in list order
    for (const QModelIndex& index : indexes) {
        if (index.isValid() && index.row() < rowCount()) {
            rows.insert(static_cast<std::size_t>(index.row()));
        }
    }
    QList<QUrl> urls;
    for (const std::size_t row : rows) {
        // By their bytes: a name that is not UTF-8 still names its file.
        urls << LocalPathUrl(LocalPath{browser_.entryPath(row)});
    }
    if (urls.isEmpty()) {
        return nullptr;
    }
    auto* mime = new QMimeData; // the view's drag takes it over
    mime->setUrls(urls);
    return mime;
}

Qt::DropActions FolderListModel::supportedDragActions() const
{
    return Qt::CopyAction;
}

} // namespace kora
