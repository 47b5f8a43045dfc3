#pragma once

// A key event as the sharing viewer reads it: the event's type, the text it
// types (`characters`), the text its key types without Control, Option or
// Command (`charactersIgnoringModifiers`, Shift and Caps Lock still applied),
// the modifier flags and the virtual key code of the few keys that are told
// apart by their code (the JIS Eisu and Kana keys).
//
// Keys without a character of their own (arrows, function keys, Insert,
// Delete, Home, ...) carry one character of the function-key area U+F700 to
// U+F7FF; the Enter key of the keypad carries U+0003, Backspace U+007F.
// `KeyEventAdapter` makes these events from Qt's key events.

#include <QString>
#include <cstdint>

namespace KeyModifierFlag {
// Device-independent flags.
inline constexpr std::uint32_t CapsLock = 1u << 16;
inline constexpr std::uint32_t Shift = 1u << 17;
inline constexpr std::uint32_t Control = 1u << 18;
inline constexpr std::uint32_t Option = 1u << 19;
inline constexpr std::uint32_t Command = 1u << 20;
inline constexpr std::uint32_t NumericPad = 1u << 21;
inline constexpr std::uint32_t Help = 1u << 22;
inline constexpr std::uint32_t Function = 1u << 23;
// Device-dependent flags: which of the two keys of a kind is held.
inline constexpr std::uint32_t LeftControl = 0x0001;
inline constexpr std::uint32_t LeftShift = 0x0002;
inline constexpr std::uint32_t RightShift = 0x0004;
inline constexpr std::uint32_t LeftCommand = 0x0008;
inline constexpr std::uint32_t RightCommand = 0x0010;
inline constexpr std::uint32_t LeftOption = 0x0020;
inline constexpr std::uint32_t RightOption = 0x0040;
inline constexpr std::uint32_t RightControl = 0x2000;
}  // namespace KeyModifierFlag

// Virtual key codes of the JIS keys that switch the input mode.
inline constexpr std::uint16_t kJISEisuKeyCode = 0x66;
inline constexpr std::uint16_t kJISKanaKeyCode = 0x68;

struct KeyEvent {
    enum Type : std::uint32_t { KeyDown = 10, KeyUp = 11, FlagsChanged = 12 };

    Type type = KeyDown;
    QString characters;
    QString charactersIgnoringModifiers;
    std::uint32_t modifierFlags = 0;
    std::uint16_t keyCode = 0;
};
