// The text box, private messages and questionnaires through LoginManager:
// the text-box block on the wire, lines and threads kept for the windows,
// the chat file, and the questionnaire on the issuer's and receiver's side.
#include <QDir>
#include <QFile>

#include "FeatureTestSupport.h"
#include "model/QuestionnaireInfo.h"
#include "model/TextBoxData.h"
#include "session/FreeMessageCodes.h"

namespace login_test {
namespace {

class ChatHookup : public LoginTestBase {
protected:
    void enter(const Config& extra = {}, const QString& userId = "me") {
        ASSERT_TRUE(EnterRoom(web, me, extra, userId));
    }
    // A participant who has the floor in a normal room is listed.
    void speaks(int clientNo, const QString& id, const QString& name) {
        me.manager.OnStartSpeech(clientNo, id, name, "S0", true, true);
    }

    RoomWebService web;
    Participant me;
};

TEST_F(ChatHookup, TheTextBoxBlockIsWrittenByteForByte) {
    const auto block = LoginManager::textBoxBlock("u-1", "Ann", "hello\r\nworld");
    ASSERT_TRUE(block.has_value());
    const QByteArray expected =
        "Type: TEXTBOXMESSAGE\r\n"
        "SrceUserID: u-1\r\n"
        "SrceUserName: Ann\r\n"
        "FontHeight: -10\r\n"
        "FontWidth: 0\r\n"
        "FontEscapement: 0\r\n"
        "FontOrientation: 0\r\n"
        "FontWeight: FALSE\r\n"
        "FontItalic: FALSE\r\n"
        "FontUnderline: FALSE\r\n"
        "FontStrikeOut: FALSE\r\n"
        "FontCharSet: 128\r\n"
        "FontOutPrecision: 3\r\n"
        "FontClipPrecision: 2\r\n"
        "FontQuality: 1\r\n"
        "FontPitchAndFamily: 18\r\n"
        "FontFaceName: MS P\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF\r\n"
        "FontColor: 0,0,0\r\n"
        "FontSize: 9\r\n"
        "Message: hello\r\nworld\r\n"
        "\r\n";
    EXPECT_EQ(*block, expected);
    // A text with no UTF-8 form (a lone surrogate) makes no block.
    EXPECT_FALSE(LoginManager::textBoxBlock("u-1", "Ann", QString(QChar(0xD800))).has_value());
}

TEST_F(ChatHookup, OwnLinesAreSentAndShownAtOnceReceivedOnesAfterTheNameRule) {
    struct Case {
        const char* what;
        Config config;
        QString myId, senderId, senderName, shown;
    };
    const Config webinar{
        {"CATEGORY", "1"}, {"MODE_WEBINAR", "Y"}, {"MODE_WEBINAR_ONETIMEUSER_NAME_HIDE", "Y"}};
    const Case cases[] = {
        {"normal room", {}, "me", "/guest", "Guest", "Guest"},
        {"one-time users of a hiding webinar", webinar, "/me", "/guest", "Guest", ""},
        {"a registered sender stays named", webinar, "/me", "reg", "Reg", "Reg"},
        {"a registered user sees one-time names", webinar, "me", "/guest", "Guest", "Guest"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        enter(c.config, c.myId);
        ASSERT_TRUE(me.manager.sendTextBoxData("  mine \r\n"));
        me.manager.OnTextBoxData(c.senderId, c.senderName, "theirs", "{}");
        const auto lines = me.manager.textBoxDataArry();
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0]->message(), "  mine \r\n");
        EXPECT_TRUE(lines[0]->isSelf());
        EXPECT_EQ(lines[0]->name(), "User One");
        EXPECT_EQ(lines[1]->name(), c.shown);
        EXPECT_FALSE(lines[1]->isSelf());
        EXPECT_EQ(me.bridge.commands("textBox"), std::vector<std::string>{"textBox"});
        EXPECT_EQ(me.window.list("textBox"), (std::vector<std::string>{"textBox 0", "textBox 0"}));
    }
    me.manager.OnTextBoxActive("x", "X");
    EXPECT_EQ(me.window.list("textBox").back(), "textBox 1");
    me.manager.logout(false);
    EXPECT_TRUE(me.manager.textBoxDataArry().empty());
}

TEST_F(ChatHookup, TheChatFileIsReplacedWholeUnlessTheRoomForbidsSaving) {
    enter();
    const QString path = LoginManager::chatFilePath();
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(path.endsWith("/TextBox/Quorix_Chat.txt")) << path.toStdString();
    me.manager.saveTextBoxData(QString("a much longer first conversation\r\n"));
    me.manager.saveTextBoxData(QString::fromUtf8("Ann [1/2/26]\r\n\xE3\x81\x82\r\n"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("Ann [1/2/26]\r\n\xE3\x81\x82\r\n"));
    file.close();
    EXPECT_EQ(QDir(QFileInfo(path).path()).entryList(QDir::Files), QStringList{"Quorix_Chat.txt"})
        << "no temporary file is left beside it";

    QFile::remove(path);
    me.manager.saveTextBoxData(std::nullopt);
    EXPECT_FALSE(QFile::exists(path)) << "no text, no file";
    enter({{"TEXTBOX_SAVE_DISABLE", "Y"}});
    me.manager.saveTextBoxData(QString("kept to myself"));
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(ChatHookup, PrivateMessagesGoOnlyToAndComeOnlyFromListedParticipants) {
    enter();
    speaks(5, "bob", "Bob");
    EXPECT_FALSE(me.manager.sendMessgaeData("gone", "hello?"));
    EXPECT_TRUE(me.bridge.commands("message").empty());
    me.manager.OnMessage("stranger", "S", "psst");
    EXPECT_TRUE(me.manager.messageDataArry().empty());

    EXPECT_TRUE(me.manager.sendMessgaeData("bob", "hi"));
    me.manager.OnMessage("bob", "Bob", "hello");
    const auto threads = me.manager.messageDataArry();
    ASSERT_EQ(threads.size(), 1u) << "one thread per partner";
    const auto messages = threads[0]->messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0]->user()->userId(), "me");
    EXPECT_EQ(messages[1]->user()->userId(), "bob");
    EXPECT_EQ(me.bridge.commands("message"), std::vector<std::string>{"message bob hi"});
    EXPECT_EQ(me.window.list("message"), (std::vector<std::string>{"message bob 0", "message bob 1"}));

    // The partner speaks again under a new name: the thread follows.
    me.manager.OnStartSpeech(6, "bob", "Robert", "S0", true, true);
    EXPECT_EQ(threads[0]->destUser()->userName(), "Robert");
}

TEST_F(ChatHookup, AQuestionnaireIsCaughtUpOnlyByThoseWhoDidNotAnswer) {
    enter();
    for (auto [n, id] : {std::pair{5, "bob"}, {6, "carol"}, {7, "dave"}})
        speaks(n, id, QString(id).toUpper());
    ASSERT_TRUE(me.manager.startQuestionnaire("Lunch?", {"yes", "no", "later"},
                                              QuestionnaireOptionsValue(true, false)));
    EXPECT_FALSE(me.manager.startQuestionnaire("Again?", {"a", "b"}, 0)) << "one at a time";
    me.manager.OnQuestionReceived("bob");
    me.manager.OnQuestionReceived("carol");
    me.manager.OnQuestionReceived("nobody-listed");
    me.manager.OnQuestionAnswer("bob", 2, "13");
    me.manager.OnQuestionAnswer("bob", 1, "2");  // only the first answer counts

    me.bridge.clearCommands();
    for (const char* id : {"bob", "carol", "dave"}) me.manager.OnRecvFreeMessage(FREEMSG_ENTERING_ROOM, id);
    EXPECT_EQ(me.bridge.commands("question"),
              (std::vector<std::string>{"questionStart carol Lunch? 01 yes,no,later",
                                        "questionStart dave Lunch? 01 yes,no,later"}));
    auto* info = dynamic_cast<QuestionnaireInfo*>(me.manager.questionnaireInfo());
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->answeredUserCnt(), 1);
    EXPECT_EQ(info->answeredCnt(), 2);
    EXPECT_EQ(info->answeredUsers(), (std::vector<QStringList>{{"bob"}, {}, {"bob"}}));
    EXPECT_EQ(info->issuedUsers().count("nobody-listed"), 0u);

    me.bridge.clearCommands();
    me.manager.stopQuestionnaire(false);
    EXPECT_EQ(me.bridge.commands("question"),
              (std::vector<std::string>{"questionStop bob", "questionStop carol"}));
    me.manager.OnRecvFreeMessage(FREEMSG_ENTERING_ROOM, "dave");
    EXPECT_EQ(me.bridge.commands("questionStart"), std::vector<std::string>{}) << "stopped: no catch-up";
    EXPECT_TRUE(me.manager.startQuestionnaire("Next?", {"a", "b"}, 0)) << "a stopped one may be followed";
}

TEST_F(ChatHookup, AReceiverAcknowledgesAnswersAndIsStopped) {
    enter();
    me.manager.OnQuestionStart("me", "Mine?", false, false, 2, {"a", "b"});
    EXPECT_TRUE(me.bridge.commands("question").empty()) << "the user's own start is ignored";

    me.manager.OnQuestionStart("boss", "Tea?", true, false, 2, {"green", "black"});
    EXPECT_EQ(me.bridge.commands("question"), std::vector<std::string>{"questionReceived boss me"});
    EXPECT_EQ(me.window.list("question"), std::vector<std::string>{"questionStart boss Tea? 2 256"});
    me.manager.sendQuestionnaireAnswer(1, "2");
    me.manager.OnRecvFreeMessage(FREEMSG_ENTERING_ROOM, "newcomer");
    EXPECT_EQ(me.bridge.commands("question"),
              (std::vector<std::string>{"questionReceived boss me", "questionAnswer boss 1 2"}))
        << "only the issuer catches newcomers up";
    me.manager.OnQuestionStop("boss");
    EXPECT_EQ(me.manager.questionnaireInfo()->status(), QUESTIONNAIRE_STATUS_NONE);
    me.manager.sendQuestionnaireAnswer(1, "1");
    EXPECT_EQ(me.bridge.commands("questionAnswer").size(), 1u) << "no answer after the stop";
}

}  // namespace
}  // namespace login_test
