#include <gtest/gtest.h>

#include <QKeyEvent>
#include <utility>
#include <vector>

#include "fixtures/app/AppTestSupport.h"
#include "platform/APShareKeyEventConverter.h"
#include "platform/KeyEventAdapter.h"

namespace {

using Sent = std::vector<std::pair<std::uint32_t, std::uint32_t>>;  // keysym, 1 press / 0 release

struct RecordingDelegate : APShareKeyEventConverterDelegate {
    void sendKeyEvent(std::uint32_t keysym, std::uint32_t eventType) override {
        sent.emplace_back(keysym, eventType);
    }
    Sent take() { return std::exchange(sent, {}); }
    Sent sent;
};

// A key as Qt reports it on X11: Qt's key, the keysym (native virtual key),
// the text and the modifiers.
struct QtKey {
    int key;
    std::uint32_t keysym;
    QString text;
    Qt::KeyboardModifiers mods = Qt::NoModifier;
};

// Qt key events through the adapter into the converter, as the viewer passes them.
class ViewerKeys {
public:
    ViewerKeys() { converter.setDelegate(&delegate); }

    void press(const QtKey& k) { deliver(QEvent::KeyPress, k); }
    void release(const QtKey& k) { deliver(QEvent::KeyRelease, k); }
    void type(const QtKey& k) {
        press(k);
        release(k);
    }

    RecordingDelegate delegate;
    APShareKeyEventConverter converter;
    KeyEventAdapter adapter;

private:
    void deliver(QEvent::Type type, const QtKey& k) {
        const QKeyEvent event(type, k.key, k.mods, 0, k.keysym, 0, k.text);
        const std::optional<KeyEvent> e = adapter.translate(event);
        ASSERT_TRUE(e.has_value());
        switch (e->type) {
            case KeyEvent::KeyDown:
                converter.onKeyDownEvent(*e);
                break;
            case KeyEvent::KeyUp:
                converter.onKeyUpEvent(*e);
                break;
            case KeyEvent::FlagsChanged:
                converter.onModifierKeyEvent(*e);
                break;
        }
    }
};

const QtKey kShiftL{Qt::Key_Shift, 0xFFE1, {}};
const QtKey kShiftR{Qt::Key_Shift, 0xFFE2, {}};
const QtKey kControlL{Qt::Key_Control, 0xFFE3, {}};
const QtKey kSuperL{Qt::Key_Super_L, 0xFFEB, {}};
const QtKey kCapsLock{Qt::Key_CapsLock, 0xFFE5, {}};
constexpr std::uint32_t kVoid = 0x00FFFFFF;

class APShareKeyEventConverterTest : public ::testing::Test {
protected:
    void SetUp() override { ensureQtApplication(); }
};

TEST_F(APShareKeyEventConverterTest, ViewerKeysBecomeKeysyms) {
    struct Case {
        const char* name;
        std::vector<std::pair<bool, QtKey>> keys;  // press?, key
        Sent expected;
    };
    const QtKey a{Qt::Key_A, 0x61, "a"};
    const QtKey shiftedA{Qt::Key_A, 0x41, "A", Qt::ShiftModifier};
    const QtKey controlC{Qt::Key_C, 0x63, "\x03", Qt::ControlModifier};
    const QtKey commandShiftZ{Qt::Key_Z, 0x5A, "Z", Qt::ShiftModifier | Qt::MetaModifier};
    const QtKey keypad5{Qt::Key_5, 0xFFB5, "5", Qt::KeypadModifier};
    const QtKey keypadPlus{Qt::Key_Plus, 0xFFAB, "+", Qt::KeypadModifier};
    const QtKey enter{Qt::Key_Enter, 0xFF8D, "\r", Qt::KeypadModifier};
    const QtKey ret{Qt::Key_Return, 0xFF0D, "\r"};
    const QtKey backspace{Qt::Key_Backspace, 0xFF08, "\b"};
    const QtKey del{Qt::Key_Delete, 0xFFFF, "\x7f"};
    const QtKey up{Qt::Key_Up, 0xFF52, {}};
    const QtKey f13{Qt::Key_F13, 0xFFCA, {}};
    const QtKey emoji{Qt::Key_unknown, 0x0101F600, QString::fromUtf8("\xF0\x9F\x98\x80")};
    const QtKey io{0x401, 0x6A3, QString::fromUtf8("ё")};
    const QtKey euro{Qt::Key_E, 0x20AC, QString::fromUtf8("€"), Qt::GroupSwitchModifier};
    const QtKey yen{Qt::Key_yen, 0xA5, QString::fromUtf8("¥")};
    const QtKey kana{Qt::Key_Hiragana_Katakana, 0xFF27, {}};
    const QtKey altE{Qt::Key_E, 0x65, "e", Qt::AltModifier};

    const std::vector<Case> cases = {
        {"a", {{true, a}, {false, a}}, {{0x61, 1}, {0x61, 0}}},
        {"Shift-A",
         {{true, kShiftL}, {true, shiftedA}, {false, shiftedA}, {false, kShiftL}},
         {{0xFFE1, 1}, {0x41, 1}, {0x41, 0}, {0xFFE1, 0}}},
        {"Control-c",
         {{true, kControlL}, {true, controlC}, {false, controlC}, {false, kControlL}},
         {{0xFFE3, 1}, {0x63, 1}, {0x63, 0}, {0xFFE3, 0}}},
        {"Command-Shift-z",
         {{true, kSuperL}, {true, kShiftL}, {true, commandShiftZ}},
         {{kVoid, 1}, {0xFFE1, 1}, {0x5A, 1}}},
        {"Alt-e types the plain e", {{true, altE}}, {{0x65, 1}}},
        {"keypad 5", {{true, keypad5}, {false, keypad5}}, {{0xFFB5, 1}, {0xFFB5, 0}}},
        {"keypad plus", {{true, keypadPlus}}, {{0xFFAB, 1}}},
        {"Enter", {{true, enter}}, {{0xFF8D, 1}}},
        {"Return", {{true, ret}}, {{0xFF0D, 1}}},
        {"Backspace", {{true, backspace}}, {{0xFF08, 1}}},
        {"Delete", {{true, del}}, {{0xFFFF, 1}}},
        {"up", {{true, up}, {false, up}}, {{0xFF52, 1}, {0xFF52, 0}}},
        {"F13", {{true, f13}}, {{0xFFCA, 1}}},
        {"an emoji", {{true, emoji}, {false, emoji}}, {{0x0101F600, 1}, {0x0101F600, 0}}},
        {"Cyrillic io", {{true, io}}, {{0x6A3, 1}}},
        {"euro sign", {{true, euro}}, {{0x010020AC, 1}}},
        {"yen sign", {{true, yen}}, {{0x5C, 1}}},
        // The Kana key's press types nothing; its release sends the key pressed and released.
        {"kana", {{true, kana}, {false, kana}}, {{0xFFBB, 1}, {0xFFBB, 0}}},
        {"a second Shift key",
         {{true, kShiftL}, {true, kShiftR}, {false, kShiftR}, {false, kShiftL}},
         {{0xFFE1, 1}, {kVoid, 1}, {kVoid, 0}, {0xFFE1, 0}}},
        {"Caps Lock", {{true, kCapsLock}, {false, kCapsLock}}, {{kVoid, 1}, {kVoid, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ViewerKeys viewer;
        for (const auto& [press, key] : c.keys) press ? viewer.press(key) : viewer.release(key);
        EXPECT_EQ(viewer.delegate.take(), c.expected);
    }
}

TEST_F(APShareKeyEventConverterTest, PagesFollowTheKeysymDefinitions) {
    const std::vector<std::pair<char16_t, std::uint32_t>> cases = {
        {u'a', 0x61},     {0x00E9, 0xE9},   {0x00A5, 0x5C},   {0x0003, 0xFF8D}, {0x0009, 0xFF09},
        {0x0019, 0xFF09}, {0x000A, 0xFF0D}, {0x000D, 0xFF0D}, {0x001B, 0xFF1B}, {0x007F, 0xFF08},
        {0x0001, 0},      {0x0008, 0},      {0x0105, 0x1B1},  {0x0451, 0x6A3},  {0x03A9, 0x7D9},
        {0x05D0, 0xCE0},  {0x0580, 0},      {0x0E01, 0xDA1},  {0x30A2, 0x4B1},  {0x3099, 0xFE5E},
        {0x309A, 0xFE5F}, {0x20AC, 0},      {0xF635, 0xFFB5}, {0xF62C, 0x2C},   {0xF603, 0xFF8D},
        {0xF640, 0},      {0xF700, 0xFF52}, {0xF710, 0xFFCA}, {0xF728, 0xFFFF}, {0xF734, 0},
        {0xF746, 0xFF6A}, {0xFF08, 0},
    };
    for (const auto& [unit, keysym] : cases) {
        SCOPED_TRACE(QString::number(unit, 16).toStdString());
        EXPECT_EQ(APShareKeyEventConverter::pageKeysym(unit), keysym);
        APShareKeyEventConverter converter;
        EXPECT_EQ(converter.assignKeysym(unit, true), keysym ? keysym : 0x01000000u + unit);
    }
}

TEST_F(APShareKeyEventConverterTest, SurrogateHalvesJoinPerDirection) {
    RecordingDelegate delegate;
    APShareKeyEventConverter converter;
    converter.setDelegate(&delegate);
    auto event = [](KeyEvent::Type type, char16_t unit) {
        KeyEvent e;
        e.type = type;
        e.characters = QString(QChar(unit));
        e.charactersIgnoringModifiers = e.characters;
        return e;
    };
    // The halves in two presses: nothing for the first, the character for the second.
    converter.onKeyDownEvent(event(KeyEvent::KeyDown, 0xD83D));
    EXPECT_TRUE(delegate.sent.empty());
    converter.onKeyDownEvent(event(KeyEvent::KeyDown, 0xDE00));
    EXPECT_EQ(delegate.take(), (Sent{{0x0101F600, 1}}));

    // A lone high half is discarded by the next character; a lone low half sends nothing.
    converter.onKeyDownEvent(event(KeyEvent::KeyDown, 0xD83D));
    converter.onKeyDownEvent(event(KeyEvent::KeyDown, u'a'));
    converter.onKeyDownEvent(event(KeyEvent::KeyDown, 0xDE00));
    EXPECT_EQ(delegate.take(), (Sent{{0x61, 1}}));

    // Presses and releases hold their halves apart.
    converter.onKeyDownEvent(event(KeyEvent::KeyDown, 0xD83D));
    converter.onKeyUpEvent(event(KeyEvent::KeyUp, 0xDE00));
    EXPECT_TRUE(delegate.take().empty());

    // Empty texts send nothing.
    KeyEvent empty;
    converter.onKeyDownEvent(empty);
    converter.onKeyUpEvent(KeyEvent{KeyEvent::KeyUp, {}, {}, 0, 0});
    EXPECT_TRUE(delegate.take().empty());
}

TEST_F(APShareKeyEventConverterTest, CharacterChoiceFollowsTheModifiers) {
    namespace F = KeyModifierFlag;
    struct Case {
        QString characters, ignoring;
        std::uint32_t flags;
        QString expected;
    };
    const std::vector<Case> cases = {
        {"´", "e", F::Option, "e"},                // Option types the key's own character
        {"´", "e", F::Option | F::CapsLock, "E"},  // in upper case under Caps Lock
        {"\x03", "c", F::Control, "c"},            // control characters are replaced
        {"z", "z", F::Command | F::Shift, "Z"},    // Command with Shift: upper case
        {"z", "z", F::Command, "z"},
        {"", "q", 0, "q"},  // no text: the plain character
        {"5", "5", F::NumericPad, QString(QChar(0xF635))},
        {"A", "A", F::NumericPad, "A"},  // only below 0x40 moves
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.characters.toStdString() + "/" + c.ignoring.toStdString());
        KeyEvent e{KeyEvent::KeyDown, c.characters, c.ignoring, c.flags, 0};
        EXPECT_EQ(APShareKeyEventConverter::getCharacters(e), c.expected);
    }
}

TEST_F(APShareKeyEventConverterTest, ModifierChangesNameTheFirstChangedKey) {
    namespace F = KeyModifierFlag;
    RecordingDelegate delegate;
    APShareKeyEventConverter converter;
    converter.setDelegate(&delegate);
    auto flags = [&](std::uint32_t f) {
        KeyEvent e;
        e.type = KeyEvent::FlagsChanged;
        e.modifierFlags = f;
        converter.onModifierKeyEvent(e);
    };
    flags(F::Option | F::LeftOption);
    flags(F::Option | F::LeftOption | F::Shift | F::LeftShift);
    flags(F::Option | F::LeftOption | F::Shift | F::LeftShift | F::Control | F::LeftControl);
    flags(F::Help);
    flags(F::Help | F::Command);
    flags(F::Function);
    EXPECT_EQ(delegate.take(),
              (Sent{{0xFFE9, 1}, {0xFFE1, 1}, {0xFFE3, 1}, {0xFF6A, 1}, {kVoid, 1}, {kVoid, 1}}));

    // initialize forgets the last flags: the same flags are a new press.
    flags(F::Shift);
    converter.initialize();
    flags(F::Shift);
    flags(0);
    EXPECT_EQ(delegate.take(), (Sent{{0xFFE1, 1}, {0xFFE1, 1}, {0xFFE1, 0}}));

    // Without a delegate nothing is sent, and the JIS keys only send their own codes.
    converter.setDelegate(nullptr);
    flags(F::Shift);
    converter.onJISKeyEvent(kJISEisuKeyCode);
    converter.setDelegate(&delegate);
    converter.onJISKeyEvent(kJISEisuKeyCode);
    converter.onJISKeyEvent(0x67);
    EXPECT_EQ(delegate.take(), (Sent{{0xFFBA, 1}, {0xFFBA, 0}}));
}

}  // namespace
