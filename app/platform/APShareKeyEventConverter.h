#pragma once

// The viewer's keys as sharing key events: every key press, release and
// modifier change of the operating viewer becomes one X11 keysym with 1 for a
// press or 0 for a release, handed to the delegate.
//
// Characters map to keysyms through fixed pages (the keysyms that the X11
// keysym definitions give for Unicode characters, generated at build time,
// plus the keypad and function-key pages); a character without a keysym is
// sent as 0x01000000 plus its code point. Modifier changes send Shift_L,
// Control_L, Alt_L or Help, and VoidSymbol for the changes they do not name
// (Command, Caps Lock, Function, the second key of a kind).
//
// Main thread only.

#include <array>
#include <cstdint>

#include "platform/KeyEvent.h"

class APShareKeyEventConverterDelegate {
public:
    virtual ~APShareKeyEventConverterDelegate() = default;
    // keysym: X11 keysym; eventType: 1 press, 0 release.
    virtual void sendKeyEvent(std::uint32_t keysym, std::uint32_t eventType) = 0;
};

inline constexpr std::uint32_t kVoidSymbol = 0x00FFFFFF;
inline constexpr std::uint32_t kUnicodeKeysymBase = 0x01000000;

class APShareKeyEventConverter {
public:
    // Forgets the modifier flags of the last modifier event (held surrogates stay).
    void initialize();

    void onKeyDownEvent(const KeyEvent& event);
    void onKeyUpEvent(const KeyEvent& event);
    void onModifierKeyEvent(const KeyEvent& event);

    // 1 for a key-down event, else 0.
    static std::uint32_t ConvertToKeyEventTypeProtcol(KeyEvent::Type type);
    // The UTF-16 units the event sends: its first character (both halves of a
    // surrogate pair when the event holds the pair), keypad characters below
    // 0x40 moved up by 0xF600; empty when the event types nothing.
    static QString getCharacters(const KeyEvent& event);
    // The keysym of one UTF-16 unit; 0 while half a surrogate pair is held
    // (or a low surrogate comes without its high half).
    std::uint32_t assignKeysym(char16_t unit, bool pressed);
    // The keysym and press flag of a modifier change to `flags`.
    void assignModifierKeysym(std::uint32_t flags, std::uint32_t* keysym, std::uint32_t* eventType);
    // Eisu and Kana send their keysym pressed and released at once.
    void onJISKeyEvent(std::uint16_t keyCode);

    // The keysym of a unit's page entry, 0 when it has none.
    static std::uint32_t pageKeysym(char16_t unit);

    // Held weakly: the delegate clears itself before it goes away.
    void setDelegate(APShareKeyEventConverterDelegate* delegate) { delegate_ = delegate; }
    APShareKeyEventConverterDelegate* delegate() const { return delegate_; }

private:
    void onKeyEvent(const KeyEvent& event);
    void send(std::uint32_t keysym, std::uint32_t eventType);

    std::uint32_t muiQueuedModifiers_ = 0;
    // A high surrogate waiting for its low half: [0] releases, [1] presses; 0 = none.
    std::array<char16_t, 2> cHighSurrogate_{};
    APShareKeyEventConverterDelegate* delegate_ = nullptr;
};
