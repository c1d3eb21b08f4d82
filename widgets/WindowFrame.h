#pragma once

#include <QMargins>

class QWidget;

namespace linnery {

// The window manager's frame around a top-level window (title bar and borders), as far as it is known:
// none before the window manager has taken the window on.
QMargins windowFrameMargins(const QWidget* window);

} // namespace linnery
