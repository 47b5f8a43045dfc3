#include "platform/X11WindowHints.h"

#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include <QGuiApplication>
#include <QWidget>
#include <cmath>

namespace X11WindowHints {

bool setAspectRatio(QWidget* window, QSizeF aspect) {
    if (window == nullptr || !window->testAttribute(Qt::WA_WState_Created)) return false;
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr) return false;
    const auto id = static_cast<xcb_window_t>(window->winId());
    xcb_size_hints_t hints{};
    // Keep what Qt put there (position, size limits, gravity).
    xcb_icccm_get_wm_normal_hints_reply(connection, xcb_icccm_get_wm_normal_hints(connection, id), &hints,
                                        nullptr);
    const auto w = static_cast<int32_t>(std::lround(aspect.width()));
    const auto h = static_cast<int32_t>(std::lround(aspect.height()));
    if (w > 0 && h > 0) {
        xcb_icccm_size_hints_set_aspect(&hints, w, h, w, h);
    } else {
        hints.flags &= ~uint32_t(XCB_ICCCM_SIZE_HINT_P_ASPECT);
    }
    xcb_icccm_set_wm_normal_hints(connection, id, &hints);
    xcb_flush(connection);
    return true;
}

}  // namespace X11WindowHints
