// Send threads: queue order, drop rules, partial writes, the idle hook, the
// hand-back of entries and the once-only error, over a socket pair whose
// peer end the test reads (or leaves unread to stall the thread).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "network/ThreadConf.h"
#include "network/ThreadVpex.h"
#include "StreamFixture.h"
#include "tessel/TS_StreamThread.h"

using namespace streamtest;

namespace {

// A send thread that records what it hands back, its errors and its idle calls.
class RecordingSender : public CThreadStreamSend {
public:
    explicit RecordingSender(CSocketTCP* socket, uint32_t idleMs = STREAM_IDLE_NONE)
        : CThreadStreamSend(socket) {
        m_uIdleInterval = idleMs;
    }
    ~RecordingSender() override { Stop(); }

    std::vector<void*> Completed() {
        std::lock_guard<std::mutex> lock(mutex);
        return completed;
    }
    std::vector<uint64_t> IdleCalls() {
        std::lock_guard<std::mutex> lock(mutex);
        return idle;
    }

    std::mutex mutex;
    std::vector<void*> completed;
    std::vector<uint64_t> idle;
    std::atomic<int> errors{0};
    std::atomic<int> lastError{0};
    std::function<void()> onIdle;

protected:
    void OnCompleteBuffer(void* data) override {
        {
            std::lock_guard<std::mutex> lock(mutex);
            completed.push_back(data);
        }
        __free__(data);
    }
    void OnError(int code, int, const char*) override {
        lastError = code;
        errors++;
    }
    void OnTimeHasPassed() override {
        {
            std::lock_guard<std::mutex> lock(mutex);
            idle.push_back(GetMonotonicTickCount());
        }
        if (onIdle) onIdle();
    }
};

// A message that keeps the send thread busy until the peer reads: far more
// than the small socket buffers of the pair hold.
constexpr size_t kStallBytes = 256 * 1024;
constexpr int kSmallBuffers = 4096;

// Queues the stalling message (class 3) and waits until the thread has begun
// writing it, so that everything queued afterwards waits behind it.
template <class Sender>
void Stall(Sender& sender, SocketPair& pair, const Bytes& big) {
    ASSERT_TRUE(sender.Send(Owned(big), static_cast<int>(big.size()), 3));
    ASSERT_TRUE(pair.Readable(5000));
}

}  // namespace

TEST(StreamSendTest, ClassesAreServedInTheOrder0124_3AndAStartedMessageIsFinishedFirst) {
    SocketPair pair(kSmallBuffers);
    CThreadSendConf sender(&pair.socket, STREAM_IDLE_NONE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(sender.Start());
    const Bytes big = Packet(99, Body(kStallBytes, 1));
    Stall(sender, pair, big);

    // Three rounds over the classes in an order unlike the service order.
    const unsigned classes[] = {3, 4, 2, 1, 0};
    uint32_t tag = 0;
    for (int round = 0; round < 3; ++round) {
        for (unsigned cls : classes) {
            const Bytes p = Packet(cls, Body(100 + tag, tag), tag);
            ASSERT_TRUE(sender.Send(Owned(p), static_cast<int>(p.size()), cls));
            ++tag;
        }
    }

    EXPECT_EQ(big, pair.ReadPacket());               // whole, although class 0 came meanwhile
    std::vector<std::pair<uint32_t, uint32_t>> got;  // (class, tag)
    for (int i = 0; i < 15; ++i) {
        const Bytes p = pair.ReadPacket();
        ASSERT_FALSE(p.empty());
        const uint32_t t = GetU32(p.data() + 8);
        ASSERT_EQ(Packet(GetU32(p.data()), Body(100 + t, t), t), p);
        got.emplace_back(GetU32(p.data()), t);
    }
    std::vector<std::pair<uint32_t, uint32_t>> expected;
    for (unsigned cls : {0u, 1u, 2u, 4u, 3u}) {
        for (uint32_t t = 0; t < 15; ++t) {
            if (classes[t % 5] == cls) expected.emplace_back(cls, t);
        }
    }
    EXPECT_EQ(expected, got);
}

TEST(StreamSendTest, FullBoundedQueuesDropTheirOldestAndClassZeroKeepsEverything) {
    SocketPair pair(kSmallBuffers);
    RecordingSender sender(&pair.socket);
    ASSERT_TRUE(sender.Start());
    const Bytes big = Packet(99, Body(kStallBytes, 1));
    Stall(sender, pair, big);

    struct Case {
        unsigned cls;
        unsigned queued;
        unsigned kept;
    };
    const Case cases[] = {{1, 80, 75}, {2, 51, 50}, {3, 21, 20}, {4, 35, 30}, {0, 1000, 1000}};
    std::vector<std::vector<void*>> sent(5);
    for (const Case& c : cases) {
        for (unsigned i = 0; i < c.queued; ++i) {
            void* data = Owned(Packet(c.cls, Body(8, i), i));
            sent[c.cls].push_back(data);
            ASSERT_TRUE(sender.Send(data, 24, c.cls));
        }
    }
    std::vector<void*> dropped;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cls);
        EXPECT_EQ(c.kept, sender.GetBufferingCount(c.cls));
        dropped.insert(dropped.end(), sent[c.cls].begin(), sent[c.cls].begin() + (c.queued - c.kept));
    }
    // Handed back are exactly the oldest of each full queue, oldest first.
    EXPECT_EQ(dropped, sender.Completed());

    // What reaches the peer: the kept messages of each class, in order.
    EXPECT_EQ(big, pair.ReadPacket());
    for (unsigned cls : {0u, 1u, 2u, 4u, 3u}) {
        const Case& c =
            *std::find_if(std::begin(cases), std::end(cases), [&](const Case& k) { return k.cls == cls; });
        for (unsigned i = c.queued - c.kept; i < c.queued; ++i) {
            ASSERT_EQ(Packet(cls, Body(8, i), i), pair.ReadPacket()) << "class " << cls << " message " << i;
        }
    }
    EXPECT_EQ(0, sender.errors.load());
}

TEST(StreamSendTest, SetMaxBufferTakesTheLimitsInServiceOrder) {
    SocketPair pair(kSmallBuffers);
    RecordingSender sender(&pair.socket);
    sender.SetMaxBuffer(STREAM_SEND_UNLIMITED, 4, 3, 2, 1);  // classes 0, 1, 2, 4, 3
    ASSERT_TRUE(sender.Start());
    Stall(sender, pair, Packet(99, Body(kStallBytes, 1)));
    for (unsigned cls : {1u, 2u, 3u, 4u}) {
        for (int i = 0; i < 6; ++i) ASSERT_TRUE(sender.Send(Owned(Body(4, i)), 4, cls));
    }
    EXPECT_EQ(4u, sender.GetBufferingCount(1));
    EXPECT_EQ(3u, sender.GetBufferingCount(2));
    EXPECT_EQ(2u, sender.GetBufferingCount(4));
    EXPECT_EQ(1u, sender.GetBufferingCount(3));
}

TEST(StreamSendTest, ClearBufferAndStopHandEveryEntryBack) {
    SocketPair pair(kSmallBuffers);
    RecordingSender sender(&pair.socket);
    ASSERT_TRUE(sender.Start());
    const Bytes big = Packet(99, Body(kStallBytes, 1));
    Stall(sender, pair, big);

    std::vector<void*> inClass4;
    std::vector<void*> others;
    for (unsigned cls : {0u, 4u, 3u, 4u, 1u}) {
        void* data = Owned(Body(10, cls));
        (cls == 4 ? inClass4 : others).push_back(data);
        ASSERT_TRUE(sender.Send(data, 10, cls));
    }
    sender.ClearBuffer(4);
    sender.ClearBuffer(7);  // no such class: nothing happens
    EXPECT_EQ(inClass4, sender.Completed());
    EXPECT_EQ(0u, sender.GetBufferingCount(4));
    EXPECT_EQ(0u, sender.GetBufferingCount(9));

    sender.Stop();
    // The half-written message, then the queues in service order.
    const auto completed = sender.Completed();
    ASSERT_EQ(6u, completed.size());
    EXPECT_EQ((std::vector<void*>{others[0], others[2], others[1]}),
              std::vector<void*>(completed.begin() + 3, completed.end()));

    // A stopped thread, a class of 5 or more, or no data: refused, and the
    // data stays the caller's.
    Bytes one = Body(4, 0);
    EXPECT_FALSE(sender.Send(one.data(), 4, 0));
    ASSERT_TRUE(sender.Start());
    EXPECT_FALSE(sender.Send(one.data(), 4, 5));
    EXPECT_FALSE(sender.Send(nullptr, 4, 0));
    EXPECT_EQ(6u, sender.Completed().size());
}

TEST(StreamSendTest, EmptyMessagesDoNotHoldUpTheQueue) {
    SocketPair pair;
    RecordingSender sender(&pair.socket);
    ASSERT_TRUE(sender.Start());
    ASSERT_TRUE(sender.Send(Owned({}), 0, 0));
    const Bytes p = Packet(1, Body(5, 5));
    ASSERT_TRUE(sender.Send(Owned(p), static_cast<int>(p.size()), 0));
    EXPECT_EQ(p, pair.ReadPacket());
    EXPECT_TRUE(WaitFor([&] { return sender.Completed().size() == 2; }));
}

TEST(StreamSendTest, IdleHookComesOnlyAfterTheIntervalWithoutQueuedMessages) {
    constexpr uint32_t kIdleMs = 40;
    SocketPair pair;
    RecordingSender sender(&pair.socket, kIdleMs);
    // Every other idle call queues a message; the next call must then wait a
    // whole interval again.
    std::atomic<int> calls{0};
    std::vector<bool> queuedAt;
    sender.onIdle = [&] {
        const bool queue = calls++ % 2 == 0;
        queuedAt.push_back(queue);
        void* data = queue ? Owned(Packet(7, {})) : nullptr;
        if (queue && !sender.Send(data, 16, 0)) __free__(data);  // overlapped the stop
    };
    const uint64_t start = GetMonotonicTickCount();
    ASSERT_TRUE(sender.Start());
    ASSERT_TRUE(WaitFor([&] { return calls >= 6; }));
    sender.Stop();

    const auto idle = sender.IdleCalls();
    EXPECT_GE(idle[0] - start, kIdleMs);
    for (size_t i = 1; i < idle.size(); ++i) {
        if (queuedAt[i - 1]) {
            EXPECT_GT(idle[i] - idle[i - 1], kIdleMs) << "call " << i;
        }
    }
    for (int i = 0; i < 3; ++i) EXPECT_EQ(16u, pair.ReadPacket().size());
}

TEST(StreamSendTest, KeepAliveGoesOutOnEverySecondIdleCall) {
    SocketPair pair;
    struct Owner {
        CThreadSendVpex* sender = nullptr;
        std::atomic<int> idleCalls{0};
        std::atomic<int> keepAlives{0};
    } owner;
    auto onIdle = [](int index, void* user) {
        auto* o = static_cast<Owner*>(user);
        EXPECT_EQ(3, index);
        o->idleCalls++;
        if (!o->sender->IsTimesGoBy()) return;
        // A call that overlaps the stop has its message refused.
        void* keepAlive = Owned(Packet(0x1006, {}));
        if (o->sender->Send(keepAlive, 16, 0)) {
            o->keepAlives++;
        } else {
            __free__(keepAlive);
        }
    };
    CThreadSendVpex sender(&pair.socket, 3, 20, nullptr, onIdle, &owner);
    owner.sender = &sender;
    ASSERT_TRUE(sender.Start());
    ASSERT_TRUE(WaitFor([&] { return owner.idleCalls >= 8; }));
    sender.Stop();
    EXPECT_GE(owner.keepAlives.load(), owner.idleCalls / 2 - 1);
    EXPECT_LE(owner.keepAlives.load(), owner.idleCalls / 2);
    for (int i = 0; i < owner.keepAlives; ++i) EXPECT_EQ(Packet(0x1006, {}), pair.ReadPacket());
}

TEST(StreamSendTest, IsTimesGoByAnswersFalseThenTrueAndASendMakesItFalseAgain) {
    SocketPair pair;
    CThreadSendConf sender(&pair.socket, STREAM_IDLE_NONE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(sender.Start());
    EXPECT_FALSE(sender.IsTimesGoBy());
    EXPECT_TRUE(sender.IsTimesGoBy());
    EXPECT_TRUE(sender.IsTimesGoBy());
    ASSERT_TRUE(sender.Send(Owned(Packet(1, {})), 16, 0));
    EXPECT_FALSE(sender.IsTimesGoBy());
    EXPECT_TRUE(sender.IsTimesGoBy());
}

TEST(StreamSendTest, AFailedConnectionIsReportedOnceAndLaterMessagesAreRefused) {
    SocketPair pair;
    struct Owner {
        std::atomic<int> errors{0};
        std::atomic<int> index{-1};
        std::atomic<int> code{0};
    } owner;
    auto onError = [](int index, int code, int, const char*, void* user) {
        auto* o = static_cast<Owner*>(user);
        o->index = index;
        o->code = code;
        o->errors++;
    };
    CThreadSendVpex sender(&pair.socket, 2, STREAM_IDLE_NONE, onError, nullptr, &owner);
    ASSERT_TRUE(sender.Start());
    pair.ClosePeer();
    for (int i = 0; i < 3; ++i) {
        const Bytes p = Packet(1, Body(100, i));
        // Once the failure is seen, a message is refused and stays the caller's.
        void* owned = Owned(p);
        if (!sender.Send(owned, static_cast<int>(p.size()), 0)) __free__(owned);
    }
    ASSERT_TRUE(WaitFor([&] { return owner.errors > 0; }));
    EXPECT_EQ(2, owner.index.load());
    EXPECT_LT(owner.code.load(), 0);
    Bytes mine = Body(4, 0);
    EXPECT_FALSE(sender.Send(mine.data(), 4, 0));  // stays ours: not freed
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(1, owner.errors.load());
}

TEST(StreamSendTest, OwnerCanSilenceASendThread) {
    SocketPair pair;
    CThreadSendConf sender(&pair.socket, STREAM_IDLE_NONE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(sender.Start());
    sender.SetError();
    Bytes mine = Body(4, 0);
    EXPECT_FALSE(sender.Send(mine.data(), 4, 0));
}
