#include "transfer/FileDropTarget.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace kora {

FileDropTarget::FileDropTarget(QWidget& target, Accepting accepting, Dropped dropped)
    : target_(target), accepting_(std::move(accepting)), dropped_(std::move(dropped))
{
    target_.setAcceptDrops(true);
    target_.installEventFilter(this);
}

FileDropTarget::~FileDropTarget()
{
    target_.removeEventFilter(this);
    target_.setAcceptDrops(false);
}

std::vector<LocalPath> FileDropTarget::LocalFiles(const QMimeData& mime)
{
    std::vector<LocalPath> paths;
    if (!mime.hasUrls()) {
        return paths;
    }
    for (const QUrl& url : mime.urls()) {
        // The URL's bytes as they are: a name that is not UTF-8 arrives percent-encoded.
        std::optional<LocalPath> path = LocalPathFromUrl(url);
        if (!path) {
            return {};
        }
        paths.push_back(std::move(*path));
    }
    return paths;
}

bool FileDropTarget::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
        return QObject::eventFilter(watched, event);
    }
    auto& drag = static_cast<QDropEvent&>(*event);
    std::vector<LocalPath> paths;
    if ((drag.possibleActions() & Qt::CopyAction) && (!accepting_ || accepting_()) &&
        drag.mimeData() != nullptr) {
        paths = LocalFiles(*drag.mimeData());
    }
    if (paths.empty()) {
        drag.ignore();
        return true;
    }
    // The files are copied, never moved away from where they came from.
    drag.setDropAction(Qt::CopyAction);
    drag.accept();
    if (type == QEvent::Drop) {
        QTimer::singleShot(0, this, [this, paths = std::move(paths)] { dropped_(paths); });
    }
    return true;
}

} // namespace kora
