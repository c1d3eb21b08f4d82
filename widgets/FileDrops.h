#pragma once

#include <functional>
#include <string>
#include <vector>

class QDropEvent;
class QMimeData;
class QObject;

namespace linnery {

// Which drags a window takes: any that carries addresses (the main window opens the first local file
// among them), or only one whose every item is a local file (the line replacement window).
enum class DropRule { AnyAddresses, LocalFilesOnly };

bool acceptsDrop(const QMimeData* data, DropRule rule);
// For a drag that enters or moves over the window: accepts it when the rule does.
void acceptDrag(QDropEvent* event, DropRule rule);

// Takes a drop the rule accepts: `handle` gets the local files' paths (file-system bytes) once the drop
// is finished, from the event loop, so the file manager that dragged them is not kept waiting for what
// the window does with them (a load, an error box, a report).
void takeDrop(QDropEvent* event, DropRule rule, QObject* context,
              std::function<void(const std::vector<std::string>&)> handle);

} // namespace linnery
