// The questionnaire windows behind a real conference window and login on a
// recording bridge: which event opens or closes which window, what reaches
// the bridge, and the rules between the editor and the result window.
#include "QuestionnaireTestSupport.h"
#include "app/session/LoginTestSupport.h"
#include "app/ui/UiTestSupport.h"
#include "chat/QuestionnaireWindows.h"
#include "conference/StartViewController.h"
#include "model/QuestionnaireInfo.h"
#include "platform/Localization.h"
#include "platform/NotificationCenter.h"
#include "ui/CommonAlert.h"

namespace login_test {
namespace {

using chat_test::ModalAlertRecorder;

// The bridge recording the questionnaire commands.
struct QuestionBridge : FakeBridge {
    bool StartQuestionnaire(const QString& to, const QString& question, bool, bool,
                            const QStringList& choices) override {
        record("start " + to + " " + question + " " + choices.join(','));
        return true;
    }
    bool ReceivedQuestionnaire(const QString& to, const QString&) override {
        record("received " + to);
        return true;
    }
    bool StopQuestionnaire(const QString& to) override {
        record("stop " + to);
        return true;
    }
    bool AnswerQuestionnaire(const QString& to, int count, const QString& text) override {
        record("answer " + to + " " + QString::number(count) + " " + text);
        return true;
    }
    void record(const QString& line) {
        std::lock_guard lock(mu);
        commands << line;
    }
    QStringList taken() {
        std::lock_guard lock(mu);
        QStringList out;
        out.swap(commands);
        return out;
    }
    QStringList commands;
};

// The conference window's feature windows: the questionnaire ones only.
struct Windows : ConferenceFeatureWindows {
    explicit Windows(std::function<StartViewController*()> controller) : ques(std::move(controller)) {}
    bool hasQuesAnswerWindow() const override { return ques.hasQuesAnswerWindow(); }
    void openQuesAnswerWindow() override { ques.openQuesAnswerWindow(); }
    void closeQuesAnswerWindow() override { ques.closeQuesAnswerWindow(); }
    bool hasQuesResultWindow() const override { return ques.hasQuesResultWindow(); }
    void openQuesResultWindow() override { ques.openQuesResultWindow(); }
    void updateQuesResult() override { ques.updateQuesResult(); }
    void closeQuesResultWindow() override { ques.closeQuesResultWindow(); }
    void launchQuestionnaireWindow() override { ques.launchQuestionnaireWindow(); }
    QuestionnaireWindows ques;
};

class QuestionnaireWindowsTest : public LoginTestBase {
protected:
    QuestionnaireWindowsTest() {
        Localization::setLanguage("en");
        StartViewController::Services s;
        s.makeLoginManager = [this] {
            LoginManagerFeatures features;
            features.questionnaireInfo = [](LoginManager&) { return std::make_unique<QuestionnaireInfo>(); };
            return std::make_unique<LoginManager>(std::move(features),
                                                  [this](QuorixInterface*) { return &bridge; });
        };
        auto w = std::make_unique<Windows>([this] { return controller.get(); });
        windows = &w->ques;
        s.windows = std::move(w);
        s.runModalAlert = [](const QString&) { return int(AlertFirstButtonReturn); };
        s.terminate = [] {};
        s.osVersion = [] { return QStringLiteral("11.2.0"); };
        controller = std::make_unique<StartViewController>(std::move(s));
        controller->viewDidLoad();
        web.setConfig({{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "0"}});
        QVariantMap info{{"object", LaunchLink(LinkFields(web.address(), "me"))}};
        NotificationCenter::defaultCenter().post("notification_name_kick_scheme", nullptr, info);
        for (int i = 0; i < 5; ++i) {
            dispatcher->runPending();
            controller->loginManager()->waitForLoginQueue();
        }
        dispatcher->runPending();
        EXPECT_EQ(controller->loginManager()->status(), LOGIN_STATUS_LOGGED_IN);
        controller->loginManager()->OnStartSpeech(2, "ann", "Ann", "S0", true, true);
        dispatcher->runPending();
        bridge.taken();
    }
    ~QuestionnaireWindowsTest() override {
        windows->closeAll();
        controller->loginManager()->waitForLoginQueue();
        dispatcher->runPending();
        controller.reset();
        CommonAlert::sharedInstance().hideAllAlert();
        dispatcher->runPending();
    }
    LoginManager& login() { return *controller->loginManager(); }
    QuestionnaireInfo& model() { return *dynamic_cast<QuestionnaireInfo*>(login().questionnaireInfo()); }
    void settle() {
        dispatcher->runPending();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    ScopedManualDispatcher dispatcher;
    RoomWebService web;
    QuestionBridge bridge;
    QuestionnaireWindows* windows = nullptr;
    std::unique_ptr<StartViewController> controller;
};

TEST_F(QuestionnaireWindowsTest, AReceiverAnswersInTheWindowThatOpenedFirst) {
    login().OnQuestionStart("ann", "Tea?", false, false, 2, {"yes", "no"});
    settle();
    EXPECT_EQ(bridge.taken(), QStringList{"received ann"}) << "the receipt is acknowledged at once";
    QuesAnswerWindowController* first = windows->answerWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->window()->isVisible());

    // Another questionnaire: the open window only comes to the front, with its texts.
    login().OnQuestionStart("ann", "Coffee?", false, false, 3, {"a", "b", "c"});
    settle();
    EXPECT_EQ(windows->answerWindow(), first);
    EXPECT_EQ(first->questionLbl()->text(), "Tea?");
    bridge.taken();

    first->answerButton(1)->click();
    first->submitAnswerBtn()->click();
    settle();
    EXPECT_EQ(bridge.taken(), QStringList{"answer ann 1 2"});
    EXPECT_FALSE(windows->hasQuesAnswerWindow());
}

TEST_F(QuestionnaireWindowsTest, TheIssuersStopClosesTheAnswerWindowAndResetsTheModel) {
    login().OnQuestionStart("ann", "Tea?", false, true, 2, {"yes", "no"});
    settle();
    ASSERT_TRUE(windows->hasQuesAnswerWindow());
    login().OnQuestionStop("ann");
    settle();
    EXPECT_FALSE(windows->hasQuesAnswerWindow());
    EXPECT_EQ(model().status(), QUESTIONNAIRE_STATUS_NONE);
    EXPECT_TRUE(bridge.taken().filter("answer").isEmpty()) << "no answer is sent";
}

TEST_F(QuestionnaireWindowsTest, IssuingOpensTheResultWindowWhichClosingStopsAndResets) {
    windows->launchQuestionnaireWindow();
    QuesWindowController* editor = windows->editor();
    ASSERT_NE(editor, nullptr);
    editor->questionField()->setText("Lunch?");
    editor->choiceField(0)->setText("soup");
    editor->choiceField(1)->setText("salad");
    {
        ModalAlertRecorder alerts;
        editor->issueBtn()->click();
        EXPECT_TRUE(alerts.messages.isEmpty());
    }
    settle();
    EXPECT_EQ(bridge.taken(), QStringList{"start  Lunch? soup,salad"}) << "to everybody";
    EXPECT_EQ(windows->editor(), nullptr) << "the editor closed";
    QuesResultWindowController* result = windows->resultWindow();
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(result->window()->isVisible());

    // While the result window shows, asking for the editor brings it forward instead.
    windows->launchQuestionnaireWindow();
    EXPECT_EQ(windows->editor(), nullptr);

    login().OnQuestionReceived("ann");
    login().OnQuestionReceived("zed");  // not a participant: ignored
    login().OnQuestionAnswer("ann", 1, "2");
    settle();
    EXPECT_EQ(result->answerRateAllLbl()->text(), "Response rate: 1/1 (100.0%)");
    EXPECT_EQ(result->answerRateLbl(1)->text(), "1/1 (100.0%)");
    EXPECT_TRUE(result->saveBtn()->isEnabled());

    // Closing while it runs asks; OK stops it for the receivers and resets the model.
    result->window()->performClose();
    settle();
    ASSERT_NE(result->sheetWindowController(), nullptr);
    EXPECT_EQ(result->sheetWindowController()->text(),
              LocalizedString("dfQUESTIONNAIRE_CLOSE_ALERT_NOT_DEADLINE"));
    result->sheetWindowController()->okButton()->click();
    settle();
    EXPECT_FALSE(windows->hasQuesResultWindow());
    EXPECT_EQ(bridge.taken(), QStringList{"stop ann"});
    EXPECT_EQ(model().status(), QUESTIONNAIRE_STATUS_NONE);

    // A new editor can be had again.
    windows->launchQuestionnaireWindow();
    EXPECT_NE(windows->editor(), nullptr);
}

}  // namespace
}  // namespace login_test
