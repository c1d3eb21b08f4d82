#include "widgets/FileDrops.h"

#include "widgets/TextCodec.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace linnery {

bool acceptsDrop(const QMimeData* data, DropRule rule) {
    if (!data || !data->hasUrls())
        return false;
    if (rule == DropRule::AnyAddresses)
        return true;
    const QList<QUrl> urls = data->urls();
    return !urls.isEmpty() &&
           std::all_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

void acceptDrag(QDropEvent* event, DropRule rule) {
    if (acceptsDrop(event->mimeData(), rule))
        event->acceptProposedAction();
}

void takeDrop(QDropEvent* event, DropRule rule, QObject* context,
              std::function<void(const std::vector<std::string>&)> handle) {
    if (!acceptsDrop(event->mimeData(), rule))
        return;
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.push_back(pathBytes(url.toLocalFile()));
    event->acceptProposedAction();
    QTimer::singleShot(0, context, [handle = std::move(handle), paths = std::move(paths)] { handle(paths); });
}

} // namespace linnery
