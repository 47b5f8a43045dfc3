#pragma once

// The keys of one keyboard layout, found by keysym: which key types it and
// which modifiers choose the level it is on. Built from an xkbcommon keymap
// (the X server's, read through XKB, or one compiled from layout names).
//
// Keysyms of function and keypad keys (0xFD00..0xFFFF, the vendor keys) must
// be on a key exactly; any other keysym is taken for the character it types
// (Latin-1, the legacy keysym pages, 0x01000000 plus a code point) and finds
// the key that types that character. Keysyms that type no character
// (VoidSymbol among them) and characters the layout has no key for find
// nothing. Where several keys type a keysym, the lowest level wins, then the
// lowest key code: unshifted before shifted. Only key codes up to 255 count
// (those an X server can post).

#include <cstdint>
#include <optional>
#include <unordered_map>

struct xkb_keymap;

struct KeyStroke {
    std::uint32_t keycode = 0;
    // Real modifiers (X's masks: Shift 0x01, Lock 0x02, Control 0x04, Mod1..Mod5
    // 0x08..0x80) that choose the level, and all modifiers the key's levels read.
    std::uint8_t mods = 0;
    std::uint8_t relevantMods = 0;
};

class KeyboardLayout {
public:
    // The keys of layout (group) `layout` of `keymap`, which need not outlive this.
    KeyboardLayout(xkb_keymap* keymap, std::uint32_t layout);

    std::optional<KeyStroke> keyFor(std::uint32_t keysym) const;
    // The keysym on the first level of a key of this layout (0 for none).
    std::uint32_t baseKeysym(std::uint32_t keycode) const;

    static bool isFunctionKeysym(std::uint32_t keysym);

private:
    std::unordered_map<std::uint32_t, KeyStroke> byKeysym_;     // function keys
    std::unordered_map<std::uint32_t, KeyStroke> byCharacter_;  // code points
    std::unordered_map<std::uint32_t, std::uint32_t> baseKeysyms_;
};
