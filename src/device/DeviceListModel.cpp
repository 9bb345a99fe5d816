#include "device/DeviceListModel.h"

#include "device/DeviceBrowser.h"
#include "filelist/EntryInfoProvider.h"
#include "filelist/SizeText.h"

namespace kora {

DeviceListModel::DeviceListModel(DeviceBrowser& browser, EntryInfoProvider* provider,
                                 QObject* parent)
    : QAbstractTableModel(parent), browser_(browser), provider_(provider)
{
    connect(&browser_, &DeviceBrowser::entriesAboutToBeReplaced, this,
            &DeviceListModel::beginResetModel);
    connect(&browser_, &DeviceBrowser::entriesReplaced, this, &DeviceListModel::endResetModel);
}

FolderEntries& DeviceListModel::entries() const
{
    return browser_.entries();
}

int DeviceListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(entries().size());
}

int DeviceListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kFileColumnCount;
}

void DeviceListModel::FillDeviceEntryInfo(int first, int last) const
{
    const int count = static_cast<int>(entries().size());
    if (first < 0 || last >= count || first > last) {
        return;
    }
    for (int row = first; row <= last; ++row) {
        FolderEntry& entry = entries().at(static_cast<std::size_t>(row));
        if (!entry.infoPending) {
            continue;
        }
        if (provider_ != nullptr) {
            EntryInfoProvider::Info info = provider_->lookUp(entry);
            entry.typeName = std::move(info.typeName);
            entry.iconIndex = info.iconIndex;
            ++lookupCount_;
        }
        entry.infoPending = false;
    }
}

QVariant DeviceListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const int row = index.row();
    const int column = index.column();
    const bool wantsInfo = (role == Qt::DecorationRole && column == kColumnName) ||
                           (role == Qt::DisplayRole && column == kColumnType);
    if (wantsInfo) {
        FillDeviceEntryInfo(row, row);
    }
    const FolderEntry& entry = entries().at(static_cast<std::size_t>(row));
    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case kColumnName:
            // The controller's names are single bytes; Latin-1 shows each one as itself.
            return QString::fromLatin1(entry.name);
        case kColumnSize:
            return QString::fromStdString(SizeCellText(entry));
        case kColumnType:
            return QString::fromStdString(entry.typeName);
        case kColumnModified:
            return QString::fromStdString(entry.modified);
        default:
            return {};
        }
    case Qt::DecorationRole:
        if (column == kColumnName && provider_ != nullptr) {
            return provider_->icon(entry.iconIndex);
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

QVariant DeviceListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        static const char* const kCaptions[kFileColumnCount] = {"Name", "Size", "Type", "Modified"};
        if (section >= 0 && section < kFileColumnCount) {
            return QString::fromLatin1(kCaptions[section]);
        }
    }
    if (role == Qt::TextAlignmentRole && section == kColumnSize) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    }
    return {};
}

Qt::ItemFlags DeviceListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    // A listing kept from before a failed one is shown greyed: it may no longer be true, and
    // nothing is done on its rows until a listing succeeds again.
    if (browser_.listingStale()) {
        return Qt::ItemNeverHasChildren;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

} // namespace kora
