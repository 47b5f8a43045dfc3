// Audio through the sound server, measured against a PulseAudio server of the
// benchmark's own (null output, pipe input fed by the benchmark):
//   - microphone to encoded packet: AudioRecorder capturing 60 ms chunks at
//     48000 Hz, each Opus-encoded as three 20 ms packets, beside the bare
//     library (libpulse-simple reads of 60 ms, the same libopus encoding);
//   - decoded packet to speaker: 20 ms Opus packets decoded and handed to
//     AudioPlayer in 200 ms mixes as the core delivers them, beside the bare
//     library (libpulse-simple writes of the same mixes with the same 40 ms
//     server buffer).
// Figures: processor time of the whole process per second of audio (the feeding
// thread included in both columns), and the latency from a click written into
// the pipe (or handed to the player) to its arrival in the encoder (or at the
// output's monitor), mean of the clicks; the difference is what our layer adds.
#include <opus/opus.h>
#include <pulse/error.h>
#include <pulse/simple.h>
#include <time.h>

#include <QByteArray>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "fixtures/app/PulseAudioTestServer.h"
#include "media/AudioDeviceManager.h"
#include "media/AudioPlayer.h"
#include "media/AudioRecorder.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 48000;
constexpr double kSeconds = 5.0;
constexpr int kClickEveryMs = 250;
constexpr std::int16_t kClick = 30000;
constexpr std::int16_t kClickThreshold = 20000;

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Click times on one side, arrival times on the other; mean latency of the pairs.
struct Clicks {
    std::mutex mutex;
    std::vector<Clock::time_point> sent, seen;
    void send() {
        std::lock_guard<std::mutex> lock(mutex);
        sent.push_back(Clock::now());
    }
    // Marks a click when `pcm` holds one and the last mark is older than half the period.
    void scan(const std::int16_t* pcm, std::size_t samples) {
        for (std::size_t i = 0; i < samples; ++i) {
            if (pcm[i] > kClickThreshold) {
                std::lock_guard<std::mutex> lock(mutex);
                Clock::time_point now = Clock::now();
                if (seen.empty() || now - seen.back() > std::chrono::milliseconds(kClickEveryMs / 2)) seen.push_back(now);
                return;
            }
        }
    }
    double meanMs() {
        std::lock_guard<std::mutex> lock(mutex);
        double sum = 0;
        int n = 0;
        std::size_t j = 0;
        for (const Clock::time_point& s : sent) {
            while (j < seen.size() && seen[j] < s) ++j;
            if (j == seen.size()) break;
            if (seen[j] - s < std::chrono::milliseconds(kClickEveryMs)) {
                sum += Ms(seen[j] - s);
                ++n;
            }
        }
        return n > 0 ? sum / n : -1;
    }
};

// Writes silence with a click every kClickEveryMs into the pipe input, paced in real time.
class ClickWriter {
public:
    ClickWriter(const QString& path, Clicks& clicks) : clicks_(clicks) {
        fd_ = ::open(path.toUtf8().constData(), O_WRONLY | O_NONBLOCK);
        thread_ = std::thread([this] {
            std::vector<std::int16_t> block(kRate / 100, 0);
            auto next = Clock::now();
            for (int ms = 0; !stop_.load(); ms += 10) {
                const bool click = ms % kClickEveryMs == 0 && ms > 0;
                std::fill(block.begin(), block.end(), std::int16_t(0));
                if (click) std::fill(block.begin(), block.begin() + 48, kClick);
                if (click) clicks_.send();
                ssize_t ignored = ::write(fd_, block.data(), block.size() * 2);
                (void)ignored;
                next += std::chrono::milliseconds(10);
                std::this_thread::sleep_until(next);
            }
        });
    }
    ~ClickWriter() {
        stop_.store(true);
        thread_.join();
        ::close(fd_);
    }

private:
    Clicks& clicks_;
    int fd_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

struct Result {
    double cpuPerSecondMs;
    double latencyMs;
};

struct EncodeSink {
    OpusEncoder* encoder;
    Clicks* clicks;
    std::atomic<long> packets{0};
    static void chunk(const std::uint8_t* pcm, int size, void* user) {
        auto* self = static_cast<EncodeSink*>(user);
        const auto* samples = reinterpret_cast<const std::int16_t*>(pcm);
        self->clicks->scan(samples, std::size_t(size / 2));
        unsigned char packet[4000];
        const int frame = kRate / 50;
        for (int at = 0; (at + frame) * 2 <= size; at += frame) {
            if (opus_encode(self->encoder, samples + at, frame, packet, sizeof(packet)) > 0) self->packets.fetch_add(1);
        }
    }
};

OpusEncoder* NewEncoder() {
    int error = 0;
    OpusEncoder* e = opus_encoder_create(kRate, 1, OPUS_APPLICATION_VOIP, &error);
    opus_encoder_ctl(e, OPUS_SET_BITRATE(32000));
    return e;
}

Result CaptureOurs(PulseAudioTestServer& server) {
    Clicks clicks;
    EncodeSink sink{NewEncoder(), &clicks};
    AudioRecorder recorder;
    recorder.setupRecorder(0, kRate, QString(PulseAudioTestServer::kPipeInput), std::nullopt, false, 200,
                           EncodeSink::chunk, &sink, true);
    recorder.start();
    ClickWriter writer(server.pipePath(), clicks);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const double start = ProcessCpuSeconds();
    std::this_thread::sleep_for(std::chrono::duration<double>(kSeconds));
    const double cpu = ProcessCpuSeconds() - start;
    recorder.resetRecorder();
    opus_encoder_destroy(sink.encoder);
    return {cpu * 1e3 / kSeconds, clicks.meanMs()};
}

Result CaptureBare(PulseAudioTestServer& server) {
    Clicks clicks;
    EncodeSink sink{NewEncoder(), &clicks};
    pa_sample_spec format{PA_SAMPLE_S16LE, kRate, 1};
    pa_buffer_attr attr{std::uint32_t(-1), std::uint32_t(-1), std::uint32_t(-1), std::uint32_t(-1),
                        std::uint32_t(kRate * 2 * 10 / 1000)};
    int error = 0;
    pa_simple* s = pa_simple_new(nullptr, "bench", PA_STREAM_RECORD, PulseAudioTestServer::kPipeInput, "bare", &format,
                                 nullptr, &attr, &error);
    if (s == nullptr) {
        std::printf("bare capture: %s\n", pa_strerror(error));
        return {-1, -1};
    }
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        std::vector<std::int16_t> chunk(kRate * 60 / 1000);
        while (!stop.load()) {
            if (pa_simple_read(s, chunk.data(), chunk.size() * 2, &error) < 0) break;
            EncodeSink::chunk(reinterpret_cast<const std::uint8_t*>(chunk.data()), int(chunk.size() * 2), &sink);
        }
    });
    ClickWriter writer(server.pipePath(), clicks);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const double start = ProcessCpuSeconds();
    std::this_thread::sleep_for(std::chrono::duration<double>(kSeconds));
    const double cpu = ProcessCpuSeconds() - start;
    stop.store(true);
    reader.join();
    pa_simple_free(s);
    opus_encoder_destroy(sink.encoder);
    return {cpu * 1e3 / kSeconds, clicks.meanMs()};
}

// 20 ms Opus packets of a tone with a click every kClickEveryMs.
std::vector<std::vector<unsigned char>> Packets() {
    OpusEncoder* encoder = NewEncoder();
    std::vector<std::vector<unsigned char>> packets;
    const int frame = kRate / 50;
    std::vector<std::int16_t> pcm(static_cast<std::size_t>(frame));
    for (int p = 0; p < kClickEveryMs / 20; ++p) {
        for (int i = 0; i < frame; ++i) pcm[std::size_t(i)] = std::int16_t(3000 * std::sin(2 * M_PI * 440 * (p * frame + i) / kRate));
        unsigned char out[4000];
        int n = opus_encode(encoder, pcm.data(), frame, out, sizeof(out));
        packets.emplace_back(out, out + std::max(n, 0));
    }
    opus_encoder_destroy(encoder);
    return packets;
}

// Records the output's monitor and marks clicks until stopped.
class MonitorWatch {
public:
    explicit MonitorWatch(Clicks& clicks) {
        pa_sample_spec format{PA_SAMPLE_S16LE, kRate, 1};
        pa_buffer_attr attr{std::uint32_t(-1), std::uint32_t(-1), std::uint32_t(-1), std::uint32_t(-1),
                            std::uint32_t(kRate * 2 * 5 / 1000)};
        const std::string monitor = std::string(PulseAudioTestServer::kOutput) + ".monitor";
        int error = 0;
        s_ = pa_simple_new(nullptr, "bench", PA_STREAM_RECORD, monitor.c_str(), "watch", &format, nullptr, &attr, &error);
        thread_ = std::thread([this, &clicks] {
            std::vector<std::int16_t> block(kRate * 5 / 1000);
            int error = 0;
            while (s_ != nullptr && !stop_.load()) {
                if (pa_simple_read(s_, block.data(), block.size() * 2, &error) < 0) break;
                clicks.scan(block.data(), block.size());
            }
        });
    }
    ~MonitorWatch() {
        stop_.store(true);
        thread_.join();
        if (s_ != nullptr) pa_simple_free(s_);
    }

private:
    pa_simple* s_ = nullptr;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Decodes 200 ms of packets into one mix; the mix's first sample is a click when `click`.
QByteArray Mix(OpusDecoder* decoder, const std::vector<std::vector<unsigned char>>& packets, std::size_t& next,
               bool click) {
    QByteArray mix;
    std::vector<std::int16_t> pcm(std::size_t(kRate / 50));
    for (int i = 0; i < 10; ++i) {
        const auto& p = packets[next++ % packets.size()];
        int n = opus_decode(decoder, p.data(), int(p.size()), pcm.data(), int(pcm.size()), 0);
        mix.append(reinterpret_cast<const char*>(pcm.data()), std::max(n, 0) * 2);
    }
    if (click) std::fill_n(reinterpret_cast<std::int16_t*>(mix.data()), 48, kClick);
    return mix;
}

template <typename Play>
Result Playback(Play play) {
    const auto packets = Packets();
    int error = 0;
    OpusDecoder* decoder = opus_decoder_create(kRate, 1, &error);
    Clicks clicks;
    MonitorWatch watch(clicks);
    std::size_t next = 0;
    auto due = Clock::now();
    double cpu = 0;
    double start = 0;
    const int mixes = int(kSeconds * 5) + 2;
    for (int m = 0; m < mixes; ++m) {
        if (m == 2) start = ProcessCpuSeconds();  // the first 400 ms settle the stream
        QByteArray mix = Mix(decoder, packets, next, m % 2 == 1 && m > 2);
        if (m % 2 == 1 && m > 2) clicks.send();
        play(mix);
        due += std::chrono::milliseconds(200);
        std::this_thread::sleep_until(due);
    }
    cpu = ProcessCpuSeconds() - start;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    opus_decoder_destroy(decoder);
    return {cpu * 1e3 / kSeconds, clicks.meanMs()};
}

Result PlaybackOurs() {
    AudioPlayer player;
    player.setupPlayer(kRate, QString(PulseAudioTestServer::kOutput), std::nullopt, false, 20);
    player.start();
    Result r = Playback([&](const QByteArray& mix) {
        player.setBuffer(reinterpret_cast<const std::uint8_t*>(mix.constData()), std::uint32_t(mix.size()));
    });
    player.resetPlayer();
    return r;
}

Result PlaybackBare() {
    pa_sample_spec format{PA_SAMPLE_S16LE, kRate, 1};
    pa_buffer_attr attr{std::uint32_t(-1), std::uint32_t(kRate * 2 * 40 / 1000), std::uint32_t(-1),
                        std::uint32_t(-1), std::uint32_t(-1)};
    int error = 0;
    pa_simple* s = pa_simple_new(nullptr, "bench", PA_STREAM_PLAYBACK, PulseAudioTestServer::kOutput, "bare", &format,
                                 nullptr, &attr, &error);
    if (s == nullptr) return {-1, -1};
    // The simple API blocks while the server buffer is full: a writer thread keeps the mix thread free.
    std::mutex mutex;
    std::vector<QByteArray> queue;
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        std::vector<std::int16_t> silence(kRate / 100, 0);
        while (!stop.load()) {
            QByteArray next;
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (!queue.empty()) {
                    next = queue.front();
                    queue.erase(queue.begin());
                }
            }
            if (next.isEmpty()) {
                pa_simple_write(s, silence.data(), silence.size() * 2, &error);
            } else {
                pa_simple_write(s, next.constData(), std::size_t(next.size()), &error);
            }
        }
    });
    Result r = Playback([&](const QByteArray& mix) {
        std::lock_guard<std::mutex> lock(mutex);
        queue.push_back(mix);
    });
    stop.store(true);
    writer.join();
    pa_simple_free(s);
    return r;
}

void Row(const char* what, const Result& r) {
    std::printf("%-58s %8.2f ms CPU per audio second %8.1f ms latency\n", what, r.cpuPerSecondMs, r.latencyMs);
}

}  // namespace

int main() {
    PulseAudioTestServer* server = PulseAudioTestServer::get();
    if (server == nullptr) {
        std::printf("no PulseAudio server could be started\n");
        return 1;
    }
    server->pactl(QStringLiteral("set-sink-volume %1 100%").arg(PulseAudioTestServer::kOutput));
    std::printf("Audio devices through a private PulseAudio server, 48000 Hz, %.0f s of audio per run\n", kSeconds);
    const Result captureOurs = CaptureOurs(*server);
    const Result captureBare = CaptureBare(*server);
    Row("microphone -> 60 ms chunk -> Opus packets, AudioRecorder", captureOurs);
    Row("microphone -> 60 ms read -> Opus packets, bare libpulse", captureBare);
    std::printf("%-58s %8.3f CPU ratio %8.1f ms added\n", "  AudioRecorder / bare",
                captureOurs.cpuPerSecondMs / captureBare.cpuPerSecondMs, captureOurs.latencyMs - captureBare.latencyMs);
    const Result playOurs = PlaybackOurs();
    const Result playBare = PlaybackBare();
    Row("Opus packets -> 200 ms mix -> speaker, AudioPlayer", playOurs);
    Row("Opus packets -> 200 ms mix -> speaker, bare libpulse", playBare);
    std::printf("%-58s %8.3f CPU ratio %8.1f ms added\n", "  AudioPlayer / bare",
                playOurs.cpuPerSecondMs / playBare.cpuPerSecondMs, playOurs.latencyMs - playBare.latencyMs);
    PulseAudioTestServer::shutdown();
    return 0;
}
