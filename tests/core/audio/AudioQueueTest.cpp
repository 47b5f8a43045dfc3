// The jitter queue of one speaker slot, driven by hand with a fake clock.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

#include "FakeClock.h"
#include "LogCapture.h"
#include "audio/AudioQueue.h"
#include "tessel/TS_Common.h"

using audio_test::FakeClock;
using audio_test::LogCapture;

namespace {

struct Callbacks {
    std::atomic<int> jitterReports{0};
    std::atomic<uint32_t> jitterSlot{~0u};
    std::vector<std::pair<uint32_t, int32_t>> levels;  // mixer thread only

    static void OnJitter(uint32_t slot, void* user) {
        auto* self = static_cast<Callbacks*>(user);
        self->jitterSlot = slot;
        ++self->jitterReports;
    }
    static void OnLevel(uint32_t slot, int32_t level, void* user) {
        static_cast<Callbacks*>(user)->levels.emplace_back(slot, level);
    }
};

class AudioQueueTest : public testing::Test {
protected:
    // rate 8000: a chunk is 3200 bytes (1600 samples).
    std::unique_ptr<CAudioQueue> MakeQueue(uint32_t initialTarget = 2, uint16_t rate = 8000,
                                           uint32_t slot = 3) {
        return std::make_unique<CAudioQueue>(Callbacks::OnJitter, Callbacks::OnLevel, &callbacks, slot, 16,
                                             rate, initialTarget, 20, slotLock, clock);
    }
    std::unique_ptr<CAudioQueue> MakeNamedQueue() {
        auto queue = MakeQueue();
        queue->SetUserInfo("u1", "Speaker One");
        return queue;
    }

    bool Push(CAudioQueue& queue, const std::vector<int16_t>& pcm) {
        CMutexLock lock(slotLock);
        return queue.Push(reinterpret_cast<const uint8_t*>(pcm.data()), pcm.size() * 2);
    }
    bool PushChunk(CAudioQueue& queue, int16_t value = 1000) {
        return Push(queue, std::vector<int16_t>(queue.GetChunkSize() / 2, value));
    }
    // Pops one chunk; returns its samples (empty when nothing was playable).
    std::vector<int16_t> Pop(CAudioQueue& queue) {
        CAudioBuffer* buffer = nullptr;
        {
            CMutexLock lock(slotLock);
            buffer = queue.Pop();
        }
        if (buffer == nullptr) return {};
        EXPECT_EQ(buffer->size, queue.GetChunkSize());
        const auto* samples = reinterpret_cast<const int16_t*>(buffer->data);
        std::vector<int16_t> pcm(samples, samples + buffer->size / 2);
        __free__(buffer->data);
        delete buffer;
        return pcm;
    }
    // Pushes whole chunks until the play list holds n.
    void FillPlayList(CAudioQueue& queue, size_t n) {
        for (int guard = 0; queue.GetPlayCount() < n && guard < 100; ++guard) PushChunk(queue);
        ASSERT_EQ(queue.GetPlayCount(), n);
    }
    // Empty pushes move the rate adjustment without storing anything.
    void NudgeRate(CAudioQueue& queue, int pushes) {
        for (int i = 0; i < pushes; ++i) Push(queue, {});
    }
    // A starved pop followed, 100 ms later, by a packet and a pop that finds it.
    void JitterEvent(CAudioQueue& queue) {
        while (!Pop(queue).empty()) {
        }
        clock.Advance(100);
        PushChunk(queue);
        ASSERT_FALSE(Pop(queue).empty());
    }

    // One mixer cycle in which a chunk arrives and one is played.
    void Cycle(CAudioQueue& queue) {
        PushChunk(queue);
        clock.Advance(200);
        ASSERT_FALSE(Pop(queue).empty());
    }

    FakeClock clock;
    CMutex slotLock;
    Callbacks callbacks;
};

TEST_F(AudioQueueTest, ChunksAreTwoHundredMilliseconds) {
    struct Case {
        uint16_t rate;
        uint32_t bytes;
    };
    for (const Case c :
         {Case{8000, 3200}, Case{11025, 4410}, Case{16000, 6400}, Case{22050, 8820}, Case{48000, 19200}}) {
        auto queue = MakeQueue(2, c.rate);
        EXPECT_EQ(queue->GetChunkSize(), c.bytes) << c.rate;
        EXPECT_EQ(queue->GetBufferingDelayTime(), 400u) << c.rate;
    }
}

TEST_F(AudioQueueTest, NamedSlotPlaysItsFirstCompleteChunkAtOnce) {
    auto queue = MakeNamedQueue();
    EXPECT_EQ(queue->GetTarget(), 0u);
    std::vector<int16_t> pcm(1600);
    for (int i = 0; i < 1600; ++i) pcm[i] = static_cast<int16_t>(i * 7 - 5000);
    // A packet short of a chunk does not play until a later one completes it.
    ASSERT_TRUE(Push(*queue, std::vector<int16_t>(pcm.begin(), pcm.begin() + 1000)));
    EXPECT_TRUE(Pop(*queue).empty());
    ASSERT_TRUE(Push(*queue, std::vector<int16_t>(pcm.begin() + 1000, pcm.end())));
    EXPECT_EQ(Pop(*queue), pcm);
    // An odd byte count is refused and stores nothing.
    const int16_t one = 1;
    {
        CMutexLock lock(slotLock);
        EXPECT_FALSE(queue->Push(reinterpret_cast<const uint8_t*>(&one), 1));
    }
    ASSERT_TRUE(Push(*queue, pcm));
    EXPECT_EQ(Pop(*queue), pcm);
}

TEST_F(AudioQueueTest, NewQueueHoldsBackTargetPlusOneChunks) {
    auto queue = MakeQueue(2);
    PushChunk(*queue);
    PushChunk(*queue);
    EXPECT_TRUE(Pop(*queue).empty());
    EXPECT_TRUE(queue->IsPreBuffering());
    PushChunk(*queue);
    EXPECT_FALSE(queue->IsPreBuffering());
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(Pop(*queue).empty()) << i;
}

TEST_F(AudioQueueTest, GainClampsAndLevelIsThePeak) {
    struct Case {
        double gain;
        int16_t in;
        int16_t out;
        int32_t level;
    };
    for (const Case c : {Case{2.0, 20000, 32760, 100}, Case{2.0, -20000, -32760, 100},
                         Case{1.0, 32767, 32767, 100}, Case{1.0, -32768, -32768, 100}, Case{1.0, 0, 0, 0},
                         Case{1.0, 16384, 16384, 50}, Case{0.5, 1001, 500, 2}, Case{0.5, -1001, -500, 2}}) {
        SCOPED_TRACE(testing::Message() << c.gain << " x " << c.in);
        auto queue = MakeNamedQueue();
        {
            CMutexLock lock(slotLock);
            queue->SetBoostLevel(c.gain);
        }
        callbacks.levels.clear();
        PushChunk(*queue, c.in);
        const auto chunk = Pop(*queue);
        ASSERT_FALSE(chunk.empty());
        EXPECT_EQ(chunk.front(), c.out);
        EXPECT_EQ(chunk.back(), c.out);
        ASSERT_EQ(callbacks.levels.size(), 1u);
        EXPECT_EQ(callbacks.levels[0], std::make_pair(3u, c.level));
    }
}

TEST_F(AudioQueueTest, RateAdjustmentMovesOneStepPerPushTowardsTheQueueLength) {
    struct Case {
        uint32_t initialTarget;  // 0: a named slot
        size_t queued;
        int32_t wanted;
    };
    // T = 0: one chunk over -> -10, six over -> -20; T = 2 with nothing playable -> +20;
    // T = 6 -> +60, held at +50.
    for (const Case c : {Case{0, 0, 0}, Case{0, 1, -10}, Case{0, 6, -20}, Case{0, 20, -50}, Case{2, 0, 20},
                         Case{6, 0, 50}}) {
        SCOPED_TRACE(testing::Message() << "target " << c.initialTarget << ", queued " << c.queued);
        auto queue = c.initialTarget == 0 ? MakeNamedQueue() : MakeQueue(c.initialTarget);
        FillPlayList(*queue, c.queued);
        const int32_t start = queue->GetRateAdjustment();
        const int32_t steps = std::abs(c.wanted - start);
        NudgeRate(*queue, steps - 1);
        if (steps > 1) {
            EXPECT_NE(queue->GetRateAdjustment(), c.wanted);
        }
        NudgeRate(*queue, 1 + 5);
        EXPECT_EQ(queue->GetRateAdjustment(), c.wanted);
    }
}

TEST_F(AudioQueueTest, ShrinkingDropsAndStretchingDoublesSamplesByTheRunningCounter) {
    std::vector<int16_t> ramp(4800);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<int16_t>(i + 1);

    // Adjustment -10: every 100th sample is left out.
    auto shrinking = MakeNamedQueue();
    FillPlayList(*shrinking, 1);
    NudgeRate(*shrinking, 10);
    ASSERT_EQ(shrinking->GetRateAdjustment(), -10);
    Push(*shrinking, std::vector<int16_t>(ramp.begin(), ramp.begin() + 2000));
    Pop(*shrinking);
    std::vector<int16_t> kept;
    for (int i = 0; i < 2000 && kept.size() < 1600; ++i) {
        if (i % 100 != 0) kept.push_back(ramp[i]);
    }
    EXPECT_EQ(Pop(*shrinking), kept);

    // Adjustment +20 (three chunks to pre-buffer, none playable): every 50th sample twice.
    auto stretching = MakeQueue(2);
    NudgeRate(*stretching, 20);
    ASSERT_EQ(stretching->GetRateAdjustment(), 20);
    Push(*stretching, ramp);
    std::vector<int16_t> doubled;
    for (int i = 0; i < 4800; ++i) {
        doubled.push_back(ramp[i]);
        if (i % 50 == 0) doubled.push_back(ramp[i]);
    }
    doubled.resize(4800);
    std::vector<int16_t> played;
    for (int i = 0; i < 3; ++i) {
        const auto chunk = Pop(*stretching);
        played.insert(played.end(), chunk.begin(), chunk.end());
    }
    EXPECT_EQ(played, doubled);
}

TEST_F(AudioQueueTest, PacketsAreDroppedOnlyAboveTwentyWaitingChunks) {
    auto queue = MakeNamedQueue();
    FillPlayList(*queue, 20);
    // At 20 waiting packets are still taken.
    for (int guard = 0; queue->GetPlayCount() == 20 && guard < 3; ++guard) PushChunk(*queue);
    const size_t waiting = queue->GetPlayCount();
    ASSERT_GT(waiting, 20u);
    const int32_t adjustment = queue->GetRateAdjustment();
    for (int i = 0; i < 5; ++i) PushChunk(*queue);
    EXPECT_EQ(queue->GetPlayCount(), waiting);
    EXPECT_EQ(queue->GetRateAdjustment(), adjustment);
}

TEST_F(AudioQueueTest, FiveJitterEventsWithinTheWindowRaiseTheTarget) {
    LogCapture log;
    auto queue = MakeNamedQueue();
    PushChunk(*queue);
    for (int i = 0; i < 4; ++i) JitterEvent(*queue);
    EXPECT_EQ(queue->GetTarget(), 0u);
    clock.Advance(140000);
    JitterEvent(*queue);
    EXPECT_EQ(queue->GetTarget(), 1u);
    EXPECT_EQ(log.Count("u1(Speaker One) Audio Jitter Buffering Count Up(1). Buffering Delay(400 msec)."), 1);
    EXPECT_EQ(log.Count("u1(Speaker One)Audio Jitter First("), 1);
    EXPECT_EQ(log.Count("u1(Speaker One)Audio Packet Jitter was detected(4)."), 1);
    // The report goes out on the next pass of the slot thread, once.
    queue->Service();
    queue->Service();
    EXPECT_EQ(callbacks.jitterReports, 1);
    EXPECT_EQ(callbacks.jitterSlot, 3u);
    EXPECT_EQ(log.Count("u1(Speaker One) Audio Jitter check message sended."), 1);

    // A fifth event more than 149999 ms after the first only starts the count again.
    for (int i = 0; i < 4; ++i) JitterEvent(*queue);
    clock.Advance(150000);
    JitterEvent(*queue);
    queue->Service();
    EXPECT_EQ(queue->GetTarget(), 1u);
    EXPECT_EQ(callbacks.jitterReports, 1);
}

TEST_F(AudioQueueTest, TargetStopsAtFourButTheReportStillGoesOut) {
    auto queue = MakeNamedQueue();
    PushChunk(*queue);
    for (int raise = 1; raise <= 5; ++raise) {
        for (int i = 0; i < 5; ++i) JitterEvent(*queue);
        queue->Service();
        EXPECT_EQ(queue->GetTarget(), std::min(raise, 4)) << raise;
        EXPECT_EQ(callbacks.jitterReports, raise);
    }
}

TEST_F(AudioQueueTest, QuietPeriodLowersTheTargetDownToTwo) {
    LogCapture log;
    // Starts at 3 with no raise: 30 s with chunks to spare after every pop lower it by one.
    auto queue = MakeQueue(3);
    FillPlayList(*queue, 4);
    const auto cycle = [&] { Cycle(*queue); };
    for (int t = 0; t < 20000; t += 200) cycle();
    // A pop that empties the play list starts the quiet period again.
    while (queue->GetPlayCount() > 0) Pop(*queue);
    FillPlayList(*queue, 2);
    for (int t = 0; t < 30000; t += 200) cycle();
    EXPECT_EQ(queue->GetTarget(), 3u);
    for (int t = 0; t < 400; t += 200) cycle();
    EXPECT_EQ(queue->GetTarget(), 2u);
    EXPECT_EQ(log.Count("Audio Jitter Buffering Count Down(2). Buffering Delay(600 msec)."), 1);
    // The minimum is never passed.
    for (int t = 0; t < 70000; t += 200) cycle();
    EXPECT_EQ(queue->GetTarget(), 2u);
}

TEST_F(AudioQueueTest, AfterARaiseTheQuietPeriodIsLonger) {
    auto queue = MakeQueue(3);
    FillPlayList(*queue, 4);
    for (int i = 0; i < 5; ++i) JitterEvent(*queue);
    ASSERT_EQ(queue->GetTarget(), 4u);
    FillPlayList(*queue, 3);
    const auto cycle = [&] { Cycle(*queue); };
    for (int t = 0; t < 50000; t += 200) cycle();
    EXPECT_EQ(queue->GetTarget(), 4u);
    for (int t = 0; t < 11000; t += 200) cycle();
    EXPECT_EQ(queue->GetTarget(), 3u);
}

TEST_F(AudioQueueTest, UnderrunOfMoreThan999MsResetsTheQueue) {
    LogCapture log;
    auto queue = MakeQueue(2);
    FillPlayList(*queue, 3);
    // A chunk still being filled and a report pending are dropped by the reset as well.
    Push(*queue, std::vector<int16_t>(100, 9));
    while (!Pop(*queue).empty()) {
    }
    clock.Advance(999);
    queue->Service();
    EXPECT_FALSE(queue->IsPreBuffering());
    EXPECT_EQ(log.Count("stop audio."), 0);
    clock.Advance(1);
    queue->Service();
    EXPECT_TRUE(queue->IsPreBuffering());
    EXPECT_EQ(log.Count("() stop audio."), 1);
    EXPECT_EQ(queue->GetTarget(), 2u);
    // Pre-buffering again from an empty chunk: three whole chunks before anything plays.
    PushChunk(*queue, 77);
    PushChunk(*queue, 77);
    EXPECT_TRUE(Pop(*queue).empty());
    PushChunk(*queue, 77);
    const auto chunk = Pop(*queue);
    ASSERT_FALSE(chunk.empty());
    EXPECT_EQ(chunk.front(), 77);
}

// The slot thread itself: it sleeps until the underrun is due and sends the report.
TEST_F(AudioQueueTest, SlotThreadResetsAndReportsOnItsOwn) {
    auto queue = MakeNamedQueue();
    ASSERT_TRUE(queue->Start());
    ASSERT_TRUE(clock.Settle(1));
    PushChunk(*queue);
    for (int i = 0; i < 5; ++i) JitterEvent(*queue);
    ASSERT_TRUE(clock.Settle(1));
    EXPECT_EQ(callbacks.jitterReports, 1);

    while (!Pop(*queue).empty()) {
    }
    ASSERT_TRUE(clock.Run(999, 333, 1));
    EXPECT_FALSE(queue->IsPreBuffering());
    ASSERT_TRUE(clock.Run(1, 1, 1));
    EXPECT_TRUE(queue->IsPreBuffering());
    queue->Stop();
}

}  // namespace
