// The conference window's answers to messages, text-box lines and
// questionnaire events, against a recording stand-in for the chat windows:
// which event opens a window, which only announces itself, and the requests
// the windows pass back to the login.
#include <QDirIterator>

#include "app/session/LoginTestSupport.h"
#include "app/ui/UiTestSupport.h"
#include "conference/StartViewController.h"
#include "platform/NotificationCenter.h"
#include "ui/CommonAlert.h"

namespace login_test {
namespace {

struct RecordingChatWindows : ConferenceFeatureWindows {
    bool hasTextBoxView() const override { return textBoxView; }
    void openTextBox(const TextBoxLaunch& launch) override {
        log.push_back("textbox.open");
        textBoxView = true;
        lastTextBox = launch;
    }
    void updateTextBox(bool forced, const std::vector<TextBoxDataRef>& lines) override {
        log.push_back(forced ? "textbox.update.forced" : "textbox.update");
        lineCount = lines.size();
    }
    QRectF deleteTextBoxView() override {
        textBoxView = false;
        return QRectF();
    }
    bool hasMessageWindow() const override { return messageWindow; }
    void openMessageWindow(const MessageLaunch& launch, const std::optional<QString>& userId) override {
        log.push_back("message.open:" + (userId ? userId->toStdString() : std::string("-")));
        if (!messageWindow) lastMessage = launch;
        messageWindow = true;
    }
    void updateMessageWindow(const MessageInfoRef& info, bool notify) override {
        log.push_back("message.update:" + info->destUser()->userId().toStdString() +
                      (notify ? ":notify" : ""));
    }
    bool hasQuesAnswerWindow() const override { return answerWindow; }
    void openQuesAnswerWindow() override {
        log.push_back("answer.open");
        answerWindow = true;
    }
    void closeQuesAnswerWindow() override {
        log.push_back("answer.close");
        answerWindow = false;
    }
    bool hasQuesResultWindow() const override { return resultWindow; }
    void openQuesResultWindow() override {
        log.push_back("result.open");
        resultWindow = true;
    }
    void updateQuesResult() override { log.push_back("result.update"); }

    std::vector<std::string> log;
    bool textBoxView = false, messageWindow = false, answerWindow = false, resultWindow = false;
    size_t lineCount = 0;
    TextBoxLaunch lastTextBox;
    MessageLaunch lastMessage;
};

// The bridge counting the private messages it sends.
struct MessageBridge : FakeBridge {
    bool SendMessage(const QString&, const QString&) override {
        ++sent;
        return true;
    }
    std::atomic<int> sent{0};
};

int noticesOf(const QString& alertId) {
    int n = 0;
    for (const auto& r : CommonAlert::sharedInstance().notificationArry()) n += r.alertId == alertId;
    for (const auto& r : CommonAlert::sharedInstance().infoAlertArry()) n += r.alertId == alertId;
    return n;
}

class ChatEventsTest : public LoginTestBase {
protected:
    ChatEventsTest() {
        StartViewController::Services s;
        s.makeLoginManager = [this] {
            return std::make_unique<LoginManager>(LoginManagerFeatures{},
                                                  [this](QuorixInterface*) { return &bridge; });
        };
        auto w = std::make_unique<RecordingChatWindows>();
        windows = w.get();
        s.windows = std::move(w);
        s.runModalAlert = [](const QString&) { return int(AlertFirstButtonReturn); };
        s.terminate = [] {};
        s.osVersion = [] { return QStringLiteral("11.2.0"); };
        controller = std::make_unique<StartViewController>(std::move(s));
        controller->viewDidLoad();
    }
    ~ChatEventsTest() override {
        controller->loginManager()->waitForLoginQueue();
        dispatcher->runPending();
        controller.reset();
        CommonAlert::sharedInstance().hideAllAlert();
        dispatcher->runPending();
    }
    void logIn(const std::vector<std::pair<std::string, std::string>>& config) {
        web.setConfig(config);
        QVariantMap info{{"object", LaunchLink(LinkFields(web.address(), "me"))}};
        NotificationCenter::defaultCenter().post("notification_name_kick_scheme", nullptr, info);
        for (int i = 0; i < 5; ++i) {
            dispatcher->runPending();
            controller->loginManager()->waitForLoginQueue();
        }
        dispatcher->runPending();
        ASSERT_EQ(controller->loginManager()->status(), LOGIN_STATUS_LOGGED_IN);
        controller->loginManager()->OnStartSpeech(2, "ann", "Ann", "S0", true, true);
        dispatcher->runPending();
        windows->log.clear();
    }
    QString readLogFile() const {
        QString text;
        QDirIterator it(home.path(), {"log*.txt", "log*"},
                        QDir::Files | QDir::Hidden | QDir::AllDirs | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile f(it.next());
            if (QFileInfo(f).isFile() && f.open(QIODevice::ReadOnly)) text += QString::fromUtf8(f.readAll());
        }
        return text;
    }
    void receive(const QString& text) {
        controller->loginManager()->OnMessage("ann", "Ann", text);
        dispatcher->runPending();
    }

    ScopedManualDispatcher dispatcher;
    RoomWebService web;
    MessageBridge bridge;
    RecordingChatWindows* windows = nullptr;
    std::unique_ptr<StartViewController> controller;
};

using Log = std::vector<std::string>;

TEST_F(ChatEventsTest, AMessageOpensTheWindowUntilTheUserClosedItWhereMessagesCanBeWritten) {
    logIn({{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "0"}, {"SEND_MESSAGE", "Y"}});
    // Never opened: the window opens on the sender's conversation, and the notice shows.
    receive("one");
    EXPECT_EQ(windows->log, (Log{"message.open:ann"}));
    EXPECT_TRUE(windows->lastMessage.enable);
    EXPECT_TRUE(processEventsUntil(
        [this] {
            dispatcher->runPending();
            return noticesOf("alert_id_recv_message") > 0;
        },
        10000));
    // Open: the window itself decides (and announces).
    receive("two");
    EXPECT_EQ(windows->log.back(), "message.update:ann:notify");
    // Closed by the user: only the notice.
    controller->onCloseMessageWindow(QRectF(10, 10, 544, 380));
    windows->messageWindow = false;
    windows->log.clear();
    receive("three");
    EXPECT_TRUE(windows->log.empty());
    // Its click opens the window without a selected user, at the closed frame.
    controller->onClickRecvMessageAlert();
    EXPECT_EQ(windows->log, (Log{"message.open:-"}));
    EXPECT_EQ(windows->lastMessage.frame.size(), QSizeF(544, 380));
}

TEST_F(ChatEventsTest, WhereMessagesCannotBeWrittenAMessageAlwaysOpensTheWindow) {
    logIn({{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "0"}});
    controller->onCloseMessageWindow(QRectF(10, 10, 544, 380));
    receive("one");
    EXPECT_EQ(windows->log, (Log{"message.open:ann"}));
    EXPECT_FALSE(windows->lastMessage.enable);
}

TEST_F(ChatEventsTest, LinesReopenTheTextBoxOnlyUntilItWasClosedAForcedDisplayAlways) {
    logIn({{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "0"}, {"TEXTBOX_SAVE_DISABLE", "Y"}});
    controller->loginManager()->OnTextBoxData("ann", "Ann", "hello", "{}");
    dispatcher->runPending();
    EXPECT_EQ(windows->log, (Log{"textbox.open", "textbox.update"}));
    EXPECT_TRUE(windows->lastTextBox.saveDisable);
    EXPECT_FALSE(windows->lastTextBox.isWebinar);
    EXPECT_EQ(windows->lineCount, 1u);
    controller->onCloseTextBoxWindow(QRectF(0, 0, 465, 380));
    EXPECT_FALSE(windows->textBoxView);
    windows->log.clear();
    // A new line waits in the list.
    controller->loginManager()->OnTextBoxData("ann", "Ann", "again", "{}");
    dispatcher->runPending();
    EXPECT_TRUE(windows->log.empty());
    // A forced display opens it with both lines.
    controller->loginManager()->OnTextBoxActive("ann", "Ann");
    dispatcher->runPending();
    EXPECT_EQ(windows->log, (Log{"textbox.open", "textbox.update.forced"}));
    EXPECT_EQ(windows->lineCount, 2u);
}

TEST_F(ChatEventsTest, ADepartedPartnerIsLoggedAndTheSendIsRefused) {
    logIn({{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "0"}, {"SEND_MESSAGE", "Y"}});
    controller->sendMessageData("gone", "hello?");
    EXPECT_EQ(bridge.sent.load(), 0);
    const QString log = readLogFile();
    EXPECT_TRUE(log.contains("The destination gone does not exist.")) << log.toStdString();
    controller->sendMessageData("ann", "hello");
    EXPECT_EQ(bridge.sent.load(), 1);
}

TEST_F(ChatEventsTest, QuestionnaireEvents) {
    logIn({{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "0"}});
    // A stop without an answer window shows nothing.
    controller->onQuestionStop();
    dispatcher->runPending();
    EXPECT_TRUE(windows->log.empty());
    controller->onQuestionStart("ann", "Q?", 2, {"a", "b"}, 0);
    dispatcher->runPending();
    controller->onQuestionStop();
    dispatcher->runPending();
    EXPECT_EQ(windows->log, (Log{"answer.open", "answer.close"}));
    // The issuer: a started questionnaire opens the results, a running one refuses.
    windows->log.clear();
    controller->startQuestionnaire("Q?", {"a", "b"}, 0);
    controller->startQuestionnaire("Q2?", {"a", "b"}, 0);
    controller->onQuestionResult();
    dispatcher->runPending();
    EXPECT_EQ(windows->log, (Log{"result.open", "result.update"}));
}

}  // namespace
}  // namespace login_test
