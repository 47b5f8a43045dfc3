// The mixer with its slot queues and output thread, stepped with a fake clock.
#include <gtest/gtest.h>
#include <time.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "FakeClock.h"
#include "audio/AudioPlayerThread.h"
#include "tessel/TS_Common.h"

using audio_test::FakeClock;

TEST(AudioMixing, AddsWithSaturation) {
    struct Case {
        int16_t a, b, sum;
    };
    for (const Case c : {Case{30000, 30000, 32767}, Case{-30000, -30000, -32768}, Case{100, -300, -200},
                         Case{32767, 1, 32767}, Case{-32768, -1, -32768}}) {
        int16_t dst[2] = {c.a, c.a};
        const int16_t src[2] = {c.b, c.b};
        CAudioPlayerThread::MixingAudio(reinterpret_cast<uint8_t*>(dst),
                                        reinterpret_cast<const uint8_t*>(src), 4);
        EXPECT_EQ(dst[0], c.sum) << c.a << " + " << c.b;
        EXPECT_EQ(dst[1], c.sum);
    }
    int16_t dst = 5;
    CAudioPlayerThread::MixingAudio(reinterpret_cast<uint8_t*>(&dst), nullptr, 2);
    CAudioPlayerThread::MixingAudio(nullptr, reinterpret_cast<const uint8_t*>(&dst), 2);
    CAudioPlayerThread::MixingAudio(reinterpret_cast<uint8_t*>(&dst), reinterpret_cast<const uint8_t*>(&dst),
                                    0);
    EXPECT_EQ(dst, 5);
}

namespace {

class MixerTest : public testing::Test {
protected:
    struct Mix {
        uint64_t time;
        int32_t level;
        std::vector<int16_t> pcm;
    };

    void Make(uint32_t slots, uint16_t rate) {
        mixer =
            std::make_unique<CAudioPlayerThread>(slots, rate, 200, OnPlay, OnJitter, OnLevel, this, clock);
        threads = 2;  // the mixer and its output thread
    }
    void Start() {
        ASSERT_TRUE(mixer->Start());
        ASSERT_TRUE(clock.Settle(threads));
    }
    void Name(uint32_t slot) {
        const std::string id = "user" + std::to_string(slot);
        mixer->SetUserInfo(slot, id.c_str(), "name");
        ++threads;
    }
    void Push(uint32_t slot, const std::vector<int16_t>& pcm) {
        mixer->PushAudioData(slot, reinterpret_cast<const uint8_t*>(pcm.data()), pcm.size() * 2);
    }
    std::vector<int16_t> Chunk(int16_t value) const {
        return std::vector<int16_t>(mixer->GetMixSize() / 2, value);
    }
    void Cycle() { ASSERT_TRUE(clock.Run(200, 200, threads)); }

    std::vector<Mix> Mixes() {
        std::lock_guard<std::mutex> lock(mutex);
        return mixes;
    }
    std::vector<std::pair<uint32_t, int32_t>> Levels() {
        std::lock_guard<std::mutex> lock(mutex);
        return levels;
    }

    static void OnPlay(int32_t level, uint8_t* pcm, int32_t bytes, void* user) {
        auto* self = static_cast<MixerTest*>(user);
        const auto* samples = reinterpret_cast<const int16_t*>(pcm);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->mixes.push_back(
            {self->clock.NowMs(), level, std::vector<int16_t>(samples, samples + bytes / 2)});
        __free__(pcm);
    }
    static void OnJitter(uint32_t, void* user) { ++static_cast<MixerTest*>(user)->jitterReports; }
    static void OnLevel(uint32_t slot, int32_t level, void* user) {
        auto* self = static_cast<MixerTest*>(user);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->levels.emplace_back(slot, level);
    }

    FakeClock clock;
    std::mutex mutex;
    std::vector<Mix> mixes;
    std::vector<std::pair<uint32_t, int32_t>> levels;
    std::atomic<int> jitterReports{0};
    int threads = 0;
    std::unique_ptr<CAudioPlayerThread> mixer;  // destroyed first
};

TEST_F(MixerTest, NamedSlotPlaysItsFirstCompleteChunkInTheNextCycle) {
    Make(4, 48000);
    ASSERT_EQ(mixer->GetMixSize(), 19200u);
    Start();
    Name(0);
    std::vector<int16_t> pcm(9600);
    for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<int16_t>((i % 200) * 100 - 10000);
    Push(0, std::vector<int16_t>(pcm.begin(), pcm.begin() + 4800));
    Cycle();
    EXPECT_TRUE(Mixes().empty());
    Push(0, std::vector<int16_t>(pcm.begin() + 4800, pcm.end()));
    Cycle();
    const auto played = Mixes();
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].time, FakeClock::kStart + 400);
    EXPECT_EQ(played[0].pcm, pcm);
    EXPECT_EQ(played[0].level, 31);  // peak 10000
    EXPECT_EQ(Levels(), (std::vector<std::pair<uint32_t, int32_t>>{{0, 31}}));
}

TEST_F(MixerTest, SixteenSpeakersMixWithoutWrapAround) {
    Make(16, 16000);
    Start();
    for (uint32_t slot = 0; slot < 16; ++slot) Name(slot);
    for (const int16_t value : {int16_t{30000}, int16_t{-30000}}) {
        mixes.clear();
        for (uint32_t slot = 0; slot < 16; ++slot) Push(slot, Chunk(value));
        Cycle();
        const auto played = Mixes();
        ASSERT_EQ(played.size(), 1u) << value;
        const int16_t expected = value > 0 ? 32767 : -32768;
        EXPECT_EQ(played[0].pcm, std::vector<int16_t>(played[0].pcm.size(), expected));
    }
    // The mix level is the loudest slot's, leaving out the last slot of the array.
    mixes.clear();
    for (uint32_t slot = 0; slot < 15; ++slot) Push(slot, Chunk(static_cast<int16_t>(100 * slot)));
    Push(15, Chunk(32767));
    Cycle();
    const auto played = Mixes();
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].level, 4);  // slot 14: peak 1400
    const auto reported = Levels();
    ASSERT_GE(reported.size(), 16u);
    EXPECT_EQ(reported.back(), std::make_pair(15u, 100));
}

TEST_F(MixerTest, GainOfASlotScalesItsAudioAndLevel) {
    Make(2, 8000);
    Start();
    Name(0);
    Name(1);
    mixer->SetBoostLevel(0, 2.0);
    mixer->SetBoostLevel(7, 2.0);  // no such slot: nothing happens
    Push(0, Chunk(10000));
    Push(1, Chunk(-500));
    Cycle();
    const auto played = Mixes();
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].pcm.front(), 19500);
    EXPECT_EQ(played[0].level, 61);  // the last slot does not count
    EXPECT_EQ(Levels(), (std::vector<std::pair<uint32_t, int32_t>>{{0, 61}, {1, 2}}));
}

// A speaker sends 20 ms packets every 20 ms; the network delays each by up to 60 ms and,
// during the first 10 s, stalls for 700 ms every 1.2 s (packets stay in order). Only the
// first stall, longer than anything buffered, costs cycles; the audio it held back becomes
// the buffer, and from then on every cycle plays one 200 ms mix, the audio in order.
TEST_F(MixerTest, JitteryPacketsBecomeASteadyStream) {
    const int rate = 16000;
    const int packet = rate / 50;
    const uint64_t kSeconds = 25;
    Make(2, rate);
    Start();
    Name(1);
    uint32_t lcg = 99;
    uint64_t lastArrival = 0;
    std::vector<std::pair<uint64_t, std::vector<int16_t>>> inFlight;
    int sample = 0;
    const uint64_t start = clock.NowMs();
    for (uint64_t sent = 0; sent < kSeconds * 1000; sent += 20) {
        lcg = lcg * 1664525u + 1013904223u;
        // Up to 60 ms late; during the first 10 s a stall holds the packets back for 700 ms every 1.2 s.
        const uint64_t delay = sent < 10000 && sent % 1200 == 600 ? 700 : (lcg >> 8) % 61;
        lastArrival = std::max(lastArrival, sent + delay);
        std::vector<int16_t> pcm(packet);
        for (auto& s : pcm) s = static_cast<int16_t>(sample++ % 30000);
        inFlight.emplace_back(start + lastArrival, std::move(pcm));
    }
    size_t next = 0;
    for (uint64_t t = 0; t < kSeconds * 1000 + 400; t += 20) {
        for (; next < inFlight.size() && inFlight[next].first <= clock.NowMs(); ++next)
            Push(1, inFlight[next].second);
        ASSERT_TRUE(clock.Run(20, 20, threads));
    }
    const auto played = Mixes();
    ASSERT_GT(played.size(), 50u);
    int gaps = 0;
    uint64_t lastGap = 0;
    std::vector<int16_t> stream;
    for (size_t i = 0; i < played.size(); ++i) {
        EXPECT_EQ(played[i].pcm.size(), static_cast<size_t>(rate / 5));
        if (i > 0) {
            EXPECT_EQ((played[i].time - played[i - 1].time) % 200, 0u);
            const auto missed = static_cast<int>((played[i].time - played[i - 1].time) / 200) - 1;
            gaps += missed;
            if (missed > 0) lastGap = played[i].time - start;
        }
        stream.insert(stream.end(), played[i].pcm.begin(), played[i].pcm.end());
    }
    EXPECT_LE(gaps, 4);
    EXPECT_LT(lastGap, 2000u);
    // In order, nothing lost beyond the few samples that rate adjustment drops or doubles.
    for (size_t i = 1; i < stream.size(); ++i) {
        const int step = (stream[i] - stream[i - 1] + 30000) % 30000;
        EXPECT_LE(step, 2) << i;
        if (step > 2) break;
    }
    EXPECT_GE(stream.size(), static_cast<size_t>(sample) * 95 / 100);
}

TEST_F(MixerTest, StopLeavesEverySlotPreBufferingAndPlaysNothingMore) {
    Make(3, 8000);
    Start();
    Name(0);
    Name(2);
    for (int i = 0; i < 3; ++i) {
        Push(0, Chunk(1000));
        Push(2, Chunk(2000));
    }
    mixer->Stop();
    threads -= 2;
    for (const uint32_t slot : {0u, 2u}) {
        CAudioQueue* queue = mixer->GetQueue(slot);
        ASSERT_NE(queue, nullptr);
        EXPECT_TRUE(queue->IsPreBuffering());
        EXPECT_EQ(queue->GetPlayCount(), 0u);
    }
    EXPECT_EQ(mixer->GetQueue(1), nullptr);
    Push(0, Chunk(1000));  // ignored: not started
    ASSERT_TRUE(clock.Run(1000, 200, threads));
    EXPECT_EQ(mixer->GetQueue(0)->GetPlayCount(), 0u);
    EXPECT_TRUE(Mixes().empty());
    EXPECT_EQ(mixer->GetBufferCount(), 0);
}

}  // namespace

// With the real clock: sixteen named but silent speakers and an idle mixer use no processor time.
TEST(AudioPlayerThreadIdle, SilentSlotsCostNoProcessorTime) {
    CAudioPlayerThread mixer(16, 48000, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(mixer.Start());
    for (uint32_t slot = 0; slot < 16; ++slot) mixer.SetUserInfo(slot, "id", "name");
    timespec before{};
    timespec after{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
    const double cpuMs = (after.tv_sec - before.tv_sec) * 1e3 + (after.tv_nsec - before.tv_nsec) / 1e6;
    // Seventeen spinning threads would burn the whole 400 ms on every core.
    EXPECT_LT(cpuMs, 60.0);
}
