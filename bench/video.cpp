// H.264 coding through our classes beside bare x264 / libavcodec on the same
// frames, and the picture conversions in megapixels per second.
//
// Encode: ours takes the packed RGB camera frame (conversion to YUV 4:2:0
// included) through CVideoEncoder; the bare pipeline converts the same frame
// with libyuv and hands it to x264 with the same preset, tune, profile, rate and
// single thread.
// Decode: ours goes through CVideoDecoder to a new RGBA buffer; the bare
// pipeline decodes with libavcodec and converts with libyuv into a new buffer.
// The conversions alone run beside libyuv's functions for the same bytes
// (libyuv's "RAW" is red, green, blue in memory, its "ABGR" red, green, blue, alpha).
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <x264.h>
}
#include <libyuv/convert.h>
#include <libyuv/convert_argb.h>

#include "video/H264Encoder.h"
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

void BM_EncodeBareLibyuvX264(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const Clip& clip = ClipFor(w, h);
    // The parameter set of our encoder, so both produce the same stream.
    x264_param_t p;
    CH264Encoder::FillParam(p, w, h, CVideoEncoder::kBitRate, kFps);
    x264_t* enc = x264_encoder_open(&p);
    x264_picture_t pic, out;
    x264_picture_alloc(&pic, X264_CSP_I420, w, h);
    Bytes bits(static_cast<size_t>(w) * h * 3);
    size_t i = 0;
    int64_t pts = 0;
    for (auto _ : state) {
        libyuv::RAWToI420(clip.rgb[i].data(), w * 3, pic.img.plane[0], pic.img.i_stride[0], pic.img.plane[1],
                          pic.img.i_stride[1], pic.img.plane[2], pic.img.i_stride[2], w, h);
        // Our encoder forces a key frame every 5 s: every 75th frame at 15 fps.
        pic.i_type = pts % 75 == 0 ? X264_TYPE_IDR : X264_TYPE_AUTO;
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

void BM_DecodeBareLibavcodecLibyuv(benchmark::State& state) {
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
            uint8_t* pic = static_cast<uint8_t*>(malloc(static_cast<size_t>(w) * h * 4));
            libyuv::I420ToABGR(frame->data[0], frame->linesize[0], frame->data[1], frame->linesize[1],
                               frame->data[2], frame->linesize[2], pic, w * 4, w, h);
            benchmark::DoNotOptimize(pic);
            free(pic);
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
BENCHMARK(BM_EncodeBareLibyuvX264)->SIZES;
BENCHMARK(BM_DecodeOurs)->SIZES;
BENCHMARK(BM_DecodeBareLibavcodecLibyuv)->SIZES;

// --- conversions (megapixels per second of output) ---

void SetMegapixels(benchmark::State& state, int64_t pixels) {
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(pixels) * state.iterations() / 1e6,
                                                benchmark::Counter::kIsRate);
}

void BM_RgbToYuv420(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const Bytes& rgb = ClipFor(w, h).rgb[0];
    Bytes y(w * h), u(w * h / 4), v(w * h / 4);
    for (auto _ : state) {
        CPictureConverter::ConvertRGBToYUV420(y.data(), u.data(), v.data(), w, h, rgb.data(), 0, 0);
        benchmark::DoNotOptimize(y.data());
    }
    SetMegapixels(state, w * h);
}

void BM_RgbToYuv420Libyuv(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const Bytes& rgb = ClipFor(w, h).rgb[0];
    Bytes y(w * h), u(w * h / 4), v(w * h / 4);
    for (auto _ : state) {
        libyuv::RAWToI420(rgb.data(), w * 3, y.data(), w, u.data(), w / 2, v.data(), w / 2, w, h);
        benchmark::DoNotOptimize(y.data());
    }
    SetMegapixels(state, w * h);
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
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const Bytes& yuv = ClipFor(w, h).yuv[0];
    Bytes out(w * h * 4);
    for (auto _ : state) {
        CPictureConverter::ConvertYUV420ToRGBCuttingMergin(out.data(), w, h, yuv.data(), yuv.data() + w * h,
                                                           yuv.data() + w * h * 5 / 4, false, false, true, w);
        benchmark::DoNotOptimize(out.data());
    }
    SetMegapixels(state, w * h);
}

void BM_Yuv420ToRgbaLibyuv(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const Bytes& yuv = ClipFor(w, h).yuv[0];
    Bytes out(w * h * 4);
    for (auto _ : state) {
        libyuv::I420ToABGR(yuv.data(), w, yuv.data() + w * h, w / 2, yuv.data() + w * h * 5 / 4, w / 2,
                           out.data(), w * 4, w, h);
        benchmark::DoNotOptimize(out.data());
    }
    SetMegapixels(state, w * h);
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

#define CONV_SIZES Args({640, 480})->Args({1280, 720})->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_RgbToYuv420)->CONV_SIZES;
BENCHMARK(BM_RgbToYuv420Libyuv)->CONV_SIZES;
BENCHMARK(BM_RgbToYuv420Resize720To480);
BENCHMARK(BM_Yuv420ToRgba)->CONV_SIZES;
BENCHMARK(BM_Yuv420ToRgbaLibyuv)->CONV_SIZES;
BENCHMARK(BM_ResizeBitmapRatioInvert);
BENCHMARK(BM_Yuv420spToRgb);

}  // namespace

BENCHMARK_MAIN();
