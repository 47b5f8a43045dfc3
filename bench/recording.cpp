// Recording a participant's 1280 x 720 tile at 15 frames per second with the
// microphone and speaker audio into an MP4 file, against the bare libraries:
// libswscale, libx264 (through libavcodec, the recorder's settings) and
// libavformat writing the same frames, video only.
//
// Both count the whole process's CPU time per second of recording
// ("cpu_per_rec_s"); the ratio bare / recorder is the recorder's efficiency
// (goal 0.85 or more). The recorder's run also reports the audio thread's
// longest stall: the longest single microphone or speaker append while the
// video is being written ("audio_max_stall_us"; the audio device's period
// is 10 ms).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <atomic>
#include <chrono>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "recording/FuncRecorder.h"

namespace {

constexpr int kWidth = 1280, kHeight = 720, kFps = 15, kSeconds = 2;
constexpr int kRate = 48000, kChunk = kRate / 100;  // 10 ms of audio

double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

const std::vector<QImage>& frames() {
    static const std::vector<QImage> all = [] {
        std::vector<QImage> out;
        for (int i = 0; i < kFps * kSeconds; ++i) {
            QImage image(kWidth, kHeight, QImage::Format_RGB32);
            image.fill(QColor::fromHsv((i * 7) % 360, 180, 200));
            QPainter painter(&image);
            painter.fillRect((i * 23) % kWidth, kHeight / 3, kWidth / 6, kHeight / 4, Qt::white);
            out.push_back(image);
        }
        return out;
    }();
    return all;
}

QString outputPath(const char* name) {
    return QDir::temp().filePath(QStringLiteral("quorix-bench-%1-%2.mp4").arg(name).arg(getpid()));
}

void BM_RecorderTileWithAudio(benchmark::State& state) {
    const QByteArray pcm(kChunk * 2, '\x10');
    std::int64_t maxStallNs = 0;
    for (auto _ : state) {
        const QString path = outputPath("recorder");
        QFile::remove(path);
        std::atomic<std::int64_t> now{1'000'000'000'000LL};
        RecorderParams params;
        params.filePath = path;
        params.fileType = Rec::REC_FILE_TYPE_MP4;
        params.width = kWidth;
        params.height = kHeight;
        auto recorder = FuncRecorder::create(params, [&now] { return now.load(); });
        const double cpu0 = processCpuSeconds();
        // The audio arrives every 10 ms of the injected clock; a frame every 1/15 s.
        const int chunks = kSeconds * 100;
        const int chunksPerFrame = 100 / kFps;
        int frame = 0;
        for (int c = 0; c < chunks; ++c) {
            if (c % chunksPerFrame == 0 && frame < int(frames().size())) {
                while (!recorder->isReadyForMoreVideo()) std::this_thread::yield();
                recorder->recordVideo(VideoSample{frames()[size_t(frame++)], now.load()});
            }
            const auto t0 = std::chrono::steady_clock::now();
            recorder->recordMic(AudioSample{pcm, kRate, now.load()});
            recorder->recordSpk(AudioSample{pcm, kRate, now.load()});
            const auto stall =
                std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - t0)
                    .count();
            maxStallNs = std::max<std::int64_t>(maxStallNs, stall);
            now += 10'000'000;
        }
        recorder->stop();
        recorder->waitUntilFinished(std::chrono::seconds(60));
        state.SetIterationTime(processCpuSeconds() - cpu0);
        recorder.reset();
        QFile::remove(path);
    }
    state.counters["cpu_per_rec_s"] = benchmark::Counter(
        double(kSeconds), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["audio_max_stall_us"] = double(maxStallNs) / 1000.0;
}

// The bare libraries writing the same frames with the recorder's encoder settings.
bool writeBare(const QString& path) {
    AVFormatContext* fmt = nullptr;
    if (avformat_alloc_output_context2(&fmt, nullptr, "mp4", path.toUtf8().constData()) < 0) return false;
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    AVCodecContext* enc = avcodec_alloc_context3(codec);
    enc->width = kWidth;
    enc->height = kHeight;
    enc->pix_fmt = AV_PIX_FMT_YUV420P;
    enc->time_base = AVRational{1, 90000};
    enc->framerate = AVRational{30, 1};
    enc->bit_rate = Rec::videoBitRate(kHeight, 10);  // the recorder at the default quality
    enc->gop_size = 1;
    enc->max_b_frames = 0;
    enc->thread_count = 2;
    av_opt_set(enc->priv_data, "preset", "veryfast", 0);
    if (fmt->oformat->flags & AVFMT_GLOBALHEADER) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    bool ok = avcodec_open2(enc, codec, nullptr) == 0;
    AVStream* stream = avformat_new_stream(fmt, nullptr);
    stream->time_base = enc->time_base;
    avcodec_parameters_from_context(stream->codecpar, enc);
    ok = ok && avio_open(&fmt->pb, path.toUtf8().constData(), AVIO_FLAG_WRITE) >= 0;
    ok = ok && avformat_write_header(fmt, nullptr) >= 0;
    AVFrame* frame = av_frame_alloc();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = kWidth;
    frame->height = kHeight;
    av_frame_get_buffer(frame, 0);
    SwsContext* sws = sws_getContext(kWidth, kHeight, AV_PIX_FMT_BGRA, kWidth, kHeight, AV_PIX_FMT_YUV420P,
                                     SWS_BILINEAR, nullptr, nullptr, nullptr);
    AVPacket* packet = av_packet_alloc();
    auto drain = [&] {
        while (avcodec_receive_packet(enc, packet) == 0) {
            av_packet_rescale_ts(packet, enc->time_base, stream->time_base);
            packet->stream_index = stream->index;
            av_interleaved_write_frame(fmt, packet);
        }
    };
    for (size_t i = 0; ok && i < frames().size(); ++i) {
        av_frame_make_writable(frame);
        const QImage& image = frames()[i];
        const uint8_t* src[1] = {image.constBits()};
        const int stride[1] = {int(image.bytesPerLine())};
        sws_scale(sws, src, stride, 0, kHeight, frame->data, frame->linesize);
        frame->pts = std::int64_t(i) * 90000 / kFps;
        ok = avcodec_send_frame(enc, frame) == 0;
        drain();
    }
    avcodec_send_frame(enc, nullptr);
    drain();
    if (ok) av_write_trailer(fmt);
    av_packet_free(&packet);
    sws_freeContext(sws);
    av_frame_free(&frame);
    avcodec_free_context(&enc);
    if (fmt->pb) avio_closep(&fmt->pb);
    avformat_free_context(fmt);
    return ok;
}

void BM_BareLibavTile(benchmark::State& state) {
    for (auto _ : state) {
        const QString path = outputPath("bare");
        const double cpu0 = processCpuSeconds();
        if (!writeBare(path)) state.SkipWithError("the bare writer failed");
        state.SetIterationTime(processCpuSeconds() - cpu0);
        QFile::remove(path);
    }
    state.counters["cpu_per_rec_s"] = benchmark::Counter(
        double(kSeconds), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_BareLibavTile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RecorderTileWithAudio)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
