// The floating speak button: where it appears, its pictures in order, and
// that a press-and-release is a click while a drag only moves the window.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>

#include "app/tiles/VideoTestSupport.h"
#include "app/ui/UiTestSupport.h"
#include "conference/SpeakerBtnImageView.h"
#include "conference/SpeakerBtnWindowController.h"
#include "platform/Window.h"

namespace {

// A press and release of `button` at `at`, as the window system delivers them.
void click(QWidget* target, Qt::MouseButton button, QPoint at) {
    const QPointF global = target->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, button, button, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, button, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

struct ClickCounter : SpeakerBtnWindowControllerDelegate {
    void speakerButtonAction() override { ++clicks; }
    int clicks = 0;
};

void send(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
    const QPointF global = target->mapToGlobal(QPointF(local));
    QMouseEvent event(type, QPointF(local), global, Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

class SpeakerBtnTest : public ::testing::Test {
protected:
    QtApplicationFirst app;
    ClickCounter counter;
};

TEST_F(SpeakerBtnTest, PicturesFollowTheStateForEachCategory) {
    const struct {
        int category;
        const char *off, *on;
    } cases[] = {{1, "handstop", "hand"}, {2, "speaker_off", "speaker_on"}, {0, "speaker_off", "speaker_on"}};
    for (const auto& k : cases) {
        SpeakerBtnWindowController button(k.category);
        std::vector<QString> shown{button.shownImage()};
        button.onChangeMicStatus(true);
        shown.push_back(button.shownImage());
        EXPECT_TRUE(button.getSpeakerBtnStatus());
        button.changeSpeakerStatus(false);
        shown.push_back(button.shownImage());
        EXPECT_FALSE(button.getSpeakerBtnStatus());
        EXPECT_EQ(shown, (std::vector<QString>{k.off, k.on, k.off})) << k.category;
        // A picture is loaded for every state.
        EXPECT_FALSE(button.imageView()->pixmap().isNull()) << k.category;
    }
}

TEST_F(SpeakerBtnTest, FloatsNearTheBottomRightAboveEverything) {
    const QRectF screen = Window::mainScreenFrame();
    const QRectF visible = Window::mainScreenVisibleFrame();
    for (int category : {1, 2}) {
        SpeakerBtnWindowController button(category);
        button.showWindow();
        const QRectF f = button.window()->frame();
        EXPECT_NEAR(f.x(), screen.width() - f.width() - 50, 1) << category;
        EXPECT_NEAR(f.y(), visible.y() + (category == 1 ? 100 : 50), 1) << category;
        EXPECT_EQ(button.window()->level(), AboveAllWindowLevel);
        EXPECT_EQ(button.window()->styleMask(), unsigned(WindowStyleBorderless));
        EXPECT_TRUE(button.window()->isVisible());
    }
}

TEST_F(SpeakerBtnTest, ADragMovesTheWindowAndIsNeverAClick) {
    SpeakerBtnWindowController button(1);
    button.setDelegate(&counter);
    button.showWindow();
    SpeakerBtnImageView* view = button.imageView();

    click(view, Qt::LeftButton, QPoint(10, 10));
    EXPECT_EQ(counter.clicks, 1);

    const QPoint before = button.window()->pos();
    send(view, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton);
    EXPECT_TRUE(view->clickDown());
    send(view, QEvent::MouseMove, QPoint(40, 25), Qt::LeftButton);
    EXPECT_FALSE(view->clickDown());
    send(view, QEvent::MouseButtonRelease, QPoint(40, 25), Qt::NoButton);
    EXPECT_EQ(counter.clicks, 1);
    EXPECT_EQ(button.window()->pos(), before + QPoint(30, 15));

    // The next press and release is a click again; without a delegate nothing.
    click(view, Qt::LeftButton, QPoint(10, 10));
    EXPECT_EQ(counter.clicks, 2);
    button.setDelegate(nullptr);
    click(view, Qt::LeftButton, QPoint(10, 10));
    EXPECT_EQ(counter.clicks, 2);
}

}  // namespace
