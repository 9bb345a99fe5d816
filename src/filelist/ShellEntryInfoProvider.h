#pragma once

#include <QFileIconProvider>
#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <vector>

#include "filelist/EntryInfoProvider.h"

namespace kora {

// Icons and type names as the desktop gives them to local files: a device folder gets the
// folder icon and the folder type name, a device file the icon and type comment of the MIME
// type its extension stands for. Icons are kept once per MIME type; index 0 is "no icon".
class ShellEntryInfoProvider final : public EntryInfoProvider {
public:
    ShellEntryInfoProvider();

    Info lookUp(const FolderEntry& entry) override;
    QVariant icon(int iconIndex) const override;

    // The index of the desktop's icon for a MIME type, kept once per type.
    int iconIndexFor(const QMimeType& type);
    // Keeps another icon and returns its index.
    int addIcon(const QIcon& icon);

private:
    QMimeDatabase mimeDatabase_;
    QFileIconProvider iconProvider_;
    std::vector<QIcon> icons_;
    QHash<QString, int> iconIndexByMimeName_;
    int folderIconIndex_ = 0;
    QString folderTypeName_;
};

} // namespace kora
