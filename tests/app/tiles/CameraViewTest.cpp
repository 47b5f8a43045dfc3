// The own camera's tile: shows the capture's latest picture on its timer (and
// only a new one), forwards recorded pictures only while recording, and passes
// recording and background switches to the capture; against a fake capture and
// against the capture object on a session fed by hand.

#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

#include "VideoTestSupport.h"
#include "fixtures/app/FakeCaptureSession.h"
#include "media/CameraCapture.h"
#include "tiles/CameraView.h"
#include "media/ImageEditer.h"
#include "platform/Dispatch.h"
#include "platform/SegmentationModel.h"

namespace {

class FakeCapture : public CameraCaptureSource {
public:
    QImage displayPicture(uint64_t* serial) const override {
        const std::lock_guard<std::mutex> lock(mutex_);
        ++reads;
        if (serial != nullptr) {
            *serial = serial_;
        }
        return picture_;
    }
    void setMyVideoHandler(std::function<void(const QImage&)> handler) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        handler_ = std::move(handler);
    }
    void recMyVideo(bool on) override { calls.push_back(on ? "rec on" : "rec off"); }
    void setBgMode(int mode, const QImage& image) override {
        calls.push_back("bg " + std::to_string(mode) + (image.isNull() ? "" : " image"));
    }

    void deliver(const QImage& picture) {
        const std::lock_guard<std::mutex> lock(mutex_);
        picture_ = picture;
        ++serial_;
    }
    // The capture thread's processed picture while recording.
    void process(const QImage& picture) {
        std::function<void(const QImage&)> handler;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            handler = handler_;
        }
        if (handler) {
            handler(picture);
        }
    }
    bool hasHandler() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return bool(handler_);
    }

    mutable int reads = 0;
    std::vector<std::string> calls;

private:
    mutable std::mutex mutex_;
    QImage picture_;
    uint64_t serial_ = 0;
    std::function<void(const QImage&)> handler_;
};

struct MyVideoDelegate : VideoViewDelegate {
    void onMyVideo(const QImage&) override { ++mine; }
    std::atomic<int> mine{0};
};

class CameraViewTest : public ::testing::Test {
protected:
    CameraViewTest() {
        view.setDetail(20);
        view.setCapture(&capture);
        view.setDelegate(&delegate);
    }
    ~CameraViewTest() override {
        view.setDelegate(nullptr);
        view.setCapture(nullptr);
    }

    QtApplicationFirst app;
    ScopedManualDispatcher dispatcher;
    FakeCapture capture;
    MyVideoDelegate delegate;
    CameraView view{QRectF(0, 0, 320, 240)};
};

TEST_F(CameraViewTest, TheOwnTileOffersAllFourButtons) {
    EXPECT_TRUE(view.showMic() && view.showSpeaker() && view.showCamera() && view.showRecord());
    EXPECT_FALSE(view.startedRecord());
}

TEST_F(CameraViewTest, TheTimerShowsOnlyANewCapturePicture) {
    view.show();
    view.refreshLayerImage();
    EXPECT_EQ(view.getPixelSize(), QSize(0, 0));
    capture.deliver(solidPicture(320, 240, Qt::green));
    view.refreshLayerImage();
    EXPECT_EQ(view.getPixelSize(), QSize(320, 240));
    EXPECT_TRUE(nearColor(view.grab().toImage().pixelColor(160, 120), Qt::green));

    PaintCounter counter;
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
    }
    view.installEventFilter(&counter);
    view.refreshLayerImage();
    view.refreshLayerImage();
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);
    capture.deliver(solidPicture(320, 240, Qt::blue));
    view.refreshLayerImage();
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 1);
    view.removeEventFilter(&counter);
    view.hide();
}

TEST_F(CameraViewTest, RecordedPicturesReachTheDelegateOnlyWhileRecording) {
    std::thread([this] { capture.process(solidPicture(8, 8, Qt::red)); }).join();
    EXPECT_EQ(delegate.mine.load(), 0);
    view.recMyVideo(true);
    std::thread([this] { capture.process(solidPicture(8, 8, Qt::red)); }).join();
    EXPECT_EQ(delegate.mine.load(), 1);
    view.recMyVideo(false);
    capture.process(solidPicture(8, 8, Qt::red));
    EXPECT_EQ(delegate.mine.load(), 1);
    EXPECT_EQ(capture.calls, (std::vector<std::string>{"rec on", "rec off"}));
}

TEST_F(CameraViewTest, BackgroundModesGoToTheCapture) {
    view.setBgMode(1, QImage());
    view.setBgMode(2, solidPicture(4, 4, Qt::gray));
    EXPECT_EQ(capture.calls, (std::vector<std::string>{"bg 1", "bg 2 image"}));
}

TEST_F(CameraViewTest, AViewLetGoOfItsCaptureIsNoLongerCalled) {
    EXPECT_TRUE(capture.hasHandler());
    view.setCapture(nullptr);
    EXPECT_FALSE(capture.hasHandler());
    const int reads = capture.reads;
    view.refreshLayerImage();
    view.recMyVideo(true);
    EXPECT_EQ(capture.reads, reads);
    EXPECT_TRUE(capture.calls.empty());
    {
        // Destroying a view detaches it too.
        FakeCapture other;
        auto* transient = new CameraView(QRectF(0, 0, 32, 24));
        transient->setCapture(&other);
        delete transient;
        EXPECT_FALSE(other.hasHandler());
    }
}

}  // namespace

namespace {

// The capture hands out its handler and may call it after being told to
// forget it (it calls outside its own lock): such a late call reaches no view.
TEST_F(CameraViewTest, AHandlerCalledAfterTheViewLetGoReachesNothing) {
    MyVideoDelegate heard;
    std::function<void(const QImage&)> kept;
    struct Keeping : FakeCapture {
        std::function<void(const QImage&)>* slot;
        void setMyVideoHandler(std::function<void(const QImage&)> handler) override {
            if (handler) {
                *slot = handler;
            }
        }
    } keeping;
    keeping.slot = &kept;
    auto* transient = new CameraView(QRectF(0, 0, 32, 24));
    transient->setDelegate(&heard);
    transient->setCapture(&keeping);
    transient->recMyVideo(true);
    kept(solidPicture(4, 4, Qt::red));
    EXPECT_EQ(heard.mine.load(), 1);
    delete transient;
    std::thread([&] { kept(solidPicture(4, 4, Qt::red)); }).join();
    EXPECT_EQ(heard.mine.load(), 1);
}

}  // namespace

// With the real capture object (on a capture session fed by hand): the tile
// shows what the camera delivers, and records only while recording.

namespace {

void ignoreFrame(uint8_t*, int, int, int, void*) {}

class CameraViewCaptureTest : public ::testing::Test {
protected:
    CameraViewCaptureTest() {
        CameraCapture::Backend backend;
        backend.devices = [] { return QVector<CaptureDevice>{{"/dev/video0", "Front Camera", 0}}; };
        backend.makeSession = [this] {
            auto made = std::make_unique<FakeCaptureSession>();
            session = made.get();
            return made;
        };
        backend.wallClock = [] { return 1000.0; };
        capture = std::make_unique<CameraCapture>(std::move(backend), std::make_unique<ImageEditer>(nullptr));
        view.setDetail(20);
        view.setCapture(capture.get());
        view.setDelegate(&delegate);
    }
    ~CameraViewCaptureTest() override {
        view.setDelegate(nullptr);
        view.setCapture(nullptr);
        capture->Term();
    }

    // A camera frame, blue-green-red-alpha, from a thread of its own.
    bool deliver(int width, int height, QColor color) {
        std::vector<uint8_t> pixels(size_t(width) * height * 4);
        for (size_t i = 0; i < pixels.size(); i += 4) {
            pixels[i] = uint8_t(color.blue());
            pixels[i + 1] = uint8_t(color.green());
            pixels[i + 2] = uint8_t(color.red());
            pixels[i + 3] = 255;
        }
        bool delivered = false;
        std::thread([&] { delivered = session->deliver({pixels.data(), width, height}); }).join();
        return delivered;
    }

    QtApplicationFirst app;
    TemporaryHome home;
    MyVideoDelegate delegate;
    CameraView view{QRectF(0, 0, 320, 240)};
    std::unique_ptr<CameraCapture> capture;
    FakeCaptureSession* session = nullptr;
};

TEST_F(CameraViewCaptureTest, TheTileShowsTheCameraAndRecordsOnlyWhileRecording) {
    ASSERT_TRUE(capture->init(&ignoreFrame, nullptr, 2, QStringLiteral("me"), 320, 240, 15));
    ASSERT_TRUE(capture->Start());
    capture->flushConfiguration();
    view.show();

    ASSERT_TRUE(deliver(640, 480, QColor(200, 40, 40)));
    view.refreshLayerImage();
    EXPECT_EQ(view.getPixelSize(), QSize(320, 240));
    EXPECT_TRUE(nearColor(view.grab().toImage().pixelColor(160, 120), QColor(200, 40, 40)));
    EXPECT_EQ(delegate.mine.load(), 0);

    view.recMyVideo(true);
    capture->flushConfiguration();
    ASSERT_TRUE(deliver(640, 480, QColor(40, 200, 40)));
    EXPECT_EQ(delegate.mine.load(), 1);
    view.refreshLayerImage();
    EXPECT_TRUE(nearColor(view.grab().toImage().pixelColor(160, 120), QColor(40, 200, 40)));

    view.recMyVideo(false);
    capture->flushConfiguration();
    ASSERT_TRUE(deliver(640, 480, QColor(40, 40, 200)));
    EXPECT_EQ(delegate.mine.load(), 1);
    view.hide();
}

}  // namespace
