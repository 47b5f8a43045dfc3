#include "platform/KeyEventAdapter.h"

#include <xkbcommon/xkbcommon.h>

#include <QKeyEvent>

namespace {

namespace F = KeyModifierFlag;

// The device-dependent flag of a modifier key, 0 for other keys; Caps Lock
// answers CapsLock. The keysym decides when Qt gives one, else Qt's key.
std::uint32_t modifierKeyFlag(std::uint32_t keysym, int key) {
    switch (keysym) {
        case 0xFFE1:
            return F::LeftShift;  // Shift_L
        case 0xFFE2:
            return F::RightShift;  // Shift_R
        case 0xFFE3:
            return F::LeftControl;  // Control_L
        case 0xFFE4:
            return F::RightControl;  // Control_R
        case 0xFFE5:                 // Caps_Lock
        case 0xFFE6:
            return F::CapsLock;  // Shift_Lock
        case 0xFFE7:             // Meta_L
        case 0xFFEB:
            return F::LeftCommand;  // Super_L
        case 0xFFE8:                // Meta_R
        case 0xFFEC:
            return F::RightCommand;  // Super_R
        case 0xFFE9:
            return F::LeftOption;  // Alt_L
        case 0xFFEA:               // Alt_R
        case 0xFE03:
            return F::RightOption;  // ISO_Level3_Shift (AltGr)
        default:
            break;
    }
    if (keysym != 0) return 0;
    switch (key) {
        case Qt::Key_Shift:
            return F::LeftShift;
        case Qt::Key_Control:
            return F::LeftControl;
        case Qt::Key_CapsLock:
            return F::CapsLock;
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
            return F::LeftCommand;
        case Qt::Key_Super_R:
            return F::RightCommand;
        case Qt::Key_Alt:
            return F::LeftOption;
        case Qt::Key_AltGr:
            return F::RightOption;
        default:
            return 0;
    }
}

std::uint32_t deviceIndependent(std::uint32_t held) {
    std::uint32_t flags = 0;
    if (held & (F::LeftShift | F::RightShift)) flags |= F::Shift;
    if (held & (F::LeftControl | F::RightControl)) flags |= F::Control;
    if (held & (F::LeftOption | F::RightOption)) flags |= F::Option;
    if (held & (F::LeftCommand | F::RightCommand)) flags |= F::Command;
    return flags;
}

// The character of keys that type no text, and the characters the viewer's
// keys send in place of Qt's (Backspace, the keypad's Enter).
char16_t functionKeyCharacter(int key) {
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35) return static_cast<char16_t>(0xF704 + (key - Qt::Key_F1));
    switch (key) {
        case Qt::Key_Up:
            return 0xF700;
        case Qt::Key_Down:
            return 0xF701;
        case Qt::Key_Left:
            return 0xF702;
        case Qt::Key_Right:
            return 0xF703;
        case Qt::Key_Insert:
            return 0xF727;
        case Qt::Key_Delete:
            return 0xF728;
        case Qt::Key_Home:
            return 0xF729;
        case Qt::Key_End:
            return 0xF72B;
        case Qt::Key_PageUp:
            return 0xF72C;
        case Qt::Key_PageDown:
            return 0xF72D;
        case Qt::Key_Print:
            return 0xF72E;
        case Qt::Key_ScrollLock:
            return 0xF72F;
        case Qt::Key_Pause:
            return 0xF730;
        case Qt::Key_SysReq:
            return 0xF731;
        case Qt::Key_Menu:
            return 0xF735;
        case Qt::Key_Clear:
            return 0xF739;
        case Qt::Key_Select:
            return 0xF741;
        case Qt::Key_Execute:
            return 0xF742;
        case Qt::Key_Undo:
            return 0xF743;
        case Qt::Key_Redo:
            return 0xF744;
        case Qt::Key_Find:
            return 0xF745;
        case Qt::Key_Help:
            return 0xF746;
        case Qt::Key_Backspace:
            return 0x7F;
        case Qt::Key_Enter:
            return 0x03;
        case Qt::Key_Return:
            return 0x0D;
        case Qt::Key_Tab:
            return 0x09;
        case Qt::Key_Backtab:
            return 0x19;
        case Qt::Key_Escape:
            return 0x1B;
        default:
            return 0;
    }
}

std::uint16_t jisKeyCode(std::uint32_t keysym, int key) {
    switch (keysym) {
        case 0xFF2F:  // Eisu_Shift
        case 0xFF30:
            return kJISEisuKeyCode;  // Eisu_toggle
        case 0xFF25:                 // Hiragana
        case 0xFF26:                 // Katakana
        case 0xFF27:                 // Hiragana_Katakana
        case 0xFF2E:
            return kJISKanaKeyCode;  // Kana_Shift
        default:
            break;
    }
    if (keysym != 0) return 0;
    switch (key) {
        case Qt::Key_Eisu_Shift:
        case Qt::Key_Eisu_toggle:
            return kJISEisuKeyCode;
        case Qt::Key_Hiragana:
        case Qt::Key_Katakana:
        case Qt::Key_Hiragana_Katakana:
        case Qt::Key_Kana_Shift:
            return kJISKanaKeyCode;
        default:
            return 0;
    }
}

QString textOfKeysym(std::uint32_t keysym) {
    const std::uint32_t cp = xkb_keysym_to_utf32(keysym);
    if (cp == 0) return {};
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(&cp), 1);
}

}  // namespace

std::optional<KeyEvent> KeyEventAdapter::translate(const QKeyEvent& event) {
    const bool press = event.type() == QEvent::KeyPress;
    if (!press && event.type() != QEvent::KeyRelease) return std::nullopt;
    const std::uint32_t keysym = event.nativeVirtualKey();
    const int key = event.key();

    if (const std::uint32_t flag = modifierKeyFlag(keysym, key)) {
        if (event.isAutoRepeat()) return std::nullopt;
        if (flag == F::CapsLock) {
            if (press) capsLock_ = !capsLock_;
        } else if (press) {
            heldKeys_ |= flag;
        } else {
            heldKeys_ &= ~flag;
        }
        KeyEvent out;
        out.type = KeyEvent::FlagsChanged;
        out.modifierFlags = modifierFlags();
        return out;
    }

    KeyEvent out;
    out.type = press ? KeyEvent::KeyDown : KeyEvent::KeyUp;
    out.keyCode = jisKeyCode(keysym, key);
    const Qt::KeyboardModifiers mods = event.modifiers();
    if (mods & Qt::ShiftModifier) out.modifierFlags |= F::Shift;
    if (mods & Qt::ControlModifier) out.modifierFlags |= F::Control;
    if (mods & (Qt::AltModifier | Qt::GroupSwitchModifier)) out.modifierFlags |= F::Option;
    if (mods & Qt::MetaModifier) out.modifierFlags |= F::Command;
    if (mods & Qt::KeypadModifier) out.modifierFlags |= F::NumericPad;
    if (capsLock_) out.modifierFlags |= F::CapsLock;
    out.modifierFlags |= heldKeys_;

    if (const char16_t c = functionKeyCharacter(key)) {
        out.characters = QString(QChar(c));
        out.charactersIgnoringModifiers = out.characters;
        return out;
    }
    out.characters = event.text();
    // The keysym already holds Shift, Caps Lock and the layout's third level,
    // but not Control's control characters.
    out.charactersIgnoringModifiers = keysym != 0 ? textOfKeysym(keysym) : QString();
    if (out.charactersIgnoringModifiers.isEmpty()) {
        if (!out.characters.isEmpty() && out.characters[0].unicode() >= 0x20) {
            out.charactersIgnoringModifiers = out.characters;
        } else if (key >= 0x20 && key < 0x7F) {
            // Without a keysym (a synthesised event): Qt's key is the upper-case letter.
            const QChar c(key);
            out.charactersIgnoringModifiers = (mods & Qt::ShiftModifier) ? QString(c) : QString(c.toLower());
        }
    }
    return out;
}

void KeyEventAdapter::reset() {
    heldKeys_ = 0;
}

std::uint32_t KeyEventAdapter::modifierFlags() const {
    return heldKeys_ | deviceIndependent(heldKeys_) | (capsLock_ ? F::CapsLock : 0);
}
