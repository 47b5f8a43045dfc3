// The conference window's answers to document-sharing events, against a
// recording stand-in for the document windows: who started the share decides
// whether the window starts it too, a stop closes it, and a refused own start
// warns unless a share runs already.
#include "app/session/LoginTestSupport.h"
#include "app/ui/UiTestSupport.h"
#include "conference/StartViewController.h"
#include "platform/NotificationCenter.h"
#include "ui/CommonAlert.h"
#include "ui/InfoAlertWindow.h"

namespace login_test {
namespace {

struct RecordingDocShareWindows : ConferenceFeatureWindows {
    void launchDocShareWindow(const DocShareLaunch& launch, bool startedHere) override {
        log.push_back(std::string("launch") + (startedHere ? ":startedHere" : ""));
        last = launch;
    }
    void stopDocShareWindow() override { log.push_back("stop"); }
    std::vector<std::string> log;
    DocShareLaunch last;
};

// The sharing model as far as the conference window asks it.
struct FakeDocShareManager : LoginDocShareManager {
    void setMyInfo(const UserInfoRef&) override {}
    void setOptions(const QVariantMap&) override {}
    bool isStarted() const override { return started; }
    UserInfoRef ownerInfo() const override { return owner; }
    bool started = false;
    UserInfoRef owner;
};

int warningsOf(const QString& alertId) {
    int n = 0;
    for (InfoAlertWindow* w : CommonAlert::sharedInstance().warningAlertArry())
        n += w->alertIdentifier() == alertId;
    return n;
}

const QString kNoPermission = QStringLiteral("alert_id_no_permission_to_start");

class DocShareEventsTest : public LoginTestBase {
protected:
    DocShareEventsTest() {
        StartViewController::Services s;
        s.makeLoginManager = [this] {
            LoginManagerFeatures features;
            features.docShareManager = [this](LoginManager&) {
                auto m = std::make_unique<FakeDocShareManager>();
                docShare = m.get();
                return m;
            };
            return std::make_unique<LoginManager>(std::move(features),
                                                  [this](QuorixInterface*) { return &bridge; });
        };
        auto w = std::make_unique<RecordingDocShareWindows>();
        windows = w.get();
        s.windows = std::move(w);
        s.runModalAlert = [](const QString&) { return int(AlertFirstButtonReturn); };
        s.terminate = [] {};
        s.osVersion = [] { return QStringLiteral("11.2.0"); };
        controller = std::make_unique<StartViewController>(std::move(s));
        controller->viewDidLoad();
    }
    ~DocShareEventsTest() override {
        controller->loginManager()->waitForLoginQueue();
        dispatcher->runPending();
        controller.reset();
        CommonAlert::sharedInstance().hideAllAlert();
        dispatcher->runPending();
    }
    void logIn() {
        web.setConfig({{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "0"}, {"DOCSHARE_MAX_SIZE", "100"}});
        QVariantMap info{{"object", LaunchLink(LinkFields(web.address(), "me"))}};
        NotificationCenter::defaultCenter().post("notification_name_kick_scheme", nullptr, info);
        for (int i = 0; i < 5; ++i) {
            dispatcher->runPending();
            controller->loginManager()->waitForLoginQueue();
        }
        dispatcher->runPending();
        ASSERT_EQ(controller->loginManager()->status(), LOGIN_STATUS_LOGGED_IN);
        ASSERT_NE(docShare, nullptr);
        windows->log.clear();
    }
    LoginManager& login() { return *controller->loginManager(); }

    ScopedManualDispatcher dispatcher;
    RoomWebService web;
    FakeBridge bridge;
    RecordingDocShareWindows* windows = nullptr;
    FakeDocShareManager* docShare = nullptr;
    std::unique_ptr<StartViewController> controller;
};

using Log = std::vector<std::string>;

TEST_F(DocShareEventsTest, OnlyTheOwnNewStartIsStartedByTheWindow) {
    logIn();
    // Another participant's share: the window opens to follow it.
    login().OnDocShareStart("ann", "Ann");
    dispatcher->runPending();
    // The own start went through: the window starts the share.
    login().OnDocShareStartResult(0);
    dispatcher->runPending();
    // The own share runs already: the window only comes forward.
    docShare->owner = login().myInfo();
    login().OnDocShareStartResult(1);
    dispatcher->runPending();
    EXPECT_EQ(windows->log, (Log{"launch", "launch:startedHere", "launch"}));
    EXPECT_EQ(windows->last.maxUploadSize, 100);
    EXPECT_FALSE(windows->last.isWebinar);
    // A stop from someone who does not lead the share changes nothing; the
    // leader's stop closes the window.
    login().OnDocShareStop("ann");
    dispatcher->runPending();
    EXPECT_EQ(windows->log.back(), "launch");
    login().OnDocShareStop(login().myInfo()->userId());
    dispatcher->runPending();
    EXPECT_EQ(windows->log.back(), "stop");
    EXPECT_EQ(warningsOf(kNoPermission), 0);
}

TEST_F(DocShareEventsTest, ARefusedOwnStartWarnsUnlessAShareRuns) {
    logIn();
    docShare->started = true;
    login().OnDocShareStartResult(3);
    dispatcher->runPending();
    EXPECT_EQ(warningsOf(kNoPermission), 0);
    docShare->started = false;
    login().OnDocShareStartResult(3);
    dispatcher->runPending();
    EXPECT_EQ(warningsOf(kNoPermission), 1);
    EXPECT_TRUE(windows->log.empty());
}

}  // namespace
}  // namespace login_test
