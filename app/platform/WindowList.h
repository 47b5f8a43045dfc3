#pragma once

// The system's list of on-screen windows, as the window manager keeps it.
// Rectangles are in points of the primary screen: origin at its top-left
// corner, y growing downwards (one point is one pixel on X11).
//
// The application's list is `X11WindowList` (the window manager's EWMH
// properties); tests put a fake in its place through
// `WindowManager::setWindowList`.

#include <QRect>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

enum class WindowKind {
    Normal,   // an application's window (also dialogs, menus, utilities)
    Dock,     // a panel or dock that reserves a strip of the screen
    Desktop,  // the desktop background, drawn by the system
};

struct WindowInfo {
    std::uint32_t id = 0;
    std::int64_t pid = 0;  // the owner process, 0 when unknown
    QString ownerName;     // the owner's name, empty when unknown
    QRect bounds;          // the window with its frame (title bar and border)
    WindowKind kind = WindowKind::Normal;
    bool onScreen = true;
};

class WindowList {
public:
    virtual ~WindowList() = default;

    // The on-screen windows, frontmost first.
    virtual std::vector<WindowInfo> onScreenWindows() = 0;
    // The primary screen's frame (origin 0, 0) and the part of it that docks and
    // panels leave to applications, in the same coordinates.
    virtual QRect screenFrame() = 0;
    virtual QRect visibleFrame() = 0;
};
