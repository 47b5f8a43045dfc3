#include "platform/X11Connection.h"

#include <xcb/randr.h>
#include <xcb/res.h>
#include <xcb/xcb_icccm.h>

#include <QFile>
#include <cstdlib>
#include <memory>

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> reply(T* p) {
    return Reply<T>(p, &std::free);
}

}  // namespace

X11Connection::X11Connection(const QByteArray& display) {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(display.isEmpty() ? nullptr : display.constData(), &screenNumber);
    if (c == nullptr || xcb_connection_has_error(c)) {
        if (c) xcb_disconnect(c);
        return;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    if (!it.rem) {
        xcb_disconnect(c);
        return;
    }
    connection_ = c;
    screen_ = it.data;
    root_ = it.data->root;
    xcb_intern_atom_cookie_t* cookies = xcb_ewmh_init_atoms(c, &ewmh_);
    if (!xcb_ewmh_init_atoms_replies(&ewmh_, cookies, nullptr)) {
        xcb_disconnect(c);
        connection_ = nullptr;
        screen_ = nullptr;
        root_ = 0;
    }
}

X11Connection::~X11Connection() {
    if (connection_) {
        xcb_ewmh_connection_wipe(&ewmh_);
        xcb_disconnect(connection_);
    }
}

bool X11Connection::displayAvailable() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const bool ok = c != nullptr && !xcb_connection_has_error(c);
    if (c) xcb_disconnect(c);
    return ok;
}

QRect X11Connection::primaryRect() const {
    if (!connection_) return {};
    const QRect whole(0, 0, screen_->width_in_pixels, screen_->height_in_pixels);
    xcb_connection_t* c = connection_;
    auto crtcRect = [&](xcb_randr_output_t output) -> QRect {
        auto info = reply(xcb_randr_get_output_info_reply(
            c, xcb_randr_get_output_info(c, output, XCB_CURRENT_TIME), nullptr));
        if (!info || info->crtc == XCB_NONE) return {};
        auto crtc = reply(xcb_randr_get_crtc_info_reply(
            c, xcb_randr_get_crtc_info(c, info->crtc, XCB_CURRENT_TIME), nullptr));
        if (!crtc || crtc->width == 0 || crtc->height == 0) return {};
        return QRect(crtc->x, crtc->y, crtc->width, crtc->height);
    };
    auto primary =
        reply(xcb_randr_get_output_primary_reply(c, xcb_randr_get_output_primary(c, root_), nullptr));
    if (primary && primary->output != XCB_NONE) {
        const QRect r = crtcRect(primary->output);
        if (!r.isEmpty()) return r.intersected(whole);
    }
    auto resources = reply(xcb_randr_get_screen_resources_current_reply(
        c, xcb_randr_get_screen_resources_current(c, root_), nullptr));
    if (resources) {
        const xcb_randr_output_t* outputs = xcb_randr_get_screen_resources_current_outputs(resources.get());
        const int n = xcb_randr_get_screen_resources_current_outputs_length(resources.get());
        for (int i = 0; i < n; ++i) {
            const QRect r = crtcRect(outputs[i]);
            if (!r.isEmpty()) return r.intersected(whole);
        }
    }
    return whole;
}

std::int64_t X11Connection::windowPid(xcb_window_t window) {
    uint32_t pid = 0;
    if (xcb_ewmh_get_wm_pid_reply(&ewmh_, xcb_ewmh_get_wm_pid(&ewmh_, window), &pid, nullptr)) return pid;
    // A program that does not name its process: the server knows the process
    // of a local client (X-Resource).
    const xcb_query_extension_reply_t* res = xcb_get_extension_data(connection_, &xcb_res_id);
    if (res == nullptr || !res->present) return 0;
    xcb_res_client_id_spec_t query{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    auto ids = reply(xcb_res_query_client_ids_reply(
        connection_, xcb_res_query_client_ids(connection_, 1, &query), nullptr));
    if (!ids) return 0;
    for (auto it = xcb_res_query_client_ids_ids_iterator(ids.get()); it.rem;
         xcb_res_client_id_value_next(&it)) {
        if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
            xcb_res_client_id_value_value_length(it.data) >= 1)
            return *xcb_res_client_id_value_value(it.data);
    }
    return 0;
}

QString X11Connection::windowClass(xcb_window_t window) {
    xcb_icccm_get_wm_class_reply_t cls;
    if (!xcb_icccm_get_wm_class_reply(connection_, xcb_icccm_get_wm_class(connection_, window), &cls,
                                      nullptr))
        return {};
    const QString name = QString::fromLocal8Bit(cls.class_name ? cls.class_name : "");
    xcb_icccm_get_wm_class_reply_wipe(&cls);
    return name;
}

std::vector<xcb_window_t> X11Connection::clientsBottomToTop() {
    std::vector<xcb_window_t> out;
    xcb_ewmh_get_windows_reply_t list;
    if (xcb_ewmh_get_client_list_stacking_reply(&ewmh_, xcb_ewmh_get_client_list_stacking(&ewmh_, 0), &list,
                                                nullptr) ||
        xcb_ewmh_get_client_list_reply(&ewmh_, xcb_ewmh_get_client_list(&ewmh_, 0), &list, nullptr)) {
        out.assign(list.windows, list.windows + list.windows_len);
        xcb_ewmh_get_windows_reply_wipe(&list);
    }
    return out;
}

QRect X11Connection::frameOnRoot(xcb_window_t window) {
    xcb_connection_t* c = connection_;
    const auto geometryCookie = xcb_get_geometry(c, window);
    const auto translateCookie = xcb_translate_coordinates(c, window, root_, 0, 0);
    const auto extentsCookie = xcb_ewmh_get_frame_extents(&ewmh_, window);
    auto geometry = reply(xcb_get_geometry_reply(c, geometryCookie, nullptr));
    auto translated = reply(xcb_translate_coordinates_reply(c, translateCookie, nullptr));
    xcb_ewmh_get_extents_reply_t extents{};
    if (!xcb_ewmh_get_frame_extents_reply(&ewmh_, extentsCookie, &extents, nullptr)) extents = {};
    if (!geometry || !translated) return {};
    return QRect(translated->dst_x - int(extents.left), translated->dst_y - int(extents.top),
                 geometry->width + int(extents.left + extents.right),
                 geometry->height + int(extents.top + extents.bottom));
}

bool X11Connection::isViewable(xcb_window_t window) {
    auto attrs = reply(xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, window), nullptr));
    return attrs && attrs->map_state == XCB_MAP_STATE_VIEWABLE;
}

QString processName(std::int64_t pid) {
    if (pid <= 0) return {};
    QFile f(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromLocal8Bit(f.readAll()).trimmed();
}
