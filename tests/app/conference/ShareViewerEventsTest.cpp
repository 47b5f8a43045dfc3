// The conference window's side of watching another participant's share: the
// viewer it gets from the feature windows is made on the main thread when the
// share starts, gets the share's events on the threads they arrive on, and is
// stopped at the share's end and at logout.
#include <thread>

#include "app/session/LoginTestSupport.h"
#include "app/ui/UiTestSupport.h"
#include "conference/StartViewController.h"
#include "platform/NotificationCenter.h"
#include "ui/CommonAlert.h"

namespace login_test {
namespace {

struct RecordingViewer : ConferenceAPShareViewer {
    void setDefaultDispMode(int mode) override { add("mode " + std::to_string(mode)); }
    void onStart(uint16_t, uint16_t type, uint16_t width, uint16_t height, uint16_t, uint16_t, uint16_t,
                 uint16_t, const QString& sharerId, const QString&, const QString& operatorId, const QString&,
                 int64_t controlStatus, int64_t requestStatus) override {
        startedOnMain = mainQueue().isCurrent();
        add("start " + std::to_string(type) + " " + std::to_string(width) + "x" + std::to_string(height) +
            " " + sharerId.toStdString() + " " + operatorId.toStdString() + " " +
            std::to_string(controlStatus) + " " + std::to_string(requestStatus));
    }
    void onStop(int code, const QString&, const QString&) override { add("stop " + std::to_string(code)); }
    void onShowRect(int left, int, int right, int, const QByteArray&, int size) override {
        add("rect " + std::to_string(left) + "-" + std::to_string(right) + " " + std::to_string(size));
    }
    void onResize(int, int, int, int) override { add("resize"); }
    void onKeyFrame(int, int, int, int) override { add("keyframe"); }
    void onControlRes(int result, const QString&, const QString&) override {
        add("res " + std::to_string(result));
    }
    void onControllChange(const QString& sharerId, const QString&, const QString& operatorId, const QString&,
                          int64_t status, int64_t requestStatus) override {
        add("change " + sharerId.toStdString() + " " + operatorId.toStdString() + " " +
            std::to_string(status) + " " + std::to_string(requestStatus));
    }
    void onClipBoardText(const QByteArray& text) override { add("clipboard " + text.toStdString()); }
    void activateWindow() override {}
    void changeOperationRequestStatus(int64_t) override {}
    QWidget* getAPShareViewForWebinar() const override { return nullptr; }

    void add(const std::string& line) {
        std::lock_guard lock(mutex);
        log.push_back(line);
    }
    std::vector<std::string> lines() {
        std::lock_guard lock(mutex);
        return log;
    }
    std::mutex mutex;
    std::vector<std::string> log;
    bool startedOnMain = false;
};

struct ViewerWindows : ConferenceFeatureWindows {
    std::shared_ptr<ConferenceAPShareViewer> makeAPShareClient(bool, LoginManager*,
                                                               APShareClientViewAction*) override {
        auto viewer = std::make_shared<RecordingViewer>();
        made.push_back(viewer);
        return viewer;
    }
    std::vector<std::shared_ptr<RecordingViewer>> made;
};

class ShareViewerEventsTest : public LoginTestBase {
protected:
    ShareViewerEventsTest() {
        StartViewController::Services s;
        s.makeLoginManager = [this] {
            return std::make_unique<LoginManager>(LoginManagerFeatures{},
                                                  [this](QuorixInterface*) { return &bridge; });
        };
        auto w = std::make_unique<ViewerWindows>();
        windows = w.get();
        s.windows = std::move(w);
        s.runModalAlert = [](const QString&) { return int(AlertFirstButtonReturn); };
        s.terminate = [] {};
        s.osVersion = [] { return QStringLiteral("11.2.0"); };
        controller = std::make_unique<StartViewController>(std::move(s));
        controller->viewDidLoad();
    }
    ~ShareViewerEventsTest() override {
        controller->loginManager()->waitForLoginQueue();
        dispatcher->runPending();
        controller.reset();
        CommonAlert::sharedInstance().hideAllAlert();
        dispatcher->runPending();
    }
    void logIn() {
        web.setConfig({{"MODE_SMARTPHONE_AP_SHARE", "Y"}, {"AS_START_FIT", "Y"}});
        QVariantMap info{{"object", LaunchLink(LinkFields(web.address(), "me"))}};
        NotificationCenter::defaultCenter().post("notification_name_kick_scheme", nullptr, info);
        for (int i = 0; i < 5; ++i) {
            dispatcher->runPending();
            controller->loginManager()->waitForLoginQueue();
        }
        dispatcher->runPending();
        ASSERT_EQ(controller->loginManager()->status(), LOGIN_STATUS_LOGGED_IN);
    }
    // The relay's receive thread.
    template <typename F>
    void onRelayThread(F f) {
        std::thread(f).join();
    }

    ScopedManualDispatcher dispatcher;
    RoomWebService web;
    FakeBridge bridge;
    ViewerWindows* windows = nullptr;
    std::unique_ptr<StartViewController> controller;
};

TEST_F(ShareViewerEventsTest, AShareFromStartToStop) {
    logIn();
    LoginManager* login = controller->loginManager();
    onRelayThread(
        [&] { login->OnAPShareStart(0, 1, 1600, 900, 0, 0, 1600, 900, "ann", "Ann", "ann", "Ann"); });
    EXPECT_TRUE(windows->made.empty()) << "the viewer is made on the main thread";
    dispatcher->runPending();
    ASSERT_EQ(windows->made.size(), 1u);
    auto viewer = windows->made[0];
    EXPECT_TRUE(viewer->startedOnMain);

    onRelayThread([&] {
        login->OnAPShareKeyFrame(0, 0, 1600, 900);
        login->OnAPShareRect(0, 0, 16, 16, QByteArray(16 * 16 * 4, 0), 16 * 16 * 4);
        login->OnAPShareControlChange("me", "Me");
        login->OnASControlRes(1, "ann", "Ann");
        login->OnASClipBoardText("text");
    });
    // A desktop share with AS_START_FIT opens fitted; the sharer operates.
    EXPECT_EQ(viewer->lines(),
              (std::vector<std::string>{"mode 1", "start 1 1600x900 ann ann 0 1", "keyframe",
                                        "rect 0-16 1024", "change ann me 2 1", "res 1", "clipboard text"}));

    onRelayThread([&] { login->OnAPShareStop(0, "ann", "Ann"); });
    EXPECT_EQ(viewer->lines().back(), "stop 0");
    const size_t count = viewer->lines().size();
    onRelayThread([&] { login->OnAPShareRect(0, 0, 16, 16, QByteArray(1024, 0), 1024); });
    EXPECT_EQ(viewer->lines().size(), count) << "a stopped share's rectangles reach nobody";
}

TEST_F(ShareViewerEventsTest, AShareThatStopsBeforeTheMainThreadGetsToItMakesNoViewer) {
    logIn();
    LoginManager* login = controller->loginManager();
    onRelayThread([&] {
        login->OnAPShareStart(0, 0, 800, 600, 0, 0, 400, 300, "ann", "Ann", "me", "Me");
        login->OnAPShareStop(0, "ann", "Ann");
    });
    dispatcher->runPending();
    EXPECT_TRUE(windows->made.empty());
}

TEST_F(ShareViewerEventsTest, LogoutStopsTheViewer) {
    logIn();
    LoginManager* login = controller->loginManager();
    // An application share operated by this participant: opens scaled, operating.
    onRelayThread([&] { login->OnAPShareStart(0, 0, 800, 600, 0, 0, 400, 300, "ann", "Ann", "me", "Me"); });
    dispatcher->runPending();
    ASSERT_EQ(windows->made.size(), 1u);
    EXPECT_EQ(windows->made[0]->lines()[1], "start 0 800x600 ann me 2 1");
    controller->leaveConfRoom();
    dispatcher->runPending();
    EXPECT_EQ(windows->made[0]->lines().back(), "stop 0");
}

}  // namespace
}  // namespace login_test
