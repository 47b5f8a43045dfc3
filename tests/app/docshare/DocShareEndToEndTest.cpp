// Document sharing between conference windows in separate processes
// (quorix_docshare_client: the program's manager and window, one core each)
// on the loopback conference server and relay: the idle chair answers a
// newcomer with the default, A starts and shares a page, B follows it with
// a notice for each document, and a later newcomer is answered alone with
// the current document.
#include <map>

#include "../session/LoginTestSupport.h"
#include "control/DocShareRecords.h"
#include "control/VpexProtocol.h"
#include "fixtures/ClientProcess.h"
#include "fixtures/ConfServerFixture.h"
#include "fixtures/RelayFixture.h"

namespace login_test {
namespace {

using namespace quorix::test;

struct Sent {
    std::string from, type;
    uint32_t target;
    int index;
};

// The document-sharing texts the relay carried, as a receiver reads them.
std::vector<Sent> sentTexts(const RelayFixture& relay) {
    std::vector<Sent> out;
    for (const RelayMessage& m : relay.messages(VPEX_WEB_ESCORT_DATA)) {
        std::string text;
        if (DocShareRecordToText(m.body.data(), m.body.size(), m.header.sender, text) != DSParse::Ok)
            continue;
        const size_t end = text.find("\r\n");
        const std::string first = text.substr(0, end);
        out.push_back(
            {m.userId, first.rfind("Type: ", 0) == 0 ? first.substr(6) : first, m.header.target, m.index});
    }
    return out;
}

std::string last(const ClientProcess& p, const std::string& prefix) {
    const std::vector<std::string> lines = p.lines();
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if (it->rfind(prefix, 0) == 0) return *it;
    return std::string();
}

std::string allLines(const ClientProcess& p) {
    std::string out;
    for (const std::string& l : p.lines()) out += l + " | ";
    return out;
}

template <typename Pred>
bool waitUntil(Pred done, std::chrono::milliseconds limit = 30s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

class DocShareEndToEnd : public LoginTestBase {};

TEST_F(DocShareEndToEnd, AStartsAndSharesBFollowsAndANewcomerIsAnsweredAlone) {
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
                   {"MAXPARTICIPANT", "8"},
                   {"OPTION_STR", R"({"roomlist_max":"8"})"}});
    QTemporaryDir homes;
    ASSERT_TRUE(homes.isValid());
    std::map<std::string, std::unique_ptr<ClientProcess>> clients;
    const auto join = [&](const char* id) {
        const QString link = LaunchLink({"Quorix", id, "secret", QString("User ") + QString(id).toUpper(),
                                         "7", "8", web.address(), "", "", "", "key=tok123"});
        const QString home = homes.path() + "/" + id;
        QDir().mkpath(home);
        clients[id] = std::make_unique<ClientProcess>(
            FixtureProgram("quorix_docshare_client"),
            std::vector<std::string>{"link=" + link.toStdString(), "home=" + home.toStdString()});
        return clients[id]->sawLine("LOGIN", 60000);
    };
    const auto sentBy = [&](const std::string& from, const std::string& type) {
        std::vector<Sent> out;
        for (const Sent& s : sentTexts(relay))
            if (s.from == from && s.type == type) out.push_back(s);
        return out;
    };

    ASSERT_TRUE(join("a"));
    ASSERT_TRUE(join("b"));
    // B asks on entering; A, the chair with no share, answers B alone with the default.
    ASSERT_TRUE(waitUntil([&] { return !sentBy("b", "WEBESCORT_REQUEST").empty(); }));
    ASSERT_TRUE(waitUntil([&] { return !sentBy("a", "WEBESCORT_USEDEFAULT").empty(); }));
    const Sent answer = sentBy("a", "WEBESCORT_USEDEFAULT")[0];
    EXPECT_EQ(answer.target, relay.clientId("b", answer.index));
    EXPECT_EQ(last(*clients["a"], "STARTED"), "");

    // A starts: the relay accepts (result 0); A shares a page and B follows it.
    clients["a"]->send("start");
    ASSERT_TRUE(waitUntil([&] { return last(*clients["a"], "STARTED") == "STARTED 1"; }));
    clients["a"]->send("share http://web.example/page.html");
    // A's window shared its start page when the share began; B follows every
    // document, with one notice each, and ends on A's page.
    const std::string page = "http://web.example/page.html";
    ASSERT_TRUE(waitUntil([&] { return last(*clients["a"], "DOCS").ends_with(" " + page); }));
    const std::string aDocs = last(*clients["a"], "DOCS");
    ASSERT_TRUE(waitUntil([&] { return last(*clients["b"], "DOCS") == aDocs; }))
        << "A: " << allLines(*clients["a"]) << "\nB: " << allLines(*clients["b"]);
    EXPECT_EQ(last(*clients["b"], "STARTED"), "STARTED 0");
    const std::string count = aDocs.substr(5, aDocs.find(' ', 5) - 5);
    ASSERT_TRUE(waitUntil([&] { return last(*clients["b"], "NOTICES") == "NOTICES " + count; }));

    // C enters later: its request is answered by A, to C only.
    const size_t pagesBefore = sentBy("a", "WEBESCORT").size();
    ASSERT_TRUE(join("c"));
    ASSERT_TRUE(
        waitUntil([&] { return last(*clients["c"], "DOCS") == "DOCS 1 http://web.example/page.html"; }));
    ASSERT_TRUE(waitUntil([&] { return last(*clients["c"], "NOTICES") == "NOTICES 1"; }));
    const auto pages = sentBy("a", "WEBESCORT");
    ASSERT_EQ(pages.size(), pagesBefore + 1);
    EXPECT_EQ(pages.back().target, relay.clientId("c", pages.back().index));
    EXPECT_NE(pages.back().target, uint32_t(VPEX_TARGET_ALL));
    // B heard nothing more.
    EXPECT_EQ(last(*clients["b"], "DOCS"), aDocs);
    EXPECT_EQ(last(*clients["b"], "NOTICES"), "NOTICES " + count);

    for (auto& [id, p] : clients) p->send("quit");
    for (auto& [id, p] : clients) EXPECT_EQ(p->finish(20000), 0) << id;
}

}  // namespace
}  // namespace login_test
