#pragma once

// `EventTap` on an X server: events are posted through the XTest extension on
// a connection of the tap's own; keys are found in the server's current
// keyboard layout (XKB, read with xkbcommon-x11), which is read again when the
// server reports a new keymap. A key on a higher level gets its modifiers for
// the press: Shift and the third-level key are held around it, lock modifiers
// (Num Lock for the keypad's digits) are toggled and toggled back, and
// modifiers the level must not have are let go of and pressed again after.
//
// The main screen's top-left corner is at `screenOrigin` of the root window.

#include <QPoint>
#include <QString>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "platform/EventTap.h"
#include "platform/KeyboardLayout.h"

struct xcb_connection_t;
struct xkb_context;
struct xkb_keymap;

class XTestEventTap final : public EventTap {
public:
    // `display`: the X display to open (empty: $DISPLAY).
    explicit XTestEventTap(const QString& display = {}, QPoint screenOrigin = {});
    ~XTestEventTap() override;
    XTestEventTap(const XTestEventTap&) = delete;
    XTestEventTap& operator=(const XTestEventTap&) = delete;

    // False when the display, XTest or XKB is missing: then nothing is posted.
    bool isValid() const { return valid_; }

    void moveMouse(QPoint point, bool dragging) override;
    void mouseButton(MouseButton button, bool down, QPoint point, int clickState) override;
    void scrollWheel(int notches) override;
    bool key(std::uint32_t keysym, bool down) override;
    std::optional<QPoint> pointerLocation() override;
    void releaseAll() override;

private:
    struct State {
        std::uint8_t mods = 0;  // effective
        std::uint8_t lockedMods = 0;
        std::uint32_t group = 0;
    };
    struct Step {
        std::uint32_t keycode;
        bool down;
    };

    bool loadKeymap();
    void readEvents();
    std::optional<State> readState();
    const KeyboardLayout& layout(std::uint32_t group);
    std::array<std::uint8_t, 32> keysDown();
    void fakeKey(std::uint32_t keycode, bool down);
    void fakeButton(std::uint8_t button, bool down);
    void fakeMotion(QPoint point);
    void flush();

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    QPoint origin_;
    bool valid_ = false;
    std::int32_t deviceId_ = -1;
    std::uint8_t xkbEventBase_ = 0;
    bool keymapChanged_ = false;
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    std::map<std::uint32_t, KeyboardLayout> layouts_;
    // Key codes of each real modifier (Shift, Lock, Control, Mod1..Mod5).
    std::array<std::vector<std::uint32_t>, 8> modifierMap_;
    // Keys this tap holds: by the keysym that pressed them, and all of them.
    std::map<std::uint32_t, std::uint32_t> pressedByKeysym_;
    std::set<std::uint32_t> heldKeys_;
    std::set<std::uint8_t> heldButtons_;
};
