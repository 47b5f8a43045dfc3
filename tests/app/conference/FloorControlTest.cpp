// The floor and the chair in the conference window: a logged-in window
// controller on a scripted bridge gets the login's floor events (as a core
// thread would hand them, run here on the test's thread) and answers them with
// notices, closed questions and the feature windows' steps, which a fake
// records.
#include "app/session/LoginTestSupport.h"
#include "app/ui/UiTestSupport.h"
#include "conference/StartViewController.h"
#include "platform/Localization.h"
#include "ui/AlertWindow.h"
#include "ui/CommonAlert.h"
#include "ui/InfoAlertWindow.h"

namespace login_test {
namespace {

struct FloorWindows : ConferenceFeatureWindows {
    explicit FloorWindows(std::vector<std::string>& log) : log(log) {}
    bool isDocShareWindowOpen() const override { return docShareOpen; }
    void closeDocShareWindow() override { log.push_back("docshare.close"); }
    bool hasDocShareWebinarView() const override { return docShareView; }
    bool hasAPShareViewer() const override { return viewer; }
    void changeOperationRequestStatus(bool enable) override {
        log.push_back(std::string("viewer.request ") + (enable ? "1" : "0"));
    }
    bool hasAPShareSharer() const override { return sharer; }
    void checkOperatorRequester(const QString& id, const QString&) override {
        log.push_back("sharer.check " + id.toStdString());
    }
    void stopAPShare(const std::optional<QString>& message) override {
        log.push_back("apshare.stop " + message.value_or("-").toStdString());
    }
    void cancelAPShareRequest() override { log.push_back("apshare.cancel"); }
    void closeRemoteStgWindows() override { log.push_back("remotestg.close"); }
    void closePermissionSetWindow() override { log.push_back("permission.close"); }
    void closeQuesAnswerWindow() override { log.push_back("ques.close"); }
    void closeQuesResultWindow() override { log.push_back("quesresult.close"); }
    void launchQuestionnaireWindow() override { log.push_back("ques.launch"); }
    std::vector<std::string>& log;
    bool docShareOpen = false, docShareView = false, viewer = false, sharer = false;
};

// The bridge's room commands, recorded.
struct FloorBridge : FakeBridge {
    bool StartDocShare() override { return add("docshare.start"); }
    bool SpeechNominate(int kind, const QString& id) override {
        return add("nominate " + std::to_string(kind) + " " + id.toStdString());
    }
    bool SpeechEnd(const QString& id) override { return add("speechend " + id.toStdString()); }
    bool ChangeOwner(const QString& id) override { return add("owner " + id.toStdString()); }
    bool add(std::string c) {
        std::lock_guard lock(commandsMu);
        commands.push_back(std::move(c));
        return true;
    }
    std::vector<std::string> sent() {
        std::lock_guard lock(commandsMu);
        return commands;
    }
    std::mutex commandsMu;
    std::vector<std::string> commands;
};

struct LayoutManager : LoginWebinarManager {
    explicit LayoutManager(QString text) : text(std::move(text)) {}
    QString strWinSync() const override { return text; }
    QString text;
};

class FloorControlTest : public LoginTestBase {
protected:
    void start(const std::vector<std::pair<std::string, std::string>>& config,
               const QString& layout = "1:-1:0") {
        web.setConfig(config);
        StartViewController::Services s;
        s.makeLoginManager = [this, layout] {
            LoginManagerFeatures f;
            f.webinarManager = [layout](LoginManager&) { return std::make_unique<LayoutManager>(layout); };
            return std::make_unique<LoginManager>(f, [this](QuorixInterface*) { return &bridge; });
        };
        auto w = std::make_unique<FloorWindows>(log);
        windows = w.get();
        s.windows = std::move(w);
        s.runModalAlert = [](const QString&) { return AlertFirstButtonReturn; };
        s.terminate = [] {};
        s.osVersion = [] { return QStringLiteral("11.2.0"); };
        controller = std::make_unique<StartViewController>(std::move(s));
        controller->viewDidLoad();
        controller->launchAppScheme(LaunchLink(LinkFields(web.address(), "me")));
        settle();
        ASSERT_EQ(login()->status(), LOGIN_STATUS_LOGGED_IN);
        log.clear();
    }
    ~FloorControlTest() override {
        if (controller) {
            login()->waitForLoginQueue();
            dispatcher->runPending();
            controller.reset();
        }
        CommonAlert::sharedInstance().hideAllAlert();
        dispatcher->runPending();
    }
    void settle() {
        for (int i = 0; i < 5; ++i) {
            dispatcher->runPending();
            login()->waitForLoginQueue();
            login()->waitForSeminarList();
        }
        dispatcher->runPending();
    }
    LoginManager* login() { return controller->loginManager(); }
    static bool questionOpen(const QString& id) {
        for (AlertWindow* w : CommonAlert::sharedInstance().alertWindowArry())
            if (w->alertIdentifier() == id) return true;
        return false;
    }
    static std::optional<QString> warning(const QString& id) {
        for (InfoAlertWindow* w : CommonAlert::sharedInstance().warningAlertArry())
            if (w->alertIdentifier() == id) return w->alertMessage()->text();
        return std::nullopt;
    }
    // Notices appear after the desktop's answer whether it shows them.
    bool noticeShown(const QString& id) {
        return processEventsUntil(
            [&] {
                dispatcher->runPending();
                for (const auto& r : CommonAlert::sharedInstance().infoAlertArry())
                    if (r.alertId == id) return true;
                for (const auto& r : CommonAlert::sharedInstance().notificationArry())
                    if (r.alertId == id) return true;
                return false;
            },
            20000);
    }

    ScopedManualDispatcher dispatcher;
    RoomWebService web;
    FloorBridge bridge;
    std::vector<std::string> log;
    FloorWindows* windows = nullptr;
    std::unique_ptr<StartViewController> controller;
};

const std::vector<std::pair<std::string, std::string>> kNormalRoom = {
    {"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "0"}, {"OWNER", "me"}};

TEST_F(FloorControlTest, LosingTheChairStopsAShareWithoutRightNamingTheNewOwner) {
    struct Case {
        const char* name;
        bool sharing, permittedRequest;
        std::vector<std::string> expected;
    };
    const std::string message =
        "apshare.stop " + LocalizedFormat("dfAPSHARE_STOPPED_CHANGE_OWNER", QString("Two")).toStdString();
    const std::vector<Case> cases = {
        {"own share without the right stops",
         true,
         false,
         {message, "remotestg.close", "permission.close", "ques.close", "quesresult.close"}},
        {"a share on a permitted request goes on",
         true,
         true,
         {"remotestg.close", "permission.close", "ques.close", "quesresult.close"}},
        {"nothing shared",
         false,
         false,
         {"remotestg.close", "permission.close", "ques.close", "quesresult.close"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start(kNormalRoom);
        login()->OnStartSpeech(5, "u2", "Two", "S0", true, true);
        if (c.sharing) login()->OnASStartPermit(0);
        if (c.permittedRequest) login()->permitRequestAPShare();
        controller->showChangeOwnerAlert(UserInfo("u3", "Three", "S0"));
        dispatcher->runPending();
        ASSERT_TRUE(questionOpen("alert_id_change_owner"));
        login()->OnChangeOwner("u2");
        dispatcher->runPending();
        EXPECT_EQ(log, c.expected);
        // The former chair's open question about the chair goes with it.
        EXPECT_FALSE(questionOpen("alert_id_change_owner"));
        controller.reset();
        CommonAlert::sharedInstance().hideAllAlert();
        dispatcher->runPending();
        log.clear();
    }
}

TEST_F(FloorControlTest, ANewWebinarChairTakesOverTheDocumentInTheDocumentLayouts) {
    struct Case {
        QString layout;
        bool viewOpen;
        bool takesOver;
    };
    const std::vector<Case> cases = {
        {"1:2:0", false, true},  {"0:5:0", false, true},  {"1:9:0", false, true},   {"1:12:0", false, true},
        {"1:1:0", false, false}, {"1:6:0", false, false}, {"1:-1:0", false, false}, {"1:2:0", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.layout.toStdString() + (c.viewOpen ? " with the view open" : ""));
        start({{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "1"}, {"OWNER", "chair"}, {"MODE_WEBINAR", "Y"}},
              c.layout);
        windows->docShareView = c.viewOpen;
        const auto before = bridge.sent().size();
        login()->OnChangeOwner("me");
        dispatcher->runPending();
        const std::vector<std::string> sent = bridge.sent();
        EXPECT_EQ(std::count(sent.begin() + long(before), sent.end(), "docshare.start"), c.takesOver ? 1 : 0);
        controller.reset();
        dispatcher->runPending();
    }
}

TEST_F(FloorControlTest, ConfirmationsCloseWhenTheirParticipantLosesTheFloor) {
    start(kNormalRoom);
    login()->OnStartSpeech(5, "u2", "Two", "S0", true, true);
    login()->OnStartSpeech(6, "u3", "Three", "S0", true, true);
    controller->showChangeOwnerAlert(UserInfo("u2", "Two", "S0"));
    controller->showForceLeaveAlert(UserInfo("u3", "Three", "S0"));
    dispatcher->runPending();
    ASSERT_TRUE(questionOpen("alert_id_change_owner"));
    ASSERT_TRUE(questionOpen("alert_id_force_leave"));

    login()->OnStopSpeech(5);
    dispatcher->runPending();
    EXPECT_FALSE(questionOpen("alert_id_change_owner"));
    EXPECT_TRUE(questionOpen("alert_id_force_leave"));  // about someone else
    EXPECT_FALSE(controller->selectedUserForChangeOwner());

    login()->OnStopSpeech(6);
    dispatcher->runPending();
    EXPECT_FALSE(questionOpen("alert_id_force_leave"));
}

TEST_F(FloorControlTest, AnotherParticipantsEndOfSpeechWithdrawsHisShareQuestions) {
    start(kNormalRoom);
    windows->sharer = true;
    login()->OnStartSpeech(5, "u2", "Two", "S0", true, true);
    login()->OnStartSpeech(6, "u3", "Three", "S0", true, true);
    login()->requestAPShare("u2", true);  // the own request to u2 waits
    login()->OnStopSpeech(6);
    dispatcher->runPending();
    EXPECT_EQ(log, (std::vector<std::string>{"sharer.check u3"}));
    log.clear();
    login()->OnStopSpeech(5);
    dispatcher->runPending();
    EXPECT_EQ(log, (std::vector<std::string>{"apshare.cancel", "sharer.check u2"}));
}

TEST_F(FloorControlTest, TheOwnEndOfSpeechWithdrawsWhatTheFloorGave) {
    start({{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "1"}, {"OWNER", "chair"}});
    windows->viewer = true;
    login()->OnSpeechNominate(0);
    dispatcher->runPending();
    EXPECT_TRUE(noticeShown("alert_id_speech_nominate"));
    EXPECT_EQ(log, (std::vector<std::string>{"viewer.request 1"}));
    log.clear();
    login()->requestAPShare("chair", true);
    login()->OnSpeechEnd();
    dispatcher->runPending();
    EXPECT_EQ(log, (std::vector<std::string>{"apshare.cancel", "viewer.request 0"}));
    EXPECT_TRUE(noticeShown("alert_id_speech_cancel"));
}

TEST_F(FloorControlTest, AnswersToReservationsAndNominationsShowTheirWarnings) {
    struct Case {
        bool nomination;
        int code;
        std::optional<QString> text;  // none: no warning
    };
    const std::vector<Case> cases = {
        {false, 1, LocalizedString("dfMAINVIEW_MSG_RES_RSV_MAXOVER")},
        {false, 2, LocalizedString("dfMAINVIEW_MSG_RES_RSV_RSVEXIST")},
        {false, 3, LocalizedString("dfMAINVIEW_MSG_RES_RSV_SPCEXIST")},
        {false, 7, LocalizedString("dfMAINVIEW_MSG_RES_RSV_SYSTEM_ERROR")},
        {false, 0, std::nullopt},
        {true, 1, LocalizedString("dfMAINVIEW_MSG_RES_SPC_NOEXIST")},
        {true, 2, LocalizedString("dfMAINVIEW_MSG_RES_SPC_NORSV")},
        {true, 3, LocalizedString("dfMAINVIEW_MSG_RES_SPC_ONSPC")},
        {true, 4, LocalizedString("dfMAINVIEW_MSG_RES_SPC_MAXOVER")},
        {true, 0, std::nullopt},
        {true, 5, std::nullopt},
    };
    start({{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "1"}, {"OWNER", "me"}});
    for (const Case& c : cases) {
        SCOPED_TRACE((c.nomination ? "nomination " : "reservation ") + std::to_string(c.code));
        const QString id = c.nomination ? "alert_id_seminar_nominate_err" : "alert_id_seminar_reserve_err";
        if (c.nomination) {
            controller->onSpeechNominateResult(c.code);
        } else {
            controller->onSpeechReserveResult(c.code);
        }
        dispatcher->runPending();
        EXPECT_EQ(warning(id), c.text);
        if (!c.nomination && c.code == 0) {
            EXPECT_TRUE(noticeShown("alert_id_speech_reserve_ok"));
        }
        CommonAlert::sharedInstance().hideAllAlert();
        dispatcher->runPending();
    }
}

TEST_F(FloorControlTest, AStatusMarkClickOffersTheChairOnlyWhereItMay) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> config;
        QString targetId, targetType;
        bool confirmationOpen, sharing;
        const char* expected;  // "question", "warning" or "nothing"
    };
    const auto normal = kNormalRoom;
    auto captainFree = kNormalRoom;
    captainFree.push_back({"CAPTAIN_FREE", "Y"});
    const std::vector<Case> cases = {
        {"another participant", normal, "u2", "S0", false, false, "question"},
        {"while sharing", normal, "u2", "S0", false, true, "warning"},
        {"the own tile", normal, "me", "S0", false, false, "nothing"},
        {"a hardware terminal", normal, "u2", "H0", false, false, "nothing"},
        {"a room without chair", captainFree, "u2", "S0", false, false, "nothing"},
        {"a seminar room",
         {{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "1"}, {"OWNER", "me"}},
         "u2",
         "S0",
         false,
         false,
         "nothing"},
        {"not the chair",
         {{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "0"}, {"OWNER", "u9"}},
         "u2",
         "S0",
         false,
         false,
         "nothing"},
        {"a confirmation is open", normal, "u2", "S0", true, false, "nothing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start(c.config);
        if (c.sharing) login()->OnASStartPermit(0);
        if (c.confirmationOpen) controller->showChangeOwnerAlert(UserInfo("u7", "Seven", "S0"));
        dispatcher->runPending();
        controller->onClickVideoStatus(std::make_shared<UserInfo>(c.targetId, "Target", c.targetType));
        dispatcher->runPending();
        const bool question = controller->selectedUserForChangeOwner() &&
                              *controller->selectedUserForChangeOwner() == c.targetId;
        EXPECT_EQ(question, std::string(c.expected) == "question");
        EXPECT_EQ(warning("alert_id_disable_during_as").has_value(), std::string(c.expected) == "warning");
        controller.reset();
        CommonAlert::sharedInstance().hideAllAlert();
        dispatcher->runPending();
    }
}

TEST_F(FloorControlTest, MenuChoicesReachTheLogin) {
    start({{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "1"}, {"OWNER", "me"}, {"QUESTION", "Y"}});
    login()->OnSpeechReserve("u2", "Two", true, true);
    dispatcher->runPending();
    ASSERT_TRUE(questionOpen("alert_id_speech_reserve"));  // the chair is asked
    const auto u2 = std::make_shared<UserInfo>("u2", "Two", "S0");
    std::unique_ptr<PopupUserMenu> menu(controller->makePopupClientMenu(u2));
    ASSERT_NE(menu->findItem(USER_MENU_NOMINATE), nullptr);
    EXPECT_EQ(menu->findItem(USER_MENU_NOMINATE)->text(), LocalizedString("dfALLOW"));
    menu->findItem(USER_MENU_NOMINATE)->trigger();
    dispatcher->runPending();
    // Giving the floor to the participant answers his request too.
    EXPECT_FALSE(questionOpen("alert_id_speech_reserve"));

    login()->OnStartSpeech(7, "u3", "Three", "S0", true, true);
    menu.reset(controller->makePopupSpeakerMenu(std::make_shared<UserInfo>("u3", "Three", "S0")));
    ASSERT_NE(menu->findItem(USER_MENU_STOP_NOMINATE), nullptr);
    menu->findItem(USER_MENU_STOP_NOMINATE)->trigger();

    menu.reset(controller->makePopupSpeakerMenu(std::make_shared<UserInfo>("me", "Me", "S0")));
    ASSERT_TRUE(menu->isSelfMenu());
    menu->findItem(USER_MENU_QUESTIONNAIRE)->trigger();
    EXPECT_EQ(bridge.sent(), (std::vector<std::string>{"nominate 1 u2", "speechend u3"}));
    EXPECT_EQ(log, std::vector<std::string>{"ques.launch"});
}

}  // namespace
}  // namespace login_test
