#include "platform/XTestEventTap.h"

#include <xcb/xcb.h>
#include <xcb/xtest.h>
// The XKB protocol header names a field "explicit", a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <QByteArray>
#include <cstdlib>

namespace {

template <typename T>
struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter<T>>;

bool isLockKeysym(std::uint32_t keysym) {
    switch (keysym) {
        case 0xFFE5:  // Caps_Lock
        case 0xFFE6:  // Shift_Lock
        case 0xFF7F:  // Num_Lock
        case 0xFE01:  // ISO_Lock
        case 0xFE04:  // ISO_Level3_Lock
        case 0xFE13:  // ISO_Level5_Lock
            return true;
        default:
            return false;
    }
}

// Keys that only set or lock a modifier (not Mode_switch, which changes the group).
bool isModifierKeysym(std::uint32_t keysym) {
    return (keysym >= 0xFFE1 && keysym <= 0xFFEE) || keysym == 0xFF7F || keysym == 0xFE03 ||
           keysym == 0xFE11 || isLockKeysym(keysym);
}

}  // namespace

XTestEventTap::XTestEventTap(const QString& display, QPoint screenOrigin) : origin_(screenOrigin) {
    int screen = 0;
    const QByteArray name = display.toLocal8Bit();
    connection_ = xcb_connect(name.isEmpty() ? nullptr : name.constData(), &screen);
    if (!connection_ || xcb_connection_has_error(connection_)) return;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screen && it.rem; ++i) xcb_screen_next(&it);
    if (!it.rem) return;
    root_ = it.data->root;

    const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(connection_, &xcb_test_id);
    if (!xtest || !xtest->present) return;
    if (!xkb_x11_setup_xkb_extension(connection_, XKB_X11_MIN_MAJOR_XKB_VERSION,
                                     XKB_X11_MIN_MINOR_XKB_VERSION, XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS,
                                     nullptr, nullptr, &xkbEventBase_, nullptr))
        return;
    deviceId_ = xkb_x11_get_core_keyboard_device_id(connection_);
    if (deviceId_ < 0) return;
    context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context_) return;

    // Told when the server gets a new keymap (setxkbmap, another keyboard).
    const std::uint16_t mapParts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS |
                                   XCB_XKB_MAP_PART_MODIFIER_MAP | XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS |
                                   XCB_XKB_MAP_PART_KEY_ACTIONS | XCB_XKB_MAP_PART_VIRTUAL_MODS |
                                   XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
    xcb_xkb_select_events_details_t details{};
    details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
    xcb_xkb_select_events_aux(connection_, static_cast<xcb_xkb_device_spec_t>(deviceId_),
                              XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY, 0, 0,
                              mapParts, mapParts, &details);
    valid_ = loadKeymap();
}

XTestEventTap::~XTestEventTap() {
    if (valid_) releaseAll();
    if (keymap_) xkb_keymap_unref(keymap_);
    if (context_) xkb_context_unref(context_);
    if (connection_) xcb_disconnect(connection_);
}

bool XTestEventTap::loadKeymap() {
    keymapChanged_ = false;
    xkb_keymap* keymap =
        xkb_x11_keymap_new_from_device(context_, connection_, deviceId_, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) return false;
    if (keymap_) xkb_keymap_unref(keymap_);
    keymap_ = keymap;
    layouts_.clear();

    for (auto& keys : modifierMap_) keys.clear();
    Reply<xcb_get_modifier_mapping_reply_t> map(
        xcb_get_modifier_mapping_reply(connection_, xcb_get_modifier_mapping(connection_), nullptr));
    if (map) {
        const xcb_keycode_t* keys = xcb_get_modifier_mapping_keycodes(map.get());
        const int perModifier = map->keycodes_per_modifier;
        for (int bit = 0; bit < 8; ++bit) {
            for (int i = 0; i < perModifier; ++i) {
                const xcb_keycode_t key = keys[bit * perModifier + i];
                if (key != 0) modifierMap_[bit].push_back(key);
            }
        }
    }
    return true;
}

void XTestEventTap::readEvents() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        if ((event->response_type & 0x7F) == xkbEventBase_) keymapChanged_ = true;
        std::free(event);
    }
}

std::optional<XTestEventTap::State> XTestEventTap::readState() {
    Reply<xcb_xkb_get_state_reply_t> reply(xcb_xkb_get_state_reply(
        connection_, xcb_xkb_get_state(connection_, static_cast<xcb_xkb_device_spec_t>(deviceId_)), nullptr));
    if (!reply) return std::nullopt;
    // Events sent before the reply are queued now: a new keymap is seen here.
    readEvents();
    if (keymapChanged_ && !loadKeymap()) return std::nullopt;
    return State{reply->mods, reply->lockedMods, reply->group};
}

const KeyboardLayout& XTestEventTap::layout(std::uint32_t group) {
    auto it = layouts_.find(group);
    if (it == layouts_.end()) it = layouts_.emplace(group, KeyboardLayout(keymap_, group)).first;
    return it->second;
}

std::array<std::uint8_t, 32> XTestEventTap::keysDown() {
    std::array<std::uint8_t, 32> keys{};
    Reply<xcb_query_keymap_reply_t> reply(
        xcb_query_keymap_reply(connection_, xcb_query_keymap(connection_), nullptr));
    if (reply) std::copy(std::begin(reply->keys), std::end(reply->keys), keys.begin());
    return keys;
}

bool XTestEventTap::key(std::uint32_t keysym, bool down) {
    if (!valid_) return false;
    const std::optional<State> state = readState();
    if (!state) return false;
    const KeyboardLayout& keys = layout(state->group);

    if (!down) {
        std::uint32_t keycode = 0;
        if (auto it = pressedByKeysym_.find(keysym); it != pressedByKeysym_.end()) {
            keycode = it->second;
            pressedByKeysym_.erase(it);
        } else if (const auto stroke = keys.keyFor(keysym); stroke && heldKeys_.count(stroke->keycode)) {
            // Released under another keysym (Shift changed in between): the same key.
            keycode = stroke->keycode;
        }
        if (keycode == 0) return false;
        heldKeys_.erase(keycode);
        std::erase_if(pressedByKeysym_, [keycode](const auto& entry) { return entry.second == keycode; });
        fakeKey(keycode, false);
        flush();
        return true;
    }

    const std::optional<KeyStroke> stroke = keys.keyFor(keysym);
    if (!stroke) return false;

    // Modifiers the level needs and those it must not have, set for the press only.
    std::vector<Step> before;
    std::vector<Step> after;
    const std::uint8_t add = stroke->mods & ~state->mods;
    const std::uint8_t remove = state->mods & stroke->relevantMods & ~stroke->mods;
    std::optional<std::array<std::uint8_t, 32>> pressed;
    for (int bit = 0; bit < 8; ++bit) {
        const std::uint8_t mask = static_cast<std::uint8_t>(1u << bit);
        if (!(add & mask) && !(remove & mask)) continue;
        const bool locked = (state->lockedMods & mask) != 0;
        if ((add & mask) || locked) {
            // A lock is toggled and toggled back, a plain modifier held around the press.
            std::uint32_t lockKey = 0;
            std::uint32_t holdKey = 0;
            for (std::uint32_t kc : modifierMap_[bit]) {
                const std::uint32_t sym = keys.baseKeysym(kc);
                if (isLockKeysym(sym) && !lockKey) lockKey = kc;
                if (isModifierKeysym(sym) && !isLockKeysym(sym) && !holdKey) holdKey = kc;
            }
            if ((add & mask) && holdKey && !locked) {
                before.push_back({holdKey, true});
                after.push_back({holdKey, false});
            } else if (lockKey) {
                for (auto* steps : {&before, &after}) {
                    steps->push_back({lockKey, true});
                    steps->push_back({lockKey, false});
                }
            }
            continue;
        }
        // A held modifier: its keys are let go of for the press.
        if (!pressed) pressed = keysDown();
        for (std::uint32_t kc : modifierMap_[bit]) {
            if (kc < 256 && ((*pressed)[kc / 8] >> (kc % 8)) & 1) {
                before.push_back({kc, false});
                after.push_back({kc, true});
            }
        }
    }
    for (const Step& s : before) fakeKey(s.keycode, s.down);
    fakeKey(stroke->keycode, true);
    for (const Step& s : after) fakeKey(s.keycode, s.down);
    pressedByKeysym_[keysym] = stroke->keycode;
    heldKeys_.insert(stroke->keycode);
    flush();
    return true;
}

void XTestEventTap::moveMouse(QPoint point, bool) {
    if (!valid_) return;
    fakeMotion(point);
    flush();
}

void XTestEventTap::mouseButton(MouseButton button, bool down, QPoint point, int) {
    if (!valid_) return;
    const std::uint8_t number = button == MouseButton::Left ? 1 : button == MouseButton::Middle ? 2 : 3;
    fakeMotion(point);
    fakeButton(number, down);
    if (down) {
        heldButtons_.insert(number);
    } else {
        heldButtons_.erase(number);
    }
    flush();
}

void XTestEventTap::scrollWheel(int notches) {
    if (!valid_ || notches == 0) return;
    // Buttons 4 and 5 turn the wheel up and down, one notch per click.
    const std::uint8_t number = notches > 0 ? 4 : 5;
    for (int i = 0; i < std::abs(notches); ++i) {
        fakeButton(number, true);
        fakeButton(number, false);
    }
    flush();
}

std::optional<QPoint> XTestEventTap::pointerLocation() {
    if (!valid_) return std::nullopt;
    Reply<xcb_query_pointer_reply_t> reply(
        xcb_query_pointer_reply(connection_, xcb_query_pointer(connection_, root_), nullptr));
    if (!reply || !reply->same_screen) return std::nullopt;
    return QPoint(reply->root_x, reply->root_y) - origin_;
}

void XTestEventTap::releaseAll() {
    if (!valid_) return;
    for (std::uint8_t button : heldButtons_) fakeButton(button, false);
    heldButtons_.clear();
    for (std::uint32_t keycode : heldKeys_) fakeKey(keycode, false);
    heldKeys_.clear();
    pressedByKeysym_.clear();
    flush();
}

void XTestEventTap::fakeKey(std::uint32_t keycode, bool down) {
    xcb_test_fake_input(connection_, down ? XCB_KEY_PRESS : XCB_KEY_RELEASE,
                        static_cast<std::uint8_t>(keycode), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
}

void XTestEventTap::fakeButton(std::uint8_t button, bool down) {
    xcb_test_fake_input(connection_, down ? XCB_BUTTON_PRESS : XCB_BUTTON_RELEASE, button, XCB_CURRENT_TIME,
                        XCB_NONE, 0, 0, 0);
}

void XTestEventTap::fakeMotion(QPoint point) {
    const QPoint p = point + origin_;
    xcb_test_fake_input(connection_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_,
                        static_cast<std::int16_t>(p.x()), static_cast<std::int16_t>(p.y()), 0);
}

void XTestEventTap::flush() {
    // A round trip: the server has taken every event before the next one is planned.
    Reply<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}
