// A questionnaire's two options between the application's real bridge and a
// second client process in the loopback room: anonymous and multiple choice
// each arrive in their own place, in both directions.
#include "LoginTestSupport.h"
#include "fixtures/ClientProcess.h"
#include "fixtures/ConfServerFixture.h"
#include "fixtures/RelayFixture.h"
#include "model/QuestionnaireInfo.h"
#include "platform/Dispatch.h"
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

}  // namespace
}  // namespace login_test
