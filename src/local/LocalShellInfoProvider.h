#pragma once

#include <QFileIconProvider>
#include <QMimeDatabase>

#include "filelist/ShellEntryInfoProvider.h"
#include "local/LocalInfoProvider.h"

namespace kora {

// Icons and type names of local items as the desktop gives them: a file's from its MIME type
// (by name, and by content when the name does not tell), folders the folder's, the home folder
// the home icon, a mounted file system the drive icon and its file system's
// type ("ext4 volume").
class LocalShellInfoProvider final : public LocalInfoProvider {
public:
    LocalShellInfoProvider();

    EntryInfoProvider::Info lookUp(const LocalItem& item) override;
    QVariant icon(int iconIndex) const override { return shell_.icon(iconIndex); }

private:
    ShellEntryInfoProvider shell_;
    QMimeDatabase mimeDatabase_;
    QFileIconProvider iconProvider_;
    std::string folderTypeName_;
    int folderIconIndex_ = 0;
    int homeIconIndex_ = 0;
    int driveIconIndex_ = 0;
};

} // namespace kora
