// The conference window's side of local recording, against a recording
// stand-in for the login's recording manager and for the feature windows:
// which speaker is recorded automatically, the record button, the status-bar
// menu at starts and stops with the stop notice, and the menu's stops.
#include <QHash>

#include "app/session/LoginTestSupport.h"
#include "app/ui/UiTestSupport.h"
#include "conference/StartViewController.h"
#include "platform/Localization.h"
#include "platform/NotificationCenter.h"
#include "ui/CommonAlert.h"
#include "ui/InfoAlertWindow.h"

namespace login_test {
namespace {

// Stands for running recordings: the conference window never looks inside.
std::shared_ptr<RecordingInfo> recordingOf(int& token) {
    return std::shared_ptr<RecordingInfo>(reinterpret_cast<RecordingInfo*>(&token), [](RecordingInfo*) {});
}

struct FakeRecording : LoginRecordingManager {
    void stopAllRecording() override { log.push_back("stopAll"); }
    bool isMaxAutoRecOtherVideoCount() const override { return isMax; }
    bool setAutoRecStartOtherVideoCount(int mode, bool start) override {
        log.push_back("count " + std::to_string(mode) + (start ? " start" : " stop"));
        return mode == 4 || mode == 8 || mode == 13;
    }
    int getTimerCountVal() const override { return 600; }
    void startAutoSaveRecording(int mode, const QString& id, const QString& name, const QString& room, int w,
                                int h, int limit) override {
        log.push_back(QStringLiteral("auto %1 %2 %3 %4 %5x%6 %7")
                          .arg(mode)
                          .arg(id, name, room)
                          .arg(w)
                          .arg(h)
                          .arg(limit)
                          .toStdString());
    }
    void dispRecordingMenu(const QString& id, const QString& name, QWidget* window, QSize pixels,
                           int category, bool speaker, bool oneUser) override {
        log.push_back(QStringLiteral("button %1 %2 %3 %4 %5 %6")
                          .arg(id, name)
                          .arg(window != nullptr)
                          .arg(pixels.isEmpty() ? 0 : 1)
                          .arg(category)
                          .arg(oneUser)
                          .toStdString());
        (void)speaker;
    }
    void stopRecordingFromMenu(std::int64_t tag) override {
        log.push_back("menuStop " + std::to_string(tag));
    }
    void setIsEnableTimeStamp(bool on) override { log.push_back(on ? "stamp on" : "stamp off"); }
    std::vector<std::shared_ptr<RecordingInfo>> recordings() const override { return running; }
    bool isMax = false;
    std::vector<std::shared_ptr<RecordingInfo>> running;
    std::vector<std::string> log;
};

struct MenuWindows : ConferenceFeatureWindows {
    void reloadRecordingMenu(const std::vector<std::shared_ptr<RecordingInfo>>& list,
                             std::function<void(std::int64_t)> s) override {
        log.push_back("reload " + std::to_string(list.size()));
        stop = std::move(s);
    }
    void hideRecordingMenu() override { log.push_back("hide"); }
    QString recordingUserId(const std::shared_ptr<RecordingInfo>& r) const override {
        return ids.value(r.get());
    }
    QHash<RecordingInfo*, QString> ids;
    std::function<void(std::int64_t)> stop;
    std::vector<std::string> log;
};

int noticeCount(const QString& alertId) {
    int n = 0;
    for (const auto& r : CommonAlert::sharedInstance().notificationArry()) n += r.alertId == alertId;
    for (const auto& r : CommonAlert::sharedInstance().infoAlertArry()) n += r.alertId == alertId;
    return n;
}

class RecordingHooksTest : public LoginTestBase {
protected:
    RecordingHooksTest() {
        StartViewController::Services s;
        s.makeLoginManager = [this] {
            LoginManagerFeatures f;
            f.recordingManager = [this](LoginManager&, const RecordingParams&) {
                auto r = std::make_unique<FakeRecording>();
                recording = r.get();
                return r;
            };
            return std::make_unique<LoginManager>(f, [this](QuorixInterface*) { return &bridge; });
        };
        auto w = std::make_unique<MenuWindows>();
        windows = w.get();
        s.windows = std::move(w);
        s.runModalAlert = [](const QString&) { return int(AlertFirstButtonReturn); };
        s.terminate = [] {};
        s.osVersion = [] { return QStringLiteral("11.2.0"); };
        controller = std::make_unique<StartViewController>(std::move(s));
        controller->viewDidLoad();
    }
    ~RecordingHooksTest() override {
        controller->loginManager()->waitForLoginQueue();
        dispatcher->runPending();
        controller.reset();
        CommonAlert::sharedInstance().hideAllAlert();
        dispatcher->runPending();
    }
    void logIn(std::map<std::string, std::string> extra = {}) {
        std::map<std::string, std::string> config{{"SERVERIP", "127.0.0.1:23000"},
                                                  {"CATEGORY", "0"},
                                                  {"OWNER", "me"},
                                                  {"RECORDING", "Y"},
                                                  {"CLASSNAME", "Room A"}};
        for (auto& [k, v] : extra) config[k] = v;
        web.setConfig({config.begin(), config.end()});
        QVariantMap info{{"object", LaunchLink(LinkFields(web.address(), "me"))}};
        NotificationCenter::defaultCenter().post("notification_name_kick_scheme", nullptr, info);
        for (int i = 0; i < 5; ++i) {
            dispatcher->runPending();
            controller->loginManager()->waitForLoginQueue();
        }
        dispatcher->runPending();
        ASSERT_EQ(controller->loginManager()->status(), LOGIN_STATUS_LOGGED_IN);
        ASSERT_NE(recording, nullptr);
        windows->log.clear();
    }

    ScopedManualDispatcher dispatcher;
    RoomWebService web;
    FakeBridge bridge;
    MenuWindows* windows = nullptr;
    FakeRecording* recording = nullptr;
    std::unique_ptr<StartViewController> controller;
};

TEST_F(RecordingHooksTest, AutomaticRecordingOfASpeakersTile) {
    struct Case {
        const char* onlyNormal;
        const char* autoRec;
        const char* userId;
        bool isMax;
        int mode;
    } cases[] = {
        {"0", "4", "bob", false, 4},
        {"0", "4", "/guest", false, 4},  // the room-wide mode records one-time users too
        {"8", "0", "/guest", false, 0},  // the normal-users mode never records them
        {"8", "4", "bob", false, 8},     // and takes precedence
        {"0", "0", "bob", false, 0},
        {"0", "1", "bob", false, 0},  // an own-video mode is not counted: no tile recording
        {"0", "13", "bob", true, 0},  // two recordings run already
    };
    for (const auto& c : cases) {
        recording = nullptr;
        logIn({{"MODE_AUTO_SAVE_REC_ONLY_NORMALUSER", c.onlyNormal}, {"MODE_AUTO_SAVE_REC", c.autoRec}});
        recording->isMax = c.isMax;
        auto speaker = std::make_shared<SpeakerInfo>(2, QString::fromUtf8(c.userId), QStringLiteral("Bob"),
                                                     USER_TYPE_S0);
        EXPECT_EQ(controller->checkIsAutoRecVideo(speaker), c.mode)
            << c.onlyNormal << " " << c.autoRec << " " << c.userId;
    }
    auto speaker =
        std::make_shared<SpeakerInfo>(2, QStringLiteral("bob"), QStringLiteral("Bob"), USER_TYPE_S0);
    recording->log.clear();
    controller->onStartAutoSaveRecordingOfOtherVideo(8, speaker, 320, 240);
    EXPECT_EQ(recording->log, std::vector<std::string>{"auto 8 bob Bob Room A 320x240 600"});
}

TEST_F(RecordingHooksTest, ButtonMenuAndStopNotice) {
    logIn({{"MODE_MANY_MTG_REC_ONEUSER", "Y"}});
    // The record button of a participant without a tile: the manager decides.
    auto bob = std::make_shared<SpeakerInfo>(2, QStringLiteral("bob"), QStringLiteral("Bob"), USER_TYPE_S0);
    controller->dispRecordingMenu(bob);
    ASSERT_EQ(recording->log.size(), 1u);
    EXPECT_EQ(recording->log[0], "button bob Bob 1 0 0 1");

    // A start of a user without a tile still lists it in the menu.
    int first = 0, second = 0;
    windows->ids.insert(reinterpret_cast<RecordingInfo*>(&first), QStringLiteral("gone"));
    recording->running = {recordingOf(first)};
    controller->onStartRecording(recordingOf(first), 0, 3);
    EXPECT_EQ(windows->log, std::vector<std::string>{"reload 1"});
    ASSERT_TRUE(windows->stop);
    windows->stop(1000);
    EXPECT_EQ(recording->log.back(), "menuStop 1000");

    // Every stop reloads or hides the menu and tells the user, also while others go on.
    windows->log.clear();
    recording->running = {recordingOf(second)};
    controller->onStopRecording(recordingOf(first), 0, 3);
    controller->updateRecSystemMenu();
    dispatcher->runPending();
    recording->running.clear();
    controller->updateRecSystemMenu();
    dispatcher->runPending();
    EXPECT_EQ(windows->log, (std::vector<std::string>{"reload 1", "hide"}));
    // The notices appear once the desktop's notification service has answered or not.
    EXPECT_TRUE(processEventsUntil([this] {
        dispatcher->runPending();
        return noticeCount(QStringLiteral("alert_id_recording_stop")) >= 1;
    }));

    controller->settingTimeRecCheck(true);
    EXPECT_EQ(recording->log.back(), "stamp on");
}

}  // namespace
}  // namespace login_test
