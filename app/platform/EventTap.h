#pragma once

// Posting input events as if the local user had made them: pointer moves,
// button presses and releases, wheel notches and keys by X11 keysym. The
// events go to whatever window is under the pointer or has the keyboard focus.
// `XTestEventTap` posts them on the X server through XTest; tests put a
// recording fake in its place.
//
// Points are pixels of the main screen, origin at its top-left corner.
// Main thread only.

#include <QPoint>
#include <cstdint>
#include <optional>

class EventTap {
public:
    enum class MouseButton { Left, Right, Middle };

    virtual ~EventTap() = default;

    // Moves the pointer; `dragging` while the left button is held by a drag.
    virtual void moveMouse(QPoint point, bool dragging) = 0;
    // Moves the pointer to `point` and presses or releases the button;
    // `clickState` counts the clicks of a double or triple click (1 otherwise).
    virtual void mouseButton(MouseButton button, bool down, QPoint point, int clickState) = 0;
    // Turns the wheel by whole notches, positive away from the user (up).
    virtual void scrollWheel(int notches) = 0;
    // Presses or releases the key that types `keysym` in the current keyboard
    // layout (with the Shift or third-level modifiers it needs for the press);
    // false when no key types it, and nothing was posted.
    virtual bool key(std::uint32_t keysym, bool down) = 0;
    // Where the pointer is now; none when it is not on the main screen.
    virtual std::optional<QPoint> pointerLocation() = 0;
    // Releases every button and key this tap pressed and did not release.
    virtual void releaseAll() = 0;
};
