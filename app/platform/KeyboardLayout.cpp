#include "platform/KeyboardLayout.h"

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <bit>

namespace {

constexpr std::uint32_t kVoidSymbol = 0x00FFFFFF;
constexpr std::uint8_t kLockMask = 0x02;

// The modifier mask to use for a level: the fewest modifiers, Caps Lock only
// when nothing else selects the level.
std::uint8_t chooseMask(const xkb_mod_mask_t* masks, std::size_t count) {
    std::optional<std::uint8_t> best;
    for (std::size_t i = 0; i < count; ++i) {
        const auto mask = static_cast<std::uint8_t>(masks[i] & 0xFF);
        if (!best) {
            best = mask;
            continue;
        }
        const bool bestLock = (*best & kLockMask) != 0;
        const bool lock = (mask & kLockMask) != 0;
        if ((bestLock && !lock) || (bestLock == lock && std::popcount(mask) < std::popcount(*best)))
            best = mask;
    }
    return best.value_or(0);
}

}  // namespace

bool KeyboardLayout::isFunctionKeysym(std::uint32_t keysym) {
    return (keysym >= 0xFD00 && keysym <= 0xFFFF) || (keysym >= 0x10080000 && keysym <= 0x1008FFFF);
}

KeyboardLayout::KeyboardLayout(xkb_keymap* keymap, std::uint32_t layout) {
    if (!keymap) return;
    const xkb_keycode_t minKey = xkb_keymap_min_keycode(keymap);
    // Key codes beyond 255 exist in compiled keymaps but cannot be posted on X.
    const xkb_keycode_t maxKey = std::min<xkb_keycode_t>(xkb_keymap_max_keycode(keymap), 255);
    constexpr xkb_level_index_t kMaxLevels = 8;
    for (xkb_level_index_t level = 0; level < kMaxLevels; ++level) {
        for (xkb_keycode_t key = minKey; key <= maxKey && key >= minKey; ++key) {
            const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap, key);
            if (layouts == 0) continue;
            // Keys with fewer groups wrap around, as the server does.
            const xkb_layout_index_t group = layout % layouts;
            if (level >= xkb_keymap_num_levels_for_key(keymap, key, group)) continue;
            const xkb_keysym_t* syms = nullptr;
            if (xkb_keymap_key_get_syms_by_level(keymap, key, group, level, &syms) != 1) continue;
            const std::uint32_t sym = syms[0];
            if (sym == 0 || sym == kVoidSymbol) continue;
            if (level == 0) baseKeysyms_.emplace(key, sym);

            xkb_mod_mask_t masks[16];
            const std::size_t count = xkb_keymap_key_get_mods_for_level(keymap, key, group, level, masks, 16);
            KeyStroke stroke;
            stroke.keycode = key;
            stroke.mods = chooseMask(masks, count);
            if (level != 0 && count == 0) continue;  // a level no modifiers reach
            for (xkb_level_index_t other = 0; other < xkb_keymap_num_levels_for_key(keymap, key, group);
                 ++other) {
                const std::size_t n = xkb_keymap_key_get_mods_for_level(keymap, key, group, other, masks, 16);
                for (std::size_t i = 0; i < n; ++i)
                    stroke.relevantMods |= static_cast<std::uint8_t>(masks[i]);
            }
            if (isFunctionKeysym(sym)) {
                byKeysym_.emplace(sym, stroke);
            } else if (const std::uint32_t cp = xkb_keysym_to_utf32(sym)) {
                byCharacter_.emplace(cp, stroke);
            }
        }
    }
}

std::optional<KeyStroke> KeyboardLayout::keyFor(std::uint32_t keysym) const {
    if (keysym == 0 || keysym == kVoidSymbol) return std::nullopt;
    // The viewers' keysyms of the JIS Eisu and Kana keys.
    if (keysym == 0xFFBA) keysym = 0xFF30;  // Eisu_toggle
    if (keysym == 0xFFBB) keysym = 0xFF27;  // Hiragana_Katakana
    if (isFunctionKeysym(keysym)) {
        const auto it = byKeysym_.find(keysym);
        if (it == byKeysym_.end()) return std::nullopt;
        return it->second;
    }
    const std::uint32_t cp = xkb_keysym_to_utf32(keysym);
    if (cp == 0) return std::nullopt;
    const auto it = byCharacter_.find(cp);
    if (it == byCharacter_.end()) return std::nullopt;
    return it->second;
}

std::uint32_t KeyboardLayout::baseKeysym(std::uint32_t keycode) const {
    const auto it = baseKeysyms_.find(keycode);
    return it == baseKeysyms_.end() ? 0 : it->second;
}
