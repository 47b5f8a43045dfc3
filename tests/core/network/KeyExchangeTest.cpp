// The client side of the key exchange (CCommonProc) against the loopback
// key-exchange peer, the synchronous receive and the proxy reply head.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "network/CommonProc.h"
#include "crypto/aes.h"
#include "fixtures/KeyExchangePeer.h"
#include "fixtures/ProxyFixture.h"
#include "tessel/TS_Common.h"
#include "tessel/TS_Socket.h"

using quorix::test::ByteVec;
using quorix::test::KeyExchangePeer;
using quorix::test::KeyExchangeServer;
using quorix::test::ProxyFixture;

namespace {

// Restores the synchronous wait after each test.
class KeyExchangeTest : public ::testing::Test {
protected:
    void TearDown() override { CCommonProc::SetSyncWaitMs(CCommonProc::SYNC_WAIT_MS); }
};

bool Connect(CSocketTCP& socket, uint16_t port) {
    return socket.Connect("127.0.0.1", port, 5000) == 0;
}

struct Pair : AES_INFO {
    ~Pair() { CCommonProc::FreeKey(this); }
};

// The client half of the peer's test framing: u32 little-endian body size, body.
bool SendMessage(CSocketTCP& socket, const AES_INFO& pair, const ByteVec& plain) {
    int size = pair.pSend ? CCommonProc::QuorixEncryptSize(pair.pSend, int(plain.size())) : int(plain.size());
    ByteVec frame(4 + size_t(size));
    for (int i = 0; i < 4; ++i) frame[size_t(i)] = uint8_t(uint32_t(size) >> (8 * i));
    int written = 0;
    if (!CCommonProc::QuorixEncryptt(pair.pSend, plain.data(), int(plain.size()), frame.data() + 4,
                                     &written) ||
        written != size) {
        return false;
    }
    return socket.Send(frame.data(), int(frame.size()), MSG_NOSIGNAL) == int(frame.size());
}

bool RecvMessage(CSocketTCP& socket, const AES_INFO& pair, ByteVec& plain) {
    uint8_t* head = CCommonProc::SyncRecvPacket(&socket, 4);
    if (!head) return false;
    int size =
        int(uint32_t(head[0]) | uint32_t(head[1]) << 8 | uint32_t(head[2]) << 16 | uint32_t(head[3]) << 24);
    __free__(head);
    uint8_t* body = CCommonProc::SyncRecvPacket(&socket, size);
    if (!body) return false;
    plain.assign(size_t(size), 0);
    int length = 0;
    bool ok = CCommonProc::QuorixDecrypt(pair.pRecv, body, size, plain.data(), &length);
    __free__(body);
    plain.resize(size_t(length));
    return ok;
}

ByteVec Reversed(const ByteVec& v) {
    return ByteVec(v.rbegin(), v.rend());
}

// One message to the echoing peer; true when its reply is the body reversed.
bool RoundTrip(CSocketTCP& socket, const AES_INFO& pair, const ByteVec& body) {
    ByteVec echo;
    return SendMessage(socket, pair, body) && RecvMessage(socket, pair, echo) && echo == Reversed(body);
}

// The peer's echo: the body reversed, so a round trip proves both directions.
bool Echo(KeyExchangePeer& peer, KeyExchangeServer& server) {
    ByteVec body;
    if (!peer.RecvMessage(body)) {
        server.Fail("no message (level " + std::to_string(peer.level()) + ", key " + peer.keyText() + ")");
        return false;
    }
    if (!peer.SendMessage(Reversed(body))) {
        server.Fail("echo not sent");
        return false;
    }
    return true;
}

void ExpectNoFailures(const KeyExchangeServer& server) {
    for (const auto& f : server.failures()) ADD_FAILURE() << "peer: " << f;
}

// 10,000 exchanges at each level 0 to 4 on one connection, each with new
// primes, exponents and keys, followed by a round trip. The peer computes its side with its own 128-bit
// modular power, key text and OpenSSL's SHA-256 and AES, so every round trip
// cross-checks the client's arithmetic, key text and cipher.
TEST_F(KeyExchangeTest, AgreesWithThePeerAtEveryLevel) {
    constexpr int kPerLevel = 10000;
    static_assert(kPerLevel > 0);
    std::set<uint64_t> moduli;
    KeyExchangeServer server([&](KeyExchangePeer& peer) {
        for (int i = 0; i < 5 * kPerLevel; ++i) {
            KeyExchangePeer::Options options;
            options.level = uint32_t(i % 5);
            if (!peer.ServeKeyExchange(options)) return server.Fail("exchange " + std::to_string(i));
            const auto& r = peer.request();
            if (r.id != 0x2000 || r.zero != 0 || r.g < 7 || r.g >= r.n || r.A >= r.n || r.n >= (1ull << 32)) {
                return server.Fail("request " + std::to_string(i));
            }
            moduli.insert(r.n);
            if (!Echo(peer, server)) return;
        }
    });
    CSocketTCP socket;
    ASSERT_TRUE(Connect(socket, server.port()));
    // One exchange and round trip; an empty text when all went well.
    auto exchange = [&socket](int i) -> std::string {
        const int level = i % 5;
        Pair pair;  // a new connection's pair: empty
        if (!CCommonProc::ExchangeKey(&socket, &pair)) return "exchange failed";
        if ((level >= 1 && level <= 3) != (pair.pSend != nullptr) || !pair.pSend != !pair.pRecv)
            return "pair";
        ByteVec body(size_t(1 + i % 40), uint8_t(i));
        body[0] = uint8_t(level);
        ByteVec echo;
        if (!SendMessage(socket, pair, body)) return "send";
        if (!RecvMessage(socket, pair, echo)) return "receive";
        return echo == Reversed(body) ? "" : "echo differs";
    };
    for (int i = 0; i < 5 * kPerLevel; ++i) {
        std::string error = exchange(i);
        if (!error.empty()) {
            ADD_FAILURE() << "exchange " << i << ": " << error;
            break;
        }
    }
    socket.Close();
    server.Stop();
    ExpectNoFailures(server);
    EXPECT_GT(moduli.size(), size_t(4 * kPerLevel));  // fresh primes nearly every time
}

// Connections opened one right after the other (in the same second) offer
// different primes and public values: nobody can recompute them from the time.
TEST_F(KeyExchangeTest, ExchangesInTheSameSecondOfferDifferentValues) {
    std::vector<quorix::test::KeyExchangeRequest> requests;
    KeyExchangeServer server([&](KeyExchangePeer& peer) {
        KeyExchangePeer::Options options;
        options.level = 0;
        if (!peer.ServeKeyExchange(options)) return server.Fail("exchange");
        requests.push_back(peer.request());
        uint8_t rest;
        peer.Read(&rest, 1, 2000);  // until the client closes
    });
    for (int i = 0; i < 4; ++i) {
        CSocketTCP socket;
        ASSERT_TRUE(Connect(socket, server.port()));
        Pair pair;
        ASSERT_TRUE(CCommonProc::ExchangeKey(&socket, &pair));
        socket.Close();
    }
    server.Stop();
    ExpectNoFailures(server);
    ASSERT_EQ(4u, requests.size());
    for (size_t i = 0; i < requests.size(); ++i) {
        for (size_t j = i + 1; j < requests.size(); ++j) {
            EXPECT_NE(requests[i].A, requests[j].A) << i << " " << j;
            EXPECT_FALSE(requests[i].g == requests[j].g && requests[i].n == requests[j].n) << i << " " << j;
        }
    }
}

// A peer whose public value is not reduced modulo n (the same number plus
// multiples of n, up to 64 bits) still agrees on the key: round trips at
// every encrypting level.
TEST_F(KeyExchangeTest, UnreducedPeerValueAgrees) {
    const uint64_t multiples[] = {1, 3, 1ull << 20, 1ull << 32};
    KeyExchangeServer server([&](KeyExchangePeer& peer) {
        for (uint64_t m : multiples) {
            for (uint32_t level = 1; level <= 3; ++level) {
                KeyExchangePeer::Options options;
                options.level = level;
                options.unreducedBy = m;
                if (!peer.ServeKeyExchange(options)) return server.Fail("exchange");
                if (!Echo(peer, server)) return;
            }
        }
    });
    CSocketTCP socket;
    ASSERT_TRUE(Connect(socket, server.port()));
    for (uint64_t m : multiples) {
        for (int level = 1; level <= 3; ++level) {
            SCOPED_TRACE(testing::Message() << "B + " << m << " n, level " << level);
            Pair pair;
            ASSERT_TRUE(CCommonProc::ExchangeKey(&socket, &pair));
            EXPECT_TRUE(RoundTrip(socket, pair, ByteVec{'k', 'e', 'y', uint8_t(level)}));
        }
    }
    socket.Close();
    server.Stop();
    ExpectNoFailures(server);
}

// Bodies are encrypted exactly as the peer (OpenSSL) encrypts them: the cipher
// text on the wire is compared, not only the decrypted result.
TEST_F(KeyExchangeTest, CipherTextOnTheWireMatchesThePeer) {
    ByteVec wire;
    KeyExchangeServer server([&](KeyExchangePeer& peer) {
        KeyExchangePeer::Options options;
        options.level = 3;
        if (!peer.ServeKeyExchange(options)) return server.Fail("exchange");
        uint8_t size[4];
        if (!peer.Read(size, 4)) return server.Fail("size");
        wire.resize(size[0]);
        if (!peer.Read(wire.data(), wire.size())) return server.Fail("body");
        if (wire != peer.Encrypt(ByteVec{'a', 'b', 'c'})) server.Fail("cipher text differs");
        if (!peer.SendMessage(ByteVec{'x', 'y'})) server.Fail("reply");
    });
    CSocketTCP socket;
    ASSERT_TRUE(Connect(socket, server.port()));
    Pair pair;
    ASSERT_TRUE(CCommonProc::ExchangeKey(&socket, &pair));
    ASSERT_TRUE(SendMessage(socket, pair, ByteVec{'a', 'b', 'c'}));
    ByteVec echo;
    ASSERT_TRUE(RecvMessage(socket, pair, echo));
    EXPECT_EQ((ByteVec{'x', 'y'}), echo);
    socket.Close();
    server.Stop();
    ExpectNoFailures(server);
    EXPECT_EQ(16u, wire.size());  // "abc": one block
}

// A key change carried inside an encrypted message, then a round trip under
// the new key; the old key no longer reads the new traffic.
TEST_F(KeyExchangeTest, KeyChangeIsFollowedByARoundTripUnderTheNewKey) {
    const std::string newText = "Qz81mPwe";
    KeyExchangeServer server([&](KeyExchangePeer& peer) {
        KeyExchangePeer::Options options;
        options.level = 1;
        if (!peer.ServeKeyExchange(options)) return server.Fail("exchange");
        ByteVec order(1 + newText.size(), 3);  // the level, then the key text
        std::memcpy(order.data() + 1, newText.data(), newText.size());
        if (!peer.SendMessage(order)) return server.Fail("order");
        peer.SetKey(3, newText);
        Echo(peer, server);
    });
    CSocketTCP socket;
    ASSERT_TRUE(Connect(socket, server.port()));
    Pair pair;
    ASSERT_TRUE(CCommonProc::ExchangeKey(&socket, &pair));
    ByteVec order;
    ASSERT_TRUE(RecvMessage(socket, pair, order));
    ASSERT_EQ(9u, order.size());
    std::string text(order.begin() + 1, order.end());
    ASSERT_EQ(newText, text);

    // The callers free the old handles before the change; here they are kept
    // to show that the old key no longer reads the traffic.
    Pair old;
    static_cast<AES_INFO&>(old) = pair;
    pair.pSend = pair.pRecv = nullptr;
    ASSERT_TRUE(CCommonProc::ChangeKey(order[0], text.c_str(), &pair));

    const ByteVec body = {'n', 'e', 'w', ' ', 'k', 'e', 'y'};
    ASSERT_TRUE(SendMessage(socket, pair, body));
    uint8_t* head = CCommonProc::SyncRecvPacket(&socket, 4);
    ASSERT_NE(nullptr, head);
    const int size = head[0];
    __free__(head);
    uint8_t* cipher = CCommonProc::SyncRecvPacket(&socket, size);
    ASSERT_NE(nullptr, cipher);
    uint8_t plain[64];
    int length = 0;
    EXPECT_FALSE(CCommonProc::QuorixDecrypt(old.pRecv, cipher, size, plain, &length));
    ASSERT_TRUE(CCommonProc::QuorixDecrypt(pair.pRecv, cipher, size, plain, &length));
    __free__(cipher);
    EXPECT_EQ(Reversed(body), ByteVec(plain, plain + length));
    socket.Close();
    server.Stop();
    ExpectNoFailures(server);
}

// Replies that end the exchange: a wrong id, a short reply (then close) and
// none at all (time-out). The pair stays empty; plain levels keep the pair.
TEST_F(KeyExchangeTest, FailedAndPlainReplies) {
    CCommonProc::SetSyncWaitMs(200);
    const struct {
        KeyExchangePeer::Fault fault;
        uint32_t level;
        bool result;
    } cases[] = {
        {KeyExchangePeer::Fault::WrongId, 1, false}, {KeyExchangePeer::Fault::ShortReply, 1, false},
        {KeyExchangePeer::Fault::NoReply, 1, false}, {KeyExchangePeer::Fault::None, 0, true},
        {KeyExchangePeer::Fault::None, 4, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "fault " << int(c.fault) << " level " << c.level);
        KeyExchangeServer server([&](KeyExchangePeer& peer) {
            KeyExchangePeer::Options options;
            options.level = c.level;
            options.fault = c.fault;
            if (!peer.ServeKeyExchange(options)) return server.Fail("request");
            uint8_t rest;
            peer.Read(&rest, 1, 2000);  // hold the connection until the client closes it
        });
        CSocketTCP socket;
        ASSERT_TRUE(Connect(socket, server.port()));
        Pair pair;
        ASSERT_TRUE(CCommonProc::ChangeKey(2, "Previous", &pair));  // an earlier key of this connection
        const AES_INFO before = pair;
        EXPECT_EQ(c.result, CCommonProc::ExchangeKey(&socket, &pair));
        if (c.result) {
            EXPECT_EQ(before.pSend, pair.pSend);  // plain level: the pair is left as it was
            EXPECT_EQ(before.pRecv, pair.pRecv);
        }
        socket.Close();
        server.Stop();
        ExpectNoFailures(server);
    }
    CSocketTCP closed;
    Pair pair;
    EXPECT_FALSE(CCommonProc::ExchangeKey(&closed, &pair));  // request cannot be sent
    EXPECT_FALSE(CCommonProc::ExchangeKey(nullptr, &pair));
}

TEST_F(KeyExchangeTest, SynchronousReceiveBoundsAndErrors) {
    // Long enough that a loaded machine never turns a 20 ms pause into a time-out.
    CCommonProc::SetSyncWaitMs(1000);
    const int kMax = CCommonProc::MAX_SYNC_RECV_SIZE;
    KeyExchangeServer server([&](KeyExchangePeer& peer) {
        ByteVec big(static_cast<size_t>(kMax));
        for (size_t i = 0; i < big.size(); ++i) big[i] = uint8_t(i * 7);
        // In pieces with pauses, so the receive has to wait more than once.
        if (!peer.Write(big.data(), 1000)) return server.Fail("first piece");
        usleep(20000);
        if (!peer.Write(big.data() + 1000, big.size() - 1000)) return server.Fail("rest");
        const uint8_t tail[3] = {1, 2, 3};
        if (!peer.Write(tail, 3)) return server.Fail("tail");
        uint8_t go;
        if (!peer.Read(&go, 1)) return server.Fail("go");
        peer.Close();
    });
    CSocketTCP socket;
    ASSERT_TRUE(Connect(socket, server.port()));
    // Sizes from the network beyond the body maximum are refused before any read.
    for (int size : {0, -1, kMax + 1, INT32_MAX})
        EXPECT_EQ(nullptr, CCommonProc::SyncRecvPacket(&socket, size));
    uint8_t* big = CCommonProc::SyncRecvPacket(&socket, kMax);
    ASSERT_NE(nullptr, big);
    bool intact = true;
    for (int i = 0; i < kMax; ++i) intact &= big[i] == uint8_t(i * 7);
    EXPECT_TRUE(intact);
    __free__(big);

    uint8_t buf[8];
    EXPECT_EQ(0, CCommonProc::SyncRecvData(&socket, buf, 3));
    EXPECT_EQ(0, std::memcmp(buf, "\1\2\3", 3));
    EXPECT_EQ(SOCK_ERR_TIMEOUT, CCommonProc::SyncRecvData(&socket, buf, 1));  // nothing more: time-out
    ASSERT_EQ(1, socket.Send("g", 1, MSG_NOSIGNAL));
    EXPECT_EQ(SOCK_ERR_CLOSED, CCommonProc::SyncRecvData(&socket, buf, 1));  // the peer closed
    EXPECT_EQ(nullptr, CCommonProc::SyncRecvPacket(&socket, 4));
    EXPECT_EQ(0, CCommonProc::SyncRecvData(&socket, buf, 0));
    EXPECT_EQ(SOCK_ERR_BAD_ARG, CCommonProc::SyncRecvData(&socket, nullptr, 4));
    EXPECT_EQ(SOCK_ERR_NO_SOCKET, CCommonProc::SyncRecvData(nullptr, buf, 4));
    socket.Close();
    server.Stop();
    ExpectNoFailures(server);
}

// A CONNECT through the scripted proxy, then the reply head.
struct ProxyHead {
    bool ok = false;
    std::string head;
    int status = 0;
};

ProxyHead ReadProxyHead(CSocketTCP& socket, uint16_t proxyPort, uint16_t targetPort) {
    ProxyHead r;
    if (!Connect(socket, proxyPort)) return r;
    std::string request = "CONNECT 127.0.0.1:" + std::to_string(targetPort) +
                          " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(targetPort) + "\r\n\r\n";
    if (socket.Send(request.data(), int(request.size()), MSG_NOSIGNAL) != int(request.size())) return r;
    char* buffer = static_cast<char*>(__malloc__(1024));
    std::memset(buffer, 0, 1024);
    r.ok = CCommonProc::ProxyHTTPRequestHeadRecv(&socket, &buffer, 1024);
    r.head = buffer;
    r.status = CCommonProc::ProxyHTTPStatusCode(buffer);
    __free__(buffer);
    return r;
}

// A head of more than 1500 bytes grows the buffer; the key exchange then runs
// through the tunnel to the peer.
TEST_F(KeyExchangeTest, ProxyLongHeadThenExchangeThroughTheTunnel) {
    KeyExchangeServer target([&](KeyExchangePeer& peer) {
        KeyExchangePeer::Options options;
        options.level = 2;
        if (!peer.ServeKeyExchange(options)) return target.Fail("exchange");
        Echo(peer, target);
    });
    ProxyFixture proxy(ProxyFixture::Reply::LongHead);
    CSocketTCP socket;
    ProxyHead r = ReadProxyHead(socket, proxy.port(), target.port());
    ASSERT_TRUE(r.ok);
    EXPECT_GT(r.head.size(), 1500u);
    EXPECT_EQ("\r\n\r\n", r.head.substr(r.head.size() - 4));
    EXPECT_EQ(200, r.status);

    Pair pair;
    ASSERT_TRUE(CCommonProc::ExchangeKey(&socket, &pair));
    ASSERT_NE(nullptr, pair.pSend);
    EXPECT_TRUE(RoundTrip(socket, pair, ByteVec{'t', 'u', 'n', 'n', 'e', 'l'}));
    socket.Close();
    target.Stop();
    ExpectNoFailures(target);
}

TEST_F(KeyExchangeTest, ProxyRefusalAndEndlessHead) {
    CCommonProc::SetSyncWaitMs(2000);
    {
        ProxyFixture proxy(ProxyFixture::Reply::Status407);
        CSocketTCP socket;
        ProxyHead r = ReadProxyHead(socket, proxy.port(), 9);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(407, r.status);
    }
    {
        // The head never ends: reading stops at the cap instead of growing for ever.
        ProxyFixture proxy(ProxyFixture::Reply::EndlessHead);
        CSocketTCP socket;
        ProxyHead r = ReadProxyHead(socket, proxy.port(), 9);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(size_t(CCommonProc::PROXY_HEAD_MAX_SIZE - 1), r.head.size());
        EXPECT_GE(proxy.endlessBytesSent(), size_t(CCommonProc::PROXY_HEAD_MAX_SIZE - 1));
    }
    {
        CCommonProc::SetSyncWaitMs(150);
        ProxyFixture proxy(ProxyFixture::Reply::CloseBeforeHead);
        CSocketTCP socket;
        ProxyHead r = ReadProxyHead(socket, proxy.port(), 9);
        EXPECT_FALSE(r.ok);
    }
}

// A head with a NUL byte before its blank line is still complete.
TEST_F(KeyExchangeTest, ProxyHeadSearchIsBinarySafe) {
    KeyExchangeServer proxy([&](KeyExchangePeer& peer) {
        char c;
        std::string request;
        while (request.find("\r\n\r\n") == std::string::npos && peer.Read(&c, 1)) request += c;
        static const char reply[] = "HTTP/1.1 200 OK\r\nX-Odd: a\0b\r\n\r\n";
        if (!peer.Write(reply, sizeof reply - 1)) proxy.Fail("reply");
        peer.Read(&c, 1, 2000);
    });
    CSocketTCP socket;
    CCommonProc::SetSyncWaitMs(1000);
    ProxyHead r = ReadProxyHead(socket, proxy.port(), 9);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(200, r.status);
    socket.Close();
    proxy.Stop();
    ExpectNoFailures(proxy);
}

}  // namespace
