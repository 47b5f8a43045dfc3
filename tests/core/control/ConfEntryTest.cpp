// The room entry on the conference server over every connection method,
// against the loopback conference-server, tunnel and proxy fixtures.
#include "ControlHarness.h"

namespace {

using namespace control_test;
using ConfEntry = ControlTest;

// The login body as the server must see it, written out field by field.
std::vector<uint8_t> ExpectedLoginBody(const std::string& clientAddr, uint16_t clientPort) {
    std::vector<uint8_t> b(160, 0);
    std::memcpy(&b[0], "user-1", 6);
    std::memcpy(&b[48], "pass-1", 6);
    std::memcpy(&b[96], "User One", 8);
    in_addr a{};
    inet_pton(AF_INET, clientAddr.c_str(), &a);
    std::memcpy(&b[144], &a.s_addr, 4);
    b[148] = uint8_t(clientPort);
    b[149] = uint8_t(clientPort >> 8);
    b[152] = 'Y';
    b[153] = 'N';
    b[154] = 'S';
    b[155] = '0';
    const std::string opt = kOptions;
    b.insert(b.end(), opt.begin(), opt.end());
    return b;
}

// The client's own end of the connection as the login body names it: what the
// server saw, or the proxy when there is one.
void ExpectEntryRequests(const ConfServerFixture& server, const ProxyFixture* proxy = nullptr) {
    const std::vector<ConfMessage> m = server.messages();
    ASSERT_GE(m.size(), 2u);
    EXPECT_EQ(m[0].header.msgId, CONF_SYNC_LOGIN_REQ);
    EXPECT_EQ(m[0].header.version, 0x00010001u);
    EXPECT_EQ(m[0].header.param, 0);
    EXPECT_EQ(m[0].body, proxy ? ExpectedLoginBody(proxy->peerAddr(), proxy->peerPort())
                               : ExpectedLoginBody(server.peerAddr(), server.peerPort()));
    EXPECT_EQ(m[1].header.msgId, CONF_SYNC_ENTER_REQ);
    EXPECT_EQ(m[1].header.param, 0);
    const std::vector<uint8_t> enter = {11, 0, 0, 0, 22, 0, 0, 0};
    EXPECT_EQ(m[1].body, enter);
    EXPECT_EQ(server.decryptFailures(), 0);
}

std::vector<uint8_t> ExpectedGreeting(uint8_t flag) {
    std::vector<uint8_t> g(36, 0);
    std::memcpy(&g[0], "Agent:Quorix", 12);
    std::memcpy(&g[16], "Type:CONFERENCE", 15);
    g[32] = flag;
    return g;
}

TEST_F(ConfEntry, EntersDirectlyAndReportsTheRoom) {
    ConfServerScript script;
    script.users = {MakeUser("speaker7", "Seven", "S0", 7, true, false),
                    MakeUser("speaker2", "Two", "H0", 2, false, true)};
    script.relays[3] = {"relay.example", 9443};
    ConfServerFixture server(script);
    ASSERT_TRUE(server.listening());

    ASSERT_EQ(Enter("127.0.0.1", server.port()), 0);
    EXPECT_EQ(ctl->GetConnectionType(), CONNECT_DIRECT);
    EXPECT_TRUE(ctl->ConfIsEnterRoom());
    ExpectEntryRequests(server);

    EXPECT_EQ(0, std::memcmp(QuorixControlTestPeer::LoginRes(*ctl), script.loginBody.data(), 136));
    EXPECT_EQ(QuorixControlTestPeer::CipherLevel(*ctl), 3);
    EXPECT_EQ(QuorixControlTestPeer::RelayAddr(*ctl, 3).host, "relay.example");
    EXPECT_EQ(QuorixControlTestPeer::RelayAddr(*ctl, 3).port, 9443u);
    EXPECT_STREQ(QuorixControlTestPeer::OwnerId(*ctl), "owner-id");

    std::lock_guard<std::mutex> lock(events.mu);
    EXPECT_EQ(events.owners, std::vector<std::string>{"owner-id"});
    // Speakers in order-number order: 2 before 7, each in its own table entry.
    ASSERT_EQ(events.speeches.size(), 2u);
    EXPECT_EQ(events.speeches[0].id, "speaker2");
    EXPECT_EQ(events.speeches[0].slot, 0);
    EXPECT_EQ(events.speeches[0].type, "H0");
    EXPECT_FALSE(events.speeches[0].camera);
    EXPECT_TRUE(events.speeches[0].mic);
    EXPECT_EQ(events.speeches[1].id, "speaker7");
    EXPECT_EQ(events.speeches[1].slot, 1);
    EXPECT_TRUE(events.speeches[1].camera);
    // Their relay client ids are unknown yet: no audio initialisation.
    EXPECT_TRUE(events.audioInitialized.empty());
}

TEST_F(ConfEntry, AParticipantAlreadyKnownOnEveryRelayIsInitialisedAtEntry) {
    ConfServerScript script;
    script.users = {MakeUser("known", "Known", "S0", 1, true, true),
                    MakeUser("new", "New", "S0", 2, true, true)};
    ConfServerFixture server(script);
    for (int n = 0; n < VPEX_CONNECTION_COUNT; ++n) ctl->SetClientId(n, "known", 40 + uint32_t(n));
    ASSERT_TRUE(ctl->CreateVideoCodec());
    ASSERT_EQ(Enter("127.0.0.1", server.port()), 0);
    std::lock_guard<std::mutex> lock(events.mu);
    EXPECT_EQ(events.audioInitialized, std::vector<int>{0});
    EXPECT_EQ(QuorixControlTestPeer::DecoderCount(*ctl), 2u);  // main and mobile size for "known" only
    ASSERT_EQ(events.speeches.size(), 2u);
    EXPECT_EQ(events.speeches[0].slot, 0);
    EXPECT_EQ(events.speeches[1].slot, 1);
}

TEST_F(ConfEntry, TrafficAfterTheEntryUsesTheNewKey) {
    ConfServerFixture server(ConfServerScript{});
    ASSERT_EQ(Enter("127.0.0.1", server.port()), 0);
    const std::vector<uint8_t> body = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    ASSERT_TRUE(ctl->ConfSend(0x1038, body.data(), uint32_t(body.size()), 5));
    ASSERT_TRUE(server.waitFor(0x1038, 1, 2000));
    const ConfMessage m = server.messages().back();
    EXPECT_TRUE(m.underNewKey);
    EXPECT_EQ(m.header.bodySize, 32u);  // 4 + 13 bytes padded to a whole block
    EXPECT_EQ(m.header.param, 5);
    EXPECT_EQ(m.body, body);
    EXPECT_EQ(server.decryptFailures(), 0);
}

TEST_F(ConfEntry, RunningConnectionDispatchesKeepsAliveAndReportsOneError) {
    ConfServerFixture server(ConfServerScript{});
    ASSERT_EQ(Enter("127.0.0.1", server.port()), 0);
    ASSERT_TRUE(ctl->CreateStreamThread());
    QuorixControlTestPeer::SetLoggedIn(*ctl, true);

    // A silent connection sends keep-alives (every second idle call), without a body.
    ASSERT_TRUE(server.waitFor(CONF_ALIVE_CHECK, 2, 3000));
    for (const ConfMessage& m : server.messages()) {
        if (m.header.msgId == CONF_ALIVE_CHECK) {
            EXPECT_EQ(m.header.bodySize, 0u);
        }
    }

    // Messages from the server are decrypted under the new key and dispatched by id.
    server.send(0x7A7A, {9, 8, 7});
    server.send(0x7B7B, {});
    for (int i = 0; i < 3000 && !events.logged("unsupported message [0x00007b7b]"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(events.logged("[Conf] Received a message from [0x00007a7a]."));
    EXPECT_TRUE(events.logged("[Conf] Received an unsupported message [0x00007a7a]."));
    EXPECT_TRUE(events.logged("[Conf] Received an unsupported message [0x00007b7b]."));
    EXPECT_FALSE(events.logged("Failed to decrypt"));

    // The server goes away: exactly one error reaches the application.
    server.closeClient();
    for (int i = 0; i < 3000 && events.errorCount() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(events.errorCount(), 1);
    EXPECT_TRUE(events.logged("[Conf] Failed to recv."));
    QuorixControlTestPeer::SetLoggedIn(*ctl, false);
    ctl->ConfDisconnect();
}

TEST_F(ConfEntry, ShortFramesAndUndecryptableBodiesAreDropped) {
    ConfServerFixture server(ConfServerScript{});
    ASSERT_EQ(Enter("127.0.0.1", server.port()), 0);
    const uint8_t frame15[15] = {0x7A, 0x7A};
    ctl->ConfOnRecv(frame15, 15);
    EXPECT_FALSE(events.logged("0x00007a7a"));
    uint8_t frame[16 + 20] = {};
    PROT_STD_T h;
    h.msgId = 0x7C7C;
    h.bodySize = 20;  // not a whole cipher block
    h.Write(frame);
    ctl->ConfOnRecv(frame, sizeof frame);
    EXPECT_TRUE(events.logged("[Conf] Failed to decrypt packet [Msg:0x7C7C Size:20]."));
    EXPECT_FALSE(events.logged("Received a message from [0x00007c7c]"));
    // A header that claims more than the frame holds is read only as far as the frame goes.
    std::vector<uint8_t> shortFrame(16 + 16);
    h.msgId = 0x7D7D;
    h.bodySize = 4096;
    h.Write(shortFrame.data());
    ctl->ConfOnRecv(shortFrame.data(), int(shortFrame.size()));
    EXPECT_TRUE(events.logged("[Conf] Failed to decrypt packet [Msg:0x7D7D Size:16]."));
}

TEST_F(ConfEntry, EntersThroughTheTunnel) {
    const std::string addr = TunnelAddr(1);
    ConfServerScript script;
    script.expectGreeting = true;
    ConfServerFixture tunnel(script, addr.c_str(), 443);
    ASSERT_TRUE(tunnel.listening());
    QuorixControlTestPeer::SetConnectType(*ctl, CONNECT_TUNNEL);
    // The room's port is not used by the tunnel: it always goes to 443.
    ASSERT_EQ(Enter(addr.c_str(), quorix::test::UnusedPort(addr.c_str())), 0);
    EXPECT_EQ(ctl->GetConnectionType(), CONNECT_TUNNEL);
    EXPECT_EQ(tunnel.greeting(), ExpectedGreeting(0));
    ExpectEntryRequests(tunnel);
}

TEST_F(ConfEntry, RotatesFromARefusedDirectConnectionToTheTunnelAndRemembersIt) {
    const std::string addr = TunnelAddr(2);
    ConfServerScript script;
    script.expectGreeting = true;
    ConfServerFixture tunnel(script, addr.c_str(), 443);
    ASSERT_TRUE(tunnel.listening());
    ASSERT_EQ(Enter(addr.c_str(), quorix::test::UnusedPort(addr.c_str())), 0);
    EXPECT_EQ(ctl->GetConnectionType(), CONNECT_TUNNEL);
    EXPECT_EQ(tunnel.connections(), 1);
}

TEST_F(ConfEntry, EntersThroughAProxy) {
    const std::string addr = TunnelAddr(3);
    ConfServerScript script;
    script.expectGreeting = true;
    ConfServerFixture server(script, addr.c_str(), 443);
    ProxyFixture proxy(ProxyFixture::Reply::Ok);
    ASSERT_TRUE(server.listening() && proxy.listening());
    const std::string list =
        "[{\"proxyType\":\"HTTP\",\"proxyHost\":\"127.0.0.1\",\"proxyPort\":" + std::to_string(proxy.port()) +
        "}]";
    QuorixControlTestPeer::SetConnectType(*ctl, CONNECT_PROXY);
    ASSERT_EQ(Enter(addr.c_str(), 8080, list.c_str()), 0);
    EXPECT_EQ(ctl->GetConnectionType(), CONNECT_PROXY);
    ASSERT_EQ(proxy.requests().size(), 1u);
    EXPECT_EQ(proxy.requests()[0], "CONNECT " + addr + ":443 HTTP/1.1\r\nHost: " + addr +
                                       "\r\nUser-Agent: " + kUserAgent +
                                       "\r\nContent-Length: 0\r\nProxy-Connection: Keep-Alive\r\n"
                                       "Proxy-Connection: Keep-Alive\r\nPragma: no-cache\r\n\r\n");
    EXPECT_EQ(server.greeting(), ExpectedGreeting(1));
    ExpectEntryRequests(server, &proxy);
}

TEST_F(ConfEntry, ProxyRefusalFailsTheEntryWithMinusOneAndKeepsTheSubCode) {
    ProxyFixture proxy(ProxyFixture::Reply::Status407);
    const std::string list =
        "[{\"proxyHost\":\"127.0.0.1\",\"proxyPort\":" + std::to_string(proxy.port()) + "}]";
    const std::string addr = TunnelAddr(5);  // nothing listens there: direct and tunnel are refused
    // From 2: tunnel (refused), proxy (407), direct (refused, leaves the sub-code alone).
    QuorixControlTestPeer::SetConnectType(*ctl, CONNECT_TUNNEL2);
    EXPECT_EQ(Enter(addr.c_str(), quorix::test::UnusedPort(addr.c_str()), list.c_str()), -1);
    EXPECT_EQ(ctl->GetConnectionError(), -12);
    EXPECT_EQ(proxy.requests().size(), 1u);
    EXPECT_FALSE(ctl->ConfIsEnterRoom());
}

// The conference server's answers and what the entry makes of them.
struct ResultCase {
    const char* what;
    void (*script)(ConfServerScript&);
    int expected;
};

TEST_F(ConfEntry, ServerResultsTable) {
    const ResultCase cases[] = {
        {"login 0", [](ConfServerScript&) {}, 0},
        {"login 5 is accepted", [](ConfServerScript& s) { s.loginResult = 5; }, 0},
        {"unencrypted key exchange, then the new key", [](ConfServerScript& s) { s.exchangeLevel = 0; }, 0},
        {"AES-192 exchange, AES-128 new key",
         [](ConfServerScript& s) {
             s.exchangeLevel = 2;
             s.keyLevel = 1;
         },
         0},
        {"login 1", [](ConfServerScript& s) { s.loginResult = 1; }, 1},
        {"login 2", [](ConfServerScript& s) { s.loginResult = 2; }, 2},
        {"login 3", [](ConfServerScript& s) { s.loginResult = 3; }, 3},
        {"login 4", [](ConfServerScript& s) { s.loginResult = 4; }, 4},
        {"login 6", [](ConfServerScript& s) { s.loginResult = 6; }, 6},
        {"login 7 unknown", [](ConfServerScript& s) { s.loginResult = 7; }, -17},
        {"login -1 unknown", [](ConfServerScript& s) { s.loginResult = -1; }, -17},
        {"enter 1", [](ConfServerScript& s) { s.enterResult = 1; }, 8},
        {"enter 2", [](ConfServerScript& s) { s.enterResult = 2; }, 9},
        {"enter 3", [](ConfServerScript& s) { s.enterResult = 3; }, 10},
        {"enter 4", [](ConfServerScript& s) { s.enterResult = 4; }, 11},
        {"enter 5", [](ConfServerScript& s) { s.enterResult = 5; }, 12},
        {"enter 6 unknown", [](ConfServerScript& s) { s.enterResult = 6; }, -17},
        {"login reply of another id", [](ConfServerScript& s) { s.loginReply = Reply::WrongId; }, -6},
        {"login silence", [](ConfServerScript& s) { s.loginReply = Reply::Silent; }, -6},
        {"login undecryptable", [](ConfServerScript& s) { s.loginReply = Reply::Garbage; }, -6},
        {"login body above the maximum", [](ConfServerScript& s) { s.loginReply = Reply::HugeHeader; }, -6},
        {"login closed", [](ConfServerScript& s) { s.loginReply = Reply::Close; }, -6},
        {"login body short", [](ConfServerScript& s) { s.loginBody.resize(135); }, -6},
        {"enter reply of another id", [](ConfServerScript& s) { s.enterReply = Reply::WrongId; }, -6},
        {"enter silence", [](ConfServerScript& s) { s.enterReply = Reply::Silent; }, -6},
        {"enter undecryptable", [](ConfServerScript& s) { s.enterReply = Reply::Garbage; }, -6},
        {"enter body short", [](ConfServerScript& s) { s.enterBodySize = 383; }, -6},
        {"enter count negative", [](ConfServerScript& s) { s.countOverride = -1; }, -6},
        {"enter count beyond the body",
         [](ConfServerScript& s) {
             s.users = {MakeUser("a", "A", "S0", 1, true, true)};
             s.countOverride = 2;
         },
         -6},
        {"enter count that wraps 32-bit sizes", [](ConfServerScript& s) { s.countOverride = 0x02222223; },
         -6},
        // A new key level outside 1 to 3 switches the connection to plain bodies.
        {"new key of level 0", [](ConfServerScript& s) { s.keyLevel = 0; }, 0},
        {"new key of an unknown level", [](ConfServerScript& s) { s.keyLevel = 9; }, 0},
        {"key exchange of another id",
         [](ConfServerScript& s) { s.keyExchange = ConfServerScript::KeyExchange::WrongId; }, -13},
        {"key exchange closed",
         [](ConfServerScript& s) { s.keyExchange = ConfServerScript::KeyExchange::Close; }, -13},
    };
    for (const ResultCase& c : cases) {
        ConfServerScript script;
        c.script(script);
        ConfServerFixture server(script);
        EXPECT_EQ(Enter("127.0.0.1", server.port()), c.expected) << c.what;
        EXPECT_EQ(ctl->ConfIsEnterRoom(), c.expected == 0) << c.what;
        if (c.expected == 0) {
            // The connection goes on under the enter reply's key.
            const uint8_t body[3] = {1, 2, 3};
            EXPECT_TRUE(ctl->ConfSend(0x1038, body, sizeof body, 0)) << c.what;
            EXPECT_TRUE(server.waitFor(0x1038, 1, 2000)) << c.what;
            EXPECT_TRUE(server.messages().back().underNewKey) << c.what;
            EXPECT_EQ(server.decryptFailures(), 0) << c.what;
            const bool plain = script.keyLevel < 1 || script.keyLevel > 3;
            EXPECT_EQ(server.messages().back().header.bodySize, plain ? 3u : 16u) << c.what;
        }
        ctl->ConfDisconnect();
    }
}

TEST_F(ConfEntry, ArgumentsAndStateThatStopTheEntryBeforeConnecting) {
    ConfServerFixture server(ConfServerScript{});
    QuorixControlTestPeer::Login login;
    const std::string longId(48, 'u');
    login.userId = longId.c_str();
    QuorixControlTestPeer::SetLogin(*ctl, login);
    EXPECT_EQ(Enter("127.0.0.1", server.port()), -9);
    const std::string longHost(48, 'h');
    QuorixControlTestPeer::SetLogin(*ctl, QuorixControlTestPeer::Login{});
    EXPECT_EQ(Enter(longHost.c_str(), server.port()), -9);
    EXPECT_EQ(server.connections(), 0);

    ASSERT_EQ(Enter("127.0.0.1", server.port()), 0);
    EXPECT_EQ(Enter("127.0.0.1", server.port()), -17);  // already open
    EXPECT_EQ(Enter("127.0.0.1", quorix::test::UnusedPort("127.0.0.1")), -17);
    ctl->ConfDisconnect();
    EXPECT_EQ(Enter("127.0.0.1", quorix::test::UnusedPort("127.0.0.1")), -1);
}

}  // namespace
