// The whole login through the flat function interface, in this process,
// against the loopback conference server and relay: results and failure
// paths, the teardown of a failed attempt, the relay's start exchange and the
// connection errors of a running session.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "control/ControlWaits.h"
#include "control/QuorixControl.h"
#include "fixtures/ClientProcess.h"
#include "fixtures/ConfServerFixture.h"
#include "fixtures/RelayFixture.h"
#include "interface/QuorixCore.h"
#include "interface/QuorixCoreAPI.h"
#include "network/CommonProc.h"

using namespace quorix::test;

namespace {

// The shortened reply wait: long enough for a loaded machine, short enough
// that a silent peer costs a second.
constexpr int kReplyWaitMs = 1000;

// Events of the callback table, kept for the test thread.
struct Recorder {
    std::mutex mu;
    std::condition_variable cv;
    std::vector<std::string> events;

    void add(std::string e) {
        std::lock_guard<std::mutex> lock(mu);
        events.push_back(std::move(e));
        cv.notify_all();
    }
    size_t count(const std::string& prefix) {
        std::lock_guard<std::mutex> lock(mu);
        size_t n = 0;
        for (const std::string& e : events)
            if (e.compare(0, prefix.size(), prefix) == 0) ++n;
        return n;
    }
    bool waitFor(const std::string& prefix, size_t n, int ms) {
        std::unique_lock<std::mutex> lock(mu);
        return cv.wait_for(lock, std::chrono::milliseconds(ms), [&] {
            size_t c = 0;
            for (const std::string& e : events)
                if (e.compare(0, prefix.size(), prefix) == 0) ++c;
            return c >= n;
        });
    }
};

ST_FUNCLIST Table() {
    ST_FUNCLIST t{};
    t.OnAudioInitialized = [](int slot, void* u) {
        static_cast<Recorder*>(u)->add("AudioInitialized " + std::to_string(slot));
    };
    t.OnError = [](int code, int, const char*, void* u) {
        static_cast<Recorder*>(u)->add("Error " + std::to_string(code));
    };
    t.OnChangeOwner = [](const char* id, void* u) {
        static_cast<Recorder*>(u)->add(std::string("Owner ") + id);
    };
    return t;
}

std::vector<uint8_t> LoginBody() {
    std::vector<uint8_t> b(136, 0);
    std::memcpy(b.data(), "token-A", 7);
    std::memcpy(b.data() + 64, "second", 6);
    std::memcpy(b.data() + 96, "third", 5);
    PutLE32(b.data() + 128, 0x01020304);
    return b;
}

ConfServerScript ConfScript(const RelayFixture& relay) {
    ConfServerScript s;
    s.loginBody = LoginBody();
    s.keyLevel = 3;
    for (int i = 0; i < 5; ++i) s.relays[i] = {relay.addr(), relay.port(i)};
    return s;
}

class LoginTest : public ::testing::Test {
protected:
    void SetUp() override {
        CONTROL_WAITS w;
        w.replyWaitMs = kReplyWaitMs;
        w.idleIntervalMs = 40;
        SetControlWaitsForTest(w);
        CCommonProc::SetSyncWaitMs(kReplyWaitMs);
        QuorixCore_OnLoad();
        ASSERT_EQ(QuorixCoreInit("Mac", &rec_, Table()), 0);
    }
    void TearDown() override {
        QuorixCoreTerm();
        SetControlWaitsForTest(CONTROL_WAITS{});
        CCommonProc::SetSyncWaitMs(CCommonProc::SYNC_WAIT_MS);
    }

    int Login(int port, const char* user = "user-a", const char* option = "{\"roomlist_max\":\"4\"}") {
        return QuorixCoreLogin("UA/1", "127.0.0.1", port, 0, nullptr, user, "pw", "Name A", "S0", 12, 345, 1,
                               "1.0", true, true, false, 4, "{}", option);
    }

    // Threads of this process once the fixtures serve no connection.
    static int SettledThreads(RelayFixture& relay, ConfServerFixture& conf) {
        EXPECT_TRUE(relay.waitIdle(3000));
        EXPECT_TRUE(conf.waitIdle(3000));
        return ProcessThreadCount();
    }

    Recorder rec_;
};

TEST_F(LoginTest, ArgumentAndStateFailures) {
    struct Case {
        const char* name;
        const char* userAgent;
        int port;
        const char* option;
        int expected;
    };
    const Case cases[] = {
        {"port 0", "UA", 0, "{}", -9},
        {"port 65536", "UA", 65536, "{}", -9},
        {"no user agent", nullptr, 80, "{}", -9},
        {"no option text", "UA", 80, nullptr, -9},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(QuorixCoreLogin(c.userAgent, "127.0.0.1", c.port, 0, nullptr, "u", "p", "n", "S0", 1, 1, 1,
                                  "1", false, false, false, 4, nullptr, c.option),
                  c.expected)
            << c.name;
    }
    QuorixCoreTerm();
    EXPECT_EQ(Login(80), QUORIXCORE_ERR_NO_CORE);
    EXPECT_FALSE(QuorixCoreStopSpeech());
    EXPECT_FALSE(QuorixCoreSetParam("VideoZoom", "2"));
    ASSERT_EQ(QuorixCoreInit("Mac", &rec_, Table()), 0);
    EXPECT_EQ(QuorixCoreInit("Mac", &rec_, Table()), QUORIXCORE_ERR_ALREADY_INIT);
    EXPECT_EQ(rec_.count(""), 0u) << "a failed login raises no event";
}

TEST_F(LoginTest, LoginStartsEveryRelayConnectionAndLogoutJoinsEveryThread) {
    RelayFixture relay;
    ASSERT_TRUE(relay.listening());
    ConfServerFixture conf(ConfScript(relay));
    const int before = ProcessThreadCount();
    ASSERT_EQ(Login(conf.port()), 0);
    EXPECT_EQ(Login(conf.port()), QUORIXCORE_ERR_LOGGED_IN);
    EXPECT_TRUE(rec_.waitFor("Owner owner-id", 1, 30000));

    const std::vector<RelayMessage> starts = relay.messages(VPEX_SYNC_START_REQ);
    ASSERT_EQ(starts.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        const RelayMessage& m = starts[i];
        EXPECT_EQ(m.index, i);
        EXPECT_EQ(m.header.target, VPEX_TARGET_ALL);
        EXPECT_EQ(m.header.sender, 0u);
        const uint8_t* b = m.body.data();
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(b)), "0000000000000012000000000000345");
        EXPECT_STREQ(reinterpret_cast<const char*>(b + 32), "user-a");
        EXPECT_STREQ(reinterpret_cast<const char*>(b + 80), "Name A");
        EXPECT_EQ(b[128], 127);  // the local end of a loopback connection
        EXPECT_NE(GetLE32(b + 132), 0u);
        EXPECT_EQ(GetLE32(b + 136), 3u) << "the enter reply's key level";
        EXPECT_EQ(b[140], 0) << "no many-meeting room";
        EXPECT_STREQ(reinterpret_cast<const char*>(b + 144), "token-A");
        EXPECT_STREQ(reinterpret_cast<const char*>(b + 208), "second");
        EXPECT_STREQ(reinterpret_cast<const char*>(b + 240), "third");
        EXPECT_EQ(GetLE32(b + 272), 0x01020304u);
    }

    // Keep-alives flow on the five relay connections and the conference connection.
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(relay.waitFor(VPEX_ALIVE_CHECK, 1, 3000, i)) << "relay connection " << i;
    EXPECT_TRUE(conf.waitFor(CONF_ALIVE_CHECK, 1, 3000));
    for (const RelayMessage& m : relay.messages(VPEX_ALIVE_CHECK)) {
        EXPECT_EQ(m.header.target, 0u);
        EXPECT_EQ(m.header.sender, relay.clientId("user-a", m.index));
    }

    EXPECT_TRUE(QuorixCoreStopSpeech()) << "the relay stop notice goes out on its own";
    ASSERT_TRUE(relay.waitFor(VPEX_SEND_STOP_REP, 5, 30000));
    for (const RelayMessage& m : relay.messages(VPEX_SEND_STOP_REP)) {
        EXPECT_EQ(m.header.target, 0u);
        EXPECT_EQ(m.header.sender, relay.clientId("user-a", m.index));
        EXPECT_EQ(m.header.length, 0u);
    }
    EXPECT_TRUE(conf.messages().size() > 0);
    for (const ConfMessage& m : conf.messages())
        EXPECT_NE(m.header.msgId, CONF_SEND_RESERVE_LIST_REQ)
            << "only seminar rooms ask for the reservation list";

    QuorixCoreLogout();
    EXPECT_EQ(SettledThreads(relay, conf), before);
    EXPECT_TRUE(relay.failures().empty()) << relay.failures().front();
    EXPECT_EQ(rec_.count("Error"), 0u);
}

TEST_F(LoginTest, SeminarRoomAsksForTheReservationListOnceLoggedIn) {
    RelayFixture relay;
    ConfServerFixture conf(ConfScript(relay));
    ASSERT_EQ(Login(conf.port(), "user-a", R"({"roomlist_roomcategory":"1","roomlist_max":"2"})"), 0);
    ASSERT_TRUE(conf.waitFor(CONF_SEND_RESERVE_LIST_REQ, 1, 30000));
    for (const ConfMessage& m : conf.messages()) {
        if (m.header.msgId != CONF_SEND_RESERVE_LIST_REQ) continue;
        EXPECT_TRUE(m.body.empty());
        EXPECT_TRUE(m.underNewKey) << "sent through the running connection";
    }
}

TEST_F(LoginTest, RelayFailuresCloseEverythingAndReturnTheRelaysCode) {
    struct Case {
        const char* name;
        int connection;
        RelayScript::Start start;
        bool refuse;
        int expected;
    };
    const Case cases[] = {
        {"no reply", 0, RelayScript::Start::Silent, false, -6},
        {"wrong reply id", 1, RelayScript::Start::WrongId, false, -6},
        {"undecryptable reply", 2, RelayScript::Start::Garbage, false, -6},
        {"entry count above the body", 3, RelayScript::Start::Overflow, false, -6},
        {"closed instead of a reply", 4, RelayScript::Start::Close, false, -6},
        {"connection refused at once", 2, RelayScript::Start::Normal, true, -13},
    };
    for (const Case& c : cases) {
        RelayScript script;
        script.start[c.connection] = c.start;
        script.refuseConnection[c.connection] = c.refuse;
        RelayFixture relay(script);
        ConfServerFixture conf(ConfScript(relay));
        const int before = ProcessThreadCount();
        EXPECT_EQ(Login(conf.port()), c.expected) << c.name;
        // Every connection of the attempt was closed again and no thread is left.
        EXPECT_EQ(SettledThreads(relay, conf), before) << c.name;
        EXPECT_EQ(relay.connections(), c.connection + 1) << c.name;
        EXPECT_EQ(relay.members(0), 0u) << c.name;
    }
    // The core can log in at once after a failure.
    RelayFixture relay;
    ConfServerFixture conf(ConfScript(relay));
    EXPECT_EQ(Login(conf.port()), 0);
}

TEST_F(LoginTest, ClosingOneRelayConnectionRaisesExactlyOneError) {
    RelayFixture relay;
    ConfServerFixture conf(ConfScript(relay));
    const int before = ProcessThreadCount();
    ASSERT_EQ(Login(conf.port()), 0);
    relay.closeClient("user-a", 2);
    EXPECT_TRUE(rec_.waitFor("Error", 1, 30000));
    relay.closeClient("user-a", 0);
    conf.closeClient();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(rec_.count("Error"), 1u);
    QuorixCoreLogout();
    EXPECT_EQ(SettledThreads(relay, conf), before);
}

TEST_F(LoginTest, RuntimeParameters) {
    std::string output, level, funcTime;
    ASSERT_TRUE(QuorixCoreGetParam("LogOutput", output));
    ASSERT_TRUE(QuorixCoreGetParam("LogLevel", level));
    ASSERT_TRUE(QuorixCoreGetParam("LogFuncTime", funcTime));
    struct Case {
        const char* key;
        const char* value;
        bool set;
        const char* read;  // nullptr: not readable
    };
    const Case cases[] = {
        {"VideoDispDelay", "0x10", true, "16"}, {"VideoDispDelay", "010", true, "8"},
        {"VideoZoom", "0.5", true, "1.000000"}, {"VideoZoom", "2.5", true, "2.500000"},
        {"LogLevel", "2", true, "2"},           {"LogLevel", "7", false, "2"},
        {"LogLevel", "3", true, "3"},           {"LogOutput", "TRUE", true, "1"},
        {"LogFuncTime", "yes", true, "0"},      {"SomethingElse", "1", true, nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(QuorixCoreSetParam(c.key, c.value), c.set) << c.key << "=" << c.value;
        std::string out = "unchanged";
        EXPECT_EQ(QuorixCoreGetParam(c.key, out), c.read != nullptr) << c.key;
        EXPECT_EQ(out, c.read != nullptr ? c.read : "unchanged") << c.key << "=" << c.value;
    }
    EXPECT_FALSE(QuorixCoreSetParam(nullptr, "1"));
    QuorixCoreSetParam("LogOutput", output == "1" ? "true" : "false");
    QuorixCoreSetParam("LogLevel", level.c_str());
    QuorixCoreSetParam("LogFuncTime", funcTime == "1" ? "true" : "false");
}

}  // namespace

namespace {

// A core object driven directly, for the relay operations the flat interface
// does not reach.
class RelaySession : public ::testing::Test {
protected:
    void SetUp() override {
        CONTROL_WAITS w;
        w.replyWaitMs = kReplyWaitMs;
        SetControlWaitsForTest(w);
        CCommonProc::SetSyncWaitMs(kReplyWaitMs);
        ST_FUNCLIST t = Table();
        t.OnQuorixLog = [](int, const char* line, void* u) { static_cast<Recorder*>(u)->add(line); };
        ASSERT_TRUE(core_.Init("Mac", &t, &rec_));
        QUORIX_LOGIN_ARGS a;
        a.userAgent = "UA/1";
        a.host = "127.0.0.1";
        a.port = conf_.port();
        a.userId = "user-a";
        a.password = "pw";
        a.userName = "Name A";
        a.userType = "S0";
        a.appVersion = "1.0";
        a.samplingRateCode = 4;
        a.optionJson = R"({"roomlist_max":"4"})";
        ASSERT_EQ(core_.LoginToServer(a), 0);
        control_ = core_.GetControl();
    }
    void TearDown() override {
        core_.Term();
        SetControlWaitsForTest(CONTROL_WAITS{});
        CCommonProc::SetSyncWaitMs(CCommonProc::SYNC_WAIT_MS);
    }

    // A line containing `part`, waiting up to ms.
    bool logged(const std::string& part, int ms) {
        std::unique_lock<std::mutex> lock(rec_.mu);
        return rec_.cv.wait_for(lock, std::chrono::milliseconds(ms), [&] {
            for (const std::string& e : rec_.events)
                if (e.find(part) != std::string::npos) return true;
            return false;
        });
    }

    Recorder rec_;
    RelayFixture relay_;
    ConfServerFixture conf_{ConfScript(relay_)};
    CQuorixCore core_;
    CQuorixControl* control_ = nullptr;
};

TEST_F(RelaySession, SequenceMessagesGoInPiecesWithTrailerAndFooter) {
    struct Case {
        uint32_t length;
        std::vector<uint32_t> pieces;
    };
    const Case cases[] = {{65448, {65448}}, {65449, {65448, 1}}, {2 * 65448 + 5, {65448, 65448, 5}}};
    size_t seen = 0;
    for (const Case& c : cases) {
        std::vector<uint8_t> data(c.length);
        for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 7 + c.length);
        const uint32_t own = control_->VpexOwnClientId(VPEX_CONN_AS);
        ASSERT_TRUE(control_->VpexSend(VPEX_CONN_AS, VPEX_AS_DATA, VPEX_TARGET_ALL, own, data.data(),
                                       c.length, 4, false));
        seen += c.pieces.size();
        ASSERT_TRUE(relay_.waitFor(VPEX_AS_DATA, seen, 30000));
        const std::vector<RelayMessage> got = relay_.messages(VPEX_AS_DATA);
        std::vector<uint8_t> joined;
        for (size_t p = 0; p < c.pieces.size(); ++p) {
            const RelayMessage& m = got[seen - c.pieces.size() + p];
            EXPECT_TRUE(m.hadFooter);
            EXPECT_EQ(m.pieceIndex, p);
            EXPECT_EQ(m.pieceCount, c.pieces.size());
            EXPECT_EQ(m.body.size(), c.pieces[p]);
            EXPECT_EQ(m.header.sender, own);
            joined.insert(joined.end(), m.body.begin(), m.body.end());
        }
        EXPECT_EQ(joined, data) << c.length;
    }
    // An empty body sends nothing and reports success.
    EXPECT_TRUE(control_->VpexSend(VPEX_CONN_AS, VPEX_AS_DATA, VPEX_TARGET_ALL, 0, nullptr, 0, 4, false));
    // Ids 15 and 16 leave with the footer (the relay refuses them otherwise).
    const uint8_t body[3] = {1, 2, 3};
    ASSERT_TRUE(
        control_->VpexSend(VPEX_CONN_VIDEO, VPEX_VIDEO_MOBILE, VPEX_TARGET_ALL, 0, body, 3, 3, false));
    ASSERT_TRUE(relay_.waitFor(VPEX_VIDEO_MOBILE, 1, 30000));
    EXPECT_TRUE(relay_.messages(VPEX_VIDEO_MOBILE)[0].hadFooter);
    EXPECT_EQ(control_->VpexSendBufferLength(VPEX_CONN_AS, 4), 0);
    EXPECT_EQ(control_->VpexSendBufferLength(7, 4), -1);
    EXPECT_TRUE(relay_.failures().empty()) << relay_.failures().front();
}

TEST_F(RelaySession, SpeakingNoticesGoOutOnAllFiveConnections) {
    ASSERT_TRUE(control_->VpexSendStartRep());
    ASSERT_TRUE(relay_.waitFor(VPEX_SEND_START_REP, 5, 30000));
    // Each connection's send thread writes its own notice, so they arrive in any order.
    int seen[5] = {};
    for (const RelayMessage& m : relay_.messages(VPEX_SEND_START_REP)) {
        ++seen[m.index];
        EXPECT_EQ(m.header.target, 0u);
        EXPECT_EQ(m.header.sender, control_->VpexOwnClientId(m.index));
        EXPECT_NE(m.header.sender, 0u);
    }
    for (int n : seen) EXPECT_EQ(n, 1);
    control_->Logout();
    EXPECT_FALSE(control_->VpexSendStartRep()) << "nothing is sent outside a session";
    EXPECT_FALSE(control_->VpexSendStopRep());
}

TEST_F(RelaySession, SendersRacingTheLogoutNeverReachWhatItFrees) {
    // Senders and media commands on other threads keep calling while the
    // logout stops the connections and frees the send threads, codecs and
    // keys; the sanitizers report any access to a freed or changing object.
    std::atomic<bool> stop{false};
    std::atomic<int> calls{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < 4; ++t) {
        callers.emplace_back([&, t] {
            const uint8_t body[32] = {};
            std::vector<int16_t> in(4096, 100), out(4096);
            while (!stop.load()) {
                switch (t) {
                    case 0:
                        control_->VpexSend(t % 5, VPEX_ALIVE_CHECK, VPEX_TARGET_ALL, 0, body, 32, 0, false);
                        break;
                    case 1:
                        control_->ConfSend(CONF_SEND_RESERVE_LIST_REQ, body, 32, 0);
                        break;
                    case 2:
                        control_->EchoCapture(in.data(), out.data());
                        control_->EchoPlayback(in.data());
                        break;
                    default:
                        control_->VpexSendBufferLength(t % 5, 3);
                        control_->SetAudioBoostLevel(0, 1.5);
                        break;
                }
                calls.fetch_add(1);
            }
        });
    }
    while (calls.load() < 200) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    control_->Logout();
    const int atLogout = calls.load();
    while (calls.load() < atLogout + 200) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    stop = true;
    for (std::thread& c : callers) c.join();
    EXPECT_FALSE(control_->ConfSend(CONF_SEND_RESERVE_LIST_REQ, nullptr, 0, 0));
    EXPECT_FALSE(control_->EchoPlayback(std::vector<int16_t>(4096).data()));
}

TEST_F(RelaySession, NoticesAndUnknownMessagesFromTheRelay) {
    struct Case {
        const char* name;
        uint32_t id;
        std::vector<uint8_t> body;
        const char* line;  // the line it produces, nullptr for none
    };
    std::vector<uint8_t> shortStart(50, 'x');
    std::vector<uint8_t> zeroClient(104, 0);
    std::memcpy(zeroClient.data() + 8, "ghost", 5);
    const Case cases[] = {
        {"short start notice", VPEX_RECV_START, shortStart, "[Vpex-2] Broken start notice (50 bytes)."},
        {"short stop notice", VPEX_RECV_STOP_REP, {1, 2}, "[Vpex-2] Broken stop notice (2 bytes)."},
        {"unknown id", 0x2222, {9, 9, 9}, "[Vpex-2] Received an unsupported message [0x00002222]."},
        {"header-only notice",
         VPEX_SEND_START_REP,
         {},
         "[Vpex-2] Received an unsupported message [0x00001007]."},
        {"start notice of client id 0", VPEX_RECV_START, zeroClient, nullptr},
        {"keep-alive", VPEX_ALIVE_CHECK, {}, nullptr},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(relay_.sendToClient("user-a", VPEX_CONN_OTHER, c.id, c.body)) << c.name;
        if (c.line != nullptr) {
            EXPECT_TRUE(logged(c.line, 2000)) << c.name;
        }
    }
    // A marker after the silent cases: everything before it has been handled.
    ASSERT_TRUE(relay_.sendToClient("user-a", VPEX_CONN_OTHER, 0x3333, {1}));
    ASSERT_TRUE(logged("[0x00003333]", 2000));
    EXPECT_FALSE(logged("[0x00001005]", 0));
    EXPECT_EQ(rec_.count("AudioInitialized"), 0u);
    EXPECT_EQ(rec_.count("Error"), 0u);
}

}  // namespace
