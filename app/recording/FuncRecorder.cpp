#include "recording/FuncRecorder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>
#include <ctime>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include "platform/Dispatch.h"
#include "platform/MainBundle.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"
#include "recording/DateTimeOverlay.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"

namespace {

constexpr int kVideoQueueLimit = 30;   // frames waiting for the encoder
constexpr int kAudioQueueLimit = 400;  // audio buffers (about 8 s of 20 ms buffers)
constexpr int kVideoTimeScale = 90000;
constexpr int kIoBufferSize = 64 * 1024;
constexpr int kLogErr = 0;
constexpr int kLogInf = 2;

void logLine(const QString& text, int level) {
    LogFileManager::write(text, level, false);
}

QString avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

// The file written through a descriptor we created exclusively.
int ioWrite(void* opaque,
#if LIBAVFORMAT_VERSION_MAJOR >= 61
            const
#endif
            uint8_t* buf,
            int size) {
    const int fd = *static_cast<int*>(opaque);
    int done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, buf + done, static_cast<size_t>(size - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return AVERROR(errno);
        }
        done += static_cast<int>(n);
    }
    return size;
}

int64_t ioSeek(void* opaque, int64_t offset, int whence) {
    const int fd = *static_cast<int*>(opaque);
    if (whence & AVSEEK_SIZE) {
        struct stat st {};
        return ::fstat(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : AVERROR(errno);
    }
    const off_t at = ::lseek(fd, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : static_cast<int64_t>(at);
}

}  // namespace

std::int64_t monotonicNanoseconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

struct FuncRecorder::Item {
    Entry entry = Entry::Video;
    QImage image;
    QByteArray pcm;
    int rate = 0;
    std::int64_t ptsNs = 0;
};

namespace {

struct AudioTrack {
    AVCodecContext* enc = nullptr;
    AVStream* stream = nullptr;
    SwrContext* swr = nullptr;
    int swrRate = 0;
    AVAudioFifo* fifo = nullptr;
    AVFrame* frame = nullptr;
    std::int64_t nextPts = -1;

    ~AudioTrack() {
        avcodec_free_context(&enc);
        swr_free(&swr);
        if (fifo) av_audio_fifo_free(fifo);
        av_frame_free(&frame);
    }
};

}  // namespace

struct FuncRecorder::Writer {
    int fd = -1;
    AVFormatContext* fmt = nullptr;
    AVIOContext* io = nullptr;
    AVCodecContext* venc = nullptr;
    AVStream* vstream = nullptr;
    SwsContext* sws = nullptr;
    AVFrame* vframe = nullptr;
    std::int64_t lastVideoPts = -1;
    AudioTrack mic, spk;
    AVPacket* packet = nullptr;
    std::int64_t startPtsNs = 0;
    bool headerWritten = false;
    QString error;

    ~Writer() {
        avcodec_free_context(&venc);
        sws_freeContext(sws);
        av_frame_free(&vframe);
        av_packet_free(&packet);
        if (fmt) avformat_free_context(fmt);
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
        if (fd >= 0) ::close(fd);
    }

    bool fail(const QString& what, int code) {
        if (error.isEmpty()) error = what + QStringLiteral(": ") + avError(code);
        return false;
    }

    bool writePackets(AVCodecContext* enc, AVStream* stream) {
        for (;;) {
            const int rc = avcodec_receive_packet(enc, packet);
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
            if (rc < 0) return fail(QStringLiteral("encode"), rc);
            av_packet_rescale_ts(packet, enc->time_base, stream->time_base);
            packet->stream_index = stream->index;
            const int wrc = av_interleaved_write_frame(fmt, packet);
            if (wrc < 0) return fail(QStringLiteral("write"), wrc);
        }
    }

    bool encode(AVCodecContext* enc, AVStream* stream, AVFrame* frame) {
        const int rc = avcodec_send_frame(enc, frame);
        if (rc < 0 && rc != AVERROR_EOF) return fail(QStringLiteral("encode"), rc);
        return writePackets(enc, stream);
    }

    bool openAudio(AudioTrack& track, const char* name, int bitRate) {
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
        if (!codec) return false;
        track.enc = avcodec_alloc_context3(codec);
        track.enc->sample_fmt = AV_SAMPLE_FMT_FLTP;
        track.enc->sample_rate = Rec::kAudioSampleRate;
        av_channel_layout_default(&track.enc->ch_layout, 1);
        track.enc->bit_rate = bitRate;
        track.enc->time_base = AVRational{1, Rec::kAudioSampleRate};
        if (fmt->oformat->flags & AVFMT_GLOBALHEADER) track.enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (avcodec_open2(track.enc, codec, nullptr) < 0) return false;
        track.stream = avformat_new_stream(fmt, nullptr);
        if (!track.stream) return false;
        track.stream->time_base = track.enc->time_base;
        avcodec_parameters_from_context(track.stream->codecpar, track.enc);
        av_dict_set(&track.stream->metadata, "handler_name", name, 0);
        track.fifo = av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, 1, Rec::kAudioSampleRate);
        track.frame = av_frame_alloc();
        return track.fifo && track.frame;
    }

    bool openVideo(int width, int height, int bitRate) {
        const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
        if (!codec) codec = avcodec_find_encoder(AV_CODEC_ID_H264);
        if (!codec) return fail(QStringLiteral("no H.264 encoder"), AVERROR_ENCODER_NOT_FOUND);
        venc = avcodec_alloc_context3(codec);
        venc->width = width;
        venc->height = height;
        venc->pix_fmt = AV_PIX_FMT_YUV420P;
        venc->time_base = AVRational{1, kVideoTimeScale};
        venc->framerate = AVRational{30, 1};
        venc->bit_rate = bitRate;
        venc->gop_size = 1;  // every frame a key frame
        venc->max_b_frames = 0;
        venc->thread_count = 2;
        av_opt_set(venc->priv_data, "preset", "veryfast", 0);
        if (fmt->oformat->flags & AVFMT_GLOBALHEADER) venc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        const int rc = avcodec_open2(venc, codec, nullptr);
        if (rc < 0) return fail(QStringLiteral("video encoder"), rc);
        vstream = avformat_new_stream(fmt, nullptr);
        if (!vstream) return false;
        vstream->time_base = venc->time_base;
        avcodec_parameters_from_context(vstream->codecpar, venc);
        vframe = av_frame_alloc();
        vframe->format = AV_PIX_FMT_YUV420P;
        vframe->width = width;
        vframe->height = height;
        return av_frame_get_buffer(vframe, 0) == 0;
    }

    // Aspect-fit into the recording size over black.
    bool writeVideo(const QImage& source, std::int64_t ptsNs) {
        if (!venc || source.isNull()) return true;
        const std::int64_t pts = av_rescale(ptsNs - startPtsNs, kVideoTimeScale, 1000000000LL);
        if (pts < 0 || pts <= lastVideoPts) return true;  // out of order: dropped
        const QImage image = source.convertToFormat(QImage::Format_RGB32);
        const int W = venc->width, H = venc->height;
        const double scale = std::min(double(W) / image.width(), double(H) / image.height());
        const int dw = std::clamp(static_cast<int>(image.width() * scale) & ~1, 2, W);
        const int dh = std::clamp(static_cast<int>(image.height() * scale) & ~1, 2, H);
        const int ox = ((W - dw) / 2) & ~1, oy = ((H - dh) / 2) & ~1;
        if (av_frame_make_writable(vframe) < 0) return fail(QStringLiteral("frame"), AVERROR(ENOMEM));
        if (dw != W || dh != H) {
            for (int y = 0; y < H; ++y) std::memset(vframe->data[0] + y * vframe->linesize[0], 16, W);
            for (int y = 0; y < H / 2; ++y) {
                std::memset(vframe->data[1] + y * vframe->linesize[1], 128, W / 2);
                std::memset(vframe->data[2] + y * vframe->linesize[2], 128, W / 2);
            }
        }
        sws = sws_getCachedContext(sws, image.width(), image.height(), AV_PIX_FMT_BGRA, dw, dh,
                                   AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!sws) return fail(QStringLiteral("scale"), AVERROR(EINVAL));
        const uint8_t* src[1] = {image.constBits()};
        const int srcStride[1] = {static_cast<int>(image.bytesPerLine())};
        uint8_t* dst[3] = {vframe->data[0] + oy * vframe->linesize[0] + ox,
                           vframe->data[1] + (oy / 2) * vframe->linesize[1] + ox / 2,
                           vframe->data[2] + (oy / 2) * vframe->linesize[2] + ox / 2};
        sws_scale(sws, src, srcStride, 0, image.height(), dst, vframe->linesize);
        vframe->pts = pts;
        lastVideoPts = pts;
        return encode(venc, vstream, vframe);
    }

    bool drainFifo(AudioTrack& track, bool final) {
        const int frameSize = track.enc->frame_size > 0 ? track.enc->frame_size : 1024;
        while (av_audio_fifo_size(track.fifo) >= frameSize || (final && av_audio_fifo_size(track.fifo) > 0)) {
            const int available = av_audio_fifo_size(track.fifo);
            const int n = std::min(available, frameSize);
            av_frame_unref(track.frame);
            track.frame->format = AV_SAMPLE_FMT_FLTP;
            track.frame->sample_rate = Rec::kAudioSampleRate;
            av_channel_layout_default(&track.frame->ch_layout, 1);
            const bool smallLast = track.enc->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME;
            track.frame->nb_samples = smallLast ? n : frameSize;
            if (av_frame_get_buffer(track.frame, 0) < 0)
                return fail(QStringLiteral("audio frame"), AVERROR(ENOMEM));
            std::memset(track.frame->data[0], 0, sizeof(float) * track.frame->nb_samples);
            av_audio_fifo_read(track.fifo, reinterpret_cast<void**>(track.frame->data), n);
            track.frame->pts = track.nextPts;
            track.nextPts += track.frame->nb_samples;
            if (!encode(track.enc, track.stream, track.frame)) return false;
        }
        return true;
    }

    bool writeAudio(AudioTrack& track, const QByteArray& pcm, int rate, std::int64_t ptsNs) {
        if (!track.enc || rate <= 0 || pcm.size() < 2) return true;
        if (!track.swr || track.swrRate != rate) {
            swr_free(&track.swr);
            AVChannelLayout mono;
            av_channel_layout_default(&mono, 1);
            if (swr_alloc_set_opts2(&track.swr, &mono, AV_SAMPLE_FMT_FLTP, Rec::kAudioSampleRate, &mono,
                                    AV_SAMPLE_FMT_S16, rate, 0, nullptr) < 0 ||
                swr_init(track.swr) < 0)
                return fail(QStringLiteral("resample"), AVERROR(EINVAL));
            track.swrRate = rate;
        }
        if (track.nextPts < 0)
            track.nextPts = std::max<std::int64_t>(
                0, av_rescale(ptsNs - startPtsNs, Rec::kAudioSampleRate, 1000000000LL));
        const int inSamples = static_cast<int>(pcm.size() / 2);
        const int outMax = swr_get_out_samples(track.swr, inSamples);
        if (outMax <= 0) return true;
        std::vector<float> out(static_cast<size_t>(outMax));
        uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(out.data())};
        const uint8_t* inPlanes[1] = {reinterpret_cast<const uint8_t*>(pcm.constData())};
        const int got = swr_convert(track.swr, outPlanes, outMax, inPlanes, inSamples);
        if (got < 0) return fail(QStringLiteral("resample"), got);
        av_audio_fifo_write(track.fifo, reinterpret_cast<void**>(outPlanes), got);
        return drainFifo(track, false);
    }

    bool finishAudio(AudioTrack& track) {
        if (!track.enc) return true;
        if (track.swr && track.nextPts >= 0) {
            std::vector<float> out(4096);
            uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(out.data())};
            const int got = swr_convert(track.swr, outPlanes, 4096, nullptr, 0);
            if (got > 0) av_audio_fifo_write(track.fifo, reinterpret_cast<void**>(outPlanes), got);
        }
        if (track.nextPts < 0) track.nextPts = 0;
        return drainFifo(track, true) && encode(track.enc, track.stream, nullptr);
    }

    bool finish() {
        bool ok = error.isEmpty();
        if (ok && venc) ok = encode(venc, vstream, nullptr);
        if (ok) ok = finishAudio(mic) && finishAudio(spk);
        if (headerWritten) {
            const int rc = av_write_trailer(fmt);
            if (rc < 0 && ok) ok = fail(QStringLiteral("trailer"), rc);
            avio_flush(io);
        }
        if (fd >= 0) {
            if (::fsync(fd) != 0 && errno != EINVAL && ok) ok = fail(QStringLiteral("sync"), AVERROR(errno));
            if (::close(fd) != 0 && ok) ok = fail(QStringLiteral("close"), AVERROR(errno));
            fd = -1;
        }
        return ok;
    }
};

std::shared_ptr<FuncRecorder> FuncRecorder::create(const RecorderParams& params, RecordingClock clock,
                                                   RecordingScreenCapture* screen) {
    // The encoders' progress lines are not for the user's terminal.
    static const bool quiet = [] {
        av_log_set_level(AV_LOG_ERROR);
        return true;
    }();
    (void)quiet;
    std::shared_ptr<FuncRecorder> recorder(new FuncRecorder(params, std::move(clock), screen));
    recorder->attachScreen();
    return recorder;
}

FuncRecorder::FuncRecorder(const RecorderParams& params, RecordingClock clock, RecordingScreenCapture* screen)
    : params_(params),
      clock_(clock ? std::move(clock) : RecordingClock(&monotonicNanoseconds)),
      screen_(screen) {
    const QSize even = Rec::evenSize(QSize(params_.width, params_.height));
    params_.width = even.width();
    params_.height = even.height();
    onScreenQueue_ = DispatchQueue::createSerial("com.quorix.recDesktop");
    onAppScreenQueue_ = DispatchQueue::createSerial("com.quorix.recWebConf");
    logLine(StringWithFormat(QString::fromUtf8(kLogMsgRecordingVideoBitrate),
                             Rec::videoBitRate(params_.height, params_.videoQuality)),
            kLogInf);
    logLine(
        StringWithFormat(QString::fromUtf8(kLogMsgRecordingAudioBitrate), Rec::audioBitRate(params_.aacKbps)),
        kLogInf);
}

void FuncRecorder::attachScreen() {
    if (!screen_ || params_.fileType == Rec::REC_FILE_TYPE_AUDIO) return;
    if (params_.targetType != Rec::REC_TARGET_CONF && params_.targetType != Rec::REC_TARGET_DESKTOP) return;
    screen_->setRecordingDelegate(this);
    if (params_.targetType == Rec::REC_TARGET_DESKTOP)
        screen_->startModeRecordingDesktop();
    else
        screen_->startModeRecordingApp();
}

FuncRecorder::~FuncRecorder() {
    // A started file keeps its recorder alive until finished, so only the
    // screen capture mode can be left here.
    stop();
}

QDateTime FuncRecorder::recStartTime() const {
    std::lock_guard lock(startTimeMutex_);
    return recStartTime_;
}

std::int64_t FuncRecorder::failureResult() const {
    return isStopProcessing_.load() ? Rec::REC_APPEND_STOPPED : Rec::REC_APPEND_FAILED;
}

bool FuncRecorder::startWriting(std::int64_t firstPtsNs) {
    auto w = std::make_unique<Writer>();
    w->startPtsNs = firstPtsNs;
    const QByteArray path = QFile::encodeName(params_.filePath);
    const auto startFailed = [this](const QString& description, const QString& reason) {
        status_.store(Status::Failed);
        logLine(StringWithFormat(QString::fromUtf8(kLogMsgRecordingStartWritingErr), 3L, description, reason),
                kLogErr);
        return false;
    };
    // Never overwrite: the file must not exist yet.
    w->fd = ::open(path.constData(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0644);
    if (w->fd < 0) return startFailed(QString::fromUtf8(std::strerror(errno)), params_.filePath);
    const auto abandon = [&](const QString& description) {
        ::close(w->fd);
        w->fd = -1;
        ::unlink(path.constData());  // the file we created, still empty
        return startFailed(description, params_.filePath);
    };
    if (avformat_alloc_output_context2(&w->fmt, nullptr, Rec::containerName(params_.fileType), nullptr) < 0 ||
        !w->fmt)
        return abandon(QStringLiteral("container"));
    av_freep(&w->fmt->url);
    w->fmt->url = av_strdup(path.constData());
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    w->io = avio_alloc_context(buffer, kIoBufferSize, 1, &w->fd, nullptr, &ioWrite, &ioSeek);
    if (!w->io) {
        av_free(buffer);
        return abandon(QStringLiteral("output"));
    }
    w->fmt->pb = w->io;
    w->fmt->flags |= AVFMT_FLAG_CUSTOM_IO;
    w->fmt->max_interleave_delta = 1000000;
    w->packet = av_packet_alloc();
    if (Rec::hasVideo(params_.fileType) &&
        !w->openVideo(params_.width, params_.height, Rec::videoBitRate(params_.height, params_.videoQuality)))
        return abandon(w->error.isEmpty() ? QStringLiteral("video input") : w->error);
    if (Rec::hasAudio(params_.fileType)) {
        const int bitRate = Rec::audioBitRate(params_.aacKbps);
        if (!w->openAudio(w->mic, "mic", bitRate)) {
            logLine(StringWithFormat(QString::fromUtf8(kLogMsgRecordingSetUpErr), QStringLiteral("mic")),
                    kLogErr);
            return abandon(QStringLiteral("mic"));
        }
        if (!w->openAudio(w->spk, "spk", bitRate)) {
            logLine(StringWithFormat(QString::fromUtf8(kLogMsgRecordingSetUpErr), QStringLiteral("spk")),
                    kLogErr);
            return abandon(QStringLiteral("spk"));
        }
    }
    const int rc = avformat_write_header(w->fmt, nullptr);
    if (rc < 0) return abandon(avError(rc));
    w->headerWritten = true;
    {
        std::lock_guard lock(queueMutex_);
        writer_ = std::move(w);
        finished_ = false;
        finishRequested_ = false;
    }
    status_.store(Status::Writing);
    // The writer thread keeps the recorder alive until its file is finished,
    // so whoever gives the recorder up never waits for the file.
    std::thread([self = shared_from_this()] { self->writerLoop(); }).detach();
    return true;
}

void FuncRecorder::preparationRec() {
    logLine(StringWithFormat(QString::fromUtf8(kLogMsgRecordingRecTime), params_.timerCountVal / 60),
            kLogInf);
    {
        std::lock_guard lock(startTimeMutex_);
        recStartTime_ = QDateTime::currentDateTime();
    }
    armTimeLimit();
    UserDefaults& defaults = UserDefaults::standard();
    const auto integer = [&defaults](const char* key) {
        return defaults.integerForKey(QString::fromLatin1(key));
    };
    bool divide = true;
    std::int64_t value = 0;
    switch (params_.fileType) {
        case Rec::REC_FILE_TYPE_MP4:
        case Rec::REC_FILE_TYPE_VIDEO:
            divide = integer("KeyRecordingMp4Rotate") != 1;
            value = integer("KeyRecordingMp4RotateVal");
            break;
        case Rec::REC_FILE_TYPE_AUDIO:
            divide = integer("KeyRecordingAudioRotate") != 1;
            value = integer("KeyRecordingAudioRotateVal");
            break;
        default:
            value = integer("KeyRecordingMovRotateVal");
            break;
    }
    isDivide_.store(divide);
    if (divide) divideValue_.store(Rec::divideValue(value));
}

void FuncRecorder::armTimeLimit() {
    auto token = std::make_shared<std::atomic<bool>>(false);
    recTimer_ = token;
    std::weak_ptr<FuncRecorder> weak = weak_from_this();
    mainQueue().after(std::chrono::seconds(std::max(0, params_.timerCountVal)), [weak, token] {
        if (token->load()) return;
        auto self = weak.lock();
        if (!self) return;
        token->store(true);
        if (auto* d = self->delegate_.load()) d->onStopTimer(self.get());
    });
}

bool FuncRecorder::isDivideFile() {
    std::int64_t bytes = 0;
    {
        std::lock_guard lock(queueMutex_);
        struct stat st {};
        if (writer_ && writer_->fd >= 0 && ::fstat(writer_->fd, &st) == 0) {
            bytes = st.st_size;
        } else {
            logLine(StringWithFormat(QString::fromUtf8(kLogMsgRecordingGetFileSizeErr),
                                     QString::fromUtf8(std::strerror(errno)), params_.filePath, QString()),
                    kLogErr);
        }
    }
    if (Rec::fileSizeMegabytes(bytes) < divideValue_.load()) return false;
    logLine(QString::fromUtf8(kLogMsgRecordingRotate), kLogInf);
    return true;
}

bool FuncRecorder::isReadyForMoreVideo() const {
    std::lock_guard lock(queueMutex_);
    return queuedVideo_ < kVideoQueueLimit;
}

bool FuncRecorder::isReadyForMoreAudio() const {
    std::lock_guard lock(queueMutex_);
    return queuedAudio_ < kAudioQueueLimit;
}

std::int64_t FuncRecorder::append(Entry entry, const AudioSample* audio, const VideoSample* video) {
    if (isStopProcessing_.load()) return Rec::REC_APPEND_STOPPED;
    std::lock_guard guard(lock_);
    const bool audioOnly = params_.fileType == Rec::REC_FILE_TYPE_AUDIO;
    const bool starting = audioOnly ? entry != Entry::Video : entry == Entry::Video;
    const std::int64_t pts = video ? video->ptsNs : audio->ptsNs;
    if (starting && !isRec_.load() && status_.load() != Status::Writing) {
        if (status_.load() == Status::Failed || isStopProcessing_.load() || !startWriting(pts))
            return failureResult();
        isRec_.store(true);
        preparationRec();
    }
    if (!isRec_.load()) return Rec::REC_APPEND_OK;
    const bool inputExists =
        entry == Entry::Video ? Rec::hasVideo(params_.fileType) : Rec::hasAudio(params_.fileType);
    bool ready = false;
    {
        std::lock_guard lock(queueMutex_);
        ready = entry == Entry::Video ? queuedVideo_ < kVideoQueueLimit : queuedAudio_ < kAudioQueueLimit;
    }
    if (inputExists && ready && status_.load() == Status::Writing) {
        bool check = false;
        if (isDivide_.load()) {
            if (entry == Entry::Video) {
                check = !audioOnly;
            } else {
                std::lock_guard lock(cameraOffMutex_);
                check = audioOnly || (!params_.isEnableTimeStamp && cameraOff_ && !cameraOffImage_.isNull());
            }
        }
        if (check && isDivideFile()) {
            if (auto* d = delegate_.load()) d->onDivideFile(this);
            return Rec::REC_APPEND_OK;
        }
        std::lock_guard lock(queueMutex_);
        if (finishRequested_) return Rec::REC_APPEND_STOPPED;
        Item item;
        item.entry = entry;
        item.ptsNs = pts;
        if (video) {
            item.image = video->image;
            ++queuedVideo_;
        } else {
            item.pcm = audio->pcm;
            item.rate = audio->rate;
            ++queuedAudio_;
        }
        queue_.push_back(std::move(item));
        queueCond_.notify_one();
        return Rec::REC_APPEND_OK;
    }
    // A failed writer is reported whichever input the sample was for.
    if (isRec_.load() && status_.load() == Status::Failed) return failureResult();
    return Rec::REC_APPEND_OK;
}

std::int64_t FuncRecorder::recordMic(const AudioSample& sample) {
    return append(Entry::Mic, &sample, nullptr);
}
std::int64_t FuncRecorder::recordSpk(const AudioSample& sample) {
    return append(Entry::Spk, &sample, nullptr);
}
std::int64_t FuncRecorder::recordVideo(const VideoSample& sample) {
    return append(Entry::Video, nullptr, &sample);
}

QImage FuncRecorder::scaledForRecording(const QImage& image) {
    if (image.width() <= 1920) return image;
    const float factor = 1920.0f / static_cast<float>(image.width());
    return image.scaled(1920, static_cast<int>(static_cast<float>(image.height()) * factor),
                        Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

std::int64_t FuncRecorder::imageFrame(const QImage& image) {
    if (isStopProcessing_.load()) return Rec::REC_APPEND_STOPPED;
    if (image.isNull()) {
        logLine(StringWithFormat(QString::fromUtf8(kLogMsgRecordingPixelErr), QStringLiteral("err1")),
                kLogErr);
        return Rec::REC_APPEND_OK;
    }
    QImage frame = scaledForRecording(image).convertToFormat(QImage::Format_RGB32);
    if (params_.isEnableTimeStamp)
        DateTimeOverlay::compose(frame, QDateTime::currentDateTime(), params_.timeRecColorOfString,
                                 params_.timeRecColorOfBack, DateTimeOverlay::storedSize(),
                                 DateTimeOverlay::storedCorner());
    return recordVideo(VideoSample{std::move(frame), clock_()});
}

std::int64_t FuncRecorder::onMyVideo(const QImage& image) {
    return imageFrame(image);
}
std::int64_t FuncRecorder::onOtherVideo(const QImage& image) {
    return imageFrame(image);
}
std::int64_t FuncRecorder::onMyCameraOff(const QImage& image) {
    return imageFrame(image);
}

void FuncRecorder::setCameraOffImage(const QImage& image) {
    std::lock_guard lock(cameraOffMutex_);
    cameraOffImage_ = image;
}

void FuncRecorder::writeCameraOffImage() {
    QImage still;
    {
        std::lock_guard lock(cameraOffMutex_);
        if (cameraOffImage_.isNull()) {
            if (auto path = MainBundle::pathForResource(QStringLiteral("video_image_camera_off"),
                                                        QStringLiteral("bmp")))
                cameraOffImage_.load(*path);
            if (cameraOffImage_.isNull())
                cameraOffImage_.load(QStringLiteral(":/images/video_image_camera_off.bmp"));
        }
        still = cameraOffImage_;
    }
    if (onMyCameraOff(still) == Rec::REC_APPEND_FAILED) {
        if (auto* d = delegate_.load()) d->onStopTimer(this);
    }
}

void FuncRecorder::setCameraOffForRec(bool off) {
    if (!off) {
        std::lock_guard lock(cameraOffMutex_);
        cameraOff_ = false;
        if (cameraOffTimer_) cameraOffTimer_->store(true);
        cameraOffTimer_.reset();
        cameraOffImage_ = QImage();
        return;
    }
    {
        std::lock_guard lock(cameraOffMutex_);
        cameraOff_ = true;
    }
    writeCameraOffImage();
    std::lock_guard lock(cameraOffMutex_);
    if (!params_.isEnableTimeStamp || cameraOffTimer_) return;
    auto token = std::make_shared<std::atomic<bool>>(false);
    cameraOffTimer_ = token;
    std::weak_ptr<FuncRecorder> weak = weak_from_this();
    // Rewrites the still image every second so that the overlay clock runs.
    auto tick = std::make_shared<std::function<void()>>();
    *tick = [weak, token, tick] {
        if (token->load()) {
            *tick = nullptr;  // breaks the cycle
            return;
        }
        auto self = weak.lock();
        if (!self) {
            *tick = nullptr;
            return;
        }
        self->writeCameraOffImage();
        mainQueue().after(std::chrono::seconds(1), [tick] {
            if (*tick) (*tick)();
        });
    };
    mainQueue().after(std::chrono::seconds(1), [tick] {
        if (*tick) (*tick)();
    });
}

void FuncRecorder::onScreen(int width, int height, int bytesPerRow, const std::uint8_t* pixels) {
    if (!pixels || width <= 0 || height <= 0 || bytesPerRow < width * 4) return;
    // Copy before returning: the capture's buffer is only lent for the call.
    QImage copy(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        std::memcpy(copy.scanLine(y), pixels + static_cast<size_t>(y) * bytesPerRow,
                    static_cast<size_t>(width) * 4);
    const std::int64_t pts = clock_();
    std::weak_ptr<FuncRecorder> weak = weak_from_this();
    onScreenQueue_->async([weak, copy, pts] {
        auto self = weak.lock();
        if (!self) return;
        std::int64_t result = Rec::REC_APPEND_OK;
        if (self->params_.isEnableTimeStamp) {
            result = self->imageFrame(copy);
        } else {
            result = self->recordVideo(VideoSample{copy, pts});
        }
        if (result == Rec::REC_APPEND_FAILED)
            if (auto* d = self->delegate_.load()) d->onStopFromScreenCapture(Rec::REC_TARGET_DESKTOP);
    });
}

void FuncRecorder::onScreenApp(const QImage& image) {
    const QImage copy = image.copy();
    std::weak_ptr<FuncRecorder> weak = weak_from_this();
    onAppScreenQueue_->async([weak, copy] {
        auto self = weak.lock();
        if (!self) return;
        if (self->imageFrame(copy) == Rec::REC_APPEND_FAILED)
            if (auto* d = self->delegate_.load()) d->onStopFromScreenCapture(Rec::REC_TARGET_CONF);
    });
}

void FuncRecorder::stop() {
    const Status status = status_.load();
    const bool screenTarget =
        params_.targetType == Rec::REC_TARGET_CONF || params_.targetType == Rec::REC_TARGET_DESKTOP;
    // The capture mode started at creation ends with every stop, also one
    // before the first sample.
    const auto endScreenMode = [this, screenTarget] {
        if (!screen_ || !screenTarget || params_.fileType == Rec::REC_FILE_TYPE_AUDIO) return;
        if (screenModeEnded_.exchange(true)) return;
        if (params_.targetType == Rec::REC_TARGET_DESKTOP)
            screen_->stopModeRecordingDesktop();
        else
            screen_->stopModeRecordingApp();
        screen_->setRecordingDelegate(nullptr);
        screen_->terminate();
    };
    if (status != Status::Writing && status != Status::Failed) {
        isStopProcessing_.store(true);
        endScreenMode();
        return;
    }
    isStopProcessing_.store(true);
    {
        std::lock_guard lock(cameraOffMutex_);
        if (cameraOffTimer_) cameraOffTimer_->store(true);
        cameraOffTimer_.reset();
    }
    isRec_.store(false);
    endScreenMode();
    if (recTimer_) recTimer_->store(true);
    std::lock_guard lock(queueMutex_);
    finishRequested_ = true;
    queueCond_.notify_one();
}

void FuncRecorder::writerLoop() {
    for (;;) {
        Item item;
        {
            std::unique_lock lock(queueMutex_);
            queueCond_.wait(lock, [this] { return !queue_.empty() || finishRequested_; });
            if (queue_.empty()) break;  // finish requested and everything written
            item = std::move(queue_.front());
            queue_.pop_front();
        }
        Writer& w = *writer_;
        bool ok = true;
        if (w.error.isEmpty()) {
            switch (item.entry) {
                case Entry::Video:
                    ok = w.writeVideo(item.image, item.ptsNs);
                    break;
                case Entry::Mic:
                    ok = w.writeAudio(w.mic, item.pcm, item.rate, item.ptsNs);
                    break;
                case Entry::Spk:
                    ok = w.writeAudio(w.spk, item.pcm, item.rate, item.ptsNs);
                    break;
            }
        }
        {
            std::lock_guard lock(queueMutex_);
            if (item.entry == Entry::Video)
                --queuedVideo_;
            else
                --queuedAudio_;
        }
        if (!ok && status_.load() == Status::Writing) {
            status_.store(Status::Failed);
            logLine(StringWithFormat(QString::fromUtf8(kLogMsgRecordingWritingErr), 3L, w.error,
                                     params_.filePath),
                    kLogErr);
        }
    }
    const bool ok = writer_->finish();
    const QString error = writer_->error;
    {
        std::lock_guard lock(queueMutex_);
        writer_.reset();
    }
    status_.store(ok ? Status::Completed : Status::Failed);
    if (!ok) {
        logLine(
            StringWithFormat(QString::fromUtf8(kLogMsgRecordingFailed), error, params_.filePath, QString()),
            kLogErr);
        if (auto* d = delegate_.load()) d->onRecoderError(error);
    }
    std::lock_guard lock(queueMutex_);
    finished_ = true;
    finishedCond_.notify_all();
}

bool FuncRecorder::waitUntilFinished(std::chrono::milliseconds timeout) {
    std::unique_lock lock(queueMutex_);
    return finishedCond_.wait_for(lock, timeout, [this] { return finished_; });
}
