#pragma once

#include <QObject>

#include <functional>
#include <string>
#include <vector>

#include "filelist/LocalPath.h"

class QMimeData;
class QWidget;

namespace kora {

// Lets a widget take local files dragged onto it: a drag of file URLs (text/uri-list with
// file:// URLs, as file managers and our own local panel offer them) is accepted as a copy
// while the owner says it may be, and the dropped paths are handed on once the drop itself has
// finished, so that the drag's source is not kept waiting while they are dealt with.
class FileDropTarget final : public QObject {
    Q_OBJECT
public:
    // Whether a drop would be taken now (the port is free).
    using Accepting = std::function<bool()>;
    // The dropped files, by full path, in the drag's order.
    using Dropped = std::function<void(const std::vector<LocalPath>& paths)>;

    // Watches target, which from now on accepts drops; target must outlive this object.
    FileDropTarget(QWidget& target, Accepting accepting, Dropped dropped);
    ~FileDropTarget() override;

    // The local files a drag carries, in its order; empty when it carries none, or anything
    // besides local files (a web address cannot be sent).
    static std::vector<LocalPath> LocalFiles(const QMimeData& mime);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& target_;
    Accepting accepting_;
    Dropped dropped_;
};

} // namespace kora
