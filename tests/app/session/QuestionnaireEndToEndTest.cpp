// Questionnaires between the application's real bridge and client processes
// in the loopback room: the two options arrive in their own places in both
// directions; receivers' receipts and answers reach the issuer's result
// window, and a participant who enters later is asked again.
#include "LoginTestSupport.h"
#include "chat/QuesResultWindowController.h"
#include "fixtures/ClientProcess.h"
#include "fixtures/ConfServerFixture.h"
#include "fixtures/RelayFixture.h"
#include "model/QuestionnaireInfo.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "services/QuorixUtils.h"

namespace login_test {
namespace {

using namespace quorix::test;

struct QuestionDelegate : RecordingDelegate {
    void onQuestionStart(const QString& issuer, const QString& question, int count,
                         const QStringList& choices, int options) override {
        std::lock_guard lock(mu);
        starts.push_back((issuer + " " + question + " " + QString::number(count) + " " + choices.join(',') +
                          " options " + QString::number(options))
                             .toStdString());
    }
    std::vector<std::string> startList() const {
        std::lock_guard lock(mu);
        return starts;
    }
    std::vector<std::string> starts;
};

class QuestionnaireEndToEnd : public LoginTestBase {
protected:
    // Runs the main queue until pred holds.
    template <typename Pred>
    bool runUntil(Pred pred, std::chrono::milliseconds timeout = 20s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!pred()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            dispatcher->waitAndRunPending(20ms);
        }
        return true;
    }

    ScopedManualDispatcher dispatcher;
    RoomWebService web;
    QuestionDelegate delegate;
};

TEST_F(QuestionnaireEndToEnd, AnonymousAndMultipleChoiceArriveInTheirOwnPlaces) {
    RelayFixture relay;
    ASSERT_TRUE(relay.listening());
    ConfServerScript script;
    for (int i = 0; i < 5; ++i) script.relays[i] = {relay.addr(), relay.port(i)};
    ConfServerFixture conf(script);
    web.setConfig({{"SERVERIP", "127.0.0.1:" + std::to_string(conf.port())},
                   {"CATEGORY", "0"},
                   {"OWNER", "chair"},
                   {"MAXPARTICIPANT", "8"},
                   {"OPTION_STR", R"({"roomlist_max":"8"})"}});

    LoginManagerFeatures features;
    features.questionnaireInfo = [](LoginManager&) { return std::make_unique<QuestionnaireInfo>(); };
    LoginManager chair(std::move(features));
    chair.setDelegate(&delegate);
    chair.launch(QuorixUtils::ParseOpenUrlParameter(LaunchLink(LinkFields(web.address(), "chair"))), false);
    ASSERT_TRUE(runUntil([&] { return delegate.outcomes() > 0; }, 40s));
    chair.waitForLoginQueue();
    ASSERT_EQ(chair.status(), LOGIN_STATUS_LOGGED_IN);

    ClientProcess bob(FixtureProgram("quorix_test_client"),
                      {"port=" + std::to_string(conf.port()), "user=bob", "name=Bob", "top=7", "room=8",
                       "option={\"roomlist_max\":\"8\"}", "wait=2000"});
    ASSERT_EQ(bob.waitLine("LOGIN", 20000), "LOGIN 0");
    bob.send("cmd startspeech");  // speaking makes a participant of a normal room known to the others
    ASSERT_EQ(bob.waitLine("RESULT startspeech", 5000), "RESULT startspeech 1");
    ASSERT_TRUE(runUntil([&] {
        auto list = chair.userListInfo();
        return list && list->getUserInfo("bob") != nullptr;
    }));

    struct Case {
        bool multiple, anonymous;
        const char* flags;  // as the other client reads them: anonymous, multiple
    };
    const Case cases[] = {{true, false, "0 1"}, {false, true, "1 0"}};

    // From the application to the other client.
    for (const Case& c : cases) {
        const size_t from = bob.lines().size();
        ASSERT_TRUE(chair.startQuestionnaire("Tea?", {"yes", "no"},
                                             QuestionnaireOptionsValue(c.multiple, c.anonymous)));
        EXPECT_EQ(bob.waitLine("EVENT QuestionStart", 10000, from),
                  std::string("EVENT QuestionStart chair Tea? ") + c.flags + " 2 yes no");
        chair.stopQuestionnaire(true);
    }

    // From the other client to the application.
    for (const Case& c : cases) {
        const size_t before = delegate.startList().size();
        const size_t from = bob.lines().size();
        bob.send(std::string("cmd question ~ Lunch? ") + (c.anonymous ? "1 " : "0 ") +
                 (c.multiple ? "1" : "0") + " a b c");
        ASSERT_EQ(bob.waitLine("RESULT question", 5000, from), "RESULT question 1");
        ASSERT_TRUE(runUntil([&] { return delegate.startList().size() > before; }));
        EXPECT_EQ(delegate.startList().back(),
                  "bob Lunch? 3 a,b,c options " +
                      std::to_string(QuestionnaireOptionsValue(c.multiple, c.anonymous)));
        chair.stopQuestionnaire(true);
    }

    chair.logout(false);
    bob.send("quit");
    EXPECT_EQ(bob.finish(), 0);
    EXPECT_TRUE(relay.failures().empty());
    chair.setDelegate(nullptr);
}

TEST_F(QuestionnaireEndToEnd, ReceiversAnswerAndANewcomerIsAskedAgain) {
    RelayFixture relay;
    ASSERT_TRUE(relay.listening());
    ConfServerScript script;
    for (int i = 0; i < 5; ++i) script.relays[i] = {relay.addr(), relay.port(i)};
    ConfServerFixture conf(script);
    web.setConfig({{"SERVERIP", "127.0.0.1:" + std::to_string(conf.port())},
                   {"CATEGORY", "0"},
                   {"OWNER", "chair"},
                   {"MAXPARTICIPANT", "8"},
                   {"OPTION_STR", R"({"roomlist_max":"8"})"}});

    LoginManagerFeatures features;
    features.questionnaireInfo = [](LoginManager&) { return std::make_unique<QuestionnaireInfo>(); };
    LoginManager chair(std::move(features));
    chair.setDelegate(&delegate);
    chair.launch(QuorixUtils::ParseOpenUrlParameter(LaunchLink(LinkFields(web.address(), "chair"))), false);
    ASSERT_TRUE(runUntil([&] { return delegate.outcomes() > 0; }, 40s));
    chair.waitForLoginQueue();
    ASSERT_EQ(chair.status(), LOGIN_STATUS_LOGGED_IN);
    auto* info = dynamic_cast<QuestionnaireInfo*>(chair.questionnaireInfo());
    ASSERT_NE(info, nullptr);

    auto enter = [&](const std::string& user, const std::string& name) {
        auto client = std::make_unique<ClientProcess>(
            FixtureProgram("quorix_test_client"),
            std::vector<std::string>{"port=" + std::to_string(conf.port()), "user=" + user, "name=" + name,
                                     "top=7", "room=8", "option={\"roomlist_max\":\"8\"}", "wait=2000"});
        EXPECT_EQ(client->waitLine("LOGIN", 20000), "LOGIN 0");
        client->send("cmd startspeech");
        EXPECT_EQ(client->waitLine("RESULT startspeech", 5000), "RESULT startspeech 1");
        EXPECT_TRUE(runUntil([&] {
            auto list = chair.userListInfo();
            return list && list->getUserInfo(QString::fromStdString(user)) != nullptr;
        }));
        return client;
    };
    const std::string asked = "EVENT QuestionStart chair Lunch? 0 1 3 soup salad pasta";
    auto acknowledge = [&](ClientProcess& client, const std::string& user, size_t from) {
        EXPECT_EQ(client.waitLine("EVENT QuestionStart", 10000, from), asked);
        client.send("cmd qreceived chair " + user);
        EXPECT_EQ(client.waitLine("RESULT qreceived", 5000, from), "RESULT qreceived 1");
    };
    auto questionStarts = [](const ClientProcess& client) {
        const auto lines = client.lines();
        return std::count_if(lines.begin(), lines.end(),
                             [](const std::string& l) { return l.rfind("EVENT QuestionStart", 0) == 0; });
    };

    std::unique_ptr<ClientProcess> bob = enter("bob", "Bob");
    std::unique_ptr<ClientProcess> carol = enter("carol", "Carol");
    ASSERT_TRUE(chair.startQuestionnaire("Lunch?", {"soup", "salad", "pasta"},
                                         QuestionnaireOptionsValue(true, false)));
    acknowledge(*bob, "bob", 0);
    acknowledge(*carol, "carol", 0);
    ASSERT_TRUE(runUntil([&] { return info->issuedUsers().size() == 2; }));
    bob->send("cmd answer chair 2 12");
    ASSERT_TRUE(runUntil([&] { return info->answeredUserCnt() == 1; }));  // answers listed in arrival order
    carol->send("cmd answer chair 1 2");
    ASSERT_TRUE(runUntil([&] { return info->answeredUserCnt() == 2; }));

    // A newcomer announces itself and is asked; bob, who answered, is not asked again.
    bob->send("cmd freemsg 10006 ~");
    ASSERT_EQ(bob->waitLine("RESULT freemsg", 5000), "RESULT freemsg 1");
    std::unique_ptr<ClientProcess> dave = enter("dave", "Dave");
    const size_t daveFrom = dave->lines().size();
    dave->send("cmd freemsg 10006 ~");
    acknowledge(*dave, "dave", daveFrom);
    ASSERT_TRUE(runUntil([&] { return info->issuedUsers().size() == 3; }));
    EXPECT_EQ(questionStarts(*bob), 1);
    EXPECT_EQ(questionStarts(*carol), 1);

    // The issuer's result window.
    ensureQtApplication();
    Localization::setLanguage("en");
    QuesResultWindowController window(info);
    EXPECT_EQ(window.answerRateAllLbl()->text(), "Response rate: 2/3 (66.7%)");
    EXPECT_EQ(window.answerRateLbl(0)->text(), "1/3 (33.3%)");
    EXPECT_EQ(window.answerRateLbl(1)->text(), "2/3 (66.7%)");
    EXPECT_EQ(window.answerRateLbl(2)->text(), "0/3 (0.0%)");
    EXPECT_EQ(window.answerIndicator(1)->toolTip(), "<salad>\nBob(bob) Carol(carol) ");

    // The deadline reaches every receiver that acknowledged.
    chair.stopQuestionnaire(false);
    for (ClientProcess* c : {bob.get(), carol.get(), dave.get()})
        EXPECT_EQ(c->waitLine("EVENT QuestionStop", 10000), "EVENT QuestionStop chair");
    window.closeWindowForce();

    chair.logout(false);
    for (ClientProcess* c : {bob.get(), carol.get(), dave.get()}) {
        c->send("quit");
        EXPECT_EQ(c->finish(), 0);
    }
    EXPECT_TRUE(relay.failures().empty());
    chair.setDelegate(nullptr);
}

}  // namespace
}  // namespace login_test
