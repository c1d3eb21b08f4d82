#include "widgets/WindowFrame.h"

#include <QGuiApplication>
#include <QWidget>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#endif

namespace linnery {

namespace {

#if QT_CONFIG(xcb)
// Qt caches the frame it last read and may have read it while the window manager was still building
// the frame; the window manager's own property on the window is read fresh instead.
bool readNetFrameExtents(const QWidget* window, QMargins& margins) {
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !window->internalWinId())
        return false;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return false;
    static const char name[] = "_NET_FRAME_EXTENTS";
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, sizeof name - 1, name), nullptr),
        &std::free);
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return false;
    const auto id = static_cast<xcb_window_t>(window->internalWinId());
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, id, atom->atom, XCB_ATOM_CARDINAL, 0, 4), nullptr),
        &std::free);
    if (!reply || reply->type != XCB_ATOM_CARDINAL || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) != 16)
        return false;
    const auto* v = static_cast<const quint32*>(xcb_get_property_value(reply.get()));
    // Left, right, top, bottom.
    margins = QMargins(int(v[0]), int(v[2]), int(v[1]), int(v[3]));
    return true;
}
#endif

} // namespace

QMargins windowFrameMargins(const QWidget* window) {
#if QT_CONFIG(xcb)
    if (QMargins margins; readNetFrameExtents(window, margins))
        return margins;
#endif
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    const QMargins margins(inner.left() - outer.left(), inner.top() - outer.top(),
                           outer.right() - inner.right(), outer.bottom() - inner.bottom());
    // A frame caught half built reads as negative: not known yet.
    if (margins.left() < 0 || margins.top() < 0 || margins.right() < 0 || margins.bottom() < 0)
        return {};
    return margins;
}

} // namespace linnery
