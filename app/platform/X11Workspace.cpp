#include "platform/X11Workspace.h"

#include <poll.h>
#include <unistd.h>
#include <xcb/xcb_ewmh.h>

#include <QFileInfo>
#include <cstdlib>
#include <set>

#include "platform/Dispatch.h"
#include "platform/X11Connection.h"

struct X11Workspace::Observers {
    std::recursive_mutex mutex;  // an observer may change the observers
    Observer launched, terminated;
};

namespace {

// The largest icon of _NET_WM_ICON (ARGB words, not premultiplied) up to 128 pixels.
QImage windowIcon(xcb_ewmh_connection_t* ewmh, xcb_window_t window) {
    xcb_ewmh_get_wm_icon_reply_t icons;
    if (!xcb_ewmh_get_wm_icon_reply(ewmh, xcb_ewmh_get_wm_icon(ewmh, window), &icons, nullptr)) return {};
    QImage best;
    for (auto it = xcb_ewmh_get_wm_icon_iterator(&icons); it.rem; xcb_ewmh_get_wm_icon_next(&it)) {
        if (it.width == 0 || it.height == 0 || it.width > 128 || it.height > 128) continue;
        if (!best.isNull() && int(it.width) <= best.width()) continue;
        QImage image(int(it.width), int(it.height), QImage::Format_ARGB32);
        for (uint32_t y = 0; y < it.height; ++y)
            for (uint32_t x = 0; x < it.width; ++x) image.setPixel(int(x), int(y), it.data[y * it.width + x]);
        best = image;
    }
    xcb_ewmh_get_wm_icon_reply_wipe(&icons);
    return best;
}

bool isOrdinaryWindow(xcb_ewmh_connection_t* ewmh, xcb_window_t window) {
    bool ordinary = true;
    xcb_ewmh_get_atoms_reply_t types;
    if (xcb_ewmh_get_wm_window_type_reply(ewmh, xcb_ewmh_get_wm_window_type(ewmh, window), &types, nullptr)) {
        ordinary = types.atoms_len == 0;
        for (uint32_t i = 0; i < types.atoms_len; ++i)
            if (types.atoms[i] == ewmh->_NET_WM_WINDOW_TYPE_NORMAL) ordinary = true;
        xcb_ewmh_get_atoms_reply_wipe(&types);
    }
    xcb_ewmh_get_atoms_reply_t states;
    if (ordinary &&
        xcb_ewmh_get_wm_state_reply(ewmh, xcb_ewmh_get_wm_state(ewmh, window), &states, nullptr)) {
        for (uint32_t i = 0; i < states.atoms_len; ++i)
            if (states.atoms[i] == ewmh->_NET_WM_STATE_SKIP_TASKBAR) ordinary = false;
        xcb_ewmh_get_atoms_reply_wipe(&states);
    }
    return ordinary;
}

}  // namespace

X11Workspace::X11Workspace(const QByteArray& display)
    : x_(std::make_unique<X11Connection>(display)),
      events_(std::make_unique<X11Connection>(display)),
      observers_(std::make_shared<Observers>()) {
    if (!x_->isConnected() || !events_->isConnected()) return;
    if (::pipe(wake_) != 0) return;
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(events_->connection(), events_->root(), XCB_CW_EVENT_MASK, &mask);
    xcb_flush(events_->connection());
    {
        std::lock_guard lock(mutex_);
        for (ApplicationInfo& app : scan()) known_[app.processId] = std::move(app);
    }
    watcher_ = std::thread([this] { watch(); });
}

X11Workspace::~X11Workspace() {
    setObservers({}, {});
    if (watcher_.joinable()) {
        const char byte = 0;
        (void)!::write(wake_[1], &byte, 1);
        watcher_.join();
    }
    for (int fd : wake_)
        if (fd >= 0) ::close(fd);
}

std::vector<ApplicationInfo> X11Workspace::scan() {
    std::vector<ApplicationInfo> apps;
    if (!x_->isConnected()) return apps;
    std::set<std::int64_t> seen;
    xcb_ewmh_get_windows_reply_t list;
    xcb_ewmh_connection_t* ewmh = x_->ewmh();
    if (!xcb_ewmh_get_client_list_reply(ewmh, xcb_ewmh_get_client_list(ewmh, 0), &list, nullptr)) return apps;
    const std::vector<xcb_window_t> windows(list.windows, list.windows + list.windows_len);
    xcb_ewmh_get_windows_reply_wipe(&list);
    for (xcb_window_t window : windows) {
        const std::int64_t pid = x_->windowPid(window);
        if (pid <= 0 || seen.count(pid) || !isOrdinaryWindow(ewmh, window)) continue;
        seen.insert(pid);
        ApplicationInfo app;
        app.processId = pid;
        const QString cls = x_->windowClass(window);
        app.name = cls.isEmpty() ? processName(pid) : cls;
        app.bundleId = cls;
        if (app.bundleId.isEmpty())
            app.bundleId = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
        app.icon = windowIcon(ewmh, window);
        apps.push_back(std::move(app));
    }
    return apps;
}

std::vector<ApplicationInfo> X11Workspace::runningApplications() {
    std::lock_guard lock(mutex_);
    return scan();
}

void X11Workspace::setObservers(Observer launched, Observer terminated) {
    std::lock_guard lock(observers_->mutex);
    observers_->launched = std::move(launched);
    observers_->terminated = std::move(terminated);
}

bool X11Workspace::activate(std::int64_t pid) {
    std::lock_guard lock(mutex_);
    if (!x_->isConnected() || pid <= 0) return false;
    xcb_ewmh_connection_t* ewmh = x_->ewmh();
    std::vector<xcb_window_t> mine;
    for (xcb_window_t window : x_->clientsBottomToTop())
        if (x_->windowPid(window) == pid && isOrdinaryWindow(ewmh, window)) mine.push_back(window);
    if (mine.empty()) return false;
    // Bottom first, so the process's windows keep their order among themselves
    // and the last one asked for ends up active on top.
    for (xcb_window_t window : mine)
        xcb_ewmh_request_change_active_window(ewmh, 0, window, XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER,
                                              XCB_CURRENT_TIME, XCB_NONE);
    xcb_flush(x_->connection());
    return true;
}

void X11Workspace::watch() {
    xcb_connection_t* c = events_->connection();
    const xcb_atom_t clientList = events_->ewmh()->_NET_CLIENT_LIST;
    pollfd fds[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {wake_[0], POLLIN, 0}};
    for (;;) {
        bool changed = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
                reinterpret_cast<xcb_property_notify_event_t*>(event)->atom == clientList)
                changed = true;
            std::free(event);
        }
        if (xcb_connection_has_error(c)) return;
        if (changed) {
            std::vector<ApplicationInfo> launched, ended;
            {
                std::lock_guard lock(mutex_);
                std::map<std::int64_t, ApplicationInfo> now;
                for (ApplicationInfo& app : scan()) now[app.processId] = std::move(app);
                for (const auto& [pid, app] : now)
                    if (!known_.count(pid)) launched.push_back(app);
                for (const auto& [pid, app] : known_)
                    if (!now.count(pid)) ended.push_back(app);
                known_ = std::move(now);
            }
            if (!launched.empty() || !ended.empty()) {
                mainQueue().async([observers = observers_, launched, ended] {
                    std::lock_guard lock(observers->mutex);
                    for (const ApplicationInfo& app : ended)
                        if (observers->terminated) observers->terminated(app);
                    for (const ApplicationInfo& app : launched)
                        if (observers->launched) observers->launched(app);
                });
            }
        }
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) return;
        if (fds[1].revents & POLLIN) return;
    }
}
