// The connection threads over loopback TCP against a peer that runs the
// server side of the key exchange and then speaks the framing with plain
// blocking I/O: thousands of encrypted messages each way, bounded queues
// behind a peer that does not read, the once-only errors when the peer
// closes, and many rounds of starting and stopping all twelve threads.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "network/CommonProc.h"
#include "crypto/aes.h"
#include "fixtures/KeyExchangePeer.h"
#include "network/ThreadConf.h"
#include "network/ThreadVpex.h"
#include "StreamFixture.h"

using namespace streamtest;

namespace {

constexpr int kMessages = 10000;
constexpr uint32_t kLimits[5] = {STREAM_SEND_UNLIMITED, 75, 50, 20, 30};

Bytes Footer() {
    return {0x97, 0xFA, 0x09, 0x15};
}

// The plain body of message `seq` of class `cls`.
Bytes PlainBody(uint32_t cls, uint32_t seq) {
    return Body(1 + (seq * 37 + cls * 11) % 700, cls * 100000 + seq);
}

// Relay ids in turn: with footer, without, with piece trailer and footer,
// with footer, without.
constexpr uint32_t kRelayIds[] = {4, 5, 0x1009, 13, 16};
bool RelayFooter(uint32_t id) {
    return id == 4 || id == 13 || id == 0x1009;
}

using Encryptor = std::function<Bytes(const Bytes&)>;
using Decryptor = std::function<bool(const Bytes&, Bytes&)>;

// The client's side of the cipher: the handles of its key pair.
Encryptor ClientEncryptor(CQXCrypt* handle) {
    return [handle](const Bytes& plain) {
        Bytes cipher(aes_get_encrypted_size(handle, static_cast<uint32_t>(plain.size())));
        const uint32_t n =
            aes_encrypt(handle, plain.data(), static_cast<uint32_t>(plain.size()), cipher.data());
        cipher.resize(n);
        return cipher;
    };
}
Decryptor ClientDecryptor(CQXCrypt* handle) {
    return [handle](const Bytes& cipher, Bytes& plain) {
        plain.resize(cipher.size());
        const uint32_t n = aes_decrypt(handle, cipher.data(), static_cast<uint32_t>(cipher.size()),
                                       plain.data(), static_cast<uint32_t>(cipher.size()));
        plain.resize(n);
        return n > 0;
    };
}

// An encrypted frame {id, body length, class, seq} + cipher block (+ piece
// trailer + footer for the relay ids that carry them).
Bytes EncryptedFrame(const Encryptor& encrypt, uint32_t id, uint32_t cls, uint32_t seq, bool relay) {
    Bytes body = encrypt(PlainBody(cls, seq));
    const Bytes trailer = {static_cast<uint8_t>(seq % 7), 0, 7, 0};  // piece index, piece count 7
    if (relay && id == 0x1009) body = Concat({body, trailer});
    if (relay && RelayFooter(id)) body = Concat({body, Footer()});
    Bytes frame = Packet(id, body, cls);
    PutU32(frame.data() + 12, seq);
    return frame;
}

// Checks one received frame (footer and trailer already gone) against the
// next sequence number of its class.
struct OrderCheck {
    std::array<uint32_t, 5> next{};
    int bad = 0;
    int total = 0;

    void Check(const Decryptor& decrypt, const uint8_t* frame, size_t length) {
        ++total;
        const uint32_t cls = GetU32(frame + 8);
        const uint32_t seq = GetU32(frame + 12);
        Bytes plain;
        const bool ok = GetU32(frame + 4) == length - 16 && cls < 5 &&
                        decrypt(Bytes(frame + 16, frame + length), plain) && seq == next[cls] &&
                        plain == PlainBody(cls, seq);
        if (!ok) {
            ++bad;
            return;
        }
        ++next[cls];
    }
};

// A client connection with its exchanged key, and the server end (which
// owns the accepted descriptor).
struct Link {
    CSocketTCP socket;
    AES_INFO keys{};
    std::unique_ptr<quorix::test::KeyExchangePeer> peer;

    explicit Link(int bufferBytes = 0) {
        Listener listener;
        if (bufferBytes > 0) {
            setsockopt(listener.fd, SOL_SOCKET, SO_RCVBUF, &bufferBytes, sizeof bufferBytes);
        }
        std::atomic<bool> served{false};
        std::thread server([&] {
            const int fd = listener.Accept();
            if (fd < 0) return;
            peer = std::make_unique<quorix::test::KeyExchangePeer>(fd);
            quorix::test::KeyExchangePeer::Options options;
            options.level = 3;
            served = peer->ServeKeyExchange(options);
        });
        EXPECT_EQ(0, socket.Connect("127.0.0.1", listener.port, 5000));
        if (bufferBytes > 0) socket.SetSO_SNDBUF(bufferBytes);
        EXPECT_TRUE(CCommonProc::ExchangeKey(&socket, &keys));
        server.join();
        EXPECT_TRUE(served);
        EXPECT_NE(nullptr, keys.pSend);
        EXPECT_EQ(0, socket.SetAsync(true));
    }
    ~Link() { CCommonProc::FreeKey(&keys); }

    Encryptor PeerEncryptor() const {
        return [p = peer.get()](const Bytes& plain) { return p->Encrypt(plain); };
    }
    Decryptor PeerDecryptor() const {
        return [p = peer.get()](const Bytes& cipher, Bytes& plain) { return p->Decrypt(cipher, plain); };
    }
};

// What the client's receive and send threads report to their owner.
struct ClientOwner {
    Decryptor decrypt;
    std::mutex mutex;
    OrderCheck received;
    std::vector<std::pair<int, int>> pieces;  // (index, count) of 0x1009
    std::atomic<int> recvErrors{0};
    std::atomic<int> sendErrors{0};
    std::atomic<int> count{0};

    void OnPacket(uint8_t* packet, int length, int pieceIndex, int pieceCount) {
        std::lock_guard<std::mutex> lock(mutex);
        received.Check(decrypt, packet, static_cast<size_t>(length));
        if (GetU32(packet) == 0x1009) pieces.emplace_back(pieceIndex, pieceCount);
        count++;
    }

    static void ConfRecv(uint8_t* p, int n, void* user) {
        static_cast<ClientOwner*>(user)->OnPacket(p, n, 0, 1);
    }
    static void ConfRecvError(int, int, const char*, void* user) {
        static_cast<ClientOwner*>(user)->recvErrors++;
    }
    static void ConfSendError(int, int, const char*, void* user) {
        static_cast<ClientOwner*>(user)->sendErrors++;
    }
    static void VpexRecv(int, uint8_t* p, int n, void* user, int index, int count) {
        static_cast<ClientOwner*>(user)->OnPacket(p, n, index, count);
    }
    static void VpexRecvError(int, int, int, const char*, void* user) {
        static_cast<ClientOwner*>(user)->recvErrors++;
    }
    static void VpexSendError(int, int, int, const char*, void* user) {
        static_cast<ClientOwner*>(user)->sendErrors++;
    }
};

// The twelve-thread shape of one connection: conference (index -1) or relay.
struct ClientThreads {
    ClientThreads(Link& link, int index, ClientOwner& owner) : relay(index >= 0) {
        owner.decrypt = ClientDecryptor(link.keys.pRecv);
        if (relay) {
            vpexSend = std::make_unique<CThreadSendVpex>(&link.socket, index, 20000,
                                                         ClientOwner::VpexSendError, nullptr, &owner);
            vpexRecv = std::make_unique<CThreadRecvVpex>(&link.socket, index, ClientOwner::VpexRecv,
                                                         ClientOwner::VpexRecvError, &owner);
        } else {
            confSend = std::make_unique<CThreadSendConf>(&link.socket, 20000, ClientOwner::ConfSendError,
                                                         nullptr, &owner);
            confRecv = std::make_unique<CThreadRecvConf>(&link.socket, ClientOwner::ConfRecv,
                                                         ClientOwner::ConfRecvError, &owner);
        }
    }
    bool Start() {
        return relay ? vpexSend->Start() && vpexRecv->Start() : confSend->Start() && confRecv->Start();
    }
    void Stop() {
        if (relay) {
            vpexRecv->Stop();
            vpexSend->Stop();
        } else {
            confRecv->Stop();
            confSend->Stop();
        }
    }
    CThreadSendFramed& Sender() {
        return relay ? static_cast<CThreadSendFramed&>(*vpexSend)
                     : static_cast<CThreadSendFramed&>(*confSend);
    }
    bool Send(const Bytes& frame, uint32_t cls) {
        return Sender().Send(Owned(frame), static_cast<int>(frame.size()), cls);
    }

    bool relay;
    std::unique_ptr<CThreadSendConf> confSend;
    std::unique_ptr<CThreadRecvConf> confRecv;
    std::unique_ptr<CThreadSendVpex> vpexSend;
    std::unique_ptr<CThreadRecvVpex> vpexRecv;
};

// Reads framed messages from the peer end, stripping what the relay adds.
Bytes ReadFrame(const quorix::test::KeyExchangePeer& peer, bool relay, int ms = 10000) {
    Bytes frame = ReadPacketFd(peer.fd(), ms);
    if (frame.empty() || !relay) return frame;
    const uint32_t id = GetU32(frame.data());
    size_t strip = RelayFooter(id) ? 4 : 0;
    if (strip > 0 && Bytes(frame.end() - 4, frame.end()) != Footer()) return {};
    if (id == 0x1009) strip += 4;
    frame.resize(frame.size() - strip);
    PutU32(frame.data() + 4, static_cast<uint32_t>(frame.size() - 16));
    return frame;
}

uint32_t ClassOf(int i) {
    return static_cast<uint32_t>((i * 7 + i / 5) % 5);
}

}  // namespace

class LoopbackTest : public ::testing::TestWithParam<bool> {};

TEST_P(LoopbackTest, TenThousandEncryptedMessagesEachWayKeepTheirOrderInEveryClass) {
    const bool relay = GetParam();
    Link link;
    ASSERT_NE(nullptr, link.peer);
    ClientOwner owner;
    ClientThreads threads(link, relay ? 2 : -1, owner);
    ASSERT_TRUE(threads.Start());

    OrderCheck atPeer;
    const Decryptor peerDecrypt = link.PeerDecryptor();
    const Encryptor peerEncrypt = link.PeerEncryptor();
    const Encryptor clientEncrypt = ClientEncryptor(link.keys.pSend);
    std::thread peerReader([&] {
        for (int i = 0; i < kMessages; ++i) {
            const Bytes frame = ReadFrame(*link.peer, relay);
            if (frame.empty()) break;
            atPeer.Check(peerDecrypt, frame.data(), frame.size());
        }
    });
    std::thread peerWriter([&] {
        std::array<uint32_t, 5> seq{};
        for (int i = 0; i < kMessages; ++i) {
            const uint32_t cls = ClassOf(i);
            const uint32_t id = relay ? kRelayIds[i % 5] : 0x20 + cls;
            if (!WriteFd(link.peer->fd(), EncryptedFrame(peerEncrypt, id, cls, seq[cls]++, relay))) break;
        }
    });

    std::array<uint32_t, 5> seq{};
    for (int i = 0; i < kMessages; ++i) {
        const uint32_t cls = ClassOf(i);
        const uint32_t id = relay ? kRelayIds[i % 5] : 0x20 + cls;
        // Nothing may be dropped here: wait while the class's queue is full.
        ASSERT_TRUE(WaitFor([&] { return threads.Sender().GetBufferingCount(cls) < kLimits[cls]; }));
        ASSERT_TRUE(threads.Send(EncryptedFrame(clientEncrypt, id, cls, seq[cls]++, relay), cls));
    }
    peerReader.join();
    peerWriter.join();
    ASSERT_TRUE(WaitFor([&] { return owner.count == kMessages; }, 20000));
    threads.Stop();

    EXPECT_EQ(kMessages, atPeer.total);
    EXPECT_EQ(0, atPeer.bad);
    EXPECT_EQ(seq, atPeer.next);
    std::lock_guard<std::mutex> lock(owner.mutex);
    EXPECT_EQ(0, owner.received.bad);
    EXPECT_EQ(seq, owner.received.next);
    if (relay) {
        ASSERT_EQ(static_cast<size_t>(kMessages / 5), owner.pieces.size());
        for (const auto& [index, count] : owner.pieces) {
            EXPECT_LT(index, 7);
            EXPECT_EQ(7, count);
        }
    }
    EXPECT_EQ(0, owner.recvErrors.load());
    EXPECT_EQ(0, owner.sendErrors.load());
}

TEST_P(LoopbackTest, PeerNotReadingBoundsVideoAndSharingQueuesButKeepsEveryClassZeroMessage) {
    const bool relay = GetParam();
    Link link(16 * 1024);
    ClientOwner owner;
    ClientThreads threads(link, relay ? 0 : -1, owner);
    ASSERT_TRUE(threads.Start());
    // Far more than the kernel buffers of both ends take: the thread stays
    // busy with it while the peer does not read.
    const Bytes stall = Packet(5, Body(8 * 1024 * 1024, 1), 9);
    ASSERT_TRUE(threads.Send(stall, 1));
    ASSERT_TRUE(WaitFor([&] { return threads.Sender().GetBufferingCount(1) == 0; }));

    std::array<uint32_t, 5> seq{};
    for (int i = 0; i < 300; ++i) {
        const uint32_t cls = std::array<uint32_t, 3>{0, 3, 4}[i % 3];
        ASSERT_TRUE(
            threads.Send(EncryptedFrame(ClientEncryptor(link.keys.pSend), 5, cls, seq[cls]++, relay), cls));
    }
    EXPECT_EQ(100u, threads.Sender().GetBufferingCount(0));
    EXPECT_EQ(20u, threads.Sender().GetBufferingCount(3));
    EXPECT_EQ(30u, threads.Sender().GetBufferingCount(4));

    ASSERT_EQ(stall, ReadFrame(*link.peer, relay));
    // Class 0 whole, then the newest 30 of class 4, then the newest 20 of 3.
    struct Expect {
        uint32_t cls, first, last;
    };
    for (const Expect& e : {Expect{0, 0, 100}, Expect{4, 70, 100}, Expect{3, 80, 100}}) {
        for (uint32_t s = e.first; s < e.last; ++s) {
            const Bytes frame = ReadFrame(*link.peer, relay);
            ASSERT_FALSE(frame.empty());
            ASSERT_EQ(e.cls, GetU32(frame.data() + 8));
            ASSERT_EQ(s, GetU32(frame.data() + 12));
        }
    }
    threads.Stop();
    EXPECT_EQ(0, owner.sendErrors.load());
}

TEST_P(LoopbackTest, ClosingThePeerGivesExactlyOneErrorPerDirection) {
    const bool relay = GetParam();
    Link link;
    ClientOwner owner;
    ClientThreads threads(link, relay ? 4 : -1, owner);
    ASSERT_TRUE(threads.Start());
    link.peer->Close();
    ASSERT_TRUE(WaitFor([&] { return owner.recvErrors > 0; }));
    for (int i = 0; i < 50 && owner.sendErrors == 0; ++i) {
        threads.Send(EncryptedFrame(ClientEncryptor(link.keys.pSend), 5, 0, static_cast<uint32_t>(i), relay),
                     0);
        WaitFor([&] { return owner.sendErrors > 0; }, 100);
    }
    EXPECT_EQ(1, owner.sendErrors.load());
    // Refused from now on (the owner frees what it tried to queue).
    const Bytes late = Packet(5, Body(10, 1));
    void* data = Owned(late);
    EXPECT_FALSE(threads.Sender().Send(data, static_cast<int>(late.size()), 0));
    __free__(data);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    threads.Stop();
    EXPECT_EQ(1, owner.recvErrors.load());
    EXPECT_EQ(1, owner.sendErrors.load());
}

INSTANTIATE_TEST_SUITE_P(ConferenceAndRelay, LoopbackTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Relay" : "Conference"; });

// Six connections (the conference server and five relay connections): their
// twelve threads are created, started, used and stopped 200 times.
TEST(LoopbackStartStopTest, TwelveThreadsStartAndStop200Times) {
    std::vector<std::unique_ptr<Link>> links;
    for (int i = 0; i < 6; ++i) links.push_back(std::make_unique<Link>());
    for (int round = 0; round < 200; ++round) {
        std::vector<std::unique_ptr<ClientOwner>> owners;
        std::vector<std::unique_ptr<ClientThreads>> threads;
        for (int i = 0; i < 6; ++i) {
            owners.push_back(std::make_unique<ClientOwner>());
            owners[i]->received.next[0] = static_cast<uint32_t>(round);
            threads.push_back(std::make_unique<ClientThreads>(*links[i], i - 1, *owners[i]));
            ASSERT_TRUE(threads[i]->Start());
        }
        for (int i = 0; i < 6; ++i) {
            const bool relay = i > 0;
            const uint32_t seq = static_cast<uint32_t>(round);
            ASSERT_TRUE(
                WriteFd(links[i]->peer->fd(), EncryptedFrame(links[i]->PeerEncryptor(), 5, 0, seq, relay)));
            ASSERT_TRUE(
                threads[i]->Send(EncryptedFrame(ClientEncryptor(links[i]->keys.pSend), 5, 0, seq, relay), 0));
        }
        for (int i = 0; i < 6; ++i) {
            ASSERT_FALSE(ReadFrame(*links[i]->peer, i > 0).empty());
            ASSERT_TRUE(WaitFor([&] { return owners[i]->count == 1; }));
        }
        for (auto& t : threads) t->Stop();
        for (auto& o : owners) {
            EXPECT_EQ(0, o->received.bad);
            EXPECT_EQ(0, o->recvErrors.load());
        }
    }
}
