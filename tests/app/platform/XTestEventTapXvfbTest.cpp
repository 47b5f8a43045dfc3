#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <QProcess>
#include <QRegion>
#include <QStandardPaths>
#include <QString>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "fixtures/app/AppTestSupport.h"
#include "fixtures/app/XvfbSupport.h"
#include "platform/APShareEventFilter.h"
#include "platform/Dispatch.h"
#include "platform/XTestEventTap.h"

using namespace std::chrono_literals;
namespace M = APShareMouseEvent;

namespace {

// An xev-like window at the top-left corner of the screen with the keyboard
// focus: it keeps the text its key presses type in the server's layout, the
// keysyms of its key presses, and its button presses.
class HelperWindow {
public:
    struct Button {
        int button;
        int x, y;
        bool operator==(const Button&) const = default;
    };

    HelperWindow(const QString& display, QRect rect) {
        connection_ = xcb_connect(display.toLocal8Bit().constData(), nullptr);
        if (xcb_connection_has_error(connection_)) return;
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        window_ = xcb_generate_id(connection_);
        const std::uint32_t values[] = {
            screen->white_pixel, 1,
            XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_STRUCTURE_NOTIFY};
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, rect.x(), rect.y(),
                          rect.width(), rect.height(), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
        xcb_map_window(connection_, window_);
        xcb_flush(connection_);
        mapped_ = waitFor([&] { return mappedSeen_; }, 10s);
        xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_POINTER_ROOT, window_, XCB_CURRENT_TIME);
        xcb_flush(connection_);
        if (!xkb_x11_setup_xkb_extension(connection_, XKB_X11_MIN_MAJOR_XKB_VERSION,
                                         XKB_X11_MIN_MINOR_XKB_VERSION, XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS,
                                         nullptr, nullptr, nullptr, nullptr))
            mapped_ = false;
        context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    }
    ~HelperWindow() {
        if (keymap_) xkb_keymap_unref(keymap_);
        if (context_) xkb_context_unref(context_);
        xcb_disconnect(connection_);
    }

    bool ready() const { return mapped_; }
    // Reads the server's keymap (after the layout was switched).
    bool loadKeymap() {
        if (keymap_) xkb_keymap_unref(keymap_);
        keymap_ = xkb_x11_keymap_new_from_device(context_, connection_,
                                                 xkb_x11_get_core_keyboard_device_id(connection_),
                                                 XKB_KEYMAP_COMPILE_NO_FLAGS);
        return keymap_ != nullptr;
    }

    // Reads events until `done` or the time-out; true when done.
    template <typename Done>
    bool waitFor(Done done, std::chrono::milliseconds timeout) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            xcb_generic_event_t* event = xcb_poll_for_event(connection_);
            if (!event) {
                std::this_thread::sleep_for(5ms);
                continue;
            }
            handle(event);
            std::free(event);
        }
        return true;
    }
    // Reads whatever arrives within `period` (to show that nothing more comes).
    void drain(std::chrono::milliseconds period) {
        waitFor([] { return false; }, period);
    }

    QString text;
    std::vector<std::uint32_t> keysyms;
    std::vector<Button> buttons;

private:
    void handle(xcb_generic_event_t* event) {
        switch (event->response_type & 0x7F) {
            case XCB_MAP_NOTIFY:
                mappedSeen_ = true;
                break;
            case XCB_KEY_PRESS: {
                auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
                if (!keymap_) break;
                xkb_state* state = xkb_state_new(keymap_);
                // The event's state: modifiers in the low byte, the group in bits 13 and 14.
                xkb_state_update_mask(state, key->state & 0xFF, 0, 0, 0, 0, (key->state >> 13) & 3);
                keysyms.push_back(xkb_state_key_get_one_sym(state, key->detail));
                char utf8[16] = {};
                xkb_state_key_get_utf8(state, key->detail, utf8, sizeof utf8);
                text += QString::fromUtf8(utf8);
                xkb_state_unref(state);
                break;
            }
            case XCB_BUTTON_PRESS: {
                auto* button = reinterpret_cast<xcb_button_press_event_t*>(event);
                buttons.push_back({button->detail, button->event_x, button->event_y});
                break;
            }
            default:
                break;
        }
    }

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t window_ = 0;
    bool mapped_ = false;
    bool mappedSeen_ = false;
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
};

class XTestEventTapXvfbTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureQtApplication();
        if (QStandardPaths::findExecutable("Xvfb").isEmpty() ||
            QStandardPaths::findExecutable("setxkbmap").isEmpty())
            GTEST_SKIP() << "Xvfb and setxkbmap are needed (scripts/install-deps.sh)";
        ASSERT_FALSE(display.display().isEmpty());
    }
    bool switchLayout(const char* layout) {
        return QProcess::execute("setxkbmap", {"-display", display.display(), layout}) == 0;
    }

    xvfb::Server display{QStringLiteral("640x480x24")};
};

TEST_F(XTestEventTapXvfbTest, TypesWhatWasSentInTheServersLayout) {
    // The tap starts on the server's first layout and follows the switch.
    auto tap = std::make_unique<XTestEventTap>(display.display());
    ASSERT_TRUE(tap->isValid());
    APShareEventFilter filter(std::move(tap));
    filter.setSharedRegion(QRegion(0, 0, 640, 480));

    HelperWindow window(display.display(), QRect(0, 0, 640, 480));
    ASSERT_TRUE(window.ready());
    ASSERT_TRUE(switchLayout("de"));
    ASSERT_TRUE(window.loadKeymap());

    auto type = [&](std::uint32_t keysym) {
        filter.keyEvent(keysym, 1);
        filter.keyEvent(keysym, 0);
    };
    for (std::uint32_t keysym : {0x48, 0x61, 0x6C, 0x6C, 0x6F}) type(keysym);  // Hallo
    type(0x00FFFFFF);  // VoidSymbol: not forward delete
    type(0x0100FFFF);  // not Delete either
    type(0x0100FF08);  // a full-width parenthesis: not BackSpace
    type(0x6A3);       // Cyrillic io: no key on this layout
    // space, a umlaut, @ (AltGr-q), the euro sign as the viewer sends it (Unicode keysym).
    for (std::uint32_t keysym : {0x20, 0xE4, 0x40, 0x010020AC}) type(keysym);
    // The operator's own Shift: let go of for @, kept for A; the keypad's 5
    // turns Num Lock on for the press only.
    filter.keyEvent(0xFFE1, 1);
    type(0x40);
    type(0x41);
    filter.keyEvent(0xFFE1, 0);
    type(0xFFB5);
    type(0x61);

    const QString expected = QString::fromUtf8("Hallo ä@€@A5a");
    EXPECT_TRUE(window.waitFor([&] { return window.text == expected; }, 20s)) << window.text.toStdString();
    window.drain(300ms);
    EXPECT_EQ(window.text, expected);
    for (std::uint32_t keysym : window.keysyms) {
        EXPECT_NE(keysym, 0xFFFFu) << "Delete";
        EXPECT_NE(keysym, 0xFF08u) << "BackSpace";
    }
}

TEST_F(XTestEventTapXvfbTest, ClicksAndTheWheelLandOnTheSharedPixels) {
    ScopedManualDispatcher clock;
    auto tap = std::make_unique<XTestEventTap>(display.display());
    ASSERT_TRUE(tap->isValid());
    APShareEventFilter filter(std::move(tap));
    // The window covers the screen; only its left half is shared.
    filter.setSharedRegion(QRegion(0, 0, 320, 480));
    HelperWindow window(display.display(), QRect(0, 0, 640, 480));
    ASSERT_TRUE(window.ready());

    filter.mouseEvent(M::LeftDown, 123, 45);
    filter.mouseEvent(M::LeftUp, 123, 45);
    EXPECT_TRUE(window.buttons.empty());
    clock->advance(500ms);
    ASSERT_TRUE(window.waitFor([&] { return !window.buttons.empty(); }, 10s));
    EXPECT_EQ(window.buttons.front(), (HelperWindow::Button{1, 123, 45}));

    // Outside the shared half: nothing; the wheel under the pointer (still at 123, 45) turns.
    filter.mouseEvent(M::RightDown, 400, 100);
    filter.mouseEvent(M::RightUp, 400, 100);
    filter.scrollEvent(-240);
    filter.mouseEvent(M::RightDown, 319, 479);
    ASSERT_TRUE(window.waitFor([&] { return window.buttons.size() >= 4; }, 10s));
    window.drain(300ms);
    const std::vector<HelperWindow::Button> expected = {
        {1, 123, 45}, {5, 123, 45}, {5, 123, 45}, {3, 319, 479}};
    EXPECT_EQ(window.buttons, expected);
    filter.initialize();  // lets go of the right button
}

}  // namespace
