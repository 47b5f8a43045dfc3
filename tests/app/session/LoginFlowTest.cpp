// The login flow against the loopback web service with a scripted bridge:
// launch fields, notices, failure kinds and codes, the serial login queue and
// reconnection on the main queue's clock.
#include "LoginTestSupport.h"

#include "platform/Dispatch.h"

namespace login_test {
namespace {

class LoginFlow : public LoginTestBase {
protected:
    LoginFlow() : manager(RecordingFeatures(calls), [this](QuorixInterface*) { return &bridge; }) {
        manager.setDelegate(&delegate);
    }
    ~LoginFlow() override {
        manager.waitForLoginQueue();
        manager.setDelegate(nullptr);
    }
    // Runs one login on the login queue and waits for it.
    void loginAndWait(const QStringList& fields, bool isUpdate = false) {
        manager.launch(fields, isUpdate);
        manager.waitForLoginQueue();
    }

    RoomWebService web;
    FakeBridge bridge;
    RecordingDelegate delegate;
    FeatureCalls calls;
    LoginManager manager;
};

TEST_F(LoginFlow, LaunchFieldsAreCheckedBeforeAnyRequest) {
    struct Case {
        const char* what;
        QStringList fields;
        bool isUpdate;
        int code;
    };
    const QString a = web.address();
    const Case cases[] = {
        {"no fields", {}, false, -101},
        {"exactly ten fields", LinkFields(a).mid(0, 10), false, -102},
        {"empty password", [&] { auto f = LinkFields(a); f[2] = ""; return f; }(), false, -103},
        {"empty user name", [&] { auto f = LinkFields(a); f[3] = ""; return f; }(), false, -103},
        {"empty room id", [&] { auto f = LinkFields(a); f[5] = ""; return f; }(), false, -103},
        {"empty web address", [&] { auto f = LinkFields(a); f[6] = ""; return f; }(), false, -103},
        {"relaunch without fields", {}, true, -101},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        web.server.clearRequests();
        delegate.errors.clear();
        loginAndWait(c.fields, c.isUpdate);
        ASSERT_EQ(delegate.errorList().size(), 1u);
        EXPECT_EQ(delegate.errorList()[0], (RecordingDelegate::Error{LOGIN_ERROR_PARAMETER, c.code, 0}));
        EXPECT_EQ(manager.status(), LOGIN_STATUS_IDLE);
        EXPECT_TRUE(web.server.requests().empty());
        EXPECT_EQ(bridge.loginCount(), 0u);
    }
}

TEST_F(LoginFlow, RelaunchAfterAnUpdateTakesSevenFieldsAndSendsNoNotice) {
    const QStringList fields = LinkFields(web.address()).mid(0, 7);
    loginAndWait(fields, true);
    ASSERT_EQ(delegate.successList(), std::vector<bool>{false});
    EXPECT_EQ(web.noticeModes(), std::vector<std::string>{"notifycompleted"});
    EXPECT_EQ(manager.status(), LOGIN_STATUS_LOGGED_IN);
}

TEST_F(LoginFlow, LinkLaunchLogsInWithTheConfigurationAndBothNotices) {
    web.setConfig({{"SERVERIP", "10.1.2.3:23456"},
                   {"USERID", "configured user"},
                   {"COMPANYID", "70"},
                   {"CLASSID", "80"},
                   {"VERSION_NO", "3"},
                   {"CATEGORY", "0"},
                   {"OPTION_STR", R"({"roomlist_sampling":"4","roomlist_max":"8"})"}});
    loginAndWait(QuorixUtils::ParseOpenUrlParameter(LaunchLink(LinkFields(web.address()))));
    ASSERT_EQ(delegate.successList(), std::vector<bool>{false});
    ASSERT_EQ(bridge.logins.size(), 1u);
    const QuorixLoginParams& p = bridge.logins[0];
    EXPECT_EQ(p.strAddr, "10.1.2.3");
    EXPECT_EQ(p.iPort, 23456);
    EXPECT_EQ(p.iFirstConnectType, -1);
    EXPECT_EQ(p.strUserId, "configured user");
    EXPECT_EQ(p.strPassword, "secret");
    EXPECT_EQ(p.strUserName, "User One");
    EXPECT_EQ(p.iTopRoomId, 70);
    EXPECT_EQ(p.iRoomId, 80);
    EXPECT_EQ(p.iVersion, 3);
    EXPECT_EQ(p.iRoomSamplingRate, 4);
    EXPECT_EQ(p.strAppVersion, MainBundle::shortVersion());
    EXPECT_EQ(p.strOption, QString(R"({"roomlist_sampling":"4","roomlist_max":"8"})"));
    EXPECT_FALSE(p.strProxyInfoJson.has_value());
    EXPECT_EQ(web.noticeModes(), (std::vector<std::string>{"notifystarted", "notifycompleted"}));
    for (const WebRequest& r : web.server.requestsFor(WebServiceFixture::kNoticePath))
        EXPECT_EQ(r.queryValue("key"), "tok123");
    EXPECT_EQ(calls.list(), (std::vector<std::string>{"audio.setup 4", "question.reset",
                                                      "permission.set configured user", "audio.start"}));
    EXPECT_EQ(manager.status(), LOGIN_STATUS_LOGGED_IN);
}

TEST_F(LoginFlow, StartNoticeRepliesDecideTheLogin) {
    struct Case {
        const char* body;
        int code;  // 0: the login goes on
    };
    const Case cases[] = {
        {"RESULT=2", -302}, {"xx RESULT=2 refused", -302}, {"RESULT=0", 0}, {"RESULT=1", 0},
        {"RESULT=", 0},     {"no result at all", 0},       {"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        delegate.errors.clear();
        delegate.successes.clear();
        web.setNoticeReply("notifystarted", WebReply::text(c.body));
        loginAndWait(LinkFields(web.address()));
        if (c.code != 0) {
            ASSERT_EQ(delegate.errorList().size(), 1u);
            EXPECT_EQ(delegate.errorList()[0], (RecordingDelegate::Error{LOGIN_ERROR_TOKEN, c.code, 0}));
            EXPECT_EQ(manager.status(), LOGIN_STATUS_IDLE);
            EXPECT_TRUE(manager.serverUrl().isEmpty()) << "the refused login's state is cleared";
        } else {
            EXPECT_EQ(delegate.successList().size(), 1u);
        }
    }
}

TEST_F(LoginFlow, WebServiceFailuresAreReportedWithTheirKind) {
    struct Case {
        const char* what;
        void (*setup)(RoomWebService&);
        RecordingDelegate::Error error;
    };
    const Case cases[] = {
        {"no configuration reply",
         [](RoomWebService& w) { w.server.setReply(WebServiceFixture::kCommonParamPath, WebReply::closeWithoutReply()); },
         {LOGIN_ERROR_CONFIG, -201, 0}},
        {"configuration status",
         [](RoomWebService& w) { w.setConfig({{"status", "12"}, {"SERVERIP", "h"}}); },
         {LOGIN_ERROR_CONFIG, 12, 0}},
        {"no start-notice reply",
         [](RoomWebService& w) { w.setNoticeReply("notifystarted", WebReply::closeWithoutReply()); },
         {LOGIN_ERROR_TOKEN, -301, 0}},
        {"no version-check reply",
         [](RoomWebService& w) { w.server.setReply(WebServiceFixture::kUpdatePath, WebReply::closeWithoutReply()); },
         {LOGIN_ERROR_SYSTEM_VERSION, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RoomWebService fresh;
        c.setup(fresh);
        delegate.errors.clear();
        loginAndWait(LinkFields(fresh.address()));
        ASSERT_EQ(delegate.errorList().size(), 1u);
        EXPECT_EQ(delegate.errorList()[0], c.error);
        EXPECT_EQ(manager.status(), LOGIN_STATUS_IDLE);
        EXPECT_EQ(bridge.loginCount(), 0u);
    }
    // A configuration that is not XML reports the reader's code.
    RoomWebService broken;
    broken.server.setReply(WebServiceFixture::kCommonParamPath, WebReply::xml(WebServiceFixture::malformedXml()));
    delegate.errors.clear();
    loginAndWait(LinkFields(broken.address()));
    ASSERT_EQ(delegate.errorList().size(), 1u);
    EXPECT_EQ(delegate.errorList()[0].kind, LOGIN_ERROR_CONFIG);
    EXPECT_NE(delegate.errorList()[0].code, 0);
    EXPECT_NE(delegate.errorList()[0].code, -201);
}

TEST_F(LoginFlow, FailedCoreLoginStillSendsTheCompletionNoticeAndKeepsTheStatus) {
    struct Case {
        int result;
        int connectionError;
        int subCode;
    };
    const Case cases[] = {{-1, -12, 0}, {-8, -12, -12}, {-5, 104, 104}, {6, -12, 0}, {-6, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result);
        web.server.clearRequests();
        delegate.errors.clear();
        bridge.results = {c.result};
        bridge.connectionError = c.connectionError;
        loginAndWait(LinkFields(web.address()));
        ASSERT_EQ(delegate.errorList().size(), 1u);
        EXPECT_EQ(delegate.errorList()[0], (RecordingDelegate::Error{LOGIN_ERROR_CORE, c.result, c.subCode}));
        EXPECT_EQ(web.noticeModes(), (std::vector<std::string>{"notifystarted", "notifycompleted"}));
        EXPECT_EQ(manager.status(), LOGIN_STATUS_LOGGING_IN) << "a failed first login leaves the status at 2";
    }
    // The next launch logs in on the same core.
    const int inits = bridge.inits;
    loginAndWait(LinkFields(web.address()));
    EXPECT_EQ(delegate.successList(), std::vector<bool>{false});
    EXPECT_EQ(bridge.inits, inits);
}

TEST_F(LoginFlow, ALaunchWhileLoggedInEndsTheCoreAndLogsInAgain) {
    loginAndWait(LinkFields(web.address()));
    ASSERT_EQ(manager.status(), LOGIN_STATUS_LOGGED_IN);
    const int terms = bridge.terms;
    loginAndWait(LinkFields(web.address(), "user-2"));
    EXPECT_EQ(delegate.successList(), (std::vector<bool>{false, true}));
    EXPECT_EQ(bridge.terms, terms + 1);
    ASSERT_EQ(bridge.logins.size(), 2u);
    EXPECT_EQ(bridge.logins[1].strUserId, "user-2");
}

TEST_F(LoginFlow, QuickLaunchesRunOneAfterTheOther) {
    bridge.loginDelay = 150ms;
    bridge.defaultResult = 0;
    for (int i = 0; i < 3; ++i) manager.launch(LinkFields(web.address(), QString("user-%1").arg(i)), false);
    manager.waitForLoginQueue();
    EXPECT_EQ(bridge.maxActive.load(), 1);
    ASSERT_EQ(bridge.logins.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(bridge.logins[size_t(i)].strUserId, QString("user-%1").arg(i));
    EXPECT_EQ(delegate.successList(), (std::vector<bool>{false, true, true}));
    // Each launch fetched its configuration after the previous login was done.
    EXPECT_EQ(web.server.requestsFor(WebServiceFixture::kCommonParamPath).size(), 3u);
}

TEST_F(LoginFlow, LogoutEndsTheCoreAndEmptiesTheLoginState) {
    loginAndWait(LinkFields(web.address()));
    ASSERT_EQ(manager.status(), LOGIN_STATUS_LOGGED_IN);
    const int terms = bridge.terms;
    manager.logout(false);
    EXPECT_EQ(manager.status(), LOGIN_STATUS_IDLE);
    EXPECT_EQ(bridge.terms, terms + 1);
    EXPECT_TRUE(manager.serverUrl().isEmpty());
    EXPECT_TRUE(manager.myInfo()->userId().isEmpty());
    EXPECT_EQ(manager.myInfo()->userType(), "S0");
    EXPECT_TRUE(manager.configDataDict().isEmpty());
    ASSERT_TRUE(manager.userListInfo());
    EXPECT_TRUE(manager.userListInfo()->speakerList()->empty());
    // A second logout does nothing; a new launch starts the core again.
    manager.logout(false);
    EXPECT_EQ(bridge.terms, terms + 1);
    loginAndWait(LinkFields(web.address()));
    EXPECT_EQ(manager.status(), LOGIN_STATUS_LOGGED_IN);
    EXPECT_EQ(bridge.state, 2);
}

class Reconnection : public LoginFlow {
protected:
    void loggedInThenLost() {
        loginAndWait(LinkFields(web.address()));
        ASSERT_EQ(manager.status(), LOGIN_STATUS_LOGGED_IN);
        manager.OnError(3, 104, "lost");
        ASSERT_EQ(manager.status(), LOGIN_STATUS_RECONNECTING);
        ASSERT_EQ(delegate.connectionErrors, std::vector<int>{104});
    }
    ScopedManualDispatcher dispatcher;
};

TEST_F(Reconnection, ConnectionFailuresAreRetriedEveryFiveSeconds) {
    for (int code : {-1, -6, -7}) {
        SCOPED_TRACE(code);
        RoomWebService w;
        RecordingDelegate d;
        FakeBridge b;
        LoginManager m({}, [&b](QuorixInterface*) { return &b; });
        m.setDelegate(&d);
        m.launch(LinkFields(w.address()), false);
        m.waitForLoginQueue();
        m.OnError(3, 104, "lost");
        b.results = {code, code};
        m.retryInBackground();
        ASSERT_TRUE(b.waitLogins(2));
        m.waitForLoginQueue();
        EXPECT_EQ(m.status(), LOGIN_STATUS_RECONNECTING);
        // Nothing before the five seconds are up.
        dispatcher->advance(4999ms);
        m.waitForLoginQueue();
        EXPECT_EQ(b.loginCount(), 2u);
        dispatcher->advance(1ms);
        ASSERT_TRUE(b.waitLogins(3));
        m.waitForLoginQueue();
        dispatcher->advance(5000ms);
        ASSERT_TRUE(b.waitLogins(4));  // the script is used up: this attempt succeeds
        m.waitForLoginQueue();
        EXPECT_EQ(m.status(), LOGIN_STATUS_LOGGED_IN);
        EXPECT_EQ(d.successList(), (std::vector<bool>{false, true}));
        EXPECT_TRUE(d.errorList().empty());
        dispatcher->advance(10000ms);
        m.waitForLoginQueue();
        EXPECT_EQ(b.loginCount(), 4u);
        EXPECT_FALSE(b.loginOnMainThread) << "the timer runs on the main queue, the attempt never";
        m.setDelegate(nullptr);
    }
}

TEST_F(Reconnection, RefusalsEndTheReconnection) {
    loggedInThenLost();
    for (int code = 1; code <= 12; ++code) {
        SCOPED_TRACE(code);
        delegate.errors.clear();
        const size_t before = bridge.loginCount();
        bridge.results = {code};
        manager.retryInBackground();
        manager.waitForLoginQueue();
        ASSERT_EQ(delegate.errorList().size(), 1u);
        EXPECT_EQ(delegate.errorList()[0], (RecordingDelegate::Error{LOGIN_ERROR_CORE, code, 0}));
        dispatcher->advance(15000ms);
        manager.waitForLoginQueue();
        EXPECT_EQ(bridge.loginCount(), before + 1);
    }
}

TEST_F(Reconnection, ALogoutCancelsThePendingAttempt) {
    loggedInThenLost();
    bridge.results = {-1};
    manager.retryInBackground();
    manager.waitForLoginQueue();
    const size_t attempts = bridge.loginCount();
    manager.logout(false);
    dispatcher->advance(5000ms);
    manager.waitForLoginQueue();
    EXPECT_EQ(bridge.loginCount(), attempts);
    EXPECT_EQ(manager.status(), LOGIN_STATUS_IDLE);
}

TEST_F(Reconnection, ARunningQuestionnaireOfAnotherUserStopsAndTheListsEmpty) {
    loginAndWait(LinkFields(web.address()));
    auto* q = static_cast<FakeQuestionnaire*>(manager.questionnaireInfo());
    q->running = 1;
    q->issuer = "chair";
    ASSERT_FALSE(manager.userListInfo()->speakerList()->empty());
    manager.OnError(3, 7, "lost");
    EXPECT_TRUE(manager.userListInfo()->speakerList()->empty());
    const auto list = calls.list();
    EXPECT_NE(std::find(list.begin(), list.end(), "question.stop"), list.end());
    // A second error while reconnecting changes nothing.
    manager.OnError(3, 8, "again");
    EXPECT_EQ(delegate.connectionErrors, std::vector<int>{7});
    // The reconnected login puts the own entry back.
    manager.retryInBackground();
    manager.waitForLoginQueue();
    EXPECT_EQ(manager.status(), LOGIN_STATUS_LOGGED_IN);
    ASSERT_EQ(manager.userListInfo()->speakerList()->size(), 1u);
    EXPECT_EQ(manager.userListInfo()->speakerList()->front()->clientNo(), CLIENT_NO_SELF);
}

}  // namespace
}  // namespace login_test
