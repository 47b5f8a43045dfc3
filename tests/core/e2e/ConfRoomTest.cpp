// Three client processes in one room of the loopback conference server and
// relay: every conference command goes from one client through the server's
// room to the clients it concerns, and comes out as the right event with the
// right fields, and nowhere else.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "control/ConfMessages.h"
#include "control/ControlWaits.h"
#include "control/QuorixControl.h"
#include "fixtures/ClientProcess.h"
#include "fixtures/ConfServerFixture.h"
#include "fixtures/ControlTestPeer.h"
#include "fixtures/ProxyFixture.h"
#include "fixtures/RelayFixture.h"
#include "interface/QuorixCore.h"
#include "network/CommonProc.h"

using namespace quorix::test;

namespace {

ConfServerScript Script(const RelayFixture& relay) {
    ConfServerScript s;
    s.keyLevel = 1;
    for (int i = 0; i < 5; ++i) s.relays[i] = {relay.addr(), relay.port(i)};
    return s;
}

// The room's owner (login option "owner") is carol.
std::vector<std::string> ClientArgs(const ConfServerFixture& conf, const std::string& user,
                                    const std::string& name, bool camera, const std::string& option) {
    return {"port=" + std::to_string(conf.port()),
            "user=" + user,
            "name=" + name,
            "camera=" + std::string(camera ? "1" : "0"),
            "option=" + option,
            "idle=200",
            "wait=2000"};
}

constexpr const char* kRoom = R"({"roomlist_max":"8","owner":"carol"})";

// A free message of a code the core hands on, from the server, used as a
// barrier: once a client reports it, every earlier message of its connection
// has been handled.
std::vector<uint8_t> MarkerBody(const std::string& mark) {
    CONF_FREEMSG m;
    m.userId = "server";
    m.code = 10099;
    m.text = mark;
    std::vector<uint8_t> body;
    BuildConfFreeMsgBody(m, body);
    return body;
}

struct Room {
    RelayFixture relay;
    ConfServerFixture conf{Script(relay)};
    std::vector<std::string> users = {"alice", "bob", "carol"};
    std::vector<std::unique_ptr<ClientProcess>> clients;
    int marks = 0;

    ClientProcess& operator[](size_t i) { return *clients[i]; }

    bool start(const std::string& user, const std::string& name, bool camera,
               const std::string& option = kRoom) {
        clients.push_back(std::make_unique<ClientProcess>(FixtureProgram("quorix_test_client"),
                                                          ClientArgs(conf, user, name, camera, option)));
        return clients.back()->waitLine("LOGIN", 60000) == "LOGIN 0" && conf.waitEntered(user, 30000);
    }
    // Runs one command on client i and checks that it was sent.
    void run(size_t i, const std::string& command) {
        const size_t from = clients[i]->lines().size();
        clients[i]->send("cmd " + command);
        const std::string word = command.substr(0, command.find(' '));
        EXPECT_EQ(clients[i]->waitLine("RESULT " + word, 30000, from), "RESULT " + word + " 1") << command;
    }
    // The index of the first line of client i from `from` on that contains `needle`; -1 after ms.
    int find(size_t i, const std::string& needle, size_t from, int ms = 5000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        do {
            const std::vector<std::string> lines = clients[i]->lines();
            for (size_t n = from; n < lines.size(); ++n)
                if (lines[n].find(needle) != std::string::npos) return int(n);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        } while (std::chrono::steady_clock::now() < deadline);
        return -1;
    }
    // Lets every client handle what the server sent so far; the line index of
    // each client's barrier.
    std::vector<size_t> barrier(const std::vector<size_t>& from) {
        const std::string mark = "mark-" + std::to_string(++marks);
        std::vector<size_t> at(clients.size(), 0);
        for (size_t i = 0; i < clients.size(); ++i) {
            if (!conf.sendTo(users[i], CONF_RECV_FREE_MSG_REP, MarkerBody(mark))) continue;
            const int n = find(i, "EVENT FreeMessageData 10099 server 0 " + mark, from[i]);
            EXPECT_GE(n, 0) << users[i] << " " << mark;
            at[i] = n < 0 ? clients[i]->lines().size() : size_t(n);
        }
        return at;
    }
};

// The event text of a received private message, escaped as the client writes it.
std::string MessageBlock(const std::string& id, const std::string& name, const std::string& text) {
    return EscapeArg("Type: MESSAGE\r\nUserID: " + id + "\r\nSrceUserName: " + name + "\r\nMessage: " + text +
                     "\r\n\r\n");
}

enum { A, B, C };

TEST(ConfRoom, EveryCommandReachesTheClientsItConcerns) {
    Room room;
    ASSERT_TRUE(room.relay.listening());
    ASSERT_TRUE(room.start("alice", "Alice", true));
    ASSERT_TRUE(room.start("bob", "Bob", true));
    ASSERT_TRUE(room.start("carol", "Carol", false));
    // Everyone is known on every relay connection before the floor moves.
    for (int i = 0; i < 5; ++i)
        for (const std::string& u : room.users) EXPECT_NE(room.relay.clientId(u, i), 0u) << u << " " << i;

    const std::string japanese = "会議は\n三時から\r\nです";
    const std::string question = "好きな色は?";
    // Slot of alice in the table of each other client, learnt from its start of speech.
    std::map<int, std::string> aliceSlot;

    struct Row {
        const char* what;
        std::function<void()> act;
        std::vector<std::pair<int, std::string>> expect;  // client, text its event line contains
        std::vector<std::pair<int, std::string>> absent;  // client, text none of its new lines contains
        std::function<void()> check;                      // further checks once the events arrived
    };
    const std::vector<Row> rows = {
        {"own start of speech: relay start reports, the others' start events",
         [&] { room.run(A, "startspeech"); },
         {{B, "EVENT StartSpeech alice Alice S0 1 1 slot "},
          {C, "EVENT StartSpeech alice Alice S0 1 1 slot "}},
         {{A, "EVENT StartSpeech"}},
         [&] {
             ASSERT_TRUE(room.relay.waitFor(VPEX_SEND_START_REP, 5, 30000));
             int seen[5] = {};
             for (const RelayMessage& m : room.relay.messages(VPEX_SEND_START_REP)) {
                 EXPECT_EQ(m.userId, "alice");
                 EXPECT_EQ(m.header.length, 0u);
                 ++seen[m.index];
             }
             for (int n : seen) EXPECT_EQ(n, 1);
             for (int c : {B, C}) {
                 const int n = room.find(size_t(c), "EVENT StartSpeech alice", 0, 0);
                 ASSERT_GE(n, 0);
                 const std::string line = room[size_t(c)].lines()[size_t(n)];
                 aliceSlot[c] = line.substr(line.rfind(' ') + 1);
             }
         }},
        {"a start of speech without camera reports it absent",
         [&] { room.run(C, "startspeech"); },
         {{A, "EVENT StartSpeech carol Carol S0 0 1 slot "},
          {B, "EVENT StartSpeech carol Carol S0 0 1 slot "}},
         {{C, "EVENT StartSpeech"}},
         nullptr},
        {"stop of speech frees the speaker's slot at the others",
         [&] { room.run(A, "stopspeech"); },
         {{B, "EVENT StopSpeech "}, {C, "EVENT StopSpeech "}},
         {{A, "EVENT StopSpeech"}},
         [&] {
             for (int c : {B, C})
                 EXPECT_GE(room.find(size_t(c), "EVENT StopSpeech " + aliceSlot[c], 0, 0), 0);
         }},
        {"floor request: the result to the requester, the request to the others",
         [&] { room.run(B, "reserve"); },
         {{B, "EVENT SpeechReserveResult 0"},
          {A, "EVENT SpeechReserve bob Bob 1 1"},
          {C, "EVENT SpeechReserve bob Bob 1 1"}},
         {{B, "EVENT SpeechReserve "}},
         nullptr},
        {"floor request of a participant without camera: any camera byte counts as present",
         [&] { room.run(C, "reserve"); },
         {{C, "EVENT SpeechReserveResult 0"}, {A, "EVENT SpeechReserve carol Carol 1 1"}},
         {},
         nullptr},
        {"cancelled request: the value and the id to everyone",
         [&] { room.run(A, "cancel bob"); },
         {{A, "EVENT SpeechReserveCancel 1 bob"},
          {B, "EVENT SpeechReserveCancel 1 bob"},
          {C, "EVENT SpeechReserveCancel 1 bob"}},
         {},
         nullptr},
        {"nomination: the kind to the nominee, the result to the nominator",
         [&] { room.run(A, "nominate 2 bob"); },
         {{B, "EVENT SpeechNominate 2"}, {A, "EVENT SpeechNominateResult 0"}},
         {{C, "EVENT SpeechNominate"}},
         nullptr},
        {"speech end reaches only its addressee",
         [&] { room.run(A, "speechend bob"); },
         {{B, "EVENT SpeechEnd"}},
         {{A, "EVENT SpeechEnd"}, {C, "EVENT SpeechEnd"}},
         nullptr},
        {"private message with Japanese text and line ends",
         [&] { room.run(A, "message bob " + EscapeArg(japanese)); },
         {{B, "EVENT Message alice Alice " + MessageBlock("alice", "Alice", "会議は\n三時から\nです")}},
         {{C, "EVENT Message"}, {A, "EVENT Message"}},
         [&] {
             // On the wire every line end is CR LF.
             const std::vector<ConfMessage> sent = room.conf.messages(CONF_SEND_MESSAGE, "alice");
             ASSERT_EQ(sent.size(), 1u);
             ASSERT_EQ(sent[0].body.size(), 1120u);
             EXPECT_EQ(ConfFieldToText(sent[0].body.data() + 96, 1024), "会議は\r\n三時から\r\nです");
         }},
        {"private message to everyone else",
         [&] { room.run(C, "message ~ hello"); },
         {{A, "EVENT Message carol Carol " + MessageBlock("carol", "Carol", "hello")},
          {B, "EVENT Message carol Carol " + MessageBlock("carol", "Carol", "hello")}},
         {{C, "EVENT Message"}},
         nullptr},
        {"questionnaire start",
         [&] { room.run(A, "question bob " + EscapeArg(question) + " 1 0 赤 " + EscapeArg("light blue")); },
         {{B, "EVENT QuestionStart alice " + EscapeArg(question) + " 1 0 2 赤 " + EscapeArg("light blue")}},
         {},
         nullptr},
        {"questionnaire answer",
         [&] { room.run(B, "answer alice 2 " + EscapeArg("light blue")); },
         {{A, "EVENT QuestionAnswer bob 2 " + EscapeArg("light blue")}},
         {},
         nullptr},
        {"questionnaire received and stop",
         [&] {
             room.run(B, "qreceived alice ok");
             room.run(A, "qstop bob");
         },
         {{A, "EVENT QuestionReceived bob"}, {B, "EVENT QuestionStop alice"}},
         {},
         nullptr},
        {"free message with an empty addressee reaches everyone else",
         [&] { room.run(A, "free 10042 ~ 7 " + EscapeArg("x=1;y=2")); },
         {{B, "EVENT FreeMessageData 10042 alice 7 " + EscapeArg("x=1;y=2")},
          {C, "EVENT FreeMessageData 10042 alice 7 " + EscapeArg("x=1;y=2")}},
         {{A, "EVENT FreeMessageData 10042"}},
         nullptr},
        {"free message of a sharing code carries no text",
         [&] { room.run(C, "free 10006 bob 0 ~"); },
         {{B, "EVENT FreeMessage 10006 carol"}},
         {{A, "EVENT FreeMessage 10006"}},
         nullptr},
        {"owner change to everyone",
         [&] { room.run(A, "owner bob"); },
         {{A, "EVENT ChangeOwner bob"}, {B, "EVENT ChangeOwner bob"}, {C, "EVENT ChangeOwner bob"}},
         {},
         nullptr},
        {"forced leave names the participant",
         [&] { room.run(B, "forceleave alice"); },
         {{A, "EVENT ForceLeave alice Alice"}, {C, "EVENT ForceLeave alice Alice"}},
         {},
         nullptr},
        {"push-out from the server",
         [&] { ASSERT_TRUE(room.conf.sendTo("bob", CONF_RECV_PUSH_OUT, {})); },
         {{B, "EVENT PushOut"}},
         {{A, "EVENT PushOut"}, {C, "EVENT PushOut"}},
         nullptr},
        {"client description",
         [&] { room.run(A, "clientinfo 2 10.15 10.15 " + EscapeArg("1~2.0~Mac")); },
         {},
         {},
         [&] {
             ASSERT_TRUE(room.conf.waitFor(CONF_SEND_CLIENT_INFO, 1, 30000, "alice"));
             const std::vector<uint8_t> b = room.conf.messages(CONF_SEND_CLIENT_INFO, "alice")[0].body;
             ASSERT_EQ(b.size(), 64u);
             EXPECT_EQ(GetLE32(&b[0]), 2u);
             EXPECT_EQ(GetLE32(&b[4]), 10u);
             EXPECT_EQ(GetLE32(&b[8]), 15u);
             EXPECT_EQ(GetLE32(&b[12]), 0u);
             EXPECT_STREQ(reinterpret_cast<const char*>(&b[16]), "10.15");
             EXPECT_STREQ(reinterpret_cast<const char*>(&b[32]), "1~2.0~Mac");
         }},
        {"round mode: the owner's leaving ends the nominated speaker's turn first",
         [&] {
             const size_t sent = room.conf.messages(CONF_SEND_FREE_MESSAGE_REP, "alice").size();
             room.run(A, "free 10031 bob 0 12");
             room.run(A, "free 10032 bob 0 1");
             room.run(A, "free 10031 carol 0 12");  // carol is not nominated
             // Passed on by the server before carol leaves, handled by bob before the marker.
             ASSERT_TRUE(room.conf.waitFor(CONF_SEND_FREE_MESSAGE_REP, sent + 3, 30000, "alice"));
             room.barrier({room[A].lines().size(), room[B].lines().size(), room[C].lines().size()});
             room[C].send("logout");
             EXPECT_FALSE(room[C].waitLine("LOGOUT", 30000).empty());
         },
         {{B, "EVENT LeaveMember carol"}, {A, "EVENT LeaveMember carol"}},
         {{A, "EVENT SpeechEnd"}},
         nullptr},
    };

    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<size_t> from;
        for (size_t i = 0; i < room.clients.size(); ++i) from.push_back(room[i].lines().size());
        row.act();
        for (const auto& [c, text] : row.expect)
            EXPECT_GE(room.find(size_t(c), text, from[size_t(c)]), 0) << text;
        if (row.check) row.check();
        const std::vector<size_t> to = room.barrier(from);
        for (const auto& [c, text] : row.absent) {
            const std::vector<std::string> lines = room[size_t(c)].lines();
            for (size_t n = from[size_t(c)]; n < to[size_t(c)] && n < lines.size(); ++n)
                EXPECT_EQ(lines[n].find(text), std::string::npos)
                    << room.users[size_t(c)] << ": " << lines[n];
        }
    }

    // Bob was nominated in round mode: his speech end comes before carol's leave.
    const int end = room.find(B, "EVENT SpeechEnd", 0, 0);
    const int left = room.find(B, "EVENT LeaveMember carol", 0, 0);
    const int lastEnd = [&] {
        int n = -1;
        for (int k = end; k >= 0; k = room.find(B, "EVENT SpeechEnd", size_t(k) + 1, 0)) n = k;
        return n;
    }();
    ASSERT_GE(left, 0);
    EXPECT_GT(lastEnd, end) << "a second speech end, from the owner's leaving";
    EXPECT_LT(lastEnd, left);

    for (size_t i = 0; i < room.clients.size(); ++i) {
        room[i].send("quit");
        EXPECT_FALSE(room[i].waitLine("TERM", 30000).empty());
        EXPECT_EQ(room[i].finish(), 0);
        for (const std::string& line : room[i].lines())
            EXPECT_EQ(line.rfind("EVENT Error", 0), std::string::npos) << room.users[i] << ": " << line;
    }
    EXPECT_TRUE(room.relay.failures().empty());
}

TEST(ConfRoom, ASeminarClientReceivesTheReservationListInOrder) {
    Room room;
    ASSERT_TRUE(room.start("alice", "Alice", true));
    ASSERT_TRUE(room.start("bob", "Bob", false));
    room.run(B, "reserve");
    ASSERT_TRUE(room.conf.waitFor(CONF_SEND_SPEECH_RESERVE, 1, 30000, "bob"));
    room.run(A, "reserve");
    ASSERT_TRUE(room.conf.waitFor(CONF_SEND_SPEECH_RESERVE, 2, 30000));
    // The server lists the requests newest first; the client reports them by order number.
    ASSERT_TRUE(room.start("dave", "Dave", true, R"({"roomlist_roomcategory":"1","roomlist_max":"4"})"));
    const int first = room.find(2, "EVENT SpeechReserve bob Bob 1 1", 0);
    const int second = room.find(2, "EVENT SpeechReserve alice Alice 1 1", 0);
    ASSERT_GE(first, 0);
    EXPECT_GT(second, first);
    EXPECT_LT(room.find(2, "EVENT SpeechReserve ", size_t(second) + 1, 0), 0) << "two requests, two events";
    for (size_t i = 0; i < room.clients.size(); ++i) {
        room[i].send("quit");
        EXPECT_EQ(room[i].finish(), 0);
    }
}

TEST(ConfRoom, TwoClientsLogInThroughTheProxyAndTalk) {
    const std::string confAddr = "127.44.0.21";
    const std::string relayAddr = "127.44.0.22";
    RelayScript relayScript;
    relayScript.tunnelAddr = relayAddr;
    RelayFixture relay(relayScript);
    ASSERT_TRUE(relay.listening());
    ConfServerScript script = Script(relay);
    script.expectGreeting = true;
    for (auto& r : script.relays) r.host = relayAddr;
    ConfServerFixture conf(script, confAddr.c_str(), 443);
    ProxyFixture proxy(ProxyFixture::Reply::Ok);
    ASSERT_TRUE(conf.listening() && proxy.listening());
    const std::string list =
        "[{\"proxyType\":\"HTTP\",\"proxyHost\":\"127.0.0.1\",\"proxyPort\":" + std::to_string(proxy.port()) +
        "}]";

    std::vector<std::unique_ptr<ClientProcess>> clients;
    for (const char* user : {"alice", "bob"}) {
        // The room's port is not used: the proxy is asked for port 443.
        clients.push_back(std::make_unique<ClientProcess>(
            FixtureProgram("quorix_test_client"),
            std::vector<std::string>{"host=" + confAddr, "port=8080", "method=3", "proxy=" + list,
                                     std::string("user=") + user, "name=N", "option={\"roomlist_max\":\"4\"}",
                                     "wait=2000"}));
        ASSERT_EQ(clients.back()->waitLine("LOGIN", 60000), "LOGIN 0") << user;
        ASSERT_TRUE(conf.waitEntered(user, 30000));
    }
    // Six connections per client, each through its own CONNECT.
    const std::vector<std::string> requests = proxy.requests();
    ASSERT_EQ(requests.size(), 12u);
    size_t toConf = 0;
    for (const std::string& r : requests) {
        if (r.rfind("CONNECT " + confAddr + ":443 ", 0) == 0)
            ++toConf;
        else
            EXPECT_EQ(r.rfind("CONNECT " + relayAddr + ":443 ", 0), 0u) << r;
    }
    EXPECT_EQ(toConf, 2u);
    EXPECT_EQ(conf.greeting()[32], 1) << "the proxy flag of the greeting";
    for (int i = 0; i < 5; ++i) EXPECT_NE(relay.clientId("bob", i), 0u);

    clients[0]->send("cmd message bob " + EscapeArg("through the proxy"));
    EXPECT_FALSE(
        clients[1]
            ->waitLine("EVENT Message alice N " + MessageBlock("alice", "N", "through the proxy"), 30000)
            .empty());
    for (auto& c : clients) {
        c->send("quit");
        EXPECT_EQ(c->finish(), 0);
        for (const std::string& line : c->lines())
            EXPECT_EQ(line.rfind("EVENT Error", 0), std::string::npos) << line;
    }
    EXPECT_TRUE(relay.failures().empty());
}

TEST(ConfRoom, BandwidthMessageSetsEachRelaySendThread) {
    CONTROL_WAITS w;
    w.replyWaitMs = 2000;
    SetControlWaitsForTest(w);
    CCommonProc::SetSyncWaitMs(2000);
    RelayFixture relay;
    ConfServerFixture conf(Script(relay));
    std::vector<std::string> log;
    std::mutex mu;
    ST_FUNCLIST t{};
    t.OnQuorixLog = [](int, const char* line, void* u) {
        auto* self = static_cast<std::pair<std::mutex*, std::vector<std::string>*>*>(u);
        std::lock_guard<std::mutex> lock(*self->first);
        self->second->emplace_back(line);
    };
    std::pair<std::mutex*, std::vector<std::string>*> sink{&mu, &log};
    CQuorixCore core;
    ASSERT_TRUE(core.Init("Mac", &t, &sink));
    QUORIX_LOGIN_ARGS a;
    a.userAgent = "UA/1";
    a.host = "127.0.0.1";
    a.port = conf.port();
    a.userId = "user-a";
    a.password = "pw";
    a.userName = "Name A";
    a.userType = "S0";
    a.appVersion = "1.0";
    a.optionJson = R"({"roomlist_max":"4"})";
    ASSERT_EQ(core.LoginToServer(a), 0);
    CQuorixControl& ctl = *core.GetControl();
    const int unset = QuorixControlTestPeer::Bandwidth(ctl, 3).value_or(-100);
    for (int i = 0; i < 5; ++i) ASSERT_EQ(QuorixControlTestPeer::Bandwidth(ctl, i), unset) << i;

    // Entry N: connection index, kilobits per second. Position 3 names
    // connection 7, which does not exist; position 4 names connection 0 again.
    const int32_t entries[5][2] = {{4, 500}, {1, 64}, {2, 128}, {7, 999}, {0, 1500}};
    std::vector<uint8_t> body(40);
    for (int i = 0; i < 5; ++i) {
        PutLE32(&body[8 * i], uint32_t(entries[i][0]));
        PutLE32(&body[8 * i + 4], uint32_t(entries[i][1]));
    }
    conf.send(CONF_RECV_BAND_WIDTH, body);
    auto logged = [&](const std::string& part) {
        std::lock_guard<std::mutex> lock(mu);
        for (const std::string& l : log)
            if (l.find(part) != std::string::npos) return true;
        return false;
    };
    for (int i = 0; i < 3000 && !logged("-----------------------------------------------------------"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const int expected[5] = {1500, 64, 128, unset, 500};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(QuorixControlTestPeer::Bandwidth(ctl, i), expected[i]) << i;
    EXPECT_TRUE(logged("(BandWidth Message)---"));
    EXPECT_TRUE(logged("[VIDEO  ] 500 (Kbps)"));
    EXPECT_TRUE(logged("[AUDIO  ] 64 (Kbps)"));
    EXPECT_TRUE(logged("[OTHER  ] 128 (Kbps)"));
    EXPECT_FALSE(logged("[AS     ]")) << "an entry naming connection 7 logs nothing";
    EXPECT_TRUE(logged("[CB     ] 1500 (Kbps)"));
    core.Term();
    SetControlWaitsForTest(CONTROL_WAITS{});
    CCommonProc::SetSyncWaitMs(CCommonProc::SYNC_WAIT_MS);
}

}  // namespace
