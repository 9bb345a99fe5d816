#pragma once

#include <QVariant>
#include <string>

#include "filelist/FolderEntry.h"

namespace kora {

// Icons and type names of listed entries: folders look like ordinary folders, files like local
// files with the same extension. Looking one up may be slow, so the list model asks only for
// rows it is about to show, and only once per entry.
class EntryInfoProvider {
public:
    struct Info {
        std::string typeName;
        int iconIndex = 0;
    };

    virtual ~EntryInfoProvider() = default;
    virtual Info lookUp(const FolderEntry& entry) = 0;
    // The decoration for an icon index handed out by lookUp (an invalid QVariant for none).
    virtual QVariant icon(int iconIndex) const = 0;
};

} // namespace kora
