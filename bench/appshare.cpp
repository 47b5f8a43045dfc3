// Application sharing on the same 1920 x 1080 frames, each figure beside the
// bare operation it is built on (ratios printed at the end):
//  - an unchanged frame through the encoder (block comparison only) against
//    memcmp of the two frames;
//  - a fully changed frame through the encoder (comparison, regions, sixteen
//    JPEG pieces, comparison-picture update, records) against bare TurboJPEG
//    compression of the whole frame at the same quality;
//  - the sixteen records of a full frame joined from relay pieces, dispatched
//    and decoded to rectangles against bare TurboJPEG decompression of the
//    whole frame.
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "control/QuorixControl.h"
#include "control/VpexProtocol.h"
#include "datamanager/ASDataManager.h"
#include "datamanager/ASDataRelay.h"
#include "datamanager/ASRecord.h"
#include "fixtures/ControlTestPeer.h"
#include "fixtures/SharePattern.h"
#include "interface/QuorixCore.h"
#include "tessel/TS_Common.h"

namespace {

constexpr int W = 1920, H = 1080, kQuality = 40;
using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

std::map<std::string, double> g_nsPerFrame;

// Times the loop body and keeps ns per iteration under `name`.
template <typename F>
void Timed(benchmark::State& state, const char* name, F&& body) {
    const auto start = Clock::now();
    for (auto _ : state) body();
    const double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
    g_nsPerFrame[name] = ns / double(state.iterations());
}

const Bytes& Frame(int n) {
    static Bytes frames[2];
    Bytes& f = frames[n];
    if (f.empty()) {
        f.resize(size_t(W) * H * 4);
        quorix::test::RenderSharePattern(f.data(), W, H, n, false);
    }
    return f;
}

// Keeps the wire form of every record the encoder hands over.
class RecordingRelay : public CASDataRelay {
public:
    bool keep = false;
    std::vector<Bytes> records;
    int VpexSendBufferLength(int, unsigned) override { return 0; }
    bool VpexSendASShowRect(uint16_t l, uint16_t t, uint16_t r, uint16_t b, const uint8_t* jpeg,
                            uint32_t n) override {
        if (!keep) return true;
        Bytes rec(20 + n);
        PutLE32(rec.data(), ASPROT_MSG_SHOW_RECT);
        PutLE32(rec.data() + 4, n + 12);
        AS_RECT{l, t, r, b}.Write(rec.data() + 8);
        std::memcpy(rec.data() + 16, jpeg, n);
        PutLE32(rec.data() + 16 + n, AS_DATA_FOOTER_MAGIC);
        records.push_back(std::move(rec));
        return true;
    }
    bool VpexSendASChangeSize(uint16_t, uint16_t, uint16_t, uint16_t) override { return true; }
    bool VpexSendASKeyFrame(uint16_t, uint16_t, uint16_t, uint16_t) override { return true; }
};

void BM_UnchangedFrameOurs(benchmark::State& state) {
    RecordingRelay relay;
    CASDataManager::init(&relay, 3, 24, 24);
    CASDataManager::onAPShareStart(W, H);
    CASDataManager::sendASShowRect(Frame(0).data(), 0, 0, W, H);
    Timed(state, "unchanged ours",
          [&] { benchmark::DoNotOptimize(CASDataManager::sendASShowRect(Frame(0).data(), 0, 0, W, H)); });
    CASDataManager::term();
}

void BM_UnchangedFrameMemcmp(benchmark::State& state) {
    const Bytes copy = Frame(0);
    Timed(state, "unchanged memcmp",
          [&] { benchmark::DoNotOptimize(std::memcmp(Frame(0).data(), copy.data(), copy.size())); });
}

void BM_ChangedFrameOurs(benchmark::State& state) {
    RecordingRelay relay;
    CASDataManager::init(&relay, 3, 24, 24);
    CASDataManager::onAPShareStart(W, H);
    int n = 0;
    Timed(state, "changed ours", [&] {
        n ^= 1;
        benchmark::DoNotOptimize(CASDataManager::sendASShowRect(Frame(n).data(), 0, 0, W, H));
    });
    CASDataManager::term();
}

void BM_ChangedFrameBareTurboJpeg(benchmark::State& state) {
    tjhandle h = tjInitCompress();
    Bytes out(tjBufSize(W, H, TJSAMP_420));
    int n = 0;
    Timed(state, "changed bare", [&] {
        n ^= 1;
        unsigned char* p = out.data();
        unsigned long size = out.size();
        tjCompress2(h, Frame(n).data(), W, W * 4, H, TJPF_RGBX, &p, &size, TJSAMP_420, kQuality,
                    TJFLAG_NOREALLOC | TJFLAG_FASTDCT | TJFLAG_BOTTOMUP);
        benchmark::DoNotOptimize(size);
    });
    tjDestroy(h);
}

void BM_ReassembleDecodeOurs(benchmark::State& state) {
    CQuorixCore core;
    ST_FUNCLIST table{};
    table.OnAPShareRect = [](uint16_t, uint16_t, uint16_t, uint16_t, uint8_t* px, int, void*) {
        benchmark::DoNotOptimize(px[0]);
    };
    core.Init("Linux", &table, nullptr);
    CQuorixControl* ctl = core.GetControl();
    // The records of one full frame (the control object set up its own manager).
    RecordingRelay relay;
    relay.keep = true;
    CASDataManager::init(&relay, 3, 24, 24);
    CASDataManager::onAPShareStart(W, H);
    CASDataManager::sendASShowRect(Frame(1).data(), 0, 0, W, H);
    QuorixControlTestPeer::SetLoggedIn(*ctl, true);
    Timed(state, "decode ours", [&] {
        for (const Bytes& rec : relay.records) {
            const uint16_t pieces = VpexPieceCount(uint32_t(rec.size()));
            for (uint16_t i = 0; i < pieces; ++i) {
                const uint32_t from = uint32_t(i) * VPEX_PIECE_SIZE;
                const uint32_t n = std::min<uint32_t>(VPEX_PIECE_SIZE, uint32_t(rec.size()) - from);
                uint8_t* whole = nullptr;
                uint32_t length = 0;
                if (ctl->ASDataCreatePacket(rec.data() + from, n, i, pieces, whole, length)) {
                    ctl->OnBufferASData(whole, length);
                    __free__(whole);
                }
            }
        }
    });
    QuorixControlTestPeer::SetLoggedIn(*ctl, false);
    core.Term();
}

void BM_DecodeBareTurboJpeg(benchmark::State& state) {
    tjhandle c = tjInitCompress();
    Bytes jpeg(tjBufSize(W, H, TJSAMP_420));
    unsigned char* p = jpeg.data();
    unsigned long size = jpeg.size();
    tjCompress2(c, Frame(1).data(), W, W * 4, H, TJPF_RGBX, &p, &size, TJSAMP_420, kQuality,
                TJFLAG_NOREALLOC | TJFLAG_FASTDCT | TJFLAG_BOTTOMUP);
    tjDestroy(c);
    tjhandle d = tjInitDecompress();
    Bytes out(size_t(W) * H * 4);
    Timed(state, "decode bare", [&] {
        tjDecompress2(d, jpeg.data(), size, out.data(), W, W * 4, H, TJPF_BGRA,
                      TJFLAG_FASTDCT | TJFLAG_FASTUPSAMPLE | TJFLAG_BOTTOMUP);
        benchmark::DoNotOptimize(out.data());
    });
    tjDestroy(d);
}

BENCHMARK(BM_UnchangedFrameOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnchangedFrameMemcmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChangedFrameOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChangedFrameBareTurboJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReassembleDecodeOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeBareTurboJpeg)->Unit(benchmark::kMillisecond);

void Ratio(const char* what, const char* ours, const char* bare, const char* goal) {
    if (g_nsPerFrame.count(ours) == 0 || g_nsPerFrame.count(bare) == 0) return;
    std::printf("%-38s %6.2fx  (%s)\n", what, g_nsPerFrame[ours] / g_nsPerFrame[bare], goal);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\nratios on the same 1920 x 1080 frames:\n");
    Ratio("unchanged frame / memcmp", "unchanged ours", "unchanged memcmp", "goal under 2x");
    Ratio("changed frame / bare TurboJPEG", "changed ours", "changed bare", "goal at most 1.3x");
    Ratio("reassembly + decode / bare TurboJPEG", "decode ours", "decode bare", "no goal");
    return 0;
}
