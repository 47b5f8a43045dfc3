#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>

#include <QString>
#include <memory>
#include <optional>

#include "platform/KeyboardLayout.h"

namespace {

constexpr std::uint8_t kShift = 0x01, kMod2 = 0x10, kMod5 = 0x80;

// A keymap compiled from the layout's name (evdev key codes: the letter a is 38).
std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> compile(const char* layout) {
    std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(xkb_context_new(XKB_CONTEXT_NO_FLAGS),
                                                                       &xkb_context_unref);
    xkb_rule_names names{"evdev", "pc105", layout, "", ""};
    return {xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS), &xkb_keymap_unref};
}

struct Expected {
    std::uint32_t keysym;
    std::optional<std::pair<std::uint32_t, std::uint8_t>> key;  // key code, modifiers
};

void check(const char* layout, const std::vector<Expected>& cases) {
    auto keymap = compile(layout);
    ASSERT_NE(keymap, nullptr) << layout;
    const KeyboardLayout keys(keymap.get(), 0);
    for (const Expected& e : cases) {
        SCOPED_TRACE(std::string(layout) + " keysym " + QString::number(e.keysym, 16).toStdString());
        const std::optional<KeyStroke> stroke = keys.keyFor(e.keysym);
        ASSERT_EQ(stroke.has_value(), e.key.has_value());
        if (!stroke) continue;
        EXPECT_EQ(stroke->keycode, e.key->first);
        EXPECT_EQ(stroke->mods, e.key->second);
    }
}

TEST(KeyboardLayoutTest, FunctionKeysExactlyAndCharactersByWhatTheyType) {
    check("us", {
                    {0x61, {{38, 0}}},        // a
                    {0x41, {{38, kShift}}},   // A: Shift, not Caps Lock
                    {0x01000061, {{38, 0}}},  // a as a Unicode keysym
                    {0x40, {{11, kShift}}},   // @ on the 2 key
                    {0xFF08, {{22, 0}}},      // BackSpace
                    {0xFFFF, {{119, 0}}},     // Delete
                    {0xFF52, {{111, 0}}},     // Up
                    {0xFFB5, {{84, kMod2}}},  // KP_5 needs Num Lock
                    {0xFF8D, {{104, 0}}},     // KP_Enter
                    // Keysyms whose low 16 bits are function keys find nothing of them.
                    {0x00FFFFFF, std::nullopt},  // VoidSymbol, not Delete
                    {0x0100FFFF, std::nullopt},  // not Delete either
                    {0x0100FF08, std::nullopt},  // full-width left parenthesis, not BackSpace
                    {0x0100FF09, std::nullopt},  // full-width right parenthesis, not Tab
                    {0x0100FF0D, std::nullopt},  // full-width hyphen-minus, not Return
                    {0x6A3, std::nullopt},       // Cyrillic io: no key on this layout
                    {0x0100000D, std::nullopt},  // a carriage return character is not the Return key
                    {0x12345678, std::nullopt},
                    {0, std::nullopt},
                });
}

TEST(KeyboardLayoutTest, OtherLayoutsTypeWhatWasSent) {
    check("de", {
                    {0x7A, {{29, 0}}},  // z sits where the US layout has y
                    {0x79, {{52, 0}}},
                    {0xE4, {{48, 0}}},        // ä
                    {0x40, {{24, kMod5}}},    // @ is AltGr-q
                    {0x20AC, {{26, kMod5}}},  // € (keysym EuroSign) is AltGr-e
                    {0x010020AC, {{26, kMod5}}},
                    {0x22, {{11, kShift}}},  // " is Shift-2
                });
    check("ru", {
                    {0x6A3, {{49, 0}}},  // the legacy keysym of Cyrillic io
                    {0x01000451, {{49, 0}}},
                    {0x6B3, {{49, kShift}}},  // IO
                });
}

}  // namespace
