// H.264 coding through our classes beside bare x264 / libavcodec on the same
// frames, and the picture conversions in megapixels per second.
//
// Encode: ours takes the packed RGB camera frame (conversion to YUV 4:2:0
// included) through CVideoEncoder; bare x264 gets the same frames already in
// YUV 4:2:0 with the same preset, tune, profile, rate and single thread.
// Decode: ours goes through CVideoDecoder to a new RGBA buffer; bare libavcodec
// stops at the decoded YUV frame.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <x264.h>
}

#include "video/PictureConverter.h"
#include "video/VideoDecoder.h"
#include "video/VideoEncoder.h"
#include "fixtures/VideoPattern.h"
#include "tessel/TS_Common.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kFrames = 45;  // 3 s at 15 fps: one key frame, then P frames
constexpr int kFps = 15;

struct Clip {
    std::vector<Bytes> rgb;        // packed red, green, blue
    std::vector<Bytes> yuv;        // planar 4:2:0, planes back to back
    std::vector<Bytes> bitstream;  // encoded by CVideoEncoder
};

const Clip& ClipFor(int w, int h) {
    static std::map<std::pair<int, int>, Clip> clips;
    Clip& c = clips[{w, h}];
    if (!c.rgb.empty()) return c;
    CVideoEncoder enc;
    uint64_t now = 1'000'000;
    enc.SetClock([&now] { return now; });
    for (int i = 0; i < kFrames; ++i) {
        c.rgb.push_back(MakeVideoPattern(w, h, i));
        Bytes yuv(static_cast<size_t>(w) * h * 3 / 2);
        uint8_t* y = yuv.data();
        uint8_t* u = y + w * h;
        uint8_t* v = u + w * h / 4;
        CPictureConverter::ConvertRGBToYUV420(y, u, v, w, h, c.rgb.back().data(), 0, 0);
        c.yuv.push_back(std::move(yuv));
        now += 1000 / kFps + 1;
        int n = enc.Encode(c.rgb.back().data(), w, h, w, h, kFps, 0, 0);
        Bytes s(n > 0 ? n : 0);
        if (n > 0) enc.GetEncodeBuffer(s.data());
        c.bitstream.push_back(std::move(s));
    }
    return c;
}

void SetFrameRate(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations());
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_EncodeOurs(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const Clip& clip = ClipFor(w, h);
    CVideoEncoder enc;
    uint64_t now = 1'000'000;
    enc.SetClock([&now] { return now; });
    Bytes out(static_cast<size_t>(w) * h * 3);
    size_t i = 0;
    for (auto _ : state) {
        now += 1000 / kFps + 1;
        int n = enc.Encode(clip.rgb[i].data(), w, h, w, h, kFps, 0, 0);
        if (n > 0) enc.GetEncodeBuffer(out.data());
        benchmark::DoNotOptimize(out.data());
        i = (i + 1) % clip.rgb.size();
    }
    SetFrameRate(state);
}

void BM_EncodeBareX264(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const Clip& clip = ClipFor(w, h);
    x264_param_t p;
    x264_param_default_preset(&p, "ultrafast", "zerolatency");
    p.i_threads = 1;
    p.i_width = w;
    p.i_height = h;
    p.i_fps_num = kFps;
    p.i_fps_den = 1;
    p.i_log_level = X264_LOG_ERROR;
    p.rc.i_rc_method = X264_RC_ABR;
    p.rc.i_bitrate = CVideoEncoder::kBitRate / 1000;
    // The rate-control bounds and GOP of our encoder, so both produce the same stream.
    p.rc.i_qp_min = 3;
    p.rc.i_qp_max = 32;
    p.rc.i_qp_step = 3;
    p.i_keyint_max = 250;
    p.i_keyint_min = 25;
    p.i_scenecut_threshold = 0;
    p.i_frame_reference = 1;
    x264_param_apply_profile(&p, "baseline");
    x264_t* enc = x264_encoder_open(&p);
    x264_picture_t pic, out;
    x264_picture_alloc(&pic, X264_CSP_I420, w, h);
    Bytes bits(static_cast<size_t>(w) * h * 3);
    size_t i = 0;
    int64_t pts = 0;
    for (auto _ : state) {
        const uint8_t* src = clip.yuv[i].data();
        memcpy(pic.img.plane[0], src, static_cast<size_t>(w) * h);
        memcpy(pic.img.plane[1], src + w * h, static_cast<size_t>(w) * h / 4);
        memcpy(pic.img.plane[2], src + w * h * 5 / 4, static_cast<size_t>(w) * h / 4);
        pic.i_pts = pts++;
        x264_nal_t* nals;
        int count;
        x264_encoder_encode(enc, &nals, &count, &pic, &out);
        uint8_t* o = bits.data();
        for (int k = 0; k < count; ++k) {
            memcpy(o, nals[k].p_payload, nals[k].i_payload);
            o += nals[k].i_payload;
        }
        benchmark::DoNotOptimize(bits.data());
        i = (i + 1) % clip.yuv.size();
    }
    x264_picture_clean(&pic);
    x264_encoder_close(enc);
    SetFrameRate(state);
}

void BM_DecodeOurs(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const Clip& clip = ClipFor(w, h);
    CVideoDecoder dec;
    size_t i = 0;
    for (auto _ : state) {
        const Bytes& s = clip.bitstream[i];
        uint8_t* pic = dec.Decode(s.data(), static_cast<int>(s.size()), w, h, static_cast<int>(i), true,
                                  false, false, true, false);
        benchmark::DoNotOptimize(pic);
        __free__(pic);
        i = (i + 1) % clip.bitstream.size();
    }
    SetFrameRate(state);
}

void BM_DecodeBareLibavcodec(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const Clip& clip = ClipFor(w, h);
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    avcodec_open2(ctx, codec, nullptr);
    AVFrame* frame = av_frame_alloc();
    AVPacket* pkt = av_packet_alloc();
    size_t i = 0;
    for (auto _ : state) {
        const Bytes& s = clip.bitstream[i];
        pkt->data = const_cast<uint8_t*>(s.data());
        pkt->size = static_cast<int>(s.size());
        avcodec_send_packet(ctx, pkt);
        av_packet_unref(pkt);
        if (avcodec_receive_frame(ctx, frame) == 0) {
            benchmark::DoNotOptimize(frame->data[0]);
            av_frame_unref(frame);
        }
        i = (i + 1) % clip.bitstream.size();
    }
    av_packet_free(&pkt);
    av_frame_free(&frame);
    avcodec_free_context(&ctx);
    SetFrameRate(state);
}

#define SIZES Args({640, 480})->Args({1280, 720})->Unit(benchmark::kMillisecond)
BENCHMARK(BM_EncodeOurs)->SIZES;
BENCHMARK(BM_EncodeBareX264)->SIZES;
BENCHMARK(BM_DecodeOurs)->SIZES;
BENCHMARK(BM_DecodeBareLibavcodec)->SIZES;

// --- conversions (megapixels per second of output) ---

void SetMegapixels(benchmark::State& state, int64_t pixels) {
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(pixels) * state.iterations() / 1e6,
                                                benchmark::Counter::kIsRate);
}

void BM_RgbToYuv420(benchmark::State& state) {
    const Bytes& rgb = ClipFor(640, 480).rgb[0];
    Bytes y(640 * 480), u(320 * 240), v(320 * 240);
    for (auto _ : state) {
        CPictureConverter::ConvertRGBToYUV420(y.data(), u.data(), v.data(), 640, 480, rgb.data(), 0, 0);
        benchmark::DoNotOptimize(y.data());
    }
    SetMegapixels(state, 640 * 480);
}

void BM_RgbToYuv420Resize720To480(benchmark::State& state) {
    const Bytes& rgb = ClipFor(1280, 720).rgb[0];
    Bytes y(640 * 480), u(320 * 240), v(320 * 240);
    for (auto _ : state) {
        CPictureConverter::ConvertRGBToYUV420Resize(y.data(), u.data(), v.data(), 640, 480, rgb.data(), 1280,
                                                    720, 0, 0);
        benchmark::DoNotOptimize(y.data());
    }
    SetMegapixels(state, 640 * 480);
}

void BM_Yuv420ToRgba(benchmark::State& state) {
    const Bytes& yuv = ClipFor(640, 480).yuv[0];
    Bytes out(640 * 480 * 4);
    for (auto _ : state) {
        CPictureConverter::ConvertYUV420ToRGBCuttingMergin(
            out.data(), 640, 480, yuv.data(), yuv.data() + 640 * 480, yuv.data() + 640 * 480 * 5 / 4, false,
            false, true, 640);
        benchmark::DoNotOptimize(out.data());
    }
    SetMegapixels(state, 640 * 480);
}

void BM_ResizeBitmapRatioInvert(benchmark::State& state) {
    const Bytes& rgb = ClipFor(1280, 720).rgb[0];
    Bytes rgba(1280 * 720 * 4);
    CPictureConverter::ResizeBitmapRatioInvert(rgb.data(), 1280, 720, 0, rgba.data(), 1280, 720, 2, false,
                                               false);
    Bytes out(640 * 480 * 3);
    for (auto _ : state) {
        CPictureConverter::ResizeBitmapRatioInvert(rgba.data(), 1280, 720, 2, out.data(), 640, 480, 0, true,
                                                   false);
        benchmark::DoNotOptimize(out.data());
    }
    SetMegapixels(state, 640 * 480);
}

void BM_Yuv420spToRgb(benchmark::State& state) {
    const Bytes& yuv = ClipFor(640, 480).yuv[0];  // plane contents only matter for timing
    Bytes out(640 * 480 * 3);
    for (auto _ : state) {
        CPictureConverter::ConvertYUV420spToRGB(out.data(), 640, 480, 0, yuv.data(), 640, 480, 0, 1.0f);
        benchmark::DoNotOptimize(out.data());
    }
    SetMegapixels(state, 640 * 480);
}

BENCHMARK(BM_RgbToYuv420);
BENCHMARK(BM_RgbToYuv420Resize720To480);
BENCHMARK(BM_Yuv420ToRgba);
BENCHMARK(BM_ResizeBitmapRatioInvert);
BENCHMARK(BM_Yuv420spToRgb);

}  // namespace

BENCHMARK_MAIN();
