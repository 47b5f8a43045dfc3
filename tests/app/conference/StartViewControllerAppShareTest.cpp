// The conference window's side of application sharing against a recording
// sharer: the share button (rights, the screen, the room's options), the
// dialogue in which another participant asks the user to share, and the
// relay's sharing events handed to the sharer.
#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "app/session/FeatureTestSupport.h"
#include "app/ui/UiTestSupport.h"
#include "conference/StartViewController.h"
#include "fixtures/app/XvfbSupport.h"
#include "platform/Alert.h"
#include "platform/Localization.h"
#include "platform/NotificationCenter.h"
#include "ui/AlertWindow.h"
#include "ui/CommonAlert.h"

namespace login_test {
namespace {

struct SharerLog {
    std::mutex mu;
    std::vector<std::string> calls;
    std::vector<LoginAPShareServerOptions> made;
    std::vector<bool> onMainThread;
    void add(std::string s) {
        std::lock_guard lock(mu);
        calls.push_back(std::move(s));
    }
    std::vector<std::string> take() {
        std::lock_guard lock(mu);
        return std::exchange(calls, {});
    }
};

struct RecordingSharer : LoginAPShareServer {
    explicit RecordingSharer(std::shared_ptr<SharerLog> log) : log(std::move(log)) {}
    void start(bool s, bool r) override {
        log->onMainThread.push_back(mainQueue().isCurrent());
        log->add("start " + std::to_string(s) + " " + std::to_string(r));
    }
    void stop(bool c, const std::optional<QString>& m) override {
        log->add("stop " + std::to_string(c) + (m ? " " + m->toStdString() : ""));
    }
    void onStartPermit(uint32_t v) override { log->add("permit " + std::to_string(v)); }
    void onStartRefuse(uint32_t v) override { log->add("refuse " + std::to_string(v)); }
    void onControlReq(uint32_t k, const QString& i, const QString&) override {
        log->add("controlReq " + std::to_string(k) + " " + i.toStdString());
    }
    void onControlRet() override { log->add("controlRet"); }
    void onControllChange(const QString&, const QString&, const QString& oi, const QString&, int s) override {
        log->add("controlChange " + oi.toStdString() + " " + std::to_string(s));
    }
    void onMouseEvent(uint16_t k, uint16_t x, uint16_t y) override {
        log->add("mouse " + std::to_string(k) + " " + std::to_string(x) + "," + std::to_string(y));
    }
    void onMouseWheelEvent(int d) override { log->add("wheel " + std::to_string(d)); }
    void onKeyEvent(uint32_t k, uint32_t u) override {
        log->add("key " + std::to_string(k) + " " + std::to_string(u));
    }
    void onClipBoardText(const QByteArray& t) override { log->add("clipboard " + t.toStdString()); }
    void checkOperatorRequester(const QString& i, const QString&) override {
        log->add("speechEnded " + i.toStdString());
    }
    std::shared_ptr<SharerLog> log;
};

// Points DISPLAY at a private Xvfb, or at nothing (a desktop without X).
class DisplayEnvironment {
public:
    explicit DisplayEnvironment(const QString& display) {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"})
            if (qEnvironmentVariableIsSet(name)) saved_[name] = qgetenv(name);
        if (display.isEmpty()) {
            qunsetenv("DISPLAY");
            qputenv("WAYLAND_DISPLAY", "wayland-0");
        } else {
            qputenv("DISPLAY", display.toUtf8());
            qunsetenv("WAYLAND_DISPLAY");
        }
    }
    ~DisplayEnvironment() {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
            if (saved_.count(name))
                qputenv(name, saved_[name]);
            else
                qunsetenv(name);
        }
    }

private:
    std::map<std::string, QByteArray> saved_;
};

// The program's feature windows hand the floor's sharer hooks back to the
// controller's own sharer; these do the same.
struct SharerHookWindows : ConferenceFeatureWindows {
    StartViewController** controller = nullptr;
    void launchAPShareWindow() override { (*controller)->launchAPShareWindow(); }
    bool hasAPShareSharer() const override { return (*controller)->apShareServer() != nullptr; }
    void checkOperatorRequester(const QString& id, const QString& name) override {
        if (auto sharer = (*controller)->apShareServer()) sharer->checkOperatorRequester(id, name);
    }
    void stopAPShare(const std::optional<QString>& message) override {
        (*controller)->stopAPShare(true, message);
    }
    void cancelAPShareRequest() override { (*controller)->cancelAPShareRequest(); }
};

class StartViewControllerAppShareTest : public LoginTestBase {
protected:
    void make(const Config& config) {
        StartViewController::Services s;
        s.makeLoginManager = [this] {
            LoginManagerFeatures f;
            f.apShareServer = [this](LoginManager&, const LoginAPShareServerOptions& o,
                                     LoginAPShareServerViewAction*) {
                sharers->made.push_back(o);
                return std::make_unique<RecordingSharer>(sharers);
            };
            return std::make_unique<LoginManager>(f, [this](QuorixInterface*) { return &bridge; });
        };
        auto windows = std::make_unique<SharerHookWindows>();
        windows->controller = &raw;
        s.windows = std::move(windows);
        s.runModalAlert = [](const QString&) { return int(AlertFirstButtonReturn); };
        s.terminate = [] {};
        s.osVersion = [] { return QStringLiteral("11.2.0"); };
        s.savedMainFrame = [] { return QRectF(); };
        s.openUrl = [](const QString&) {};
        controller = std::make_unique<StartViewController>(std::move(s));
        raw = controller.get();
        controller->viewDidLoad();
        Config c = {{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "0"}};
        c.insert(c.end(), config.begin(), config.end());
        web.setConfig(c);
        NotificationCenter::defaultCenter().post("notification_name_kick_scheme", nullptr,
                                                 {{"object", LaunchLink(LinkFields(web.address(), "me"))}});
        settle();
        ASSERT_EQ(controller->loginManager()->status(), LOGIN_STATUS_LOGGED_IN);
        bridge.clearCommands();
    }
    ~StartViewControllerAppShareTest() override {
        if (controller) {
            controller->loginManager()->waitForLoginQueue();
            dispatcher->runPending();
            controller.reset();
        }
        CommonAlert::sharedInstance().hideAllAlert();
        dispatcher->runPending();
    }
    void settle() {
        for (int i = 0; i < 5; ++i) {
            dispatcher->runPending();
            if (controller) controller->loginManager()->waitForLoginQueue();
        }
        dispatcher->runPending();
    }
    // Presses the first button of the modal alert that the next call runs,
    // and remembers its text.
    void answerModalAlert() {
        QTimer::singleShot(0, [this] {
            if (Alert* alert = Alert::current()) {
                modalTexts.push_back(alert->box()->informativeText());
                alert->box()->buttons().first()->click();
            }
        });
    }
    AlertWindow* requestAlert() {
        const QString id = QStringLiteral("alert_id_as_request");
        for (AlertWindow* w : CommonAlert::sharedInstance().alertWindowArry())
            if (w->alertIdentifier() == id) return w;
        return nullptr;
    }

    ScopedManualDispatcher dispatcher;
    RoomWebService web;
    CommandBridge bridge;
    std::shared_ptr<SharerLog> sharers = std::make_shared<SharerLog>();
    std::vector<QString> modalTexts;
    std::unique_ptr<StartViewController> controller;
    StartViewController* raw = nullptr;
    xvfb::Server xvfb;
};

TEST_F(StartViewControllerAppShareTest, TheShareButtonChecksTheRightsAndTheScreen) {
    ASSERT_FALSE(xvfb.display().isEmpty());
    struct Case {
        const char* what;
        Config config;
        bool display;
        std::vector<std::string> sharer;
        size_t warnings;
        bool refusedForTheScreen;
    };
    const Case cases[] = {
        {"allowed: the menu opens", {{"CAPTAIN_FREE", "Y"}}, true, {"start 0 0"}, 0, false},
        {"allowed with the automatic start",
         {{"CAPTAIN_FREE", "Y"}, {"AS_DESKTOP_AUTO_START", "Y"}},
         true,
         {"start 1 0"},
         0,
         false},
        {"no right to share in the room", {}, true, {}, 1, false},
        {"no X display: refused, nothing starts", {{"CAPTAIN_FREE", "Y"}}, false, {}, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DisplayEnvironment env(c.display ? xvfb.display() : QString());
        make(c.config);
        CommonAlert::sharedInstance().hideAllAlert();
        dispatcher->runPending();
        modalTexts.clear();
        if (c.refusedForTheScreen) answerModalAlert();
        controller->onClickFunctionMenu(HEADER_TAG_AP_SHARE);  // the feature windows pass it on
        settle();
        EXPECT_EQ(sharers->take(), c.sharer);
        EXPECT_EQ(CommonAlert::sharedInstance().warningAlertArry().size(), c.warnings);
        EXPECT_EQ(modalTexts, c.refusedForTheScreen
                                  ? std::vector<QString>{LocalizedString("dfAS_PERMISSION_ERR_SCREEN_RECORD")}
                                  : std::vector<QString>{});
        EXPECT_EQ(controller->apShareServer() != nullptr, !c.sharer.empty());
    }
}

TEST_F(StartViewControllerAppShareTest, TheSharerGetsTheRoomsOptionsOnceAndTheMenuWhileSharing) {
    DisplayEnvironment env(xvfb.display());
    make({{"CAPTAIN_FREE", "Y"},
          {"AS_VIEWER_FULL_SCREEN", "Y"},
          {"AS_NOT_SELECT_APPLICATION", "Y"},
          {"MODE_AS_CONTROL_IGNORE", "Y"}});
    controller->launchAPShareWindow();
    ASSERT_EQ(sharers->made.size(), 1u);
    const LoginAPShareServerOptions& o = sharers->made.front();
    EXPECT_TRUE(o.isShowFullScreenMenu);
    EXPECT_TRUE(o.disableApplication);
    EXPECT_TRUE(o.isASControlIgnoreOption);
    EXPECT_FALSE(o.isWebinar);
    // The relay permitted the share: the button brings the menu forward.
    controller->loginManager()->OnASStartPermit(0);
    sharers->take();
    controller->launchAPShareWindow();
    EXPECT_EQ(sharers->take(), std::vector<std::string>{"start 0 0"});
    EXPECT_EQ(sharers->made.size(), 1u);
}

TEST_F(StartViewControllerAppShareTest, APermittedRequestStartsTheShareOnTheMainThread) {
    DisplayEnvironment env(xvfb.display());
    make({{"CAPTAIN_FREE", "Y"}});
    LoginManager& login = *controller->loginManager();
    login.OnRecvFreeMessage(10019u, "bob");
    settle();
    AlertWindow* question = requestAlert();
    ASSERT_NE(question, nullptr);
    EXPECT_TRUE(question->isTimerRunning()) << "an unanswered question closes by itself";
    ASSERT_EQ(question->buttons().size(), 2);
    question->buttons().at(0)->click();  // the left button: yes
    settle();
    EXPECT_EQ(bridge.commands("free"), (std::vector<std::string>{"free 10020 bob", "free 10021 bob"}));
    EXPECT_EQ(requestAlert(), nullptr);

    login.OnRecvFreeMessage(10004u, "bob");
    EXPECT_TRUE(sharers->take().empty()) << "not on the receive thread";
    settle();
    EXPECT_EQ(sharers->take(), std::vector<std::string>{"start 1 1"});
    EXPECT_EQ(sharers->onMainThread, std::vector<bool>{true});
}

TEST_F(StartViewControllerAppShareTest, AWithdrawnSharingRightStopsTheOwnShareOnly) {
    // The recording sharer needs no screen; without an X display the desktop
    // bus is not looked for through X either.
    DisplayEnvironment env{QString()};
    struct Case {
        const char* what;
        Config config;
        bool onRequest;  // the share runs because bob asked and the user agreed
        std::vector<std::string> sharer;
    };
    const Case cases[] = {
        {"the own share stops", {}, false, {"stop 1"}},
        {"a share on a permitted request keeps running", {}, true, {}},
        {"the room still lets everybody share", {{"CAPTAIN_FREE", "Y"}}, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        make(c.config);
        LoginManager& login = *controller->loginManager();
        if (c.onRequest) {
            login.OnRecvFreeMessage(10019u, "bob");
            settle();
            login.permitRequestAPShare();
        }
        controller->startAPShare(true, c.onRequest);
        login.OnASStartPermit(0);
        settle();
        sharers->take();
        controller->onPermissionChange({{1, false}});
        settle();
        // The notice of the change comes once the desktop's notification
        // service has answered or not.
        EXPECT_TRUE(processEventsUntil([this] {
            settle();
            const QString id = QStringLiteral("alert_id_change_permission");
            auto& alerts = CommonAlert::sharedInstance();
            return std::any_of(alerts.notificationArry().begin(), alerts.notificationArry().end(),
                               [&](const auto& r) { return r.alertId == id; }) ||
                   std::any_of(alerts.infoAlertArry().begin(), alerts.infoAlertArry().end(),
                               [&](const auto& r) { return r.alertId == id; });
        }));
        EXPECT_EQ(sharers->take(), c.sharer);
        CommonAlert::sharedInstance().hideAllAlert();
        settle();
    }
}

TEST_F(StartViewControllerAppShareTest, AnUnaskedStartOrderAsksTheUser) {
    DisplayEnvironment env(xvfb.display());
    make({{"CAPTAIN_FREE", "Y"}});
    controller->loginManager()->OnRecvFreeMessage(10004u, "mallory");
    settle();
    EXPECT_TRUE(sharers->take().empty());
    AlertWindow* question = requestAlert();
    ASSERT_NE(question, nullptr);
    // Closing the question unanswered refuses.
    question->closeSelfWindow();
    settle();
    EXPECT_EQ(bridge.commands("free"), std::vector<std::string>{"free 10022 mallory"});
    EXPECT_TRUE(sharers->take().empty());
    EXPECT_EQ(sharers->made.size(), 0u);
}

TEST_F(StartViewControllerAppShareTest, RelayEventsReachTheSharerOnceItExists) {
    DisplayEnvironment env(xvfb.display());
    make({{"CAPTAIN_FREE", "Y"}});
    auto events = [&] {
        controller->onASStartPermit(0);
        controller->onASControlReq(0, "bob", "Bob");
        controller->onAPShareControlChange("bob", "Bob", 0, true);
        controller->onASMouseEvent(513, 10, 20);
        controller->onASMouseWheelEvent(-120);
        controller->onASKeyEvent(0xff1b, 1);
        controller->onASClipBoardText("text");
        controller->onASControlRet();
        controller->onASStartRefuse(3);
    };
    events();  // no sharer yet: dropped
    EXPECT_EQ(sharers->made.size(), 0u);
    controller->launchAPShareWindow();
    sharers->take();
    events();
    EXPECT_EQ(sharers->take(), (std::vector<std::string>{
                                   "permit 0", "controlReq 0 bob", "controlChange bob 0", "mouse 513 10,20",
                                   "wheel -120", "key 65307 1", "clipboard text", "controlRet", "refuse 3"}));
    // A participant who loses the floor withdraws his control request.
    controller->onEndSpeech(std::make_shared<SpeakerInfo>(3, "bob", "Bob", "M0"));
    settle();
    EXPECT_EQ(sharers->take(), std::vector<std::string>{"speechEnded bob"});
    // Another participant's share replaces the own one; a stop request stops it.
    controller->onAPShareStart(0, 1, 640, 480, 0, 0, 640, 480, "carol", "Carol", "carol", "Carol");
    controller->onASStopRequest();
    EXPECT_EQ(sharers->take(), (std::vector<std::string>{"stop 1", "stop 1"}));
}

}  // namespace
}  // namespace login_test
