#include "platform/X11WindowList.h"

#include <xcb/xcb_ewmh.h>

#include <algorithm>

#include "platform/X11Connection.h"

X11WindowList::X11WindowList(const QByteArray& display) : x_(std::make_unique<X11Connection>(display)) {}

X11WindowList::~X11WindowList() = default;

std::vector<WindowInfo> X11WindowList::onScreenWindows() {
    std::lock_guard lock(mutex_);
    std::vector<WindowInfo> out;
    if (!x_->isConnected()) return out;
    xcb_ewmh_connection_t* ewmh = x_->ewmh();
    const QPoint origin = x_->primaryRect().topLeft();
    const std::vector<xcb_window_t> clients = x_->clientsBottomToTop();
    out.reserve(clients.size());
    for (auto it = clients.rbegin(); it != clients.rend(); ++it) {
        const xcb_window_t window = *it;
        WindowInfo info;
        info.id = window;
        info.onScreen = x_->isViewable(window);
        if (!info.onScreen) continue;
        xcb_ewmh_get_atoms_reply_t types;
        if (xcb_ewmh_get_wm_window_type_reply(ewmh, xcb_ewmh_get_wm_window_type(ewmh, window), &types,
                                              nullptr)) {
            for (uint32_t i = 0; i < types.atoms_len; ++i) {
                if (types.atoms[i] == ewmh->_NET_WM_WINDOW_TYPE_DOCK) info.kind = WindowKind::Dock;
                if (types.atoms[i] == ewmh->_NET_WM_WINDOW_TYPE_DESKTOP) info.kind = WindowKind::Desktop;
            }
            xcb_ewmh_get_atoms_reply_wipe(&types);
        }
        xcb_ewmh_get_atoms_reply_t states;
        if (xcb_ewmh_get_wm_state_reply(ewmh, xcb_ewmh_get_wm_state(ewmh, window), &states, nullptr)) {
            for (uint32_t i = 0; i < states.atoms_len; ++i)
                if (states.atoms[i] == ewmh->_NET_WM_STATE_HIDDEN) info.onScreen = false;
            xcb_ewmh_get_atoms_reply_wipe(&states);
        }
        if (!info.onScreen) continue;
        info.pid = x_->windowPid(window);
        info.ownerName = x_->windowClass(window);
        if (info.ownerName.isEmpty()) info.ownerName = processName(info.pid);
        info.bounds = x_->frameOnRoot(window).translated(-origin);
        if (info.bounds.isEmpty()) continue;
        out.push_back(std::move(info));
    }
    return out;
}

QRect X11WindowList::screenFrame() {
    std::lock_guard lock(mutex_);
    if (!x_->isConnected()) return {};
    return QRect(QPoint(0, 0), x_->primaryRect().size());
}

QRect X11WindowList::visibleFrame() {
    std::lock_guard lock(mutex_);
    if (!x_->isConnected()) return {};
    const QRect primary = x_->primaryRect();
    xcb_ewmh_connection_t* ewmh = x_->ewmh();
    uint32_t desktop = 0;
    if (!xcb_ewmh_get_current_desktop_reply(ewmh, xcb_ewmh_get_current_desktop(ewmh, 0), &desktop, nullptr))
        desktop = 0;
    QRect free = primary;
    xcb_ewmh_get_workarea_reply_t areas;
    if (xcb_ewmh_get_workarea_reply(ewmh, xcb_ewmh_get_workarea(ewmh, 0), &areas, nullptr)) {
        if (areas.workarea_len > 0) {
            const xcb_ewmh_geometry_t& g =
                areas.workarea[std::min<uint32_t>(desktop, areas.workarea_len - 1)];
            free = QRect(int(g.x), int(g.y), int(g.width), int(g.height)).intersected(primary);
        }
        xcb_ewmh_get_workarea_reply_wipe(&areas);
    }
    return free.translated(-primary.topLeft());
}
