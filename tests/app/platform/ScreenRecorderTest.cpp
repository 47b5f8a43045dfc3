#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <atomic>
#include <cstring>
#include <mutex>

#include "platform/ScreenRecorder.h"
#include "platform/WindowManager.h"

namespace {

// A screen whose pixel (x, y) holds blue = x & 0xff, green = y & 0xff, red =
// (x >> 8) | (y >> 8) << 4, alpha 255, in rows padded beyond the width.
class FakeScreenInput : public ScreenInput {
public:
    FakeScreenInput(int width, int height, int padding, std::atomic<int>* grabs)
        : width_(width), height_(height), pitch_(width * 4 + padding), grabs_(grabs) {
        pixels_.assign(std::size_t(pitch_) * height, 0xEE);  // the padding shows as 0xEE
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                uint8_t* p = pixels_.data() + std::size_t(y) * pitch_ + x * 4;
                p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = uint8_t((x >> 8) | ((y >> 8) << 4)), p[3] = 255;
            }
    }
    bool open(QString*) override { return opens_; }
    QRect pixelRect() const override { return QRect(0, 0, width_, height_); }
    QRect pointRect() const override { return pixelRect(); }
    bool grab(ScreenImage* image) override {
        ++*grabs_;
        *image = {pixels_.data(), width_, height_, pitch_};
        return true;
    }
    int framesPerSecond() const override { return 30; }

    bool opens_ = true;

private:
    int width_, height_, pitch_;
    std::vector<uint8_t> pixels_;
    std::atomic<int>* grabs_;
};

uint32_t expectedPixel(int x, int y) {
    return uint32_t(x & 0xff) | uint32_t(y & 0xff) << 8 | uint32_t((x >> 8) | ((y >> 8) << 4)) << 16 |
           0xFF000000u;
}

class FakeWindowList : public WindowList {
public:
    std::vector<WindowInfo> onScreenWindows() override {
        std::lock_guard lock(mutex);
        return windows;
    }
    QRect screenFrame() override { return screen; }
    QRect visibleFrame() override { return visible; }
    std::mutex mutex;
    std::vector<WindowInfo> windows;
    QRect screen, visible;
};

struct Frame {
    QSize size;
    QRectF area;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[std::size_t(y) * size.width() + x]; }
};

class RecordingDelegate : public ScreenRecorderDelegate {
public:
    void onCaptureBitmap(const uint8_t* px, QSize size, QRectF area) override {
        Frame f{size, area, std::vector<uint32_t>(std::size_t(size.width()) * size.height())};
        std::memcpy(f.pixels.data(), px, f.pixels.size() * 4);
        frames.push_back(std::move(f));
    }
    void onChangeAppRect(QRectF r) override { changes.push_back(r); }
    void onError(int code) override { errors.push_back(code); }
    std::vector<Frame> frames;
    std::vector<QRectF> changes;
    std::vector<int> errors;
};

class Recording : public ScreenRecorderRecordingDelegate {
public:
    void onScreen(const uint8_t*, int w, int h, int bpr) override { screens.push_back({w, h, bpr}); }
    void onScreenApp(const QImage& image) override { apps.push_back(image); }
    std::vector<std::array<int, 3>> screens;
    std::vector<QImage> apps;
};

WindowInfo window(std::int64_t pid, QRect bounds) {
    WindowInfo w;
    w.pid = pid;
    w.ownerName = "app";
    w.bounds = bounds;
    return w;
}

class ScreenRecorderTest : public ::testing::Test {
protected:
    void SetUp() override { WindowManager::setWindowList(&list); }
    void TearDown() override { WindowManager::setWindowList(nullptr); }

    std::unique_ptr<ScreenRecorder> recorder(int width, int height, int padding = 64) {
        list.screen = list.visible = QRect(0, 0, width, height);
        return std::make_unique<ScreenRecorder>(
            std::make_unique<FakeScreenInput>(width, height, padding, &grabs), false);
    }
    // `n` pictures from the input.
    static void deliver(ScreenRecorder& r, int n) {
        for (int i = 0; i < n; ++i) r.frameArrived();
    }

    FakeWindowList list;
    std::atomic<int> grabs{0};
};

TEST_F(ScreenRecorderTest, OneCaptureFeedsDesktopSharingAndRecordingAndStopsWithTheLastConsumer) {
    auto r = recorder(320, 200);
    RecordingDelegate sharing;
    Recording recording;
    r->setDelegate(&sharing);
    r->setRecordingDelegate(&recording);
    EXPECT_EQ(r->status(), ScreenRecorder::Stopped);
    ASSERT_EQ(r->startModeAPDesktop(), 0);
    ASSERT_EQ(r->startModeRecordingDesktop(), 0);
    EXPECT_EQ(r->status(), ScreenRecorder::Running);
    deliver(*r, 6);
    // Every second picture is processed, and both consumers get each one.
    EXPECT_EQ(grabs, 3);
    ASSERT_EQ(sharing.frames.size(), 3u);
    EXPECT_EQ(recording.screens.size(), 3u);
    EXPECT_EQ(recording.screens[0], (std::array<int, 3>{320, 200, 320 * 4 + 64}));
    // The sharing frame has packed rows of the frame's width.
    const Frame& f = sharing.frames[0];
    EXPECT_EQ(f.size, QSize(320, 200));
    EXPECT_EQ(f.area, QRectF(0, 0, 320, 200));
    EXPECT_EQ(f.at(319, 0), expectedPixel(319, 0));
    EXPECT_EQ(f.at(0, 1), expectedPixel(0, 1));
    EXPECT_EQ(f.at(300, 199), expectedPixel(300, 199));

    r->stopModeAPDesktop();
    EXPECT_EQ(r->status(), ScreenRecorder::Running);
    deliver(*r, 2);
    EXPECT_EQ(sharing.frames.size(), 3u);
    EXPECT_EQ(recording.screens.size(), 4u);
    r->stopModeRecordingDesktop();
    EXPECT_EQ(r->status(), ScreenRecorder::Stopped);
    deliver(*r, 2);
    EXPECT_EQ(grabs, 4);
}

TEST_F(ScreenRecorderTest, ApplicationFramesAreTheWholeScreenPaddedTo16WithOnlyTheVisibleWindowParts) {
    // 1366 pixels wide: the frame is 1376 wide, read row by row with the input's pitch.
    auto r = recorder(1366, 300, 0);
    list.windows = {window(2, {1000, 100, 200, 100}), window(1, {900, 50, 466, 250})};
    RecordingDelegate sharing;
    r->setDelegate(&sharing);
    ASSERT_EQ(r->startModeAPApp(1), 0);
    deliver(*r, 2);
    ASSERT_EQ(sharing.frames.size(), 1u);
    const Frame& f = sharing.frames[0];
    EXPECT_EQ(f.size, QSize(1376, 300));
    EXPECT_EQ(f.area, QRectF(0, 0, 1376, 300));
    EXPECT_EQ(f.at(900, 50), expectedPixel(900, 50));
    EXPECT_EQ(f.at(1365, 299), expectedPixel(1365, 299));
    EXPECT_EQ(f.at(950, 150), expectedPixel(950, 150));
    EXPECT_EQ(f.at(1100, 150), 0u) << "covered by the window in front";
    EXPECT_EQ(f.at(899, 50), 0u);
    EXPECT_EQ(f.at(1370, 100), 0u) << "beyond the screen's width";
    EXPECT_EQ(f.at(10, 10), 0u);
    EXPECT_TRUE(sharing.changes.empty()) << "the first frame only records the area";

    // The window moves: the next processed frame reports the new area.
    list.windows[1].bounds = QRect(800, 50, 466, 250);
    deliver(*r, 2);
    ASSERT_EQ(sharing.changes.size(), 1u);
    EXPECT_EQ(sharing.changes[0], QRectF(800, 50, 466, 250));
    EXPECT_EQ(sharing.frames.back().at(850, 60), expectedPixel(850, 60));
}

TEST_F(ScreenRecorderTest, NoWindowErrorComesAfterSixteenEmptyProcessedFramesAndRepeats) {
    auto r = recorder(64, 64);
    RecordingDelegate sharing;
    r->setDelegate(&sharing);
    ASSERT_EQ(r->startModeAPApp(7), 0);
    deliver(*r, 2 * (ScreenRecorder::kNoWindowFrames - 1));
    EXPECT_TRUE(sharing.errors.empty());
    EXPECT_TRUE(sharing.frames.empty());
    deliver(*r, 2);
    EXPECT_EQ(sharing.errors, std::vector<int>{ScreenRecorder::kErrorNoWindow});
    deliver(*r, 2);
    EXPECT_EQ(sharing.errors.size(), 2u);
    // A window shows again: frames come, the errors end.
    list.windows = {window(7, {0, 0, 10, 10})};
    deliver(*r, 4);
    EXPECT_EQ(sharing.errors.size(), 2u);
    EXPECT_EQ(sharing.frames.size(), 2u);
}

TEST_F(ScreenRecorderTest, RecordingOfThisApplicationAlsoShowsTheSharedApplication) {
    auto r = recorder(100, 40);
    const std::int64_t self = ::getpid();
    list.windows = {window(self, {0, 0, 20, 20}), window(5, {50, 0, 20, 20})};
    Recording recording;
    r->setRecordingDelegate(&recording);
    ASSERT_EQ(r->startModeRecordingApp(), 0);
    deliver(*r, 2);
    ASSERT_EQ(recording.apps.size(), 1u);
    EXPECT_EQ(recording.apps[0].size(), QSize(112, 40));
    EXPECT_EQ(recording.apps[0].pixel(10, 10), expectedPixel(10, 10));
    EXPECT_EQ(recording.apps[0].pixel(60, 10), 0u);
    ASSERT_EQ(r->startModeAPApp(5), 0);
    deliver(*r, 2);
    EXPECT_EQ(recording.apps.back().pixel(60, 10), expectedPixel(60, 10));
}

TEST_F(ScreenRecorderTest, AScreenThatCannotBeSetUpStartsNothing) {
    auto input = std::make_unique<FakeScreenInput>(10, 10, 0, &grabs);
    input->opens_ = false;
    ScreenRecorder r(std::move(input), false);
    EXPECT_EQ(r.status(), ScreenRecorder::NotSetUp);
    EXPECT_EQ(r.startModeAPDesktop(), ScreenRecorder::kErrorNotSetUp);
    EXPECT_EQ(r.startModeAPApp(1), ScreenRecorder::kErrorNotSetUp);
    EXPECT_FALSE(r.isModeAPDesktop());
    r.frameArrived();
    EXPECT_EQ(grabs, 0);
}

TEST_F(ScreenRecorderTest, WithoutAnXDisplayTheSharedRecorderRefusesToStart) {
    const QByteArray saved = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":999");
    ScreenRecorder::setInputFactory({});
    ScreenRecorder::terminate();
    EXPECT_FALSE(ScreenRecorder::isCaptureAvailable());
    auto shared = ScreenRecorder::sharedInstance();
    EXPECT_EQ(shared->startModeAPDesktop(), ScreenRecorder::kErrorNotSetUp);
    shared.reset();
    ScreenRecorder::terminate();
    qputenv("DISPLAY", saved);
}

TEST_F(ScreenRecorderTest, TheCaptureClockDeliversFramesWhileRunning) {
    std::atomic<int> frames{0};
    struct Counter : ScreenRecorderDelegate {
        std::atomic<int>* n;
        void onCaptureBitmap(const uint8_t*, QSize, QRectF) override { ++*n; }
        void onChangeAppRect(QRectF) override {}
        void onError(int) override {}
    } counter;
    counter.n = &frames;
    list.screen = list.visible = QRect(0, 0, 32, 32);
    ScreenRecorder::setInputFactory([&] { return std::make_unique<FakeScreenInput>(32, 32, 0, &grabs); });
    ScreenRecorder::terminate();
    auto shared = ScreenRecorder::sharedInstance();
    shared->setDelegate(&counter);
    ASSERT_EQ(shared->startModeAPDesktop(), 0);
    for (int i = 0; i < 500 && frames < 3; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GE(frames, 3);
    shared->stopModeAPDesktop();
    shared->setDelegate(nullptr);
    const int after = frames;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(frames, after);
    ScreenRecorder::terminate();
    EXPECT_NE(ScreenRecorder::sharedInstance().get(), shared.get());
    shared.reset();
    ScreenRecorder::terminate();
    ScreenRecorder::setInputFactory({});
}

}  // namespace
