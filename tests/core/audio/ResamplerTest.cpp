// Sample-rate conversion of 16-bit mono PCM.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "Signal.h"
#include "audio/Resampler.h"
#include "tessel/TS_Common.h"

using audio_test::DominantFrequency;
using audio_test::Tone;

namespace {

struct Converted {
    std::vector<int16_t> pcm;
    std::vector<int> callBytes;
};

// Feeds one second of a 1 kHz tone in ten 100 ms pieces.
Converted ConvertSecond(CResampler& resampler, int inRate, int outRate) {
    const auto input = Tone(inRate, 1000.0, inRate);
    const int piece = inRate / 10;
    Converted result;
    for (int pos = 0; pos < inRate; pos += piece) {
        uint8_t* out = nullptr;
        int outBytes = 0;
        EXPECT_TRUE(resampler.Convert(reinterpret_cast<const uint8_t*>(input.data() + pos), piece * 2, inRate,
                                      outRate, &out, &outBytes));
        if (out == nullptr) continue;
        const auto* samples = reinterpret_cast<const int16_t*>(out);
        result.pcm.insert(result.pcm.end(), samples, samples + outBytes / 2);
        result.callBytes.push_back(outBytes);
        __free__(out);
    }
    return result;
}

}  // namespace

TEST(Resampler, ConvertsBetweenRoomAndDeviceRates) {
    struct Case {
        int in, out;
    };
    for (const Case c : {Case{48000, 16000}, Case{16000, 48000}, Case{16000, 44100}, Case{44100, 16000},
                         Case{48000, 44100}, Case{44100, 48000}}) {
        SCOPED_TRACE(testing::Message() << c.in << " -> " << c.out);
        CResampler resampler;
        const Converted result = ConvertSecond(resampler, c.in, c.out);
        ASSERT_EQ(result.callBytes.size(), 10u);
        // One second in gives one second out, less what the filter still holds back.
        const int total = static_cast<int>(result.pcm.size());
        EXPECT_LE(total, c.out);
        EXPECT_GE(total, c.out - 64);
        // Every piece after the first is a whole 100 ms (give or take the filter's rounding).
        for (size_t i = 1; i < result.callBytes.size(); ++i)
            EXPECT_NEAR(result.callBytes[i] / 2, c.out / 10, 2);
        EXPECT_NEAR(DominantFrequency(result.pcm, c.out, 500, 1500, c.out / 10), 1000.0, 5.0);
    }
}

TEST(Resampler, OutputNeverExceedsTheComputedCapacity) {
    // 9600 samples of 48000 Hz: the result is bounded by ceil((delay + 9600) * 44100 / 48000).
    const auto input = Tone(48000, 1000.0, 9600);
    CResampler resampler;
    ASSERT_TRUE(resampler.Init(48000, 44100));
    for (int call = 0; call < 3; ++call) {
        uint8_t* out = nullptr;
        int outBytes = 0;
        ASSERT_TRUE(resampler.Convert(reinterpret_cast<const uint8_t*>(input.data()), 19200, 48000, 44100,
                                      &out, &outBytes));
        EXPECT_LE(outBytes / 2, 8820 + 64);
        EXPECT_GT(outBytes / 2, 8820 - 64);
        __free__(out);
    }
}

TEST(Resampler, NewRatePairReinitialises) {
    CResampler resampler;
    ConvertSecond(resampler, 48000, 16000);
    // The converter now holds samples of the old pair; a new pair starts afresh and
    // delivers the new ratio (16000 -> 44100 gives about 4410 per 100 ms piece).
    const Converted result = ConvertSecond(resampler, 16000, 44100);
    EXPECT_LE(static_cast<int>(result.pcm.size()), 44100);
    EXPECT_GE(static_cast<int>(result.pcm.size()), 44100 - 64);
}

TEST(Resampler, FailuresLeaveTheResultsAlone) {
    CResampler resampler;
    const auto input = Tone(16000, 1000.0, 160);
    int outBytes = 7;
    uint8_t* out = nullptr;
    EXPECT_FALSE(resampler.Convert(reinterpret_cast<const uint8_t*>(input.data()), 320, 16000, 48000, nullptr,
                                   &outBytes));
    EXPECT_FALSE(
        resampler.Convert(reinterpret_cast<const uint8_t*>(input.data()), 320, 16000, 48000, &out, nullptr));
    // Nothing to convert: no samples result, so the call fails and the caller's values stay.
    auto* sentinel = reinterpret_cast<uint8_t*>(&outBytes);
    out = sentinel;
    EXPECT_FALSE(
        resampler.Convert(reinterpret_cast<const uint8_t*>(input.data()), 0, 16000, 48000, &out, &outBytes));
    EXPECT_EQ(out, sentinel);
    EXPECT_EQ(outBytes, 7);
    // A rate the converter cannot take fails at initialisation.
    EXPECT_FALSE(resampler.Init(0, 48000));
    EXPECT_FALSE(
        resampler.Convert(reinterpret_cast<const uint8_t*>(input.data()), 320, -5, 48000, &out, &outBytes));
    EXPECT_EQ(out, sentinel);
}

namespace {
int gCallbackBytes = 0;
int gCallbackCalls = 0;
void OnConverted(const uint8_t*, int bytes) {
    gCallbackBytes += bytes;
    ++gCallbackCalls;
}
}  // namespace

TEST(Resampler, CallbackFormHandsEachResultOver) {
    const auto input = Tone(16000, 1000.0, 1600);
    CResampler withoutCallback;
    EXPECT_FALSE(withoutCallback.Convert(reinterpret_cast<const uint8_t*>(input.data()), 3200, 16000, 48000));

    CResampler resampler(OnConverted);
    gCallbackBytes = gCallbackCalls = 0;
    EXPECT_TRUE(resampler.Convert(reinterpret_cast<const uint8_t*>(input.data()), 3200, 16000, 48000));
    EXPECT_TRUE(resampler.Convert(reinterpret_cast<const uint8_t*>(input.data()), 3200, 16000, 48000));
    EXPECT_EQ(gCallbackCalls, 2);
    EXPECT_LE(gCallbackBytes, 2 * 4800 * 2);
    EXPECT_GE(gCallbackBytes, 2 * 4800 * 2 - 128);
}
