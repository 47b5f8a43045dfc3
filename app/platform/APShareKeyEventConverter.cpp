#include "platform/APShareKeyEventConverter.h"

#include <algorithm>

namespace {

#include "platform/KeysymdefCharacters.inc"

// The keypad's characters, moved up by 0xF600 (U+F600..U+F63F).
std::uint32_t keypadKeysym(char16_t unit) {
    const unsigned c = unit - 0xF600;
    switch (c) {
        case 0x03:
            return 0xFF8D;  // KP_Enter
        case 0x09:
        case 0x19:
            return 0xFF89;  // KP_Tab
        case 0x0A:
        case 0x0D:
            return 0xFF0D;  // Return
        case 0x1B:
            return 0xFF1B;  // Escape
        case 0x20:
            return 0xFF80;  // KP_Space
        case 0x2A:
            return 0xFFAA;  // KP_Multiply
        case 0x2B:
            return 0xFFAB;  // KP_Add
        case 0x2C:
            return 0x2C;  // comma
        case 0x2D:
            return 0xFFAD;  // KP_Subtract
        case 0x2E:
            return 0xFFAE;  // KP_Decimal
        case 0x2F:
            return 0xFFAF;  // KP_Divide
        default:
            break;
    }
    if (c >= 0x21 && c <= 0x29) return c;                    // ! " # $ % & ' ( )
    if (c >= 0x30 && c <= 0x39) return 0xFFB0 + (c - 0x30);  // KP_0..KP_9
    if (c >= 0x3A && c <= 0x3F) return c;                    // : ; < = > ?
    return 0;
}

// The function-key characters (U+F700..U+F77F).
std::uint32_t functionKeysym(char16_t unit) {
    if (unit >= 0xF704 && unit <= 0xF726) return 0xFFBE + (unit - 0xF704);  // F1..F35
    switch (unit) {
        case 0xF700:
            return 0xFF52;  // Up
        case 0xF701:
            return 0xFF54;  // Down
        case 0xF702:
            return 0xFF51;  // Left
        case 0xF703:
            return 0xFF53;  // Right
        case 0xF727:
        case 0xF73B:
        case 0xF73D:
            return 0xFF63;  // Insert
        case 0xF728:
        case 0xF73C:
        case 0xF73E:
            return 0xFFFF;  // Delete
        case 0xF729:
            return 0xFF50;  // Home
        case 0xF72A:
            return 0xFF58;  // Begin
        case 0xF72B:
            return 0xFF57;  // End
        case 0xF72C:
            return 0xFF55;  // Prior
        case 0xF72D:
            return 0xFF56;  // Next
        case 0xF72E:
        case 0xF738:
            return 0xFF61;  // Print
        case 0xF72F:
            return 0xFF14;  // Scroll_Lock
        case 0xF730:
            return 0xFF13;  // Pause
        case 0xF731:
            return 0xFF15;  // Sys_Req
        case 0xF732:
            return 0xFF6B;  // Break
        case 0xF733:
            return 0xFD08;  // 3270_Reset
        case 0xF735:
            return 0xFF67;  // Menu
        case 0xF739:
        case 0xF73A:
            return 0xFF0B;  // Clear
        case 0xF741:
            return 0xFF60;  // Select
        case 0xF742:
            return 0xFF62;  // Execute
        case 0xF743:
            return 0xFF65;  // Undo
        case 0xF744:
            return 0xFF66;  // Redo
        case 0xF745:
            return 0xFF68;  // Find
        case 0xF746:
            return 0xFF6A;  // Help
        default:
            return 0;
    }
}

// The blocks whose characters take the keysym of the keysym definitions.
bool inCharacterPage(char16_t c) {
    return c <= 0x017F || (c >= 0x0380 && c <= 0x047F) || (c >= 0x05C0 && c <= 0x067F) ||
           (c >= 0x0E00 && c <= 0x0E7F) || (c >= 0x3080 && c <= 0x30FF);
}

std::uint32_t characterKeysym(char16_t c) {
    switch (c) {
        case 0x0003:
            return 0xFF8D;  // the Enter key's character: KP_Enter
        case 0x0009:
        case 0x0019:
            return 0xFF09;  // Tab, back tab
        case 0x000A:
        case 0x000D:
            return 0xFF0D;  // Return
        case 0x001B:
            return 0xFF1B;  // Escape
        case 0x007F:
            return 0xFF08;  // the Delete key's character: BackSpace
        case 0x00A5:
            return 0x5C;  // the yen sign types a backslash
        case 0x3099:
            return 0xFE5E;  // dead_voiced_sound
        case 0x309A:
            return 0xFE5F;  // dead_semivoiced_sound
        default:
            break;
    }
    if (c < 0x20) return 0;  // other control characters
    const auto* begin = std::begin(kKeysymdefCharacters);
    const auto* end = std::end(kKeysymdefCharacters);
    const auto* it =
        std::lower_bound(begin, end, c, [](const auto& entry, char16_t v) { return entry.codePoint < v; });
    return it != end && it->codePoint == c ? it->keysym : 0;
}

// The keysym of a modifier change: the first of Shift, Control and Option
// among `bits`, Help when it alone of Caps Lock, Command, Help and Function
// changed, else VoidSymbol.
std::uint32_t modifierKeysym(std::uint32_t bits) {
    if (bits & KeyModifierFlag::Shift) return 0xFFE1;    // Shift_L
    if (bits & KeyModifierFlag::Control) return 0xFFE3;  // Control_L
    if (bits & KeyModifierFlag::Option) return 0xFFE9;   // Alt_L
    const std::uint32_t others = KeyModifierFlag::CapsLock | KeyModifierFlag::Command |
                                 KeyModifierFlag::Help | KeyModifierFlag::Function;
    if ((bits & others) == KeyModifierFlag::Help) return 0xFF6A;  // Help
    return kVoidSymbol;
}

}  // namespace

void APShareKeyEventConverter::initialize() {
    muiQueuedModifiers_ = 0;
}

void APShareKeyEventConverter::onKeyDownEvent(const KeyEvent& event) {
    onKeyEvent(event);
}

void APShareKeyEventConverter::onKeyUpEvent(const KeyEvent& event) {
    if (event.keyCode == kJISEisuKeyCode || event.keyCode == kJISKanaKeyCode) {
        onJISKeyEvent(event.keyCode);
        return;
    }
    onKeyEvent(event);
}

void APShareKeyEventConverter::onKeyEvent(const KeyEvent& event) {
    const std::uint32_t press = ConvertToKeyEventTypeProtcol(event.type);
    const QString units = getCharacters(event);
    // A key that types nothing has nothing to send.
    if (units.isEmpty()) return;
    std::uint32_t keysym = assignKeysym(units[0].unicode(), press == 1);
    if (units.size() > 1) keysym = assignKeysym(units[1].unicode(), press == 1);
    // Half a surrogate pair: the other half comes with the next event.
    if (keysym == 0) return;
    send(keysym, press);
}

void APShareKeyEventConverter::onModifierKeyEvent(const KeyEvent& event) {
    std::uint32_t keysym = kVoidSymbol;
    std::uint32_t press = 0;
    assignModifierKeysym(event.modifierFlags, &keysym, &press);
    send(keysym, press);
}

std::uint32_t APShareKeyEventConverter::ConvertToKeyEventTypeProtcol(KeyEvent::Type type) {
    return type == KeyEvent::KeyDown ? 1 : 0;
}

QString APShareKeyEventConverter::getCharacters(const KeyEvent& event) {
    const std::uint32_t flags = event.modifierFlags;
    QString ignoring = event.charactersIgnoringModifiers;
    if (flags & KeyModifierFlag::CapsLock) ignoring = ignoring.toUpper();
    QString text;
    if (flags & KeyModifierFlag::Option) {
        text = ignoring;
    } else if (!event.characters.isEmpty() && event.characters[0].unicode() < 0x20) {
        // A control character (Control-c types U+0003): the plain character instead.
        text = ignoring;
    } else if (!event.characters.isEmpty()) {
        const bool upper = (flags & KeyModifierFlag::Command) &&
                           (flags & (KeyModifierFlag::Shift | KeyModifierFlag::CapsLock));
        text = upper ? event.characters.toUpper() : event.characters;
    } else {
        text = ignoring;
    }
    if (text.isEmpty()) return {};
    const QChar first = text[0];
    if (first.isHighSurrogate() && text.size() > 1 && text[1].isLowSurrogate()) return text.left(2);
    char16_t c = first.unicode();
    if ((flags & KeyModifierFlag::NumericPad) && c < 0x40) c = static_cast<char16_t>(c + 0xF600);
    return QString(QChar(c));
}

std::uint32_t APShareKeyEventConverter::assignKeysym(char16_t c, bool pressed) {
    const int slot = pressed ? 1 : 0;
    if (c >= 0xD800 && c <= 0xDBFF) {
        cHighSurrogate_[slot] = c;
        return 0;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) {
        const char16_t high = cHighSurrogate_[slot];
        if (high == 0) return 0;
        cHighSurrogate_[slot] = 0;
        return kUnicodeKeysymBase + 0x10000 + (std::uint32_t(high - 0xD800) << 10) + (c - 0xDC00);
    }
    cHighSurrogate_[slot] = 0;
    const std::uint32_t keysym = pageKeysym(c);
    return keysym != 0 ? keysym : kUnicodeKeysymBase + c;
}

std::uint32_t APShareKeyEventConverter::pageKeysym(char16_t c) {
    if (c >= 0xF600 && c <= 0xF63F) return keypadKeysym(c);
    if (c >= 0xF700 && c <= 0xF77F) return functionKeysym(c);
    if (inCharacterPage(c)) return characterKeysym(c);
    return 0;
}

void APShareKeyEventConverter::assignModifierKeysym(std::uint32_t flags, std::uint32_t* keysym,
                                                    std::uint32_t* eventType) {
    const std::uint32_t old = muiQueuedModifiers_;
    muiQueuedModifiers_ = flags;
    *keysym = kVoidSymbol;
    // Nothing changed: nothing to report, sent as a VoidSymbol release.
    *eventType = 0;
    if (const std::uint32_t down = flags & ~old) {
        *eventType = 1;
        *keysym = modifierKeysym(down);
    } else if (const std::uint32_t up = old & ~flags) {
        *eventType = 0;
        *keysym = modifierKeysym(up);
    }
}

void APShareKeyEventConverter::onJISKeyEvent(std::uint16_t keyCode) {
    std::uint32_t keysym = 0;
    if (keyCode == kJISEisuKeyCode) keysym = 0xFFBA;
    if (keyCode == kJISKanaKeyCode) keysym = 0xFFBB;
    if (keysym == 0) return;
    send(keysym, 1);
    send(keysym, 0);
}

void APShareKeyEventConverter::send(std::uint32_t keysym, std::uint32_t eventType) {
    if (delegate_) delegate_->sendKeyEvent(keysym, eventType);
}
