// Screen capture on a private 1920 x 1080 X display (Xvfb), each figure beside
// the bare library operation it is built on (ratios printed at the end):
//  - one processed frame of desktop sharing (the picture through shared
//    memory, the cursor drawn in, the frame handed to the consumer) against a
//    bare loop of xcb_shm_get_image into one segment;
//  - an unchanged screen captured and handed through to the sharing encoder
//    (`CASDataManager`, which compares it with the last frame and sends
//    nothing) against the bare grab plus memcmp of the frame.
#include <benchmark/benchmark.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/platform/X11Desktop.h"
#include "datamanager/ASDataManager.h"
#include "datamanager/ASDataRelay.h"
#include "platform/ScreenRecorder.h"
#include "platform/X11ScreenInput.h"

namespace {

constexpr int W = 1920, H = 1080;
using Clock = std::chrono::steady_clock;

std::map<std::string, double> g_nsPerFrame;
x11test::Desktop* g_desktop = nullptr;

template <typename F>
void Timed(benchmark::State& state, const char* name, F&& body) {
    const auto start = Clock::now();
    for (auto _ : state) body();
    const double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
    g_nsPerFrame[name] = ns / double(state.iterations());
}

// The bare anchor: one connection, one segment, one request per frame.
class BareGrab {
public:
    BareGrab() {
        c_ = xcb_connect(g_desktop->display().c_str(), nullptr);
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        id_ = ::shmget(IPC_PRIVATE, std::size_t(W) * H * 4, IPC_CREAT | 0600);
        address_ = static_cast<uint8_t*>(::shmat(id_, nullptr, 0));
        segment_ = xcb_generate_id(c_);
        xcb_shm_attach(c_, segment_, id_, 0);
        ::shmctl(id_, IPC_RMID, nullptr);
    }
    ~BareGrab() {
        xcb_shm_detach(c_, segment_);
        ::shmdt(address_);
        xcb_disconnect(c_);
    }
    const uint8_t* grab() {
        std::free(xcb_shm_get_image_reply(
            c_, xcb_shm_get_image(c_, root_, 0, 0, W, H, ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, segment_, 0),
            nullptr));
        return address_;
    }

private:
    xcb_connection_t* c_;
    xcb_window_t root_;
    int id_;
    uint8_t* address_;
    uint32_t segment_;
};

class NullRelay : public CASDataRelay {
public:
    int VpexSendBufferLength(int, unsigned) override { return 0; }
    bool VpexSendASShowRect(uint16_t, uint16_t, uint16_t, uint16_t, const uint8_t*, uint32_t) override {
        ++pieces;
        return true;
    }
    bool VpexSendASChangeSize(uint16_t, uint16_t, uint16_t, uint16_t) override { return true; }
    bool VpexSendASKeyFrame(uint16_t, uint16_t, uint16_t, uint16_t) override { return true; }
    int pieces = 0;
};

class Consumer : public ScreenRecorderDelegate {
public:
    bool encode = false;
    int frames = 0;
    void onCaptureBitmap(const uint8_t* px, QSize size, QRectF) override {
        ++frames;
        if (encode) CASDataManager::sendASShowRect(px, 0, 0, uint16_t(size.width()), uint16_t(size.height()));
        benchmark::DoNotOptimize(px[0]);
    }
    void onChangeAppRect(QRectF) override {}
    void onError(int) override {}
};

void BM_BareShmGetImage(benchmark::State& state) {
    BareGrab bare;
    Timed(state, "bare grab", [&] { benchmark::DoNotOptimize(bare.grab()); });
}

void BM_DesktopFrame(benchmark::State& state) {
    ScreenRecorder recorder(std::make_unique<X11ScreenInput>(g_desktop->displayName()), false);
    Consumer consumer;
    recorder.setDelegate(&consumer);
    recorder.startModeAPDesktop();
    // Two pictures from the input make one processed frame.
    Timed(state, "desktop frame", [&] {
        recorder.frameArrived();
        recorder.frameArrived();
    });
    recorder.stopModeAPDesktop();
    recorder.setDelegate(nullptr);
    if (consumer.frames == 0) state.SkipWithError("no frame captured");
}

void BM_UnchangedFrameToEncoder(benchmark::State& state) {
    NullRelay relay;
    CASDataManager::init(&relay, 3, 24, 24);
    CASDataManager::onAPShareStart(W, H);
    ScreenRecorder recorder(std::make_unique<X11ScreenInput>(g_desktop->displayName()), false);
    Consumer consumer;
    consumer.encode = true;
    recorder.setDelegate(&consumer);
    recorder.startModeAPDesktop();
    recorder.frameArrived();
    recorder.frameArrived();  // the first frame is sent whole
    const int sent = relay.pieces;
    Timed(state, "unchanged to encoder", [&] {
        recorder.frameArrived();
        recorder.frameArrived();
    });
    recorder.stopModeAPDesktop();
    recorder.setDelegate(nullptr);
    CASDataManager::term();
    if (relay.pieces != sent) state.SkipWithError("an unchanged screen sent pieces");
}

void BM_BareGrabAndMemcmp(benchmark::State& state) {
    BareGrab bare;
    std::vector<uint8_t> last(bare.grab(), bare.grab() + std::size_t(W) * H * 4);
    Timed(state, "bare grab memcmp",
          [&] { benchmark::DoNotOptimize(std::memcmp(bare.grab(), last.data(), last.size())); });
}

BENCHMARK(BM_BareShmGetImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DesktopFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareGrabAndMemcmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnchangedFrameToEncoder)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    x11test::Desktop desktop("1920x1080x24", false);
    if (!desktop.ready()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    g_desktop = &desktop;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    auto at = [](const char* k) { return g_nsPerFrame.count(k) ? g_nsPerFrame[k] : 0.0; };
    std::printf("\nratios on a 1920 x 1080 screen:\n");
    if (at("desktop frame") > 0)
        std::printf("%-44s %6.2f   (goal at least 0.9)\n", "bare xcb_shm_get_image / desktop frame",
                    at("bare grab") / at("desktop frame"));
    if (at("unchanged to encoder") > 0)
        std::printf("%-44s %6.2f   (no goal)\n", "bare grab + memcmp / unchanged frame to encoder",
                    at("bare grab memcmp") / at("unchanged to encoder"));
    return 0;
}
