// The conference window's side of remote settings and permissions, against a
// recording stand-in for the feature windows: the notice of a change of the
// user's own grants and what a withdrawn right closes, the rights that gate
// the remote-settings and permission windows, and the windows that close when
// the user loses the chair.
#include <QLabel>

#include "app/session/LoginTestSupport.h"
#include "app/ui/UiTestSupport.h"
#include "conference/StartViewController.h"
#include "platform/Localization.h"
#include "platform/NotificationCenter.h"
#include "ui/CommonAlert.h"
#include "ui/InfoAlertWindow.h"

namespace login_test {
namespace {

struct RecordingControlWindows : ConferenceFeatureWindows {
    void launchRemoteStgOneWindow(const UserInfoRef& user, bool needReq) override {
        log.push_back("one " + user->userId().toStdString() + (needReq ? " ask" : ""));
    }
    void launchRemoteStgAllWindow(bool needReq) override { log.push_back(needReq ? "all ask" : "all"); }
    void closeRemoteStgWindows() override { log.push_back("closeRemoteStg"); }
    void launchUserPermissionSetWindow(bool showAlert) override {
        log.push_back(showAlert ? "permission alert" : "permission");
    }
    void closePermissionSetWindow() override { log.push_back("closePermission"); }
    std::vector<std::string> log;
};

// The notices with this id: their texts when shown in a window, "(system)" otherwise.
std::vector<QString> noticesOf(const QString& alertId) {
    std::vector<QString> texts;
    for (const auto& r : CommonAlert::sharedInstance().notificationArry())
        if (r.alertId == alertId) texts.push_back("(system)");
    for (const auto& r : CommonAlert::sharedInstance().infoAlertArry()) {
        if (r.alertId != alertId) continue;
        texts.push_back(r.window->alertMessage() ? r.window->alertMessage()->text() : QString());
    }
    return texts;
}

class ParticipantControlHooksTest : public LoginTestBase {
protected:
    ParticipantControlHooksTest() {
        StartViewController::Services s;
        s.makeLoginManager = [this] {
            return std::make_unique<LoginManager>(LoginManagerFeatures{},
                                                  [this](QuorixInterface*) { return &bridge; });
        };
        auto w = std::make_unique<RecordingControlWindows>();
        windows = w.get();
        s.windows = std::move(w);
        s.runModalAlert = [](const QString&) { return int(AlertFirstButtonReturn); };
        s.terminate = [] {};
        s.osVersion = [] { return QStringLiteral("11.2.0"); };
        controller = std::make_unique<StartViewController>(std::move(s));
        controller->viewDidLoad();
    }
    ~ParticipantControlHooksTest() override {
        controller->loginManager()->waitForLoginQueue();
        dispatcher->runPending();
        controller.reset();
        CommonAlert::sharedInstance().hideAllAlert();
        dispatcher->runPending();
    }
    void logIn(const char* owner) {
        web.setConfig({{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "0"}, {"OWNER", owner}});
        QVariantMap info{{"object", LaunchLink(LinkFields(web.address(), "me"))}};
        NotificationCenter::defaultCenter().post("notification_name_kick_scheme", nullptr, info);
        for (int i = 0; i < 5; ++i) {
            dispatcher->runPending();
            controller->loginManager()->waitForLoginQueue();
        }
        dispatcher->runPending();
        ASSERT_EQ(controller->loginManager()->status(), LOGIN_STATUS_LOGGED_IN);
        windows->log.clear();
    }

    ScopedManualDispatcher dispatcher;
    RoomWebService web;
    FakeBridge bridge;
    RecordingControlWindows* windows = nullptr;
    std::unique_ptr<StartViewController> controller;
};

TEST_F(ParticipantControlHooksTest, TwoWithdrawnTypesGiveOneNoticeAndCloseRemoteSettings) {
    logIn("owner-id");  // not the chair, no permission: remote settings are refused
    controller->onPermissionChange({{2, false}, {0, false}});
    dispatcher->runPending();
    EXPECT_EQ(windows->log, std::vector<std::string>{"closeRemoteStg"});
    // The notice appears once the desktop's notification service has answered or not.
    EXPECT_TRUE(processEventsUntil([this] {
        dispatcher->runPending();
        return !noticesOf("alert_id_change_permission").empty();
    }));
    const auto notices = noticesOf("alert_id_change_permission");
    ASSERT_EQ(notices.size(), 1u);
    if (notices[0] != "(system)") {
        EXPECT_EQ(notices[0],
                  LocalizedFormat("dfUSER_PERMISSION_ALERT_CHANGE_DISABLE",
                                  LocalizedString("dfUSER_PERMISSION_WINDOW_COLUMN_DOCSHARE")) +
                      "\n" +
                      LocalizedFormat("dfUSER_PERMISSION_ALERT_CHANGE_DISABLE",
                                      LocalizedString("dfUSER_PERMISSION_WINDOW_COLUMN_REMOTESTG")) +
                      "\n");
    }

    // A granted right only adds its line.
    windows->log.clear();
    controller->onPermissionChange({{2, true}});
    dispatcher->runPending();
    EXPECT_TRUE(windows->log.empty());
}

TEST_F(ParticipantControlHooksTest, WindowsOpenOnlyWithTheRight) {
    logIn("owner-id");
    const auto bob = std::make_shared<UserInfo>("bob", "Bob", USER_TYPE_S0);
    controller->launchRemoteStgOneWindow(bob);
    controller->launchRemoteStgAllWindow();
    controller->launchUserPermissionSetWindow(true);
    EXPECT_TRUE(windows->log.empty());

    logIn("me");  // the chair may
    controller->launchRemoteStgOneWindow(bob);
    controller->launchRemoteStgAllWindow();
    controller->launchUserPermissionSetWindow(true);
    EXPECT_EQ(windows->log, (std::vector<std::string>{"one bob ask", "all ask", "permission alert"}));

    // Losing the chair closes what the user may no longer use.
    windows->log.clear();
    controller->loginManager()->OnChangeOwner("bob");
    dispatcher->runPending();
    EXPECT_EQ(windows->log, (std::vector<std::string>{"closeRemoteStg", "closePermission"}));
}

}  // namespace
}  // namespace login_test
