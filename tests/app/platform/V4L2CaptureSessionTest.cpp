// The Video4Linux session: refusals everywhere, and frames from a real camera
// where the machine has one.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/CaptureDevice.h"
#include "platform/V4L2CaptureSession.h"

TEST(V4L2CaptureSessionTest, DevicesThatCannotCaptureAreRefusedWithAReason) {
    struct Case {
        const char* node;
        const char* reason;
    };
    const Case cases[] = {
        {"/dev/video-none", "open: No such file"},   // no such device
        {"/dev/null", "open: Inappropriate ioctl"},  // a device, but no camera
    };
    for (const Case& c : cases) {
        V4L2CaptureSession session;
        QString error;
        EXPECT_FALSE(session.addInput(c.node, &error)) << c.node;
        EXPECT_TRUE(error.startsWith(c.reason)) << error.toStdString();
        EXPECT_FALSE(session.hasInput());
        session.startRunning();  // without input: nothing happens
        EXPECT_FALSE(session.isRunning());
        session.stopRunning();
    }
}

TEST(V4L2CaptureSessionTest, FramesFromARealCamera) {
    const QVector<CaptureDevice> cameras = CaptureDevices::videoDevices();
    if (cameras.isEmpty()) GTEST_SKIP() << "no Video4Linux camera on this machine";
    V4L2CaptureSession session;
    QString error;
    ASSERT_TRUE(session.addInput(cameras.first().uniqueID, &error)) << error.toStdString();
    ASSERT_GT(session.width(), 0);
    std::mutex mutex;
    std::condition_variable arrived;
    int frames = 0;
    bool sizeOk = true, alphaOk = true;
    session.setFrameHandler([&](const CaptureFrame& frame) {
        std::lock_guard lock(mutex);
        sizeOk = sizeOk && frame.width == session.width() && frame.height == session.height();
        const uint8_t* last = frame.pixels + (static_cast<size_t>(frame.width) * frame.height - 1) * 4;
        alphaOk = alphaOk && frame.pixels[3] == 255 && last[3] == 255;
        ++frames;
        arrived.notify_all();
    });
    session.startRunning();
    ASSERT_TRUE(session.isRunning());
    {
        std::unique_lock lock(mutex);
        EXPECT_TRUE(arrived.wait_for(lock, std::chrono::seconds(5), [&] { return frames >= 3; }));
    }
    session.setPreset(CapturePreset::Medium);  // restarts the stream at the new size
    EXPECT_TRUE(session.isRunning());
    session.stopRunning();
    EXPECT_FALSE(session.isRunning());
    EXPECT_TRUE(sizeOk);
    EXPECT_TRUE(alphaOk);
}
