// Opus, GSM and mu-law wrappers over their libraries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "Signal.h"
#include "audio/GSMCodec.h"
#include "audio/OpusCodec.h"
#include "audio/Ulaw.h"
#include "tessel/TS_Common.h"

using audio_test::Tone;

TEST(OpusCodec, AcceptsOnlyOpusRates) {
    struct Case {
        int rate;
        bool valid;
    };
    for (const Case c : {Case{8000, true}, Case{12000, true}, Case{16000, true}, Case{24000, true},
                         Case{48000, true}, Case{44100, false}, Case{32000, false}, Case{0, false}}) {
        COpusEncoder encoder(c.rate);
        EXPECT_EQ(encoder.IsValid(), c.valid) << c.rate;
    }
}

TEST(OpusCodec, InertObjectsReturnMinusOne) {
    COpusEncoder encoder(44100);
    COpusDecoder decoder(44100);
    ASSERT_FALSE(encoder.IsValid());
    ASSERT_FALSE(decoder.IsValid());
    std::vector<int16_t> pcm(960);
    unsigned char packet[COpusEncoder::kMaxPacketBytes];
    EXPECT_EQ(encoder.encode(pcm.data(), 960, packet, sizeof(packet)), -1);
    EXPECT_EQ(encoder.setBitRate(32000), -1);
    EXPECT_EQ(encoder.getBitRate(), -1);
    EXPECT_EQ(decoder.decode(packet, 10, pcm.data(), 960), -1);
}

TEST(OpusCodec, BitRateLimits) {
    COpusEncoder encoder(16000);
    ASSERT_TRUE(encoder.IsValid());
    EXPECT_EQ(encoder.getBitRate(), 64000);
    EXPECT_EQ(encoder.setBitRate(499), -1);
    EXPECT_EQ(encoder.setBitRate(512001), -1);
    EXPECT_EQ(encoder.getBitRate(), 64000);
    EXPECT_EQ(encoder.setBitRate(500), 0);
    EXPECT_EQ(encoder.getBitRate(), 500);
    EXPECT_EQ(encoder.setBitRate(512000), 0);
    EXPECT_EQ(encoder.setBitRate(24000), 0);
    EXPECT_EQ(encoder.getBitRate(), 24000);
}

// One second of a voiced tone in 60 ms frames through encoder and decoder.
TEST(OpusCodec, RoundTripKeepsEnergyAndPitch) {
    for (const int rate : {16000, 48000}) {
        SCOPED_TRACE(rate);
        const int frame = rate * 60 / 1000;
        const auto input = Tone(rate, 220.0, rate);
        COpusEncoder encoder(rate);
        COpusDecoder decoder(rate);
        std::vector<int16_t> output;
        std::vector<unsigned char> packet(COpusEncoder::kMaxPacketBytes);
        std::vector<int16_t> decoded(COpusDecoder::MaxFrameSamples(rate));
        int totalBytes = 0;
        for (int pos = 0; pos + frame <= rate; pos += frame) {
            const int bytes = encoder.encode(input.data() + pos, frame, packet.data(), packet.size());
            ASSERT_GT(bytes, 0);
            totalBytes += bytes;
            const int samples = decoder.decode(packet.data(), bytes, decoded.data(), decoded.size());
            ASSERT_EQ(samples, frame);
            output.insert(output.end(), decoded.begin(), decoded.begin() + samples);
        }
        // The encoder runs at its default 64 kbit/s (variable: within 15 %).
        EXPECT_NEAR(totalBytes * 8.0 / 0.96, 64000.0, 9600.0);
        // Skip the codec's start-up; compare the settled part.
        EXPECT_SAME_SOUND(input, output, rate, 220.0, 0.8, 1.25, rate / 4);
    }
}

TEST(OpusCodec, DecodeNeverWritesPastTheCallersBuffer) {
    const int rate = 48000;
    const auto input = Tone(rate, 440.0, 2880);
    COpusEncoder encoder(rate);
    COpusDecoder decoder(rate);
    std::vector<unsigned char> packet(COpusEncoder::kMaxPacketBytes);
    const int bytes = encoder.encode(input.data(), 2880, packet.data(), packet.size());
    ASSERT_GT(bytes, 0);
    // A buffer one 20 ms frame long cannot take a 60 ms packet: refused, nothing written.
    std::vector<int16_t> small(960);
    EXPECT_LT(decoder.decode(packet.data(), bytes, small.data(), small.size()), 0);
}

TEST(GSMCodec, SizesFollowWholeFrames) {
    EXPECT_EQ(GSMCodec::CalcGsmSizeFromWaveSize(639), 33);
    EXPECT_EQ(GSMCodec::CalcGsmSizeFromWaveSize(640), 66);
    EXPECT_EQ(GSMCodec::CalcWaveSizeFromGsmSize(65), 320);
    EXPECT_EQ(GSMCodec::CalcWaveSizeFromGsmSize(66), 640);

    GSMCodec codec;
    const auto pcm = Tone(8000, 300.0, 320);
    // 639 bytes hold one whole block; the exact-size output shows no more is written.
    std::vector<unsigned char> gsm(GSMCodec::CalcGsmSizeFromWaveSize(639));
    ASSERT_EQ(gsm.size(), 33u);
    EXPECT_TRUE(codec.Encode(pcm.data(), 639, gsm.data()));
    std::vector<unsigned char> twoFrames(66);
    EXPECT_TRUE(codec.Encode(pcm.data(), 640, twoFrames.data()));
    std::vector<int16_t> wave(GSMCodec::CalcWaveSizeFromGsmSize(66) / 2);
    ASSERT_EQ(wave.size(), 320u);
    EXPECT_TRUE(codec.Decode(twoFrames.data(), 66, wave.data()));
}

TEST(GSMCodec, BoundedFormsStopAtTheCapacity) {
    GSMCodec codec;
    const auto pcm = Tone(8000, 300.0, 480);  // three blocks
    std::vector<unsigned char> gsm(99);
    // Room for two frames only (ASan sees any write past the 66 bytes).
    std::vector<unsigned char> two(66);
    EXPECT_TRUE(codec.Encode(pcm.data(), 960, two.data(), 66));
    ASSERT_TRUE(codec.Encode(pcm.data(), 960, gsm.data()));
    std::vector<int16_t> wave(320);  // 640 bytes: two frames of three
    EXPECT_TRUE(codec.Decode(gsm.data(), 99, wave.data(), 640));
    std::vector<int16_t> none(100);  // less than one frame
    const std::vector<int16_t> untouched = none;
    EXPECT_TRUE(codec.Decode(gsm.data(), 99, none.data(), 200));
    EXPECT_EQ(none, untouched);
}

TEST(GSMCodec, RoundTripKeepsEnergyAndPitch) {
    const int rate = 8000;
    const auto input = Tone(rate, 300.0, rate);  // 1 s = 50 blocks
    GSMCodec encoder;
    GSMCodec decoder;
    std::vector<unsigned char> gsm(GSMCodec::CalcGsmSizeFromWaveSize(rate * 2));
    ASSERT_TRUE(encoder.Encode(input.data(), rate * 2, gsm.data()));
    std::vector<int16_t> output(GSMCodec::CalcWaveSizeFromGsmSize(gsm.size()) / 2);
    ASSERT_EQ(output.size(), input.size());
    ASSERT_TRUE(decoder.Decode(gsm.data(), gsm.size(), output.data()));
    EXPECT_SAME_SOUND(input, output, rate, 300.0, 0.6, 1.5, rate / 4);
}

TEST(Ulaw, RoundTripStaysWithinTheCompandingStep) {
    std::vector<int16_t> pcm;
    for (int v = -32768; v <= 32767; v += 97) pcm.push_back(static_cast<int16_t>(v));
    uint8_t* coded = nullptr;
    int codedBytes = 0;
    ASSERT_TRUE(Ulaw::Encode(pcm.data(), pcm.size() * 2, &coded, &codedBytes));
    ASSERT_EQ(codedBytes, static_cast<int>(pcm.size()));
    int16_t* decoded = nullptr;
    int decodedBytes = 0;
    ASSERT_TRUE(Ulaw::Decode(coded, codedBytes, &decoded, &decodedBytes));
    ASSERT_EQ(decodedBytes, codedBytes * 2);
    for (size_t i = 0; i < pcm.size(); ++i) {
        const int v = pcm[i];
        const int magnitude = std::min(std::abs(v), 32635);
        // A segment's step is at most 1/16 of the biased magnitude; the table index drops 3 bits more.
        const int allowed = (magnitude + 132) / 16 + 8;
        EXPECT_LE(std::abs(std::clamp(v, -32635, 32635) - decoded[i]), allowed) << v;
        if (std::abs(v) > 8) {
            EXPECT_EQ(decoded[i] < 0, v < 0) << v;
        }
    }
    __free__(coded);
    __free__(decoded);
}
