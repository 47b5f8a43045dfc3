// Audio costs as a share of one processor core:
//   - mixing 16 speakers for 10 s of audio (20 ms packets into the jitter queues,
//     one mix every 200 ms, the mix handed to the output thread), at 16000 and 48000 Hz;
//   - Opus-encoding 10 s of 20 ms frames through COpusEncoder beside libopus called
//     directly on the same frames (the bare library is the limit);
//   - 16 named but silent speakers with a running mixer (should be zero).
// Processor time is that of the whole process (all threads), best of five runs.
#include <opus/opus.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

#include "audio/AudioClock.h"
#include "audio/AudioPlayerThread.h"
#include "audio/OpusCodec.h"
#include "tessel/TS_Common.h"
#include "tessel/TS_Event.h"

namespace {

constexpr double kAudioSeconds = 10.0;

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// Best processor time of five runs of `work`.
double BestCpu(const std::function<void()>& work) {
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        const double start = ProcessCpuSeconds();
        work();
        best = std::min(best, ProcessCpuSeconds() - start);
    }
    return best;
}

void Row(const char* what, double cpuSeconds, double audioSeconds) {
    std::printf("%-52s %9.2f ms  %7.3f %% of a core\n", what, cpuSeconds * 1e3,
                100.0 * cpuSeconds / audioSeconds);
}

std::vector<int16_t> Speech(int rate, int samples, int seed) {
    std::vector<int16_t> pcm(samples);
    for (int i = 0; i < samples; ++i) {
        const double t = static_cast<double>(i) / rate;
        pcm[i] = static_cast<int16_t>(6000 * std::sin(2 * M_PI * (150 + 10 * seed) * t) *
                                      (0.6 + 0.4 * std::sin(2 * M_PI * 3 * t)));
    }
    return pcm;
}

// Keeps the mixer's own thread parked so that the benchmark drives every mixing pass itself.
class ParkedClock : public CAudioClock {
public:
    uint64_t NowMs() override { return GetMonotonicTickCount(); }
    bool Wait(CEvent& event, int) override { return event.Wait(-1); }
};

void DropMix(int32_t, uint8_t* pcm, int32_t, void*) {
    __free__(pcm);
}

double MixSixteenSpeakers(uint16_t rate) {
    ParkedClock clock;
    const int packetSamples = rate / 50;
    std::vector<std::vector<int16_t>> speakers;
    for (int s = 0; s < 16; ++s) speakers.push_back(Speech(rate, rate / 5, s));
    return BestCpu([&] {
        CAudioPlayerThread mixer(16, rate, 200, DropMix, nullptr, nullptr, nullptr, clock);
        mixer.Start();
        for (uint32_t slot = 0; slot < 16; ++slot) mixer.SetUserInfo(slot, "id", "name");
        for (int cycle = 0; cycle < kAudioSeconds * 5; ++cycle) {
            for (int packet = 0; packet < 10; ++packet) {
                for (uint32_t slot = 0; slot < 16; ++slot) {
                    const int16_t* pcm = speakers[slot].data() + packet * packetSamples;
                    mixer.PushAudioData(slot, reinterpret_cast<const uint8_t*>(pcm), packetSamples * 2);
                }
            }
            mixer.MakePlayAudioData();
        }
        while (mixer.GetBufferCount() > 0) std::this_thread::yield();
    });
}

double OpusWrapper(const std::vector<int16_t>& pcm, int rate) {
    const int frame = rate / 50;
    std::vector<unsigned char> packet(COpusEncoder::kMaxPacketBytes);
    return BestCpu([&] {
        COpusEncoder encoder(rate);
        int bytes = 0;
        for (size_t pos = 0; pos + frame <= pcm.size(); pos += frame) {
            bytes += encoder.encode(pcm.data() + pos, frame, packet.data(), packet.size());
        }
        if (bytes <= 0) std::printf("COpusEncoder failed\n");
    });
}

double OpusBare(const std::vector<int16_t>& pcm, int rate) {
    const int frame = rate / 50;
    std::vector<unsigned char> packet(COpusEncoder::kMaxPacketBytes);
    return BestCpu([&] {
        int err = 0;
        OpusEncoder* encoder = opus_encoder_create(rate, 1, OPUS_APPLICATION_VOIP, &err);
        opus_encoder_ctl(encoder, OPUS_SET_BITRATE(64000));
        opus_int32 bytes = 0;
        for (size_t pos = 0; pos + frame <= pcm.size(); pos += frame) {
            bytes += opus_encode(encoder, pcm.data() + pos, frame, packet.data(),
                                 static_cast<opus_int32>(packet.size()));
        }
        opus_encoder_destroy(encoder);
        if (bytes <= 0) std::printf("libopus failed\n");
    });
}

double IdleSlots(double seconds) {
    CAudioPlayerThread mixer(16, 48000, 200, DropMix, nullptr, nullptr, nullptr);
    mixer.Start();
    for (uint32_t slot = 0; slot < 16; ++slot) mixer.SetUserInfo(slot, "id", "name");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const double start = ProcessCpuSeconds();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    return ProcessCpuSeconds() - start;
}

}  // namespace

int main() {
    InitProc();
    std::printf("Audio, 10 s of audio per run (processor time of the whole process, best of 5)\n");
    Row("mix 16 speakers, 16000 Hz (push + mix + output)", MixSixteenSpeakers(16000), kAudioSeconds);
    Row("mix 16 speakers, 48000 Hz (push + mix + output)", MixSixteenSpeakers(48000), kAudioSeconds);
    for (const int rate : {16000, 48000}) {
        const auto pcm = Speech(rate, static_cast<int>(rate * kAudioSeconds), 3);
        const double wrapper = OpusWrapper(pcm, rate);
        const double bare = OpusBare(pcm, rate);
        char what[96];
        std::snprintf(what, sizeof(what), "Opus encode 20 ms frames, %d Hz, COpusEncoder", rate);
        Row(what, wrapper, kAudioSeconds);
        std::snprintf(what, sizeof(what), "Opus encode 20 ms frames, %d Hz, bare libopus", rate);
        Row(what, bare, kAudioSeconds);
        std::printf("%-52s %9.3f\n", "  ratio COpusEncoder / libopus", wrapper / bare);
    }
    const double idle = IdleSlots(2.0);
    Row("16 silent named speakers + mixer, 2 s idle", idle, 2.0);
    return 0;
}
