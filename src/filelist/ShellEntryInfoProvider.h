#pragma once

#include <QFileIconProvider>
#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <vector>

#include "filelist/EntryInfoProvider.h"

namespace kora {

// Icons and type names as the desktop gives them to local files. A folder gets the folder icon
// and the folder type name; a device file the icon and type comment of the MIME type its
// extension stands for; a PC file those of its MIME type (by name, and by content when the name
// does not tell); the home folder the home icon, a mounted file system the drive icon and its
// file system's type ("ext4 volume"). Icons are kept once per MIME type; index 0 is "no icon".
class ShellEntryInfoProvider final : public EntryInfoProvider {
public:
    ShellEntryInfoProvider();

    Info lookUp(const FolderEntry& entry) override;
    Info lookUpLocal(const LocalItem& item) override;
    QVariant icon(int iconIndex) const override;

private:
    // The index of the desktop's icon for a MIME type, kept once per type.
    int iconIndexFor(const QMimeType& type);
    int addIcon(const QIcon& icon);

    QMimeDatabase mimeDatabase_;
    QFileIconProvider iconProvider_;
    std::vector<QIcon> icons_;
    QHash<QString, int> iconIndexByMimeName_;
    std::string folderTypeName_;
    int folderIconIndex_ = 0;
    int homeIconIndex_ = 0;
    int driveIconIndex_ = 0;
};

} // namespace kora
