// Receive threads: header and body framing, the relay footer and piece
// trailer, resynchronisation after a lost footer and the once-only error,
// fed through the peer end of a socket pair.
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "StreamFixture.h"
#include "common/LLog.h"
#include "network/ThreadConf.h"
#include "network/ThreadVpex.h"

using namespace streamtest;

namespace {

Bytes Footer() {
    return {0x97, 0xFA, 0x09, 0x15};
}
Bytes Trailer(uint16_t index, uint16_t count) {
    return {static_cast<uint8_t>(index), static_cast<uint8_t>(index >> 8), static_cast<uint8_t>(count),
            static_cast<uint8_t>(count >> 8)};
}

struct Received {
    Bytes packet;
    int pieceIndex;
    int pieceCount;
};

// What the owner of a receive thread sees: packets and errors.
class Owner {
public:
    static void OnConf(uint8_t* packet, int length, void* user) {
        static_cast<Owner*>(user)->Add(packet, length, 0, 1);
    }
    static void OnConfError(int code, int errorNo, const char* text, void* user) {
        static_cast<Owner*>(user)->AddError(code, errorNo, text);
    }
    static void OnVpex(int index, uint8_t* packet, int length, void* user, int pieceIndex, int pieceCount) {
        auto* o = static_cast<Owner*>(user);
        o->index = index;
        o->Add(packet, length, pieceIndex, pieceCount);
    }
    static void OnVpexError(int index, int code, int errorNo, const char* text, void* user) {
        auto* o = static_cast<Owner*>(user);
        o->index = index;
        o->AddError(code, errorNo, text);
    }

    void Add(const uint8_t* packet, int length, int pieceIndex, int pieceCount) {
        std::lock_guard<std::mutex> lock(mutex);
        thread = pthread_self();
        packets.push_back({Bytes(packet, packet + length), pieceIndex, pieceCount});
    }
    void AddError(int code, int errorNo, const char* text) {
        std::lock_guard<std::mutex> lock(mutex);
        errors.push_back(code);
        lastErrorNo = errorNo;
        lastText = text;
    }
    size_t PacketCount() {
        std::lock_guard<std::mutex> lock(mutex);
        return packets.size();
    }
    std::vector<Received> Packets() {
        std::lock_guard<std::mutex> lock(mutex);
        return packets;
    }
    std::vector<int> Errors() {
        std::lock_guard<std::mutex> lock(mutex);
        return errors;
    }
    std::string LastText() {
        std::lock_guard<std::mutex> lock(mutex);
        return lastText;
    }

    std::mutex mutex;
    std::vector<Received> packets;
    std::vector<int> errors;
    int lastErrorNo = 0;
    std::string lastText;
    pthread_t thread{};
    std::atomic<int> index{-1};
};

// A relay receive thread on a socket pair, with its owner.
struct VpexReceiver {
    explicit VpexReceiver(int index = 1)
        : thread(&pair.socket, index, Owner::OnVpex, Owner::OnVpexError, &owner) {
        EXPECT_TRUE(thread.Start());
    }
    SocketPair pair;
    Owner owner;
    CThreadRecvVpex thread;
};

struct ConfReceiver {
    ConfReceiver() : thread(&pair.socket, Owner::OnConf, Owner::OnConfError, &owner) {
        EXPECT_TRUE(thread.Start());
    }
    SocketPair pair;
    Owner owner;
    CThreadRecvConf thread;
};

// Collects the core's log lines for the time of a test.
class LogCapture : public CLLogReceiver {
public:
    LogCapture() { CLLog::init(this, "Mac"); }
    ~LogCapture() override { CLLog::init(nullptr, "Mac"); }
    void QuorixLog(int level, const char* line) override {
        std::lock_guard<std::mutex> lock(mutex);
        lines.emplace_back(level, line);
    }
    // The lines of `level` that contain `text`.
    int Count(int level, const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex);
        int n = 0;
        for (const auto& [l, line] : lines) n += l == level && line.find(text) != std::string::npos ? 1 : 0;
        return n;
    }
    std::mutex mutex;
    std::vector<std::pair<int, std::string>> lines;
};

// A header as it arrives after stripping: the body length field shortened.
Bytes Stripped(uint32_t id, const Bytes& body) {
    return Packet(id, body);
}

}  // namespace

TEST(StreamRecvTest, ConferencePacketsArriveWholeHoweverTheStreamIsCut) {
    ConfReceiver r;
    const std::vector<Bytes> packets = {
        Packet(0x10, {}), Packet(0x11, Body(1, 1)), Packet(0x12, Body(5000, 2)),
        Packet(0x13, Body(STREAM_MAX_BODY_SIZE, 3)), Packet(0x14, Body(17, 4))};
    Bytes stream;
    for (const Bytes& p : packets) stream.insert(stream.end(), p.begin(), p.end());
    // First bytes one at a time, then uneven pieces, then the rest at once.
    size_t pos = 0;
    for (; pos < 40; ++pos) r.pair.Write({stream[pos]});
    for (size_t step : {3, 13, 1000, 7}) {
        r.pair.Write(Bytes(stream.begin() + pos, stream.begin() + pos + step));
        pos += step;
    }
    r.pair.Write(Bytes(stream.begin() + pos, stream.end()));

    ASSERT_TRUE(WaitFor([&] { return r.owner.PacketCount() == packets.size(); }));
    const auto got = r.owner.Packets();
    for (size_t i = 0; i < packets.size(); ++i) EXPECT_EQ(packets[i], got[i].packet) << "packet " << i;
    EXPECT_EQ(16u, got[0].packet.size());  // a header-only packet has length 16
    EXPECT_TRUE(r.owner.Errors().empty());
}

TEST(StreamRecvTest, BodyAboveTheMaximumIsReportedOnceAndEndsDelivery) {
    ConfReceiver r;
    r.pair.Write(Packet(1, Body(3, 1)));
    Bytes tooLarge(16, 0);
    PutU32(tooLarge.data() + 4, STREAM_MAX_BODY_SIZE + 1);
    r.pair.Write(tooLarge);
    r.pair.Write(Packet(2, Body(3, 2)));
    ASSERT_TRUE(WaitFor([&] { return !r.owner.Errors().empty(); }));
    EXPECT_EQ(std::vector<int>{-28}, r.owner.Errors());
    EXPECT_EQ("The maximum size of a packet was exceeded.", r.owner.LastText());
    EXPECT_EQ(0, r.owner.lastErrorNo);
    r.pair.Write(Packet(3, Body(3, 3)));
    r.pair.ClosePeer();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(1u, r.owner.PacketCount());
    EXPECT_EQ(1u, r.owner.Errors().size());
}

TEST(StreamRecvTest, PeerClosingIsReportedOnceInEachDirection) {
    SocketPair pair;
    Owner recvOwner;
    std::atomic<int> sendErrors{0};
    CThreadRecvConf receiver(&pair.socket, Owner::OnConf, Owner::OnConfError, &recvOwner);
    CThreadSendConf sender(
        &pair.socket, STREAM_IDLE_NONE,
        [](int, int, const char*, void* user) { (*static_cast<std::atomic<int>*>(user))++; }, nullptr,
        &sendErrors);
    ASSERT_TRUE(sender.Start());
    ASSERT_TRUE(receiver.Start());
    pair.ClosePeer();
    ASSERT_TRUE(WaitFor([&] { return !recvOwner.Errors().empty(); }));
    EXPECT_EQ(std::vector<int>{-13}, recvOwner.Errors());
    EXPECT_EQ("connection closed.", recvOwner.LastText());
    for (int i = 0; i < 5 && sendErrors == 0; ++i) {
        sender.Send(Owned(Packet(1, Body(64, i))), 80, 0);
        WaitFor([&] { return sendErrors > 0; }, 200);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(1, sendErrors.load());
    EXPECT_EQ(1u, recvOwner.Errors().size());
}

// A receive wait that a signal interrupted leaves EINTR in the socket's
// receive slot; when the socket is then closed, the thread must report the
// closed socket instead of taking the old EINTR for a new interruption and
// spinning.
TEST(StreamRecvTest, ClosedSocketAfterAnInterruptedWaitIsReportedNotSpunOn) {
    ConfReceiver r;
    r.pair.Write(Packet(1, {}));
    ASSERT_TRUE(WaitFor([&] { return r.owner.PacketCount() == 1; }));
    pthread_t thread;
    {
        std::lock_guard<std::mutex> lock(r.owner.mutex);
        thread = r.owner.thread;
    }
    pthread_kill(thread, SIGUSR2);  // an interrupted wait: EINTR in the slot
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    r.pair.socket.Close();
    pthread_kill(thread, SIGUSR2);  // the next wait meets the closed socket
    ASSERT_TRUE(WaitFor([&] { return !r.owner.Errors().empty(); }));
    EXPECT_NE(SOCK_ERR_TIMEOUT, r.owner.Errors()[0]);
    r.thread.Stop();
    EXPECT_EQ(1u, r.owner.Errors().size());
}

TEST(StreamRecvTest, OwnerCanSilenceAReceiveThread) {
    ConfReceiver r;
    r.thread.SetError();
    r.pair.Write(Packet(1, Body(3, 1)));
    r.pair.ClosePeer();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(0u, r.owner.PacketCount());
    EXPECT_TRUE(r.owner.Errors().empty());
}

TEST(StreamRecvTest, RelayFooterAndPieceTrailerAreStripped) {
    struct Case {
        const char* what;
        Bytes sent;
        Bytes delivered;
        int pieceIndex;
        int pieceCount;
    };
    const Bytes body = Body(40, 9);
    const Case cases[] = {
        {"id 5 keeps any ending", Packet(5, Concat({body, Footer()})), Packet(5, Concat({body, Footer()})), 0,
         1},
        {"id 4 loses its footer", Packet(4, Concat({body, Footer()})), Stripped(4, body), 0, 1},
        {"id 13 loses its footer", Packet(13, Concat({body, Footer()})), Stripped(13, body), 0, 1},
        {"id 14 with only a footer", Packet(14, Footer()), Stripped(14, {}), 0, 1},
        {"id 0x1009 loses trailer and footer", Packet(0x1009, Concat({body, Trailer(2, 5), Footer()})),
         Stripped(0x1009, body), 2, 5},
        {"id 0x100A with large piece numbers",
         Packet(0x100A, Concat({body, Trailer(0x1234, 0xFFFF), Footer()})), Stripped(0x100A, body), 0x1234,
         0xFFFF},
        {"id 15 is not checked", Packet(15, Concat({body, Footer()})), Packet(15, Concat({body, Footer()})),
         0, 1},
        {"id 16 is not checked", Packet(16, body), Packet(16, body), 0, 1},
    };
    VpexReceiver r(3);
    for (const Case& c : cases) r.pair.Write(c.sent);
    ASSERT_TRUE(WaitFor([&] { return r.owner.PacketCount() == std::size(cases); }));
    const auto got = r.owner.Packets();
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].what);
        EXPECT_EQ(cases[i].delivered, got[i].packet);
        EXPECT_EQ(cases[i].pieceIndex, got[i].pieceIndex);
        EXPECT_EQ(cases[i].pieceCount, got[i].pieceCount);
    }
    EXPECT_EQ(3, r.owner.index.load());
}

// After a packet that has lost its framing the thread drops it and looks for
// the last footer of the next read; everything after that footer is the
// stream again, also packets beyond the one it begins and beyond the read.
TEST(StreamRecvTest, RelayResynchronisesAfterAMissingFooter) {
    const Bytes good1 = Packet(4, Concat({Body(30, 1), Footer()}));
    const Bytes small5 = Packet(5, Body(10, 2));
    const Bytes small16 = Packet(16, Body(10, 3));
    const Bytes large = Packet(5, Body(3000, 4));  // longer than one search read
    const Bytes good2 = Packet(0x1009, Concat({Body(10, 5), Trailer(0, 2), Footer()}));
    struct Case {
        const char* what;
        Bytes broken;  // a packet without (room for) its footer
    };
    const Case cases[] = {
        {"footer missing", Packet(4, Body(20, 7))},
        {"body shorter than a footer", Packet(13, Body(3, 7))},
        {"empty body", Packet(14, {})},
        {"body too short for the trailer", Packet(0x100A, Concat({Body(2, 7), Footer()}))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        VpexReceiver r(2);
        r.pair.Write(Concat({good1, c.broken}));
        ASSERT_TRUE(WaitFor([&] { return r.owner.PacketCount() == 1; }));
        r.pair.WaitUntilRead();  // the broken packet too: the thread now looks for a footer
        r.pair.Write(Concat({Body(50, 8), Footer(), small5, small16, large, good1, good2}));
        ASSERT_TRUE(WaitFor([&] { return r.owner.PacketCount() == 6; }));
        const auto got = r.owner.Packets();
        EXPECT_EQ(Stripped(4, Body(30, 1)), got[0].packet);
        EXPECT_EQ(small5, got[1].packet);
        EXPECT_EQ(small16, got[2].packet);
        EXPECT_EQ(large, got[3].packet);
        EXPECT_EQ(Stripped(4, Body(30, 1)), got[4].packet);
        EXPECT_EQ(Stripped(0x1009, Body(10, 5)), got[5].packet);
        EXPECT_EQ(2, got[5].pieceCount);
        EXPECT_TRUE(r.owner.Errors().empty());
        char warning[64];
        snprintf(warning, sizeof warning, "Footer check error[Type:2 MSG:0x%04X].\n",
                 GetU32(c.broken.data()));
        EXPECT_EQ(1, log.Count(CLLog::WRN, warning));
        EXPECT_EQ(1, log.Count(CLLog::INF, "Footer check has been restored[Type:2].\n"));
    }
}

TEST(StreamRecvTest, RelayResynchronisationSkipsFootersThatBeginNoPacket) {
    VpexReceiver r;
    r.pair.Write(Packet(4, Body(20, 7)));  // no footer
    r.pair.WaitUntilRead();
    // The last footer of the read lies inside a payload and is followed by
    // bytes announcing too large a body: the earlier footer is the real one.
    Bytes bogus(16, 0xEE);
    PutU32(bogus.data() + 4, 0x7FFFFFFF);
    const Bytes good = Packet(5, Concat({Body(10, 1), Footer(), bogus, Body(5, 2)}));
    r.pair.Write(Concat({Body(10, 3), Footer(), good}));
    ASSERT_TRUE(WaitFor([&] { return r.owner.PacketCount() == 1; }));
    EXPECT_EQ(good, r.owner.Packets()[0].packet);
    r.pair.Write(Packet(4, Concat({Body(4, 4), Footer()})));
    ASSERT_TRUE(WaitFor([&] { return r.owner.PacketCount() == 2; }));
    EXPECT_EQ(Stripped(4, Body(4, 4)), r.owner.Packets()[1].packet);
    EXPECT_TRUE(r.owner.Errors().empty());
}

TEST(StreamRecvTest, RelayResynchronisationAcrossReadsAndHeaderSplitAfterTheFooter) {
    VpexReceiver r;
    // Each write is read on its own: the next one waits until the thread has taken it.
    r.pair.Write(Packet(4, Body(20, 7)));
    r.pair.WaitUntilRead();
    r.pair.Write(Body(3, 1));  // fewer than 4 bytes: discarded
    r.pair.WaitUntilRead();
    r.pair.Write(Body(100, 2));  // no footer: discarded
    r.pair.WaitUntilRead();
    const Bytes next = Packet(13, Concat({Body(600, 3), Footer()}));
    r.pair.Write(Concat({Footer(), Bytes(next.begin(), next.begin() + 7)}));  // half a header
    r.pair.WaitUntilRead();
    r.pair.Write(Bytes(next.begin() + 7, next.end()));
    ASSERT_TRUE(WaitFor([&] { return r.owner.PacketCount() == 1; }));
    EXPECT_EQ(Stripped(13, Body(600, 3)), r.owner.Packets()[0].packet);
}

TEST(StreamRecvTest, ResynchronisationEndsQuietlyWhenStopped) {
    VpexReceiver r;
    r.pair.Write(Packet(4, Body(20, 7)));
    r.pair.WaitUntilRead();  // now looking for a footer
    r.thread.Stop();
    EXPECT_TRUE(r.owner.Errors().empty());
    EXPECT_EQ(0u, r.owner.PacketCount());
}

TEST(StreamRecvTest, ResynchronisationReportsTheClosedConnectionOnce) {
    VpexReceiver r(4);
    r.pair.Write(Packet(0x1009, Body(20, 7)));
    r.pair.WaitUntilRead();
    r.pair.ClosePeer();
    ASSERT_TRUE(WaitFor([&] { return !r.owner.Errors().empty(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(std::vector<int>{-13}, r.owner.Errors());
    EXPECT_EQ(4, r.owner.index.load());
}

TEST(StreamRecvTest, SearchFooterFindsTheLastFooter) {
    int offset = -1;
    const Bytes b = Concat({Footer(), Body(5, 1), Footer(), Body(2, 2)});
    ASSERT_TRUE(CThreadRecvVpex::SearchFooter(b.data(), static_cast<int>(b.size()), &offset));
    EXPECT_EQ(9, offset);
    EXPECT_TRUE(CThreadRecvVpex::SearchFooter(b.data(), 4, &offset));
    EXPECT_EQ(0, offset);
    EXPECT_FALSE(CThreadRecvVpex::SearchFooter(b.data() + 1, 11, &offset));
    EXPECT_FALSE(CThreadRecvVpex::SearchFooter(b.data(), 3, &offset));
}
