// The viewer side of a remote share: start and stop, the control state and
// what leaves the client while it operates, and a logout in the middle of a
// rectangle stream.

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollArea>
#include <QToolButton>
#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "APShareTestSupport.h"
#include "appshare/APShareClient.h"
#include "appshare/APShareViewController.h"
#include "appshare/APShareWindow.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"

using namespace apshare_test;

namespace {

class APShareClientTest : public ::testing::Test {
protected:
    void SetUp() override { ensureQtApplication(); }
    void TearDown() override {
        client.reset();
        dispatcher->runPending();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void make(bool webinar = false, int dispMode = 0) {
        auto owned = std::make_unique<RecordingSender>();
        sender = owned.get();
        client = APShareClient::make(webinar, std::move(owned), &viewAction, &pasteboard);
        client->setDefaultDispMode(dispMode);
    }
    // A desktop share of 1600 x 900.
    void start(std::int64_t controlStatus = 0, std::int64_t permission = 1, std::uint16_t type = 1,
               std::uint16_t width = 1600, std::uint16_t height = 900) {
        client->onStart(0, type, width, height, 0, 0, width, height, "sharer", "Sharer", "sharer", "Sharer",
                        controlStatus, permission);
        dispatcher->runPending();
    }
    APShareViewer* viewer() const {
        APShareObjectController* c = client->viewerController();
        if (!c) return nullptr;
        if (c->window()) return c->window();
        return c->viewController();
    }
    QWidget* control(const char* name) const { return viewer()->viewerWidget()->findChild<QWidget*>(name); }
    void operate() {
        client->onControllChange("sharer", "Sharer", "me", "Me", 2, 1);
        dispatcher->runPending();
        sender->clear();
        std::lock_guard lock(viewAction.mutex);
        viewAction.notices.clear();
    }
    void mouse(QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::LeftButton) {
        APShareImageView* view = viewer()->content().imageView();
        QMouseEvent event(type, at, view->mapToGlobal(at), button,
                          type == QEvent::MouseMove ? Qt::NoButton : button, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &event);
    }

    ScopedManualDispatcher dispatcher;
    RecordingViewAction viewAction;
    FakePasteboard pasteboard;
    RecordingSender* sender = nullptr;
    std::shared_ptr<APShareClient> client;
};

}  // namespace

TEST_F(APShareClientTest, StartOpensTheWindowAndConfirmsTheShare) {
    // Desktop share: opens fitted with the default mode 1, scaled with 0; an
    // application share opens scaled.
    struct Case {
        int dispMode;
        std::uint16_t type;
        bool fitted;
    } cases[] = {{1, 1, true}, {0, 1, false}, {0, 0, false}};
    for (const Case& c : cases) {
        make(false, c.dispMode);
        start(0, 1, c.type);
        ASSERT_NE(viewer(), nullptr);
        auto* window = client->viewerController()->window();
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(client->viewerController()->displayMode(), c.fitted ? 1 : 0);
        EXPECT_EQ(static_cast<QToolButton*>(control("fullwindow_display"))->isChecked(), c.fitted);
        EXPECT_EQ(control("frame_fit")->isEnabled(), !c.fitted);
        EXPECT_EQ(control("scaling")->isEnabled(), !c.fitted);
        EXPECT_TRUE(control("operation_req_and_release")->isEnabled());
        EXPECT_EQ(sender->lines(), QStringList{"command 0 AS_START_PERMIT_START"});
        EXPECT_EQ(window->title(),
                  LocalizedFormat("dfAPSHARE_TOOLBAR_TITLE", QString("Sharer"), QString("Sharer")));
        EXPECT_EQ(window->content().scrollArea()->viewport()->cursor().shape(), Qt::ForbiddenCursor);
        TearDown();
    }
}

TEST_F(APShareClientTest, WebinarStartEmbedsTheViewFitted) {
    make(true, 0);
    start();
    APShareObjectController* controller = client->viewerController();
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(controller->window(), nullptr);
    ASSERT_NE(controller->viewController(), nullptr);
    EXPECT_EQ(controller->displayMode(), 1);
    EXPECT_FALSE(control("frame_fit")->isEnabled());
    EXPECT_FALSE(control("scaling")->isEnabled());
    EXPECT_TRUE(static_cast<QToolButton*>(control("fullwindow_display"))->isChecked());
    ASSERT_EQ(viewAction.webinarViews.size(), 1u);
    EXPECT_EQ(viewAction.webinarViews[0], controller->viewController()->view());

    client->onStop(0, "sharer", "Sharer");
    dispatcher->runPending();
    ASSERT_EQ(viewAction.webinarViews.size(), 2u);
    EXPECT_EQ(viewAction.webinarViews[1], nullptr);
    EXPECT_EQ(client->viewerController(), nullptr);
}

TEST_F(APShareClientTest, ScreensTooLargeAreRefusedAndBadRectanglesDropped) {
    make();
    start(0, 1, 1, 65535, 65535);
    EXPECT_EQ(client->viewerController(), nullptr) << "no viewer for a 65535 x 65535 screen";
    EXPECT_TRUE(sender->lines().isEmpty()) << "the share is not confirmed";
    client->onShowRect(0, 0, 2, 2, solidPixels(2, 2, Qt::red), 16);  // dropped, nothing to paint into

    start(0, 1, 1, 64, 32);
    ASSERT_NE(client->viewerController(), nullptr);
    auto canvas = client->viewerController()->canvas();
    const QByteArray pixels = solidPixels(8, 4, Qt::red);
    client->onShowRect(0, 0, 8, 4, pixels, int(pixels.size()) + 4);      // count and bytes disagree
    client->onShowRect(8, 0, 0, 4, pixels, int(pixels.size()));          // turned inside out
    client->onShowRect(0, 0, 8, 5, pixels, int(pixels.size()));          // count short of the rectangle
    client->onShowRect(100, 100, 108, 104, pixels, int(pixels.size()));  // off the screen
    EXPECT_FALSE(canvas->takeNeedDisp());
    client->onShowRect(0, 0, 8, 4, pixels, int(pixels.size()));
    EXPECT_TRUE(canvas->takeNeedDisp());
}

TEST_F(APShareClientTest, InputLeavesOnlyWhileOperating) {
    make(false, 0);
    start();  // scaled, 1600 x 900 at 100 %
    // Not operating: nothing leaves.
    mouse(QEvent::MouseButtonPress, {10, 20});
    client->viewerController()->onMouseScrollEvent(APShareViewerWheelEvent{-3});
    client->viewerController()->windowDidResignKey(client->viewerController()->window());
    EXPECT_EQ(sender->lines(), QStringList{"command 0 AS_START_PERMIT_START"});
    sender->clear();

    operate();
    EXPECT_EQ(viewer()->content().scrollArea()->viewport()->cursor().shape(), Qt::BitmapCursor);  // the dot
    EXPECT_FALSE(viewer()->content().imageView()->wheelEnabled());
    mouse(QEvent::MouseButtonPress, {10, 20});
    mouse(QEvent::MouseButtonRelease, {10, 20});
    mouse(QEvent::MouseButtonPress, {30, 40}, Qt::RightButton);
    mouse(QEvent::MouseButtonPress, {30, 40}, Qt::MiddleButton);
    mouse(QEvent::MouseMove, {-1.5, 70000.2});
    mouse(QEvent::MouseMove, {-0.7, 5});
    EXPECT_EQ(sender->lines(), (QStringList{"mouse 513 10 20", "mouse 514 10 20", "mouse 516 30 40",
                                            "mouse 519 30 40", "mouse 512 0 899", "mouse 512 0 5"}));
    sender->clear();

    // Wheel: deltas that truncate to 0 are not sent.
    for (double delta : {0.9, -2.7, 3.0})
        client->viewerController()->onMouseScrollEvent(APShareViewerWheelEvent{delta});
    EXPECT_EQ(sender->lines(), (QStringList{"wheel -2", "wheel 3"}));
    sender->clear();

    // Focus loss sends the five key-ups, in order.
    client->viewerController()->windowDidResignKey(client->viewerController()->window());
    EXPECT_EQ(sender->lines(),
              (QStringList{"key ffe1 0", "key ffe3 0", "key ffeb 0", "key ffe9 0", "key ff6a 0"}));
    sender->clear();

    // Another participant takes over: the gate closes again.
    client->onControllChange("sharer", "Sharer", "other", "Other", 0, 1);
    dispatcher->runPending();
    client->viewerController()->windowDidResignKey(client->viewerController()->window());
    mouse(QEvent::MouseButtonPress, {10, 20});
    EXPECT_TRUE(sender->lines().isEmpty());
    EXPECT_TRUE(viewer()->content().imageView()->wheelEnabled());
    EXPECT_EQ(viewer()->content().scrollArea()->viewport()->cursor().shape(), Qt::ForbiddenCursor);
}

TEST_F(APShareClientTest, ControlRequestReleaseAndRefusal) {
    make();
    start(0, 1);
    sender->clear();
    auto* request = static_cast<QToolButton*>(control("operation_req_and_release"));
    request->click();
    EXPECT_EQ(sender->lines(), QStringList{"controlReq 0 sharer Sharer"});
    EXPECT_FALSE(request->isEnabled()) << "disabled until the answer";

    // Refused: notice, the control again.
    client->onControlRes(1, "sharer", "Sharer");
    dispatcher->runPending();
    EXPECT_TRUE(request->isEnabled());
    EXPECT_EQ(viewAction.notices,
              QStringList{"alert_id_as_ctrl_status " + LocalizedString("dfAPSHARE_OPERATION_REQ_CANCEL")});
    EXPECT_EQ(client->controlState(), 0);

    // Operating: clicking gives control back, but the state waits for the operator change.
    operate();
    EXPECT_EQ(request->toolTip(), LocalizedString("dfAPSHARE_ORERATION_RELEASE"));
    request->click();
    EXPECT_EQ(sender->lines(), QStringList{"controlRet"});
    EXPECT_EQ(viewAction.notices,
              QStringList{"alert_id_as_ctrl_status " + LocalizedString("dfAPSHARE_ORERATION_RELEASED")});
    EXPECT_EQ(client->controlState(), 2);
    EXPECT_FALSE(viewer()->content().imageView()->wheelEnabled());
}

TEST_F(APShareClientTest, WithoutPermissionControlGoesStraightBack) {
    make();
    start(0, 0);
    EXPECT_FALSE(control("operation_req_and_release")->isEnabled());
    sender->clear();
    client->onControllChange("sharer", "Sharer", "me", "Me", 2, 0);
    dispatcher->runPending();
    EXPECT_EQ(sender->lines(), QStringList{"controlRet"});
    EXPECT_EQ(viewAction.notices,
              QStringList{"alert_id_as_ctrl_status " + LocalizedString("dfAPSHARE_ORERATION_RELEASED")});
    EXPECT_EQ(client->controlState(), 0);
    EXPECT_EQ(client->operatorId(), "sharer") << "the stored operator stays";
}

TEST_F(APShareClientTest, ClipboardGoesBothWaysOnlyWhileOperating) {
    make();
    start();
    pasteboard.text = QStringLiteral("local text");
    pasteboard.count = 1;
    client->onClipBoardText("from sharer");
    dispatcher->runPending();
    EXPECT_EQ(pasteboard.text, "local text") << "not operating: ignored";
    sender->clear();

    client->onControllChange("sharer", "Sharer", "me", "Me", 2, 1);
    dispatcher->runPending();
    EXPECT_TRUE(sender->lines().contains("clipboard local text"));
    EXPECT_TRUE(client->clipboardManager()->isObserving());
    client->onClipBoardText("from sharer");
    dispatcher->runPending();
    EXPECT_EQ(pasteboard.text, "from sharer");

    client->onControllChange("sharer", "Sharer", "other", "Other", 0, 1);
    dispatcher->runPending();
    EXPECT_FALSE(client->clipboardManager()->isObserving());
}

TEST_F(APShareClientTest, MinimiseDropsPicturesAndRestoreAsksForAKeyFrame) {
    make(false, 0);
    start(0, 1, 1, 64, 32);
    APShareObjectController* controller = client->viewerController();
    auto canvas = controller->canvas();
    sender->clear();
    controller->windowDidMiniaturize(controller->window());
    client->onShowRect(0, 0, 8, 4, solidPixels(8, 4, Qt::red), 128);
    EXPECT_FALSE(canvas->takeNeedDisp());
    for (int i = 0; i < 2; ++i) {
        controller->windowDidDeminiaturize(controller->window());
        controller->windowDidMiniaturize(controller->window());
    }
    controller->windowDidDeminiaturize(controller->window());
    EXPECT_EQ(sender->lines(), QStringList(3, "command 1 AS_START_PERMIT_RESTART"));
    client->onShowRect(0, 0, 8, 4, solidPixels(8, 4, Qt::red), 128);
    EXPECT_TRUE(canvas->takeNeedDisp());
    QImage shown;
    canvas->withImage([&](const QImage& image) { shown = image.copy(); });
    EXPECT_EQ(shown.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(20, 20), QColor(Qt::black));
}

TEST_F(APShareClientTest, LogoutDuringARectangleStreamEndsPromptly) {
    // The transfer thread keeps delivering rectangles; the logout on the main
    // thread stops the viewer and then waits for that thread, as ending the
    // core does. Nothing on the transfer thread may wait for the main thread.
    make(false, 0);
    start(0, 1, 1, 640, 480);
    std::atomic<bool> running{true};
    std::atomic<int> delivered{0};
    std::thread transfer([&] {
        const QByteArray pixels = solidPixels(64, 48, Qt::red);
        for (int i = 0; running; ++i) {
            client->onShowRect((i % 10) * 64, (i % 10) * 48, (i % 10) * 64 + 64, (i % 10) * 48 + 48, pixels,
                               int(pixels.size()));
            client->onKeyFrame(0, 0, 640, 480);
            ++delivered;
        }
    });
    while (delivered < 50) std::this_thread::yield();

    const auto began = std::chrono::steady_clock::now();
    client->onStop(0, QString(), QString());
    running = false;
    auto joined = std::async(std::launch::async, [&] { transfer.join(); });
    if (joined.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "the transfer thread hangs after the stop";
        std::_Exit(1);  // the watchdog: a hung join would never return
    }
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(5));
    EXPECT_EQ(client->viewerController(), nullptr);
    dispatcher->runPending();  // queued key frames find no viewer
}

TEST_F(APShareClientTest, KeysReachTheSharerOnlyWhileOperating) {
    make();
    start();
    APShareImageView* view = viewer()->content().imageView();
    auto typeA = [&] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, 38, 0x61, 0, QStringLiteral("a"));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, 38, 0x61, 0, QStringLiteral("a"));
        QCoreApplication::sendEvent(view, &press);
        QCoreApplication::sendEvent(view, &release);
    };
    sender->clear();
    typeA();
    EXPECT_TRUE(sender->lines().isEmpty());
    operate();
    typeA();
    EXPECT_EQ(sender->lines(), (QStringList{"key 61 1", "key 61 0"}));
}
