#include <gtest/gtest.h>

#include <QImage>
#include <cstring>
#include <mutex>

#include "X11Desktop.h"
#include "platform/ScreenRecorder.h"
#include "platform/WindowManager.h"
#include "platform/X11ScreenInput.h"
#include "platform/X11WindowList.h"

namespace {

constexpr uint32_t kSharedPid = 424242;

struct Frame {
    QSize size;
    QRectF area;
    std::vector<uint32_t> pixels;
    uint32_t rgb(int x, int y) const { return pixels[std::size_t(y) * size.width() + x] & 0xFFFFFF; }
};

class Collector : public ScreenRecorderDelegate {
public:
    void onCaptureBitmap(const uint8_t* px, QSize size, QRectF area) override {
        Frame f{size, area, std::vector<uint32_t>(std::size_t(size.width()) * size.height())};
        std::memcpy(f.pixels.data(), px, f.pixels.size() * 4);
        last = std::move(f);
        ++frames;
    }
    void onChangeAppRect(QRectF) override {}
    void onError(int code) override { errors.push_back(code); }
    Frame last;
    int frames = 0;
    std::vector<int> errors;
};

WindowInfo find(X11WindowList& list, const std::function<bool(const WindowInfo&)>& match) {
    for (const WindowInfo& w : list.onScreenWindows())
        if (match(w)) return w;
    return {};
}

class X11CaptureTest : public ::testing::Test {
protected:
    void TearDown() override { WindowManager::setWindowList(nullptr); }
};

// The shared process's window reaches into a dock's strip and lies under an
// xclock: in its frames the clock and the strip are black, the rest of the
// window shows, and everything else is blank. The screen is 1366 pixels wide,
// the frames 1376.
TEST_F(X11CaptureTest, ApplicationFramesBlackOutCoveringWindowsAndDockStrips) {
    x11test::Desktop desktop("1366x768x24");
    ASSERT_TRUE(desktop.ready()) << "Xvfb and openbox";
    X11WindowList list(desktop.displayName());
    WindowManager::setWindowList(&list);

    const xcb_window_t dock = desktop.createBottomDock(40, 0x808080);
    desktop.map(dock);
    ASSERT_TRUE(x11test::waitFor([&] { return desktop.workArea().height() == 728; })) << "the dock's strip";
    const xcb_window_t shared = desktop.createWindow(kSharedPid, QRect(100, 300, 700, 468), 0xFFFFFF);
    desktop.map(shared);
    desktop.start({"xclock", "-geometry", "200x150+400+350", "-update", "1"});
    WindowInfo clock, mine;
    ASSERT_TRUE(x11test::waitFor([&] {
        clock = find(list, [](const WindowInfo& w) { return w.ownerName == "XClock"; });
        mine = find(list, [](const WindowInfo& w) { return w.pid == kSharedPid; });
        return clock.id != 0 && mine.id != 0;
    }));
    const QRect strip(0, 728, 1366, 40);
    ASSERT_TRUE(mine.bounds.intersects(clock.bounds)) << "the clock covers part of the window";
    ASSERT_TRUE(mine.bounds.intersects(strip)) << "the window reaches into the dock's strip";

    ScreenRecorder recorder(std::make_unique<X11ScreenInput>(desktop.displayName()), false);
    ASSERT_EQ(recorder.status(), ScreenRecorder::Stopped);
    Collector collector;
    recorder.setDelegate(&collector);
    ASSERT_EQ(recorder.startModeAPApp(kSharedPid), 0);
    // A point of the window clear of the clock, the strip and the cursor (in the screen's middle).
    const QPoint open(mine.bounds.left() + 20, mine.bounds.top() + 40);
    ASSERT_TRUE(x11test::waitFor([&] {
        recorder.frameArrived();
        recorder.frameArrived();
        return collector.frames > 0 && collector.last.rgb(open.x(), open.y()) == 0xFFFFFF;
    })) << "the window is drawn";
    const Frame f = collector.last;
    EXPECT_EQ(f.size, QSize(1376, 768));
    EXPECT_EQ(f.area, QRectF(0, 0, 1376, 768));
    const QRect covered = mine.bounds.intersected(clock.bounds).adjusted(2, 2, -2, -2);
    for (const QPoint p : {covered.topLeft(), covered.center(), covered.bottomRight()})
        EXPECT_EQ(f.rgb(p.x(), p.y()), 0u) << "under the clock at " << p.x() << "," << p.y();
    const QRect inStrip = mine.bounds.intersected(strip).adjusted(2, 2, -2, -2);
    for (const QPoint p : {inStrip.topLeft(), inStrip.center()})
        EXPECT_EQ(f.rgb(p.x(), p.y()), 0u) << "in the dock's strip at " << p.x() << "," << p.y();
    EXPECT_EQ(f.rgb(mine.bounds.right() - 10, mine.bounds.top() + 40), 0xFFFFFFu);
    EXPECT_EQ(f.rgb(10, 10), 0u) << "outside the window";
    EXPECT_EQ(f.rgb(1370, 10), 0u) << "the padding beyond the screen";

    // The same screen shared as a desktop shows the clock and the dock.
    recorder.stopModeAPApp();
    ASSERT_EQ(recorder.startModeAPDesktop(), 0);
    recorder.frameArrived();
    recorder.frameArrived();
    EXPECT_EQ(collector.last.size, QSize(1366, 768));
    EXPECT_EQ(collector.last.rgb(inStrip.center().x(), inStrip.center().y()), 0x808080u);
    recorder.stopModeAPDesktop();
    recorder.setDelegate(nullptr);

    QImage(reinterpret_cast<const uchar*>(f.pixels.data()), f.size.width(), f.size.height(),
           QImage::Format_RGB32)
        .save(QStringLiteral(QUORIX_TEST_BINARY_DIR "/x11-application-frame.png"));
}

TEST_F(X11CaptureTest, AProcessWithoutWindowsGivesTheErrorAfterSixteenEmptyFrames) {
    x11test::Desktop desktop("640x480x24");
    ASSERT_TRUE(desktop.ready());
    X11WindowList list(desktop.displayName());
    WindowManager::setWindowList(&list);
    ScreenRecorder recorder(std::make_unique<X11ScreenInput>(desktop.displayName()), false);
    Collector collector;
    recorder.setDelegate(&collector);
    ASSERT_EQ(recorder.startModeAPApp(kSharedPid), 0);
    for (int i = 0; i < 2 * (ScreenRecorder::kNoWindowFrames - 1); ++i) recorder.frameArrived();
    EXPECT_TRUE(collector.errors.empty());
    recorder.frameArrived();
    recorder.frameArrived();
    EXPECT_EQ(collector.errors, std::vector<int>{ScreenRecorder::kErrorNoWindow});
    EXPECT_EQ(collector.frames, 0);
    recorder.setDelegate(nullptr);
}

TEST_F(X11CaptureTest, TheCursorIsDrawnIntoThePicture) {
    x11test::Desktop desktop("320x240x24", false);
    ASSERT_TRUE(desktop.ready());
    xcb_connection_t* c = desktop.connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_warp_pointer(c, XCB_NONE, root, 0, 0, 0, 0, 100, 100);
    xcb_flush(c);
    X11ScreenInput input(desktop.displayName());
    QString error;
    ASSERT_TRUE(input.open(&error)) << error.toStdString();
    EXPECT_EQ(input.pixelRect(), QRect(0, 0, 320, 240));
    // The root window is black; the default cursor puts other pixels around the pointer.
    ScreenImage image;
    int drawn = 0;
    ASSERT_TRUE(x11test::waitFor([&] {
        if (!input.grab(&image)) return false;
        drawn = 0;
        for (int y = 80; y < 120; ++y)
            for (int x = 80; x < 120; ++x)
                drawn += (reinterpret_cast<const uint32_t*>(image.pixels + y * image.bytesPerRow)[x] &
                          0xFFFFFF) != 0;
        return drawn > 0;
    }));
    auto litAround = [&](int cx, int cy) {
        int lit = 0;
        for (int y = cy - 20; y < cy + 20; ++y)
            for (int x = cx - 20; x < cx + 20; ++x)
                lit += (reinterpret_cast<const uint32_t*>(image.pixels + y * image.bytesPerRow)[x] &
                        0xFFFFFF) != 0;
        return lit;
    };
    EXPECT_EQ(litAround(30, 30), 0);
    // The pointer moves: the cursor follows it.
    xcb_warp_pointer(c, XCB_NONE, root, 0, 0, 0, 0, 250, 180);
    xcb_flush(c);
    ASSERT_TRUE(x11test::waitFor([&] { return input.grab(&image) && litAround(250, 180) > 0; }));
    EXPECT_EQ(litAround(100, 100), 0);
}

}  // namespace
