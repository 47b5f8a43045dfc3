#include <gtest/gtest.h>

#include <QKeyEvent>

#include "fixtures/app/AppTestSupport.h"
#include "platform/APShareKeyEventConverter.h"
#include "platform/KeyEventAdapter.h"

namespace {

TEST(KeyEventAdapterTest, ModifierKeysBecomeFlagChangesAndKeysWithoutKeysymStillType) {
    ensureQtApplication();
    namespace F = KeyModifierFlag;
    KeyEventAdapter adapter;
    auto translate = [&](QEvent::Type type, int key, std::uint32_t keysym, const QString& text,
                         Qt::KeyboardModifiers mods = Qt::NoModifier, bool autoRepeat = false) {
        return adapter.translate(QKeyEvent(type, key, mods, 0, keysym, 0, text, autoRepeat));
    };

    // Modifier keys: the flags after the change, left and right apart; a repeat is no change.
    auto e = translate(QEvent::KeyPress, Qt::Key_Shift, 0xFFE2, {});
    ASSERT_TRUE(e);
    EXPECT_EQ(e->type, KeyEvent::FlagsChanged);
    EXPECT_EQ(e->modifierFlags, F::Shift | F::RightShift);
    EXPECT_FALSE(translate(QEvent::KeyPress, Qt::Key_Shift, 0xFFE2, {}, Qt::ShiftModifier, true));
    e = translate(QEvent::KeyPress, Qt::Key_AltGr, 0xFE03, {}, Qt::ShiftModifier);
    EXPECT_EQ(e->modifierFlags, F::Shift | F::RightShift | F::Option | F::RightOption);
    e = translate(QEvent::KeyRelease, Qt::Key_Shift, 0xFFE2, {});
    EXPECT_EQ(e->modifierFlags, F::Option | F::RightOption);

    // Caps Lock stays on from one press to the next, and marks the keys typed meanwhile.
    translate(QEvent::KeyPress, Qt::Key_CapsLock, 0xFFE5, {});
    e = translate(QEvent::KeyRelease, Qt::Key_CapsLock, 0xFFE5, {});
    EXPECT_EQ(e->modifierFlags & F::CapsLock, F::CapsLock);
    e = translate(QEvent::KeyPress, Qt::Key_B, 0x42, "B");
    EXPECT_EQ(e->modifierFlags & F::CapsLock, F::CapsLock);
    translate(QEvent::KeyPress, Qt::Key_CapsLock, 0xFFE5, {});
    adapter.reset();
    EXPECT_EQ(adapter.modifierFlags(), 0u);

    // A synthesised event without a keysym: Qt's key gives the plain character.
    e = translate(QEvent::KeyPress, Qt::Key_C, 0, "\x03", Qt::ControlModifier);
    EXPECT_EQ(e->type, KeyEvent::KeyDown);
    EXPECT_EQ(e->charactersIgnoringModifiers, "c");
    EXPECT_EQ(APShareKeyEventConverter::getCharacters(*e), "c");
    e = translate(QEvent::KeyRelease, Qt::Key_Eisu_toggle, 0, {});
    EXPECT_EQ(e->keyCode, kJISEisuKeyCode);

    // Other events are not keys.
    EXPECT_FALSE(adapter.translate(QKeyEvent(QEvent::ShortcutOverride, Qt::Key_A, Qt::NoModifier, "a")));
}

}  // namespace
