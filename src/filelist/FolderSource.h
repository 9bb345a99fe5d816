#pragma once

#include <QVariant>

#include <optional>
#include <string>
#include <vector>

#include "filelist/EntryInfoProvider.h"
#include "filelist/FolderEntry.h"
#include "filelist/FolderSort.h"
#include "filelist/TypeAheadSearch.h"

namespace kora {

// Where a panel's folders come from: the controller's drive through the console, or the PC's
// file system. A folder is named by a string of the source's own (the device path "\BIN", the
// absolute PC path, "" for the PC's "Computer" root). The folder browser holds what the panel
// shows and asks its source for the rest; a source reports its own failures to the user.
class FolderSource {
public:
    // What tells one panel's folders from the other's.
    struct Traits {
        // Where the first Refresh goes, and a new start.
        std::string root;
        TypeAheadSearch::NameBytes names = TypeAheadSearch::NameBytes::Latin1;
        SortRules sort;
        // A failed listing leaves the last good one on screen, greyed (and the sort column the
        // user chose for the next one); otherwise it changes nothing on screen.
        bool keepsFailedListing = false;
        // Dates and attributes are read with the details, for rows about to be shown.
        bool detailsHoldDates = false;
        // The names show whole in a tool tip, and rows can be dragged out as file URLs.
        bool nameToolTips = false;
        bool dragOut = false;
    };

    struct Listing {
        std::vector<FolderEntry> entries;
        // Shown after the total size in the status bar (the device's free space), or empty.
        std::string sizeSuffix;
    };

    // The provider (icons and type names) may be null: no icons, empty type names. It must
    // outlive the source.
    FolderSource(Traits traits, EntryInfoProvider* provider)
        : traits(std::move(traits)), provider_(provider)
    {
    }
    virtual ~FolderSource() = default;
    FolderSource(const FolderSource&) = delete;
    FolderSource& operator=(const FolderSource&) = delete;

    const Traits traits;

    // Whether a listing can be made now; one asked for while it cannot is dropped, leaving
    // everything as it is.
    virtual bool ready() const { return true; }
    // The folder a typed or picked text names (the text itself by default); nothing when it
    // names none (reported).
    virtual std::optional<std::string> parsePath(const std::string& text,
                                                 const std::string& /*current*/) const
    {
        return text;
    }
    // The folder's entries; nothing when they cannot be read (reported).
    virtual std::optional<Listing> list(const std::string& folder) = 0;
    // Where Up goes; nothing where there is nowhere to go.
    virtual std::optional<std::string> parent(const std::string& folder) const = 0;
    virtual std::string child(const std::string& folder, const FolderEntry& entry) const = 0;
    // The folder's text in the path box (its name by default).
    virtual std::string displayText(const std::string& folder) const { return folder; }
    // Fills the details read only for rows about to be shown; true when their icon and type
    // were looked up.
    virtual bool fillDetails(const std::string& folder, FolderEntry& entry) = 0;
    // The decoration for an icon index handed out with the details (invalid for none).
    QVariant icon(int iconIndex) const
    {
        return provider_ != nullptr ? provider_->icon(iconIndex) : QVariant();
    }

protected:
    // Puts what a lookup gave into the entry.
    static bool take(EntryInfoProvider::Info info, FolderEntry& entry)
    {
        entry.typeName = std::move(info.typeName);
        entry.iconIndex = info.iconIndex;
        return true;
    }

    EntryInfoProvider* const provider_;
};

} // namespace kora
