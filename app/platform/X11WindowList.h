#pragma once

// The window list of an X11 desktop from the window manager's EWMH
// properties: the stacking order of the client windows
// (_NET_CLIENT_LIST_STACKING), each window's process (_NET_WM_PID), type
// (docks and the desktop), frame (_NET_FRAME_EXTENTS) and whether it is
// mapped, and the work area that docks leave free (_NET_WORKAREA). Owners are
// named by WM_CLASS, else by the process's command name from /proc.
// Rectangles are relative to the primary output's top-left corner.

#include <QByteArray>
#include <memory>
#include <mutex>

#include "platform/WindowList.h"

class X11Connection;

class X11WindowList final : public WindowList {
public:
    // `display` empty: the DISPLAY variable. Without a display the list is empty.
    explicit X11WindowList(const QByteArray& display = {});
    ~X11WindowList() override;

    std::vector<WindowInfo> onScreenWindows() override;
    QRect screenFrame() override;
    QRect visibleFrame() override;

private:
    std::mutex mutex_;
    std::unique_ptr<X11Connection> x_;
};
