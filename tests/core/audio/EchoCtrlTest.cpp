// Echo cancelling and noise suppression (Speex DSP).
#include <gtest/gtest.h>

#include <vector>

#include "Signal.h"
#include "audio/EchoCtrl.h"

using audio_test::Energy;
using audio_test::ModulatedNoise;

TEST(EchoCtrl, FramesAreTwoMillisecondsAndCaptureTakesHalfABlock) {
    struct Case {
        uint16_t rate;
        int frame;
        int frames;
    };
    for (const Case c : {Case{8000, 16, 100}, Case{16000, 32, 50}, Case{32000, 64, 25}, Case{48000, 96, 16},
                         Case{44100, 88, 18}}) {
        CEchoCtrl echo(c.rate);
        EXPECT_EQ(echo.FrameSize(), c.frame) << c.rate;
        EXPECT_EQ(echo.CaptureFrames(), c.frames) << c.rate;
    }
}

namespace {

// Plays `far` and captures its echo (a delayed, quieter copy) block by block; returns the output.
std::vector<int16_t> RunEchoPath(CEchoCtrl& echo, const std::vector<int16_t>& far, bool feedFarEnd) {
    const int frame = echo.FrameSize();
    const int block = echo.CaptureFrames() * frame;
    const int delay = 40;
    std::vector<int16_t> nearEnd(far.size(), 0);
    for (size_t i = delay; i < far.size(); ++i) nearEnd[i] = static_cast<int16_t>(far[i - delay] / 2);
    std::vector<int16_t> out(far.size(), 0);
    for (size_t pos = 0; pos + block <= far.size(); pos += block) {
        if (feedFarEnd) {
            for (int f = 0; f < block; f += frame) echo.EchoPlayback(far.data() + pos + f);
        }
        echo.EchoCapture(nearEnd.data() + pos, out.data() + pos);
    }
    return out;
}

}  // namespace

TEST(EchoCtrl, CancelsTheEchoOfThePlayedSignal) {
    const int rate = 16000;
    const auto far = ModulatedNoise(rate, rate * 6);
    CEchoCtrl withFarEnd(rate);
    CEchoCtrl withoutFarEnd(rate);
    const auto cancelled = RunEchoPath(withFarEnd, far, true);
    const auto suppressedOnly = RunEchoPath(withoutFarEnd, far, false);

    // Measure the last two seconds, after the adaptive filter has settled.
    const size_t from = rate * 4;
    std::vector<int16_t> echoPath(far.size(), 0);
    for (size_t i = 40; i < far.size(); ++i) echoPath[i] = static_cast<int16_t>(far[i - 40] / 2);
    const double echoEnergy = Energy(echoPath, from);
    // Before the filter has adapted the echo still comes through.
    EXPECT_GT(Energy(cancelled.data(), rate / 10), Energy(echoPath.data(), rate / 10) / 10);
    EXPECT_LT(Energy(cancelled, from), echoEnergy / 10) << "at least 10 dB less echo";
    // Noise suppression alone does not explain it: the far end is what makes the difference.
    EXPECT_LT(Energy(cancelled, from), Energy(suppressedOnly, from) / 4);
}

TEST(EchoCtrl, CaptureWritesOnlyItsFramesAndPlaybackKeepsABoundedBacklog) {
    CEchoCtrl echo(48000);
    const int processed = echo.CaptureFrames() * echo.FrameSize();
    ASSERT_EQ(processed, 1536);
    // Far-end frames pile up without captures: the oldest are dropped, nothing overflows.
    const auto far = ModulatedNoise(48000, 96 * 200);
    for (int f = 0; f < 200; ++f) echo.EchoPlayback(far.data() + f * 96);
    std::vector<int16_t> in(processed, 100);
    std::vector<int16_t> out(1600, 12345);
    echo.EchoCapture(in.data(), out.data());
    for (int i = processed; i < 1600; ++i) EXPECT_EQ(out[i], 12345) << i;
}
