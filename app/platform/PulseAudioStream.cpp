#include "platform/PulseAudioStream.h"

#include "platform/PulseAudioConnection.h"

PulseAudioStream::PulseAudioStream(PulseAudioConnection& connection, QString device, int rate,
                                   AudioHardware::CaptureCallback capture, AudioHardware::RenderCallback render)
    : connection_(connection),
      device_(std::move(device)),
      rate_(rate),
      capture_(std::move(capture)),
      render_(std::move(render)) {}

PulseAudioStream::~PulseAudioStream() { stop(); }

bool PulseAudioStream::isRunning() const { return running_.load(); }

void PulseAudioStream::onState(pa_stream* stream, void* user) {
    auto* self = static_cast<PulseAudioStream*>(user);
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) self->running_.store(false);
    pa_threaded_mainloop_signal(self->connection_.mainloop(), 0);
}

void PulseAudioStream::onRead(pa_stream* stream, size_t, void* user) {
    auto* self = static_cast<PulseAudioStream*>(user);
    const void* data = nullptr;
    size_t bytes = 0;
    while (pa_stream_readable_size(stream) > 0) {
        if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0) return;
        // A hole (data null) is a gap the server could not fill: skipped.
        if (data != nullptr && self->capture_) self->capture_(static_cast<const std::uint8_t*>(data), bytes);
        pa_stream_drop(stream);
    }
}

void PulseAudioStream::onWrite(pa_stream* stream, size_t bytes, void* user) {
    auto* self = static_cast<PulseAudioStream*>(user);
    while (bytes > 0) {
        void* buffer = nullptr;
        size_t granted = bytes;
        if (pa_stream_begin_write(stream, &buffer, &granted) < 0 || buffer == nullptr || granted == 0) return;
        granted &= ~size_t(1);  // whole samples
        if (granted == 0) {
            pa_stream_cancel_write(stream);
            return;
        }
        self->render_(static_cast<std::uint8_t*>(buffer), granted);
        if (pa_stream_write(stream, buffer, granted, nullptr, 0, PA_SEEK_RELATIVE) < 0) return;
        bytes = granted < bytes ? bytes - granted : 0;
    }
}

bool PulseAudioStream::start() {
    if (running_.load()) return true;
    if (rate_ <= 0 || rate_ > int(PA_RATE_MAX) || (!capture_ && !render_)) return false;
    bool ready = false;
    bool locked = connection_.withLock([&](pa_context* context) {
        pa_sample_spec format{PA_SAMPLE_S16LE, std::uint32_t(rate_), 1};
        stream_ = pa_stream_new(context, capture_ ? "Quorix capture" : "Quorix playback", &format, nullptr);
        if (stream_ == nullptr) return;
        pa_stream_set_state_callback(stream_, onState, this);
        QByteArray device = device_.toUtf8();
        const std::uint32_t bytesPerMs = std::uint32_t(rate_) * 2 / 1000;
        pa_buffer_attr attr;
        attr.maxlength = std::uint32_t(-1);
        attr.prebuf = std::uint32_t(-1);
        attr.minreq = std::uint32_t(-1);
        attr.tlength = std::uint32_t(-1);
        attr.fragsize = std::uint32_t(-1);
        // The stream stays on its device: when the device goes, the stream
        // ends and the device monitor's report moves the audio elsewhere.
        auto flags = pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
        int rc;
        if (capture_) {
            attr.fragsize = bytesPerMs * kCaptureFragmentMs;
            pa_stream_set_read_callback(stream_, onRead, this);
            rc = pa_stream_connect_record(stream_, device.constData(), &attr, flags);
        } else {
            attr.tlength = bytesPerMs * kPlaybackTargetMs;
            attr.minreq = bytesPerMs * (kPlaybackTargetMs / 4);
            pa_stream_set_write_callback(stream_, onWrite, this);
            rc = pa_stream_connect_playback(stream_, device.constData(), &attr, flags, nullptr, nullptr);
        }
        if (rc < 0) {
            endLocked();
            return;
        }
        for (;;) {
            pa_stream_state_t state = pa_stream_get_state(stream_);
            if (state == PA_STREAM_READY) {
                ready = true;
                break;
            }
            if (!PA_STREAM_IS_GOOD(state)) break;
            pa_threaded_mainloop_wait(connection_.mainloop());
        }
        if (!ready) endLocked();
    });
    running_.store(locked && ready);
    return running_.load();
}

void PulseAudioStream::endLocked() {
    if (stream_ == nullptr) return;
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_set_read_callback(stream_, nullptr, nullptr);
    pa_stream_set_write_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
}

void PulseAudioStream::stop() {
    running_.store(false);
    if (connection_.mainloop() == nullptr) return;
    if (connection_.inLoopThread()) {  // the loop thread already holds the lock
        endLocked();
        return;
    }
    // Callbacks run with the lock held by the loop thread, so once the
    // stream is ended under the lock none is running or will run.
    pa_threaded_mainloop_lock(connection_.mainloop());
    endLocked();
    pa_threaded_mainloop_unlock(connection_.mainloop());
}
