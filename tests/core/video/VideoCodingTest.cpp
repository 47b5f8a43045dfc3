#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "video/H264Decoder.h"
#include "video/VideoDecoder.h"
#include "video/VideoEncoder.h"
#include "common/LLog.h"
#include "fixtures/VideoPattern.h"
#include "tessel/TS_Common.h"

namespace {

using Bytes = std::vector<uint8_t>;

// At 64 kbit/s the test pattern decodes at 30 to 41 dB (lowest: 160 x 120 P frames);
// a wrong stride, plane or channel order falls far below.
constexpr double kMinPsnr = 28.0;

// NAL unit types found after the Annex B start codes of a bitstream.
std::set<int> NalTypes(const Bytes& s) {
    std::set<int> types;
    for (size_t i = 0; i + 3 < s.size(); ++i)
        if (s[i] == 0 && s[i + 1] == 0 && s[i + 2] == 1) types.insert(s[i + 3] & 0x1F);
    return types;
}

struct Freed {
    void operator()(uint8_t* p) const { __free__(p); }
};
using Picture = std::unique_ptr<uint8_t, Freed>;

// An encoder on a fake clock that advances by `step` ms before every frame.
struct Camera {
    CVideoEncoder encoder;
    uint64_t now = 1'000'000;
    int frame = 0;
    Camera() {
        encoder.SetClock([this] { return now; });
    }
    // Encodes the next pattern frame; empty when the gate skipped it.
    Bytes Next(int width, int height, int fps, uint64_t step, Bytes* source = nullptr) {
        now += step;
        Bytes pixels = MakeVideoPattern(width, height, frame++);
        int n = encoder.Encode(pixels.data(), width, height, width, height, fps, 0, 0);
        if (n <= 0) return {};
        Bytes out(n);
        encoder.GetEncodeBuffer(out.data());
        if (source) *source = std::move(pixels);
        return out;
    }
};

// The core logger's lines (all levels) while it lives.
class LogLines : public CLLogReceiver {
public:
    LogLines() {
        CLLog::init(this, "Mac");
        CLLog::setOutput(true);
        CLLog::setLogLevel(CLLog::DBG);
    }
    ~LogLines() override {
        CLLog::init(nullptr, "Mac");
        CLLog::setLogLevel(CLLog::INF);
    }
    void QuorixLog(int level, const char* line) override {
        std::lock_guard<std::mutex> lock(mu_);
        lines_.emplace_back(level, line);
    }
    // Lines containing text; with level >= 0 only those of that level.
    int Count(const std::string& text, int level = -1) {
        std::lock_guard<std::mutex> lock(mu_);
        int n = 0;
        for (const auto& [l, line] : lines_)
            n += line.find(text) != std::string::npos && (level < 0 || l == level) ? 1 : 0;
        return n;
    }

private:
    std::mutex mu_;
    std::vector<std::pair<int, std::string>> lines_;
};

Picture DecodeRgba(CVideoDecoder& d, const Bytes& s, int width, int height, int frameNo, bool want = true) {
    return Picture(d.Decode(s.data(), static_cast<int>(s.size()), width, height, frameNo, want, false, false,
                            true, false));
}

class VideoRoundTrip : public testing::TestWithParam<std::pair<int, int>> {};

TEST_P(VideoRoundTrip, CameraSequenceDecodesWithGoodQuality) {
    auto [w, h] = GetParam();
    Camera cam;
    CVideoDecoder dec;
    for (int i = 0; i < 20; ++i) {
        Bytes src;
        Bytes s = cam.Next(w, h, 15, 67, &src);
        ASSERT_FALSE(s.empty()) << "frame " << i;
        EXPECT_EQ(cam.encoder.GetFrameNo(), i) << "one key frame, then counting up";
        EXPECT_EQ(NalTypes(s).count(5), i == 0 ? 1u : 0u) << "frame " << i;
        Picture pic = DecodeRgba(dec, s, w, h, cam.encoder.GetFrameNo());
        ASSERT_TRUE(pic) << "frame " << i;
        EXPECT_GT(PicturePsnr(src.data(), 3, pic.get(), 4, w, h), kMinPsnr) << "frame " << i;
        EXPECT_EQ(pic.get()[3], 255);
    }
}

// 160 x 120 has frame rows padded beyond the width: read at the frame's own stride.
INSTANTIATE_TEST_SUITE_P(Sizes, VideoRoundTrip,
                         testing::Values(std::make_pair(640, 480), std::make_pair(320, 240),
                                         std::make_pair(160, 120)));

TEST(VideoEncoder, RateGate) {
    struct Case {
        int fps;
        uint64_t gap;
        bool encoded;
    };
    const Case cases[] = {{15, 66, true}, {15, 65, false}, {30, 33, true}, {30, 32, false}, {10, 100, true}};
    for (const Case& c : cases) {
        Camera cam;
        ASSERT_FALSE(cam.Next(64, 48, c.fps, 0).empty());
        EXPECT_EQ(!cam.Next(64, 48, c.fps, c.gap).empty(), c.encoded) << c.fps << " fps, gap " << c.gap;
    }
    // A skipped frame leaves the gate where it was: 40 + 40 ms after the last
    // encoded frame passes at 15 fps.
    Camera cam;
    ASSERT_FALSE(cam.Next(64, 48, 15, 0).empty());
    EXPECT_TRUE(cam.Next(64, 48, 15, 40).empty());
    EXPECT_FALSE(cam.Next(64, 48, 15, 40).empty());
    EXPECT_EQ(cam.encoder.Encode(nullptr, 64, 48, 64, 48, 0, 0, 0), -1) << "no frame rate";
}

TEST(VideoEncoder, KeyFrameEveryFiveSeconds) {
    Camera cam;
    std::vector<int> keys;
    for (int i = 0; i < 130; ++i) {  // 10 fps, 100 ms apart: 13 s
        Bytes s = cam.Next(160, 120, 10, 100);
        ASSERT_FALSE(s.empty());
        if (cam.encoder.GetFrameNo() == 0) {
            keys.push_back(i);
            std::set<int> types = NalTypes(s);
            EXPECT_TRUE(types.count(5) && types.count(7) && types.count(8))
                << "IDR with SPS and PPS, frame " << i;
        } else {
            EXPECT_EQ(NalTypes(s).count(5), 0u);
            EXPECT_EQ(cam.encoder.GetFrameNo(), i - keys.back());
        }
    }
    EXPECT_EQ(keys, (std::vector<int>{0, 50, 100}));
}

TEST(VideoEncoder, KeyFrameOfTheEncoderItselfAlsoResetsTheNumber) {
    // At 60 fps five seconds are 300 frames; x264 inserts its own key frame after
    // 250, and the five seconds then count from there.
    Camera cam;
    std::vector<int> keys;
    for (int i = 0; i < 320; ++i) {
        ASSERT_FALSE(cam.Next(64, 48, 60, 17).empty());
        if (cam.encoder.GetFrameNo() == 0) keys.push_back(i);
    }
    EXPECT_EQ(keys, (std::vector<int>{0, 250}));
}

TEST(VideoEncoder, SizeChangeReopensWithKeyFrame) {
    Camera cam;
    for (int i = 0; i < 3; ++i) ASSERT_FALSE(cam.Next(320, 240, 15, 70).empty());
    EXPECT_EQ(cam.encoder.GetFrameNo(), 2);
    Bytes s = cam.Next(640, 480, 15, 70);
    ASSERT_FALSE(s.empty());
    EXPECT_EQ(cam.encoder.GetFrameNo(), 0);
    EXPECT_EQ(NalTypes(s).count(7), 1u);
    ASSERT_FALSE(cam.Next(640, 480, 15, 70).empty());
    EXPECT_EQ(cam.encoder.GetFrameNo(), 1);
}

TEST(VideoEncoder, ScalesLargeSourceToSmallStream) {
    CVideoEncoder enc;
    CVideoDecoder dec;
    Bytes src = MakeVideoPattern(640, 480, 0);
    int n = enc.Encode(src.data(), 320, 240, 640, 480, 15, 0, 0);
    ASSERT_GT(n, 0);
    Bytes s(n);
    enc.GetEncodeBuffer(s.data());
    Picture pic = DecodeRgba(dec, s, 320, 240, 0);
    ASSERT_TRUE(pic);
    Bytes half(320 * 240 * 3);  // same aspect ratio: every second pixel
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            for (int k = 0; k < 3; ++k) half[(y * 320 + x) * 3 + k] = src[(2 * y * 640 + 2 * x) * 3 + k];
    EXPECT_GT(PicturePsnr(half.data(), 3, pic.get(), 4, 320, 240), kMinPsnr);
}

TEST(VideoEncoder, FailedOpenIsRetriedOnTheNextFrame) {
    Camera cam;
    Bytes src = MakeVideoPattern(64, 48, 0);
    cam.now += 100;
    EXPECT_EQ(cam.encoder.Encode(src.data(), 63, 48, 64, 48, 15, 0, 0), -1) << "odd size cannot open";
    EXPECT_FALSE(cam.Next(64, 48, 15, 100).empty());
    EXPECT_EQ(cam.encoder.GetFrameNo(), 0) << "the key frame is still owed";
}

TEST(VideoDecoder, ReopensWhenStreamSizeChanges) {
    CVideoDecoder dec;
    Camera small, large;
    for (int i = 0; i < 3; ++i) {
        Bytes s = small.Next(320, 240, 15, 67);
        ASSERT_TRUE(DecodeRgba(dec, s, 320, 240, small.encoder.GetFrameNo()));
    }
    EXPECT_EQ(dec.Width(), 320);
    Bytes src;
    Bytes s = large.Next(640, 480, 15, 67, &src);
    Picture pic = DecodeRgba(dec, s, 640, 480, 0);
    ASSERT_TRUE(pic);
    EXPECT_EQ(dec.Width(), 640);
    EXPECT_EQ(dec.Height(), 480);
    EXPECT_GT(PicturePsnr(src.data(), 3, pic.get(), 4, 640, 480), kMinPsnr);
}

TEST(VideoDecoder, PictureOfAnotherSizeThanAnnouncedIsDropped) {
    // The first packet opens the decoder at the announced size; the stream then
    // carries a picture of another size (ASan checks nothing is written past the buffer).
    for (auto [aw, ah] : {std::make_pair(160, 120), std::make_pair(640, 480), std::make_pair(320, 120)}) {
        CVideoDecoder dec;
        Camera cam;
        Bytes s = cam.Next(320, 240, 15, 67);
        EXPECT_FALSE(DecodeRgba(dec, s, aw, ah, 0)) << aw << "x" << ah;
        Bytes s2 = cam.Next(320, 240, 15, 67);
        EXPECT_TRUE(DecodeRgba(dec, s2, 320, 240, 1) == nullptr)
            << "a P frame after the re-open has no reference";
    }
}

TEST(VideoDecoder, StateOnlyDecodeKeepsReferences) {
    CVideoDecoder dec;
    Camera cam;
    Bytes key = cam.Next(320, 240, 15, 67);
    EXPECT_FALSE(DecodeRgba(dec, key, 320, 240, 0, /*want=*/false));
    Bytes src;
    Bytes p = cam.Next(320, 240, 15, 67, &src);
    Picture pic = DecodeRgba(dec, p, 320, 240, 1);
    ASSERT_TRUE(pic);
    EXPECT_GT(PicturePsnr(src.data(), 3, pic.get(), 4, 320, 240), kMinPsnr);
}

TEST(VideoDecoder, FlagsSelectOrderAlphaAndFlip) {
    Camera cam;
    Bytes src;
    Bytes s = cam.Next(160, 120, 15, 67, &src);
    CVideoDecoder plain, flipped;
    Picture rgba = DecodeRgba(plain, s, 160, 120, 0);
    Picture bgr(
        flipped.Decode(s.data(), static_cast<int>(s.size()), 160, 120, 0, true, true, true, false, false));
    ASSERT_TRUE(rgba && bgr);
    for (int y = 0; y < 120; y += 7)
        for (int x = 0; x < 160; x += 5) {
            const uint8_t* a = rgba.get() + (y * 160 + x) * 4;
            const uint8_t* b = bgr.get() + ((119 - y) * 160 + x) * 3;
            ASSERT_EQ(a[0], b[2]);
            ASSERT_EQ(a[1], b[1]);
            ASSERT_EQ(a[2], b[0]);
        }
}

TEST(VideoDecoder, SequenceCheck) {
    CVideoDecoder dec;
    // Frame numbers in arrival order and whether each passes.
    const std::pair<int, bool> steps[] = {{3, false}, {0, true},  {1, true}, {2, true},
                                          {4, false}, {5, false}, {0, true}, {1, true}};
    for (auto [no, passes] : steps) EXPECT_EQ(dec.CheckFrame(no), passes) << "frame " << no;

    // Through Decode: a gap drops the picture.
    Camera cam;
    CVideoDecoder d2;
    Bytes k = cam.Next(160, 120, 15, 67);
    cam.Next(160, 120, 15, 67);  // frame 1 never reaches the decoder
    Bytes p2 = cam.Next(160, 120, 15, 67);
    auto decode = [&](const Bytes& s, int no) {
        return Picture(
            d2.Decode(s.data(), static_cast<int>(s.size()), 160, 120, no, true, false, false, true, true));
    };
    EXPECT_TRUE(decode(k, 0));
    EXPECT_FALSE(decode(p2, 2));
}

TEST(VideoDecoder, StreamJoinedMidwayWaitsQuietlyForItsKeyFrame) {
    // A participant who joins receives the sender's pictures from the middle of a
    // group: nothing before the next key frame can be decoded, and none of it may
    // reach the decoder (whose complaints would reach the terminal).
    for (bool checkSequence : {false, true}) {
        Camera cam;
        cam.Next(160, 120, 15, 67);  // the key frame sent before the join
        CVideoDecoder dec;
        LogLines log;
        auto decode = [&](const Bytes& s) {
            return Picture(dec.Decode(s.data(), static_cast<int>(s.size()), 160, 120,
                                      cam.encoder.GetFrameNo(), true, false, false, true, checkSequence));
        };
        testing::internal::CaptureStderr();
        for (int i = 1; i <= 6; ++i) {
            Bytes p = cam.Next(160, 120, 15, 67);
            ASSERT_EQ(cam.encoder.GetFrameNo(), i);
            EXPECT_FALSE(decode(p)) << "frame " << i << (checkSequence ? " (checked)" : "");
            EXPECT_TRUE(dec.WaitingForKeyFrame());
        }
        const std::string terminal = testing::internal::GetCapturedStderr();
        EXPECT_EQ(terminal, "");
        EXPECT_EQ(log.Count("libavcodec"), 0) << "the decoder never saw the pictures";
        EXPECT_EQ(log.Count("waiting for a key frame", CLLog::DBG), 1) << "one line for the whole wait";

        Bytes src;
        Bytes key = cam.Next(160, 120, 15, 5000, &src);  // the sender's next key frame
        ASSERT_EQ(cam.encoder.GetFrameNo(), 0);
        Picture pic = decode(key);
        ASSERT_TRUE(pic);
        EXPECT_GT(PicturePsnr(src.data(), 3, pic.get(), 4, 160, 120), kMinPsnr);
        EXPECT_FALSE(dec.WaitingForKeyFrame());
        Bytes p = cam.Next(160, 120, 15, 67, &src);
        pic = decode(p);
        ASSERT_TRUE(pic);
        EXPECT_GT(PicturePsnr(src.data(), 3, pic.get(), 4, 160, 120), kMinPsnr);
    }
}

TEST(VideoDecoder, LostFrameHidesPicturesUntilTheNextKeyFrame) {
    // Frame numbers sent, whether each arrives and whether it gives a picture.
    struct Step {
        int frameNo;
        bool arrives;
        bool shown;
    };
    const Step steps[] = {{0, true, true},  {1, true, true}, {2, false, false}, {3, true, false},
                          {4, true, false}, {0, true, true}, {1, true, true},   {2, true, true}};
    Camera cam;
    CVideoDecoder dec;
    LogLines log;
    for (size_t i = 0; i < std::size(steps); ++i) {
        const Step& st = steps[i];
        Bytes src;
        Bytes s = cam.Next(160, 120, 15, st.frameNo == 0 && i > 0 ? 5000 : 67, &src);
        ASSERT_EQ(cam.encoder.GetFrameNo(), st.frameNo) << "step " << i;
        if (!st.arrives) continue;
        Picture pic(dec.Decode(s.data(), static_cast<int>(s.size()), 160, 120, st.frameNo, true, false, false,
                               true, true));
        EXPECT_EQ(pic != nullptr, st.shown) << "step " << i;
        if (pic) {
            EXPECT_GT(PicturePsnr(src.data(), 3, pic.get(), 4, 160, 120), kMinPsnr) << "step " << i;
        }
    }
    EXPECT_EQ(log.Count("frame 3 has no reference, waiting for a key frame", CLLog::DBG), 1);
    EXPECT_EQ(log.Count("waiting for a key frame"), 1);
}

TEST(VideoDecoder, DamagedPictureHidesPicturesUntilTheNextKeyFrame) {
    // The decoder patches up a cut picture (block smears) and the following ones
    // refer to it: none is shown until the key frame.
    Camera cam;
    CVideoDecoder dec;
    LogLines log;
    for (int i = 0; i < 6; ++i) {
        Bytes src;
        Bytes s = cam.Next(160, 120, 15, i == 5 ? 5000 : 67, &src);
        if (i == 2) s.resize(s.size() / 2);
        Picture pic = DecodeRgba(dec, s, 160, 120, cam.encoder.GetFrameNo());
        EXPECT_EQ(pic != nullptr, i < 2 || i == 5) << "frame " << i;
        if (pic) {
            EXPECT_GT(PicturePsnr(src.data(), 3, pic.get(), 4, 160, 120), kMinPsnr) << "frame " << i;
        }
    }
    EXPECT_EQ(log.Count("frame 2 is damaged, waiting for a key frame", CLLog::DBG), 1);
    EXPECT_EQ(log.Count("waiting for a key frame"), 1);
}

TEST(VideoDecoder, ReopenedDecoderWaitsForAKeyFrame) {
    // The announced size changes while the sender's pictures keep counting: the
    // fresh decoder has no reference until the key frame at the new size.
    Camera cam;
    CVideoDecoder dec;
    Bytes k = cam.Next(160, 120, 15, 67);
    ASSERT_TRUE(DecodeRgba(dec, k, 160, 120, 0));
    Bytes p = cam.Next(160, 120, 15, 67);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(DecodeRgba(dec, p, 320, 240, 1));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "the fresh decoder never saw the picture";
    EXPECT_TRUE(dec.WaitingForKeyFrame());
    Camera large;
    Bytes key = large.Next(320, 240, 15, 67);
    EXPECT_TRUE(DecodeRgba(dec, key, 320, 240, 0));
    EXPECT_TRUE(DecodeRgba(dec, large.Next(320, 240, 15, 67), 320, 240, 1));
}

TEST(H264Decoder, LibraryMessagesGoToTheLogAtDebugLevel) {
    CH264Decoder decoder;  // the first decoder of the process installs the sink
    LogLines log;
    testing::internal::CaptureStderr();
    av_log(nullptr, AV_LOG_ERROR, "probe %d\n", 7);
    av_log(nullptr, AV_LOG_WARNING, "caution\n");
    av_log(nullptr, AV_LOG_TRACE, "chatter\n");
    // A real complaint: a picture without its parameter sets.
    Camera cam;
    cam.Next(160, 120, 15, 67);
    Bytes p = cam.Next(160, 120, 15, 67);
    EXPECT_FALSE(decoder.Decode(p.data(), static_cast<int>(p.size()), nullptr, 0, 0, false, false, false));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(log.Count("libavcodec [16] probe 7", CLLog::DBG), 1);
    EXPECT_EQ(log.Count("caution", CLLog::DBG), 1);
    EXPECT_EQ(log.Count("chatter"), 0) << "trace messages are dropped";
    EXPECT_EQ(log.Count("probe 7\n"), 0) << "the line end is the logger's";
    EXPECT_GE(log.Count("libavcodec [16] ", CLLog::DBG), 2) << "the decoder's own error";
}

TEST(VideoDecoder, BrokenInputGivesNoPicture) {
    CVideoDecoder dec;
    Bytes junk(500);
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<uint8_t>(i * 37 + 11);
    EXPECT_FALSE(DecodeRgba(dec, junk, 320, 240, 0));
    EXPECT_FALSE(DecodeRgba(dec, Bytes{0, 0, 1}, 320, 240, 0));
    EXPECT_EQ(dec.Decode(nullptr, 0, 320, 240, 0, true, false, false, true, false), nullptr);
    EXPECT_EQ(dec.Decode(junk.data(), 500, 0, 240, 0, true, false, false, true, false), nullptr);
}

}  // namespace
