#pragma once

#include <QVariant>
#include <string>

#include "filelist/EntryInfoProvider.h"

namespace kora {

// What the icon and type-name lookup is told about a local item.
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

// Icons and type names of local items, as the desktop shows them. A lookup may read the file
// (its content tells its type when its name does not), so the list asks only for rows it is
// about to show, once per entry.
class LocalInfoProvider {
public:
    virtual ~LocalInfoProvider() = default;
    virtual EntryInfoProvider::Info lookUp(const LocalItem& item) = 0;
    // The decoration for an icon index handed out by lookUp (an invalid QVariant for none).
    virtual QVariant icon(int iconIndex) const = 0;
};

} // namespace kora
