// Display control: the request text and its reading, what a request sends
// and logs, and the log lines of received requests, answers and reports.

#include <gtest/gtest.h>

#include <QFile>
#include <vector>

#include "conference/RemoteSupportManager.h"
#include "control/FreeMessageCodes.h"
#include "fixtures/app/AppTestSupport.h"
#include "services/LogFileManager.h"

namespace {

struct RecordingSender : RemoteSupportManagerDelegate {
    struct Message {
        uint32_t code;
        QString userId;
        int value;
        QString data;
    };
    void sendRemoteSupportMsg(uint32_t code, const QString& userId, int value, const QString& data) override {
        sent.push_back({code, userId, value, data});
    }
    std::vector<Message> sent;
};

class RemoteSupportManagerTest : public testing::Test {
protected:
    RemoteSupportManagerTest() {
        LogFileManager::resetForTesting();
        LogFileManager::createLogFile();
    }
    ~RemoteSupportManagerTest() override { LogFileManager::resetForTesting(); }
    QString log() const {
        QFile file(LogFileManager::getLogFilePath("log"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    TemporaryHome home;
    RemoteSupportManager manager;
    RecordingSender sender;
};

TEST(RemoteSupportManager, RequestTexts) {
    const struct {
        std::optional<QString> userId;
        int64_t screenType;
        std::optional<QString> detail;
        const char* text;
    } cases[] = {
        {std::nullopt, 0, std::nullopt, "#TYPE=1\n#ACTIVE=MAIN\n"},
        {std::nullopt, 1, std::nullopt, "#TYPE=1\n#ACTIVE=WEBESCORT\n"},
        {QStringLiteral("u1"), 2, std::nullopt, "#TYPE=0\n#ACTIVE=APPSHARE\n"},
        {QStringLiteral("u1"), 0, QStringLiteral("chair"), "#TYPE=0\n#ACTIVE=MAIN\n#DETAIL=chair\n"},
        {QStringLiteral("u1"), 5, std::nullopt, "#TYPE=0\n#ACTIVE=\n"},
        {QStringLiteral("u1"), -1, QString(), "#TYPE=0\n#ACTIVE=\n#DETAIL=\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RemoteSupportManager::createDispControlReq(c.userId, c.screenType, c.detail),
                  QString::fromLatin1(c.text));
}

TEST(RemoteSupportManager, ReadingTexts) {
    using Map = std::map<QString, QString>;
    const struct {
        const char* text;
        Map values;
    } cases[] = {
        {"#TYPE=1\n#ACTIVE=MAIN\n", {{"TYPE", "1"}, {"ACTIVE", "MAIN"}}},
        {"#TYPE=1\n#ACTIVE=MAIN", {{"TYPE", "1"}}},  // the last line has no line feed
        {"#TYPE=1", {}},
        {"", {}},
        {"#X=\nTYPE=1\n#NOEQUALS\n", {}},
        {"\n#TYPE=0\n", {{"TYPE", "0"}}},  // an empty first line
        {"#=v\n", {{"", "v"}}},            // an empty key
        {"#DETAIL=a=b\n", {{"DETAIL", "a=b"}}},
        {"#TYPE=1\n#TYPE=0\n", {{"TYPE", "0"}}},  // the later line wins
    };
    for (const auto& c : cases)
        EXPECT_EQ(RemoteSupportManager::analyzeDispControlData(QString::fromLatin1(c.text)), c.values)
            << c.text;
}

TEST_F(RemoteSupportManagerTest, RequestsAreSentAndLogged) {
    manager.requestDispControl(std::nullopt, 0, std::nullopt);  // no delegate: nothing
    EXPECT_FALSE(log().contains(QStringLiteral("[DispCtrl]")));

    manager.setDelegate(&sender);
    manager.requestDispControl(std::nullopt, 0, std::nullopt);
    manager.requestDispControl(QStringLiteral("u1"), 0, QStringLiteral("chair"));
    manager.requestDispControl(QStringLiteral("u2"), 5, std::nullopt);
    ASSERT_EQ(sender.sent.size(), 3u);
    EXPECT_EQ(sender.sent[0].code, uint32_t(FREEMSG_DISPCONTROL_REQ));
    EXPECT_EQ(sender.sent[0].userId, QString());
    EXPECT_EQ(sender.sent[0].value, 1);
    EXPECT_EQ(sender.sent[0].data, QStringLiteral("#TYPE=1\n#ACTIVE=MAIN\n"));
    EXPECT_EQ(sender.sent[1].userId, QStringLiteral("u1"));
    EXPECT_EQ(sender.sent[1].data, QStringLiteral("#TYPE=0\n#ACTIVE=MAIN\n#DETAIL=chair\n"));
    EXPECT_EQ(sender.sent[2].data, QStringLiteral("#TYPE=0\n#ACTIVE=\n"));
    const QString text = log();
    EXPECT_TRUE(text.contains(QStringLiteral("[DispCtrl]Send DispControl request to All. (MAIN:)\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("[DispCtrl]Send DispControl request to u1. (MAIN:chair)\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("[DispCtrl]Send DispControl request to u2. (:)\n")));
    manager.setDelegate(nullptr);
}

TEST_F(RemoteSupportManagerTest, ReceivedMessagesAreLogged) {
    manager.recvDispControlReq(QStringLiteral("chair"), 1, QStringLiteral("#TYPE=0\n#ACTIVE=WEBESCORT\n"));
    manager.recvDispControlReq(QStringLiteral("chair"), 1,
                               QStringLiteral("#TYPE=1\n#ACTIVE=MAIN\n#DETAIL=u9\n"));
    manager.recvDispControlReq(QStringLiteral("chair"), 7, QStringLiteral("garbage"));
    manager.recvDispControlRes(QStringLiteral("u1"), 0, QStringLiteral("#ANY=1\n"));
    manager.recvDispControlRep(QStringLiteral("u2"), 3, QString());
    const QString text = log();
    for (const char* line : {
             "Recv FreeMsg:Requested for DispControl (CODE:1 TYPE:0 ACTIVE:WEBESCORT DETAIL:) from chair.\n",
             "Recv FreeMsg:Requested for DispControl (CODE:1 TYPE:1 ACTIVE:MAIN DETAIL:u9) from chair.\n",
             "Recv FreeMsg:Requested for DispControl (CODE:7 TYPE: ACTIVE: DETAIL:) from chair.\n",
             "Recv FreeMsg:Response to DispControl request from u1. (CODE:0)\n",
             "Recv FreeMsg:Report for DispControl from u2. (CODE:3)\n",
         })
        EXPECT_TRUE(text.contains(QString::fromLatin1(line))) << line << "\n" << text.toStdString();
}

}  // namespace
