#pragma once

// Qt's key presses and releases as the key events the sharing viewer reads
// (`KeyEvent`). Qt reports a modifier key as a key of its own; the adapter
// keeps the held modifier keys and makes a modifier-change event of each, with
// the flags after the change. Other keys become key-down and key-up events:
// their text, the character their keysym types without Control, Alt or Super
// (Qt's native virtual key is the X11 keysym), the function-key character of
// keys without text and the JIS Eisu and Kana key codes.
//
// Control is the Control flag, Alt and AltGr are Option, Super and Meta are
// Command. Main thread only.

#include <cstdint>
#include <optional>

#include "platform/KeyEvent.h"

class QKeyEvent;

class KeyEventAdapter {
public:
    // The key event for one Qt key press or release; none for events that are
    // not key presses or releases, and for auto-repeated modifier keys.
    std::optional<KeyEvent> translate(const QKeyEvent& event);
    // Forgets the held modifier keys (the window lost the keyboard).
    void reset();
    // The flags of the held modifier keys (and Caps Lock).
    std::uint32_t modifierFlags() const;

private:
    std::uint32_t heldKeys_ = 0;  // device-dependent flags of the held modifier keys
    bool capsLock_ = false;
};
