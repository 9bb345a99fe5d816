#pragma once

#include <QAbstractTableModel>
#include <array>
#include <cstddef>

#include "device/DeviceSort.h"

namespace kora {

class DeviceBrowser;
class FolderEntries;
class EntryInfoProvider;

// The device list as the views see it. It holds no rows of its own: every row is read from the
// browser's entries when a view asks for it. Icon and type name are looked up for an entry
// the first time a view asks for either, so a listing itself does no lookups.
class DeviceListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The provider may be null (no icons, empty type names). Browser and provider must outlive
    // the model.
    DeviceListModel(DeviceBrowser& browser, EntryInfoProvider* provider, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Looks up icon and type name for the rows first..last that still lack them (rows a view is
    // about to show). Out-of-range bounds do nothing.
    void FillDeviceEntryInfo(int first, int last) const;

    // How many entries have been looked up since the model was made.
    std::size_t lookupCount() const { return lookupCount_; }

private:
    FolderEntries& entries() const;

    DeviceBrowser& browser_;
    EntryInfoProvider* provider_;
    mutable std::size_t lookupCount_ = 0;
};

} // namespace kora
