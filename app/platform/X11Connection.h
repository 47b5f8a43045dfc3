#pragma once

// One connection to the X server for the X11 layers of application sharing
// (screen capture, window list, running applications), with the EWMH atoms
// and the primary screen's place on the root window. Each layer owns its own
// connection; xcb itself may be used from several threads.

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <QByteArray>
#include <QRect>
#include <QString>
#include <cstdint>
#include <vector>

class X11Connection {
public:
    // `display` empty: the DISPLAY variable. Check `isConnected` afterwards.
    explicit X11Connection(const QByteArray& display = {});
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    bool isConnected() const { return connection_ != nullptr; }
    xcb_connection_t* connection() const { return connection_; }
    xcb_window_t root() const { return root_; }
    const xcb_screen_t* screen() const { return screen_; }
    // Valid only when connected.
    xcb_ewmh_connection_t* ewmh() { return &ewmh_; }

    // The primary output's rectangle on the root window (RandR): the output
    // marked primary, else the first one that shows a picture, else the root.
    QRect primaryRect() const;

    // The process of a window (_NET_WM_PID, else the X server's record of a
    // local client, X-Resource), 0 when unknown.
    std::int64_t windowPid(xcb_window_t window);
    // The class part of WM_CLASS, or empty.
    QString windowClass(xcb_window_t window);
    // The client windows, bottom first (_NET_CLIENT_LIST_STACKING, or the
    // client list when the window manager keeps no stacking list).
    std::vector<xcb_window_t> clientsBottomToTop();
    // The window's frame on the root window, with the decorations of the
    // window manager (_NET_FRAME_EXTENTS); an empty rectangle on failure.
    QRect frameOnRoot(xcb_window_t window);
    bool isViewable(xcb_window_t window);

    // True when an X display can be reached (for the start of sharing under a
    // desktop without X).
    static bool displayAvailable();

private:
    xcb_connection_t* connection_ = nullptr;
    const xcb_screen_t* screen_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_ewmh_connection_t ewmh_{};
};

// A process's short name from /proc (its command name), or empty.
QString processName(std::int64_t pid);
