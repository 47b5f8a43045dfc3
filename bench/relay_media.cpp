// Camera and microphone of one core to the other core's output, through the
// loopback conference server and relay (two cores in this process):
//  - video: pictures sent at a camera rate, pictures shown by the other core
//    per second, and the time from the send call to the shown picture
//    (median and 99th percentile), beside the bare encode plus decode of the
//    same pictures with our codec classes (the ratio is what the relay path,
//    the queues and the threads add);
//  - audio: the time from the send call of the first frame of a tone to the
//    moment that tone begins in the other core's mix (median of several tones).
// Each picture carries its number in a row of black and white blocks.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BenchRoom.h"
#include "control/ControlWaits.h"
#include "fixtures/ConfServerFixture.h"
#include "fixtures/RelayFixture.h"
#include "fixtures/VideoPattern.h"
#include "interface/QuorixCore.h"
#include "interface/QuorixCoreAPI.h"
#include "tessel/TS_Common.h"
#include "video/VideoDecoder.h"
#include "video/VideoEncoder.h"

using namespace quorix::test;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kMarkBits = 12;
constexpr int kMarkBlock = 32;

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

std::vector<uint8_t> MarkedPicture(int w, int h, int frame) {
    std::vector<uint8_t> p = MakeVideoPattern(w, h, frame);
    for (int bit = 0; bit < kMarkBits; ++bit) {
        const uint8_t v = (frame >> bit) & 1 ? 255 : 0;
        for (int y = 0; y < kMarkBlock; ++y)
            for (int x = bit * kMarkBlock; x < (bit + 1) * kMarkBlock; ++x)
                std::memset(&p[(size_t(y) * w + x) * 3], v, 3);
    }
    return p;
}

int ReadMark(const uint8_t* rgba, int w) {
    int frame = 0;
    for (int bit = 0; bit < kMarkBits; ++bit) {
        int sum = 0;
        for (int y = 8; y < 24; ++y)
            for (int x = bit * kMarkBlock + 8; x < bit * kMarkBlock + 24; ++x)
                sum += rgba[(size_t(y) * w + x) * 4 + 1];
        if (sum / 256 > 128) frame |= 1 << bit;
    }
    return frame;
}

struct Receiver {
    std::mutex mu;
    std::vector<Clock::time_point> sent;  // by frame number
    std::vector<double> latencyMs;
    std::vector<Clock::time_point> shown;
    // audio
    Clock::time_point toneSent;
    bool waitingTone = false;
    std::vector<double> toneLatencyMs;
    int rate = 48000;
};
Receiver g_rx;
std::atomic<int> g_known{0};  // participants each core learnt of on all five connections

ST_FUNCLIST ReceiverTable() {
    ST_FUNCLIST t{};
    t.OnAudioInitialized = [](int, void*) { ++g_known; };
    t.OnVideoOutput = [](int, uint8_t* pixels, int, int w, int, int, int, void*) {
        const auto now = Clock::now();
        const int frame = ReadMark(pixels, w);
        std::lock_guard<std::mutex> lock(g_rx.mu);
        if (frame < int(g_rx.sent.size())) g_rx.latencyMs.push_back(Ms(g_rx.sent[size_t(frame)], now));
        g_rx.shown.push_back(now);
    };
    t.OnAudioOutput = [](int, uint8_t* pcm, int size, void*) {
        const auto now = Clock::now();
        std::lock_guard<std::mutex> lock(g_rx.mu);
        if (!g_rx.waitingTone) return;
        const int16_t* s = reinterpret_cast<const int16_t*>(pcm);
        for (int i = 0; i < size / 2; ++i) {
            if (std::abs(int(s[i])) > 3000) {
                // The mix begins to play now; the tone begins i samples into it.
                g_rx.toneLatencyMs.push_back(Ms(g_rx.toneSent, now) + 1000.0 * i / g_rx.rate);
                g_rx.waitingTone = false;
                return;
            }
        }
    };
    return t;
}

double Percentile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[size_t(q * double(v.size() - 1))];
}

// Our encoder and decoder alone on the same pictures: milliseconds per picture.
double BareCodecMs(int w, int h, int frames) {
    CVideoEncoder enc;
    CVideoDecoder dec;
    uint64_t now = 1'000'000;
    enc.SetClock([&now] { return now; });
    std::vector<double> ms;
    for (int i = 0; i < frames; ++i) {
        const std::vector<uint8_t> pic = MarkedPicture(w, h, i);
        now += 67;
        const auto start = Clock::now();
        const int n = enc.Encode(pic.data(), w, h, w, h, 15, 0, 0);
        if (n <= 0) continue;
        std::vector<uint8_t> bits(static_cast<size_t>(n));
        enc.GetEncodeBuffer(bits.data());
        uint8_t* out = dec.Decode(bits.data(), n, w, h, enc.GetFrameNo(), true, false, false, true, false);
        ms.push_back(Ms(start, Clock::now()));
        __free__(out);
    }
    return Percentile(ms, 0.5);
}

void Video(CQuorixCore& sender, int w, int h, int fps, int frames) {
    {
        std::lock_guard<std::mutex> lock(g_rx.mu);
        g_rx.sent.assign(size_t(frames), Clock::time_point{});
        g_rx.latencyMs.clear();
        g_rx.shown.clear();
    }
    const auto period = std::chrono::microseconds(1000000 / fps);
    auto due = Clock::now();
    for (int i = 0; i < frames; ++i) {
        const std::vector<uint8_t> pic = MarkedPicture(w, h, i);
        {
            std::lock_guard<std::mutex> lock(g_rx.mu);
            g_rx.sent[size_t(i)] = Clock::now();
        }
        sender.SendVideo(pic.data(), w, h, fps, 0, 0);
        due += period;
        std::this_thread::sleep_until(due);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    std::lock_guard<std::mutex> lock(g_rx.mu);
    const double seconds = g_rx.shown.size() > 1 ? Ms(g_rx.shown.front(), g_rx.shown.back()) / 1000.0 : 0;
    const double bare = BareCodecMs(w, h, 30);
    const double median = Percentile(g_rx.latencyMs, 0.5);
    std::printf(
        "video %dx%d sent at %d fps: %zu of %d shown, %.2f fps shown; send to shown: median %.1f ms, "
        "99th percentile %.1f ms; bare encode+decode %.1f ms (ratio %.1f)\n",
        w, h, fps, g_rx.shown.size(), frames, seconds > 0 ? double(g_rx.shown.size() - 1) / seconds : 0.0,
        median, Percentile(g_rx.latencyMs, 0.99), bare, bare > 0 ? median / bare : 0.0);
}

void Audio(CQuorixCore& sender, int tones) {
    const int rate = 48000;
    const int frame = rate * 60 / 1000;  // 60 ms Opus frames
    std::vector<int16_t> silence(size_t(frame), 0);
    std::vector<int16_t> tone(static_cast<size_t>(frame));
    for (int i = 0; i < frame; ++i) tone[size_t(i)] = int16_t(12000 * std::sin(2 * M_PI * 440.0 * i / rate));
    g_rx.rate = rate;
    const auto period = std::chrono::microseconds(60000);
    auto due = Clock::now();
    for (int t = 0; t < tones; ++t) {
        // 1.2 s of silence, then 0.6 s of tone, as a microphone delivers them.
        for (int f = 0; f < 30; ++f) {
            const bool loud = f >= 20;
            if (f == 20) {
                std::lock_guard<std::mutex> lock(g_rx.mu);
                g_rx.toneSent = Clock::now();
                g_rx.waitingTone = true;
            }
            const auto& pcm = loud ? tone : silence;
            sender.SendAudio(reinterpret_cast<const uint8_t*>(pcm.data()), uint32_t(pcm.size() * 2), 1.0,
                             rate);
            due += period;
            std::this_thread::sleep_until(due);
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    std::lock_guard<std::mutex> lock(g_rx.mu);
    std::printf(
        "audio (Opus, 48000 Hz, 60 ms frames): %zu of %d tones heard; send to mix: median %.1f ms, "
        "99th percentile %.1f ms\n",
        g_rx.toneLatencyMs.size(), tones, Percentile(g_rx.toneLatencyMs, 0.5),
        Percentile(g_rx.toneLatencyMs, 0.99));
}

}  // namespace

int main() {
    QuorixCore_OnLoad();
    RelayFixture relay;
    ConfServerFixture confA(bench::RoomScript(relay));
    ConfServerFixture confB(bench::RoomScript(relay));
    ST_FUNCLIST quiet{};
    quiet.OnAudioInitialized = [](int, void*) { ++g_known; };
    const ST_FUNCLIST rx = ReceiverTable();
    CQuorixCore a;
    CQuorixCore b;
    a.Init("Mac", &quiet, nullptr);
    b.Init("Mac", &rx, nullptr);
    if (bench::RoomLogin(a, confA.port(), "sender", R"({"mode_opus":true})") != 0 ||
        bench::RoomLogin(b, confB.port(), "receiver", R"({"mode_opus":true})") != 0) {
        std::printf("login failed\n");
        return 1;
    }
    // Both learn of each other before the first picture (a key frame) goes out.
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (g_known.load() < 2 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    Video(a, 640, 480, 15, 150);
    Video(a, 640, 480, 30, 300);
    Video(a, 1280, 720, 15, 150);
    Audio(a, 8);
    a.Term();
    b.Term();
    return 0;
}
