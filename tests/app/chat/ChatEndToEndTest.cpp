// Two conference windows as separate processes (quorix_chat_client: the
// running program's window controller with its chat windows, one core each)
// in one room of the loopback conference server: a line typed in A's text box
// appears in B's under A's name and the date; a private message from A opens
// B's message window on A's conversation, and once B has closed the window a
// further message only posts the arrival notice.
#include <QDate>
#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <map>

#include "../session/LoginTestSupport.h"
#include "fixtures/ClientProcess.h"
#include "fixtures/ConfServerFixture.h"
#include "fixtures/RelayFixture.h"

namespace login_test {
namespace {

using namespace quorix::test;

class ChatEndToEnd : public LoginTestBase {};

TEST_F(ChatEndToEnd, LinesAndPrivateMessagesReachTheOtherWindow) {
    RelayFixture relay;
    ASSERT_TRUE(relay.listening());
    ConfServerScript script;
    for (int i = 0; i < 5; ++i) script.relays[i] = {relay.addr(), relay.port(i)};
    script.owner = "a";
    ConfServerFixture conf(script);
    RoomWebService web;
    web.setConfig({{"SERVERIP", "127.0.0.1:" + std::to_string(conf.port())},
                   {"CATEGORY", "0"},
                   {"OWNER", "a"},
                   {"USERLISTMODE", "Y"},
                   {"SEND_MESSAGE", "Y"},
                   {"MAXPARTICIPANT", "8"},
                   {"OPTION_STR", R"({"roomlist_max":"8"})"}});
    QTemporaryDir homes;
    ASSERT_TRUE(homes.isValid());

    std::map<std::string, std::unique_ptr<ClientProcess>> clients;
    for (const char* id : {"a", "b"}) {
        const QString name = QString("User ") + QString(id).toUpper();
        const QString link =
            LaunchLink({"Quorix", id, "secret", name, "7", "8", web.address(), "", "", "", "key=tok123"});
        const QString home = homes.path() + "/" + id;
        QDir().mkpath(home);
        clients[id] = std::make_unique<ClientProcess>(
            FixtureProgram("quorix_chat_client"),
            std::vector<std::string>{"link=" + link.toStdString(), "home=" + home.toStdString()});
        ASSERT_TRUE(clients[id]->sawLine("LOGIN", 60000)) << id;
    }
    ClientProcess& a = *clients["a"];
    ClientProcess& b = *clients["b"];

    // A line typed in A's text box: B's text box opens on it, headed by A's name and the date.
    a.send("textbox");
    a.send("type Hello B, \xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF");
    const std::string today = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
    const std::string line = b.waitLine("TEXTBOX 1 ", 30000);
    ASSERT_FALSE(line.empty()) << testing::PrintToString(b.lines());
    EXPECT_EQ(line.rfind("TEXTBOX 1 User A [", 0), 0u) << line;
    EXPECT_NE(line.find(today), std::string::npos) << line;
    EXPECT_NE(line.find("]||Hello B, \xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF"),
              std::string::npos)
        << line;
    // A's own text box shows the line too.
    EXPECT_EQ(a.waitLine("TEXTBOX 1 User A [", 30000).empty(), false);

    // A private message: B's window opens with A's conversation selected, and the notice shows.
    size_t from = b.lines().size();
    a.send("message b Are you there?");
    EXPECT_EQ(b.waitLine("MESSAGEWINDOW", 30000, from), "MESSAGEWINDOW a a");
    EXPECT_EQ(b.waitLine("NOTICE", 30000, from), "NOTICE alert_id_recv_message");

    // B closed the window: the next message only posts the notice.
    b.send("closemessage");
    ASSERT_FALSE(b.waitLine("MESSAGEWINDOW - -", 30000, from).empty());
    from = b.lines().size();
    a.send("message b Still there?");
    EXPECT_EQ(b.waitLine("NOTICE", 30000, from), "NOTICE alert_id_recv_message");
    // A's own window lists the conversation with B; B's stays closed.
    EXPECT_FALSE(a.waitLine("MESSAGEWINDOW b b", 30000).empty());
    b.send("quit");
    a.send("quit");
    EXPECT_EQ(b.finish(20000), 0);
    EXPECT_EQ(a.finish(20000), 0);
    for (size_t i = from; i < b.lines().size(); ++i)
        EXPECT_NE(b.lines()[i].rfind("MESSAGEWINDOW", 0), 0u) << b.lines()[i];
}

}  // namespace
}  // namespace login_test
