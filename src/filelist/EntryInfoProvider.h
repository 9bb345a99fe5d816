#pragma once

#include <QVariant>
#include <string>

#include "filelist/FolderEntry.h"

namespace kora {

// What the icon and type-name lookup is told about an item on the PC.
struct LocalItem {
    enum class Kind {
        File,
        Folder,
        Volume, // a mounted file system listed under "Computer"
        Home,   // the home folder listed under "Computer"
    };
    Kind kind = Kind::File;
    std::string path;           // absolute path
    std::string fileSystemType; // for a volume ("ext4", ...)
};

// Icons and type names of listed entries, as the desktop shows them. Looking one up may be slow
// (a PC file's content may tell its type), so the list model asks only for rows it is about to
// show, and only once per entry. A provider that does not know a kind of entry gives no type
// name and no icon for it.
class EntryInfoProvider {
public:
    struct Info {
        std::string typeName;
        int iconIndex = 0;
    };

    virtual ~EntryInfoProvider() = default;
    // An entry of the controller's drive, known by its name only.
    virtual Info lookUp(const FolderEntry& /*entry*/) { return {}; }
    // An item on the PC.
    virtual Info lookUpLocal(const LocalItem& /*item*/) { return {}; }
    // The decoration for an icon index handed out by a lookup (an invalid QVariant for none).
    virtual QVariant icon(int iconIndex) const = 0;
};

} // namespace kora
