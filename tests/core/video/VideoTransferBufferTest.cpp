#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "video/VideoThreadTransferBuffer.h"
#include "tessel/TS_Common.h"

namespace {

struct Packet {
    int id;
    uint16_t type;
    uint16_t frameNo;
    bool operator==(const Packet&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Packet& p) {
    return os << "{" << std::hex << p.id << std::dec << "," << p.type << "," << p.frameNo << "}";
}

// A packet as the relay delivers it: the 16-byte video header and a few payload bytes.
void* MakePacket(uint16_t type, uint16_t frameNo, int size = 24) {
    auto* p = static_cast<uint8_t*>(__malloc__(size));
    memset(p, 0, size);
    p[8] = type & 0xFF;
    p[9] = type >> 8;
    p[12] = frameNo & 0xFF;
    p[13] = frameNo >> 8;
    return p;
}

// Records deliveries; can hold the worker inside the first delivery.
class Sink {
public:
    static void Callback(int id, void* data, int size, uint64_t tick, void* user) {
        auto* s = static_cast<Sink*>(user);
        const auto* b = static_cast<const uint8_t*>(data);
        std::unique_lock lock(s->m_mutex);
        s->m_got.push_back({id, uint16_t(b[8] | b[9] << 8), uint16_t(b[12] | b[13] << 8)});
        s->m_sizes.push_back(size);
        s->m_ticks.push_back(tick);
        __free__(data);  // the consumer owns the data
        s->m_cv.notify_all();
        if (s->m_hold && s->m_got.size() == 1) s->m_cv.wait(lock, [s] { return !s->m_hold; });
    }
    void HoldFirst() { m_hold = true; }
    void Release() {
        std::lock_guard lock(m_mutex);
        m_hold = false;
        m_cv.notify_all();
    }
    bool WaitFor(size_t n) {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, std::chrono::seconds(10), [&] { return m_got.size() >= n; });
    }
    std::vector<Packet> Got() {
        std::lock_guard lock(m_mutex);
        return m_got;
    }
    std::vector<int> Sizes() {
        std::lock_guard lock(m_mutex);
        return m_sizes;
    }
    std::vector<uint64_t> Ticks() {
        std::lock_guard lock(m_mutex);
        return m_ticks;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_hold = false;
    std::vector<Packet> m_got;
    std::vector<int> m_sizes;
    std::vector<uint64_t> m_ticks;
};

bool Push(CVideoThreadTransferBuffer& q, const Packet& p, int limit) {
    void* data = MakePacket(p.type, p.frameNo);
    if (q.Push(p.id, data, 24, limit)) return true;
    __free__(data);
    return false;
}

constexpr Packet kBlocker{99, 0, 0};

// The worker is held in the delivery of kBlocker, so the queue holds exactly what
// the test pushes next.
struct HeldQueue {
    Sink sink;
    CVideoThreadTransferBuffer queue{Sink::Callback, &sink};
    HeldQueue() {
        sink.HoldFirst();
        EXPECT_TRUE(queue.Start());
        EXPECT_TRUE(Push(queue, kBlocker, 1000));
        EXPECT_TRUE(sink.WaitFor(1));
    }
};

TEST(VideoTransferBuffer, CutModes) {
    // Four frames waiting: sender 3 (one under an id with other high bits) and sender 5,
    // main (type 1) and mobile (type 0) streams.
    const std::vector<Packet> waiting = {{0x20003, 1, 1}, {5, 1, 1}, {3, 0, 2}, {3, 1, 2}};
    const Packet A = waiting[0], B = waiting[1], C = waiting[2], D = waiting[3];
    struct Case {
        const char* what;
        int mode;
        int limit;
        Packet pushed;
        bool accepted;
        std::vector<Packet> delivered;  // after the blocker
    };
    const Case cases[] = {
        {"2: key frame at a full queue cuts sender 3's main frames, queued under the low 16 bits",
         2,
         4,
         {0x10003, 1, 0},
         true,
         {B, C, {3, 1, 0}}},
        {"2: key frame of the mobile stream cuts only mobile frames",
         2,
         4,
         {3, 0, 0},
         true,
         {A, B, D, {3, 0, 0}}},
        {"2: key frame of a sender with nothing queued", 2, 4, {7, 1, 0}, true, {A, B, C, D, {7, 1, 0}}},
        {"2: non-key frame at a full queue is appended", 2, 4, {3, 1, 3}, true, {A, B, C, D, {3, 1, 3}}},
        {"2: below the limit nothing is cut", 2, 5, {0x10003, 1, 0}, true, {A, B, C, D, {0x10003, 1, 0}}},
        {"1: key frame at a full queue is appended", 1, 4, {3, 1, 0}, true, {A, B, C, D, {3, 1, 0}}},
        {"1: non-key frame at a full queue is dropped", 1, 4, {3, 1, 3}, true, {A, B, C, D}},
        {"1: non-key frame below the limit is appended", 1, 5, {3, 1, 3}, true, {A, B, C, D, {3, 1, 3}}},
        {"0: always appended", 0, 1, {3, 1, 3}, true, {A, B, C, D, {3, 1, 3}}},
        {"unknown mode refuses the packet", 3, 4, {3, 1, 0}, false, {A, B, C, D}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HeldQueue h;
        for (const Packet& p : waiting) ASSERT_TRUE(Push(h.queue, p, 1000));
        if (c.mode != 2) h.queue.setCutMethod(c.mode);  // 2 is the mode a new queue starts with
        EXPECT_EQ(Push(h.queue, c.pushed, c.limit), c.accepted);
        EXPECT_EQ(h.queue.GetBufferCount(), static_cast<int>(c.delivered.size()));
        h.sink.Release();
        ASSERT_TRUE(h.sink.WaitFor(c.delivered.size() + 1));
        std::vector<Packet> got = h.sink.Got();
        got.erase(got.begin());
        EXPECT_EQ(got, c.delivered);
    }
}

TEST(VideoTransferBuffer, FifteenWaitingAndAKeyFrame) {
    HeldQueue h;
    for (int i = 0; i < 15; ++i) ASSERT_TRUE(Push(h.queue, {i % 3 == 0 ? 3 : 8, 1, uint16_t(i + 1)}, 15));
    ASSERT_TRUE(Push(h.queue, {3, 1, 0}, 15));
    EXPECT_EQ(h.queue.GetBufferCount(), 11);
    h.sink.Release();
    ASSERT_TRUE(h.sink.WaitFor(12));
    std::vector<Packet> got = h.sink.Got();
    for (size_t i = 1; i + 1 < got.size(); ++i) EXPECT_EQ(got[i].id, 8);
    EXPECT_EQ(got.back(), (Packet{3, 1, 0}));
}

TEST(VideoTransferBuffer, DeliversInOrderWithSizeAndQueueTime) {
    Sink sink;
    CVideoThreadTransferBuffer q(Sink::Callback, &sink);
    void* early = MakePacket(1, 0);
    EXPECT_FALSE(q.Push(1, early, 24, 15)) << "not started";
    __free__(early);
    ASSERT_TRUE(q.Start());
    EXPECT_FALSE(q.Start());

    uint64_t before = GetTickCount();
    for (uint16_t n = 0; n < 5; ++n) ASSERT_TRUE(q.Push(4, MakePacket(1, n, 16 + n), 16 + n, 15));
    ASSERT_TRUE(sink.WaitFor(5));
    uint64_t after = GetTickCount();
    for (uint16_t n = 0; n < 5; ++n) {
        EXPECT_EQ(sink.Got()[n], (Packet{4, 1, n}));
        EXPECT_EQ(sink.Sizes()[n], 16 + n);
        EXPECT_GE(sink.Ticks()[n], before);
        EXPECT_LE(sink.Ticks()[n], after);
    }

    void* shortPacket = MakePacket(1, 0);
    EXPECT_FALSE(q.Push(4, shortPacket, 15, 15)) << "shorter than the video header";
    EXPECT_FALSE(q.Push(4, nullptr, 24, 15));
    __free__(shortPacket);

    q.Stop();
    void* late = MakePacket(1, 0);
    EXPECT_FALSE(q.Push(4, late, 24, 15)) << "stopped";
    __free__(late);
}

TEST(VideoTransferBuffer, StopFinishesTheDeliveryAndFreesTheRest) {
    HeldQueue h;
    for (uint16_t n = 1; n <= 4; ++n) ASSERT_TRUE(Push(h.queue, {2, 1, n}, 15));
    std::thread releaser([&] {
        while (h.queue.IsContinue()) std::this_thread::yield();  // Stop has begun
        h.sink.Release();
    });
    h.queue.Stop();  // waits for the held delivery; the four queued packets are freed (LeakSanitizer)
    releaser.join();
    EXPECT_EQ(h.sink.Got(), std::vector<Packet>{kBlocker});
    EXPECT_EQ(h.queue.GetBufferCount(), 0);
}

TEST(VideoTransferBuffer, ClearEmptiesTheQueueAndLaterPushesArrive) {
    HeldQueue h;
    for (uint16_t n = 1; n <= 3; ++n) ASSERT_TRUE(Push(h.queue, {2, 1, n}, 15));
    h.queue.Clear();
    EXPECT_EQ(h.queue.GetBufferCount(), 0);
    h.sink.Release();
    ASSERT_TRUE(Push(h.queue, {6, 1, 0}, 15));
    ASSERT_TRUE(h.sink.WaitFor(2));
    EXPECT_EQ(h.sink.Got(), (std::vector<Packet>{kBlocker, {6, 1, 0}}));
}

}  // namespace
