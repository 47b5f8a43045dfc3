// The own camera with an injected capture session, device list and clock.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <set>
#include <thread>

#include "fixtures/app/FakeCaptureSession.h"
#include "fixtures/app/AppTestSupport.h"
#include "media/CameraCapture.h"
#include "media/ImageEditer.h"
#include "platform/SegmentationModel.h"
#include "platform/UserDefaults.h"
#include "services/LogFileManager.h"

namespace {

using namespace std::chrono_literals;

// A camera picture whose every pixel tells where it is: blue = x mod 256,
// green = y mod 256, red = x / 256 + 16 (y / 256); alpha 255.
std::vector<uint8_t> PositionPicture(int w, int h) {
    std::vector<uint8_t> p(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* q = &p[(static_cast<size_t>(y) * w + x) * 4];
            q[0] = static_cast<uint8_t>(x & 255);
            q[1] = static_cast<uint8_t>(y & 255);
            q[2] = static_cast<uint8_t>((x >> 8) | ((y >> 8) << 4));
            q[3] = 255;
        }
    return p;
}

struct Where {
    int x, y;
};
Where Decode(const uint8_t* bgr) {
    return {bgr[0] | ((bgr[2] & 15) << 8), bgr[1] | ((bgr[2] >> 4) << 8)};
}

struct Received {
    std::vector<uint8_t> pixels;  // width x height x 3
    int size, width, height;
    std::thread::id thread;
};

// Records what reaches the frame callback.
struct Recorder {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Received> frames;

    static void Callback(uint8_t* pixels, int size, int width, int height, void* user) {
        auto* self = static_cast<Recorder*>(user);
        Received r{std::vector<uint8_t>(pixels, pixels + static_cast<size_t>(width) * height * 3), size,
                   width, height, std::this_thread::get_id()};
        std::lock_guard lock(self->mutex);
        self->frames.push_back(std::move(r));
        self->changed.notify_all();
    }
    size_t count() {
        std::lock_guard lock(mutex);
        return frames.size();
    }
};

// A wall clock that answers the times queued by the test, one per frame handed
// on, and counts its reads: the hand-off thread reads it once per frame, so n
// reads mean the first n - 1 frames are completely done.
struct FakeClock {
    std::mutex mutex;
    std::condition_variable read;
    std::condition_variable gateOpened;
    std::deque<double> times;
    double last = 1000.0;
    int reads = 0;
    bool held = false;  // reads wait until the gate opens again

    double now() {
        std::unique_lock lock(mutex);
        gateOpened.wait(lock, [&] { return !held; });
        if (!times.empty()) {
            last = times.front();
            times.pop_front();
        }
        ++reads;
        read.notify_all();
        return last;
    }
    void push(double t) {
        std::lock_guard lock(mutex);
        times.push_back(t);
    }
    void hold(bool on) {
        std::lock_guard lock(mutex);
        held = on;
        gateOpened.notify_all();
    }
    bool waitReads(int n) {
        std::unique_lock lock(mutex);
        return read.wait_for(lock, 10s, [&] { return reads >= n; });
    }
    int readCount() {
        std::lock_guard lock(mutex);
        return reads;
    }
};

class CameraCaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureQtApplication();
        LogFileManager::resetForTesting();
        LogFileManager::createLogFile();
    }
    void TearDown() override { LogFileManager::resetForTesting(); }

    std::unique_ptr<CameraCapture> makeCamera(std::unique_ptr<ImageEditer> editer = nullptr) {
        CameraCapture::Backend backend;
        backend.devices = [this] { return devices; };
        backend.makeSession = [this] {
            auto s = std::make_unique<FakeCaptureSession>();
            s->refuse = refuse;
            session = s.get();
            return s;
        };
        backend.wallClock = [this] { return clock.now(); };
        if (!editer) editer = std::make_unique<ImageEditer>(nullptr);
        return std::make_unique<CameraCapture>(std::move(backend), std::move(editer));
    }

    // init + Start at the given size and rate; frames then flow.
    std::unique_ptr<CameraCapture> startedCamera(int w, int h, int fps,
                                                 std::unique_ptr<ImageEditer> editer = nullptr) {
        auto camera = makeCamera(std::move(editer));
        EXPECT_TRUE(camera->init(&Recorder::Callback, &recorder, 2, "me", w, h, fps));
        EXPECT_TRUE(camera->Start());
        camera->flushConfiguration();
        return camera;
    }

    // Delivers a camera frame from a thread of its own (the capture thread's place).
    bool deliverFrom(const std::vector<uint8_t>& pixels, int w, int h) {
        bool delivered = false;
        std::thread t([&] { delivered = session->deliver({pixels.data(), w, h}); });
        t.join();
        return delivered;
    }

    QStringList logLines() {
        QFile file(LogFileManager::directoryPath() + "/log.txt");
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    bool logHas(const QString& text) {
        for (const QString& line : logLines())
            if (line.contains(text)) return true;
        return false;
    }

    TemporaryHome home;
    QVector<CaptureDevice> devices{{"/dev/video0", "Front Camera", 0}, {"/dev/video2", "USB Camera", 0}};
    QString refuse;
    FakeCaptureSession* session = nullptr;
    FakeClock clock;
    Recorder recorder;
};

}  // namespace

TEST_F(CameraCaptureTest, FramesLeaveBottomUpInBlueGreenRedCroppedToTheTargetsShape) {
    struct Case {
        int camW, camH, w, h;
        int cropX, cropW, cropY, cropH;  // the part of the camera picture that is sent
    };
    const Case cases[] = {
        {640, 480, 320, 240, 0, 640, 0, 480},     // whole picture, half size
        {1280, 720, 320, 240, 160, 960, 0, 720},  // the central 960 x 720
        {1280, 720, 640, 480, 160, 960, 0, 720},
        {640, 480, 1280, 720, 0, 640, 60, 360},  // wider target: top and bottom cut
        {320, 240, 320, 240, 0, 320, 0, 240},    // same size
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.camW << "x" << c.camH << " to " << c.w << "x" << c.h);
        recorder.frames.clear();
        auto camera = startedCamera(c.w, c.h, 30);
        const auto picture = PositionPicture(c.camW, c.camH);
        clock.push(1000.0);
        const int reads = clock.readCount();
        ASSERT_TRUE(deliverFrom(picture, c.camW, c.camH));
        ASSERT_TRUE(
            deliverFrom(picture, c.camW, c.camH));  // the second is paced out; it marks the first done
        ASSERT_TRUE(clock.waitReads(reads + 2));
        ASSERT_EQ(recorder.count(), 1u);
        const Received& r = recorder.frames[0];
        EXPECT_EQ(r.size, 32);
        EXPECT_EQ(r.width, c.w);
        EXPECT_EQ(r.height, c.h);
        EXPECT_NE(r.thread, std::this_thread::get_id());
        for (int row = 0; row < c.h; row += 7)
            for (int col = 0; col < c.w; col += 5) {
                const Where got = Decode(&r.pixels[(static_cast<size_t>(row) * c.w + col) * 3]);
                const int wantX = c.cropX + static_cast<int>(static_cast<int64_t>(col) * c.cropW / c.w);
                const int wantY =
                    c.cropY + static_cast<int>(static_cast<int64_t>(c.h - 1 - row) * c.cropH / c.h);
                ASSERT_EQ(got.x, wantX) << "row " << row << " col " << col;
                ASSERT_EQ(got.y, wantY) << "row " << row << " col " << col;
            }
        // The picture for the tile has the target size and changes with each frame.
        uint64_t serial = 0;
        EXPECT_EQ(camera->displayPicture(&serial).size(), QSize(c.w, c.h));
        EXPECT_EQ(serial, 2u);
        camera->Term();
    }
}

TEST_F(CameraCaptureTest, HandOffPacingAtEveryAllowedRate) {
    for (int fps : {1, 5, 10, 15, 20, 25, 30}) {
        SCOPED_TRACE(testing::Message() << fps << " fps");
        recorder.frames.clear();
        auto camera = startedCamera(160, 120, fps);
        const double gap = 0.5 / fps;
        const double t0 = 5000.0 * fps;  // after every earlier pass
        // first frame, too early, just late enough, same instant, late enough again
        const std::vector<std::pair<double, bool>> frames = {{t0, true},
                                                             {t0 + gap * 0.98, false},
                                                             {t0 + gap * 1.02, true},
                                                             {t0 + gap * 1.02, false},
                                                             {t0 + gap * 2.1, true}};
        for (const auto& f : frames) clock.push(f.first);
        clock.push(t0 + gap * 2.1);  // a closing frame (paced out): its read marks the others done
        const auto picture = PositionPicture(160, 120);
        const int reads = clock.readCount();
        for (size_t i = 0; i <= frames.size(); ++i) ASSERT_TRUE(deliverFrom(picture, 160, 120));
        ASSERT_TRUE(clock.waitReads(reads + static_cast<int>(frames.size()) + 1));
        size_t passed = 0;
        for (const auto& f : frames) passed += f.second;
        EXPECT_EQ(recorder.count(), passed);
        camera->Term();
    }
}

TEST_F(CameraCaptureTest, CameraOffDropsFramesAndShowsTheOffImage) {
    auto camera = startedCamera(160, 120, 30);
    const auto picture = PositionPicture(320, 240);
    QImage off(40, 30, QImage::Format_ARGB32);
    off.fill(Qt::white);
    camera->SetCameraOffImg(true, off);
    const int reads = clock.readCount();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(deliverFrom(picture, 320, 240));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(clock.readCount(), reads) << "nothing reached the hand-off";
    EXPECT_EQ(recorder.count(), 0u);
    QImage shown = camera->displayPicture();
    ASSERT_EQ(shown.size(), off.size());
    EXPECT_EQ(shown.pixel(5, 5), qRgb(255, 255, 255));

    camera->SetCameraOffImg(false, QImage());
    EXPECT_TRUE(camera->displayPicture().isNull());
    clock.push(9000.0);
    ASSERT_TRUE(deliverFrom(picture, 320, 240));
    ASSERT_TRUE(deliverFrom(picture, 320, 240));
    ASSERT_TRUE(clock.waitReads(reads + 2));
    EXPECT_EQ(recorder.count(), 1u);
    EXPECT_EQ(camera->displayPicture().size(), QSize(160, 120));
}

TEST_F(CameraCaptureTest, SizeChangesDuringCaptureNeverMixSizes) {
    auto camera = startedCamera(320, 240, 30);
    const auto picture = PositionPicture(640, 480);
    std::atomic<bool> stop{false};
    std::atomic<int> delivered{0};
    std::thread capture([&] {
        double t = 20000.0;
        while (!stop) {
            clock.push(t += 1.0);  // every frame passes the pacing
            if (session->deliver({picture.data(), 640, 480})) ++delivered;
        }
    });
    const std::pair<int, int> sizes[] = {{160, 120}, {640, 480}, {320, 240}, {80, 60}};
    for (int round = 0; round < 12; ++round) {
        camera->SetVideoSize(sizes[round % 4].first, sizes[round % 4].second);
        std::this_thread::sleep_for(5ms);
    }
    camera->flushConfiguration();
    while (delivered < 20) std::this_thread::sleep_for(1ms);
    stop = true;
    capture.join();
    camera->Term();  // waits for a callback in progress

    std::lock_guard lock(recorder.mutex);
    ASSERT_FALSE(recorder.frames.empty());
    std::set<std::pair<int, int>> allowed(std::begin(sizes), std::end(sizes));
    for (const Received& r : recorder.frames) {
        ASSERT_TRUE(allowed.count({r.width, r.height})) << r.width << "x" << r.height;
        // The whole frame was made at its size: its top-right pixel comes from the
        // camera picture's top-right corner as scaled for that size.
        const Where corner =
            Decode(&r.pixels[(static_cast<size_t>(r.height - 1) * r.width + r.width - 1) * 3]);
        EXPECT_EQ(corner.x, (r.width - 1) * 640 / r.width);
        EXPECT_EQ(corner.y, 0);
    }
    EXPECT_EQ(camera->GetVideoSize(), QSize(80, 60));
}

TEST_F(CameraCaptureTest, SetUpChoosesTheSavedCameraAndFallsBackToTheDefault) {
    UserDefaults::standard().setString("KeySelectedDeviceID", "/dev/video2");
    auto camera = makeCamera();
    ASSERT_TRUE(camera->init(&Recorder::Callback, &recorder, 2, "me", 320, 240, 15));
    EXPECT_EQ(session->input(), "/dev/video2");
    EXPECT_TRUE(logHas(QString::fromUtf8(
        "[Camera Device]Connected to video device[USB Camera][Width:320　Height:240　FPS:15].")));
    camera->flushConfiguration();
    EXPECT_EQ(camera->GetVideoSize(), QSize(320, 240));
    EXPECT_EQ(camera->GetFrameRate(), 15);
    EXPECT_FALSE(camera->IsPlaying());
    EXPECT_TRUE(camera->Start());
    camera->flushConfiguration();
    EXPECT_TRUE(camera->IsPlaying());
    camera->Term();
    EXPECT_FALSE(camera->IsExistCamera());
    EXPECT_FALSE(camera->Start());

    // A saved camera that is gone: the default (first) one.
    UserDefaults::standard().setString("KeySelectedDeviceID", "/dev/video9");
    ASSERT_TRUE(camera->init(&Recorder::Callback, &recorder, 2, "me", 640, 480, 10));
    EXPECT_EQ(session->input(), "/dev/video0");
    camera->Term();

    // A camera at the requested position wins over the saved and the default one.
    UserDefaults::standard().setString("KeySelectedDeviceID", "/dev/video2");
    devices.append({"/dev/video4", "Facing Camera", 2});
    ASSERT_TRUE(camera->init(&Recorder::Callback, &recorder, 2, "me", 640, 480, 10));
    EXPECT_EQ(session->input(), "/dev/video4");
}

TEST_F(CameraCaptureTest, SetUpFailuresAnswerFalseAndLogWhy) {
    struct Case {
        const char* name;
        QVector<CaptureDevice> devices;
        QString refuse;
    };
    const Case cases[] = {
        {"no camera", {}, ""},
        {"the camera refuses its format", {{"/dev/video0", "Broken", 0}}, "/dev/video0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        devices = c.devices;
        refuse = c.refuse;
        auto camera = makeCamera();
        EXPECT_FALSE(camera->init(&Recorder::Callback, &recorder, 2, "me", 640, 480, 10));
        EXPECT_FALSE(camera->IsExistCamera());
        EXPECT_FALSE(camera->Start());
        EXPECT_EQ(camera->GetVideoSize(), c.devices.isEmpty() ? QSize(640, 480) : QSize(320, 240));
        EXPECT_TRUE(logHas("[Camera Device]No camera device."));
    }
}

TEST_F(CameraCaptureTest, CameraSwitchAndACameraThatDisappears) {
    auto camera = startedCamera(320, 240, 15);
    camera->SetDevice("/dev/video2");
    camera->flushConfiguration();
    EXPECT_EQ(session->input(), "/dev/video2");
    EXPECT_EQ(UserDefaults::standard().stringForKey("KeySelectedDeviceID"), QString("/dev/video2"));
    EXPECT_TRUE(camera->IsPlaying()) << "restarted after the switch";

    // A camera that refuses: logged, the session keeps no input, the stored choice stays.
    session->refuse = "/dev/video0";
    camera->SetDevice("/dev/video0");
    camera->flushConfiguration();
    EXPECT_TRUE(
        logHas("[Camera Device]Error creating camera input :the camera refused a 24-bit picture format."));
    EXPECT_FALSE(session->hasInput());
    EXPECT_FALSE(camera->IsPlaying());
    EXPECT_EQ(UserDefaults::standard().stringForKey("KeySelectedDeviceID"), QString("/dev/video2"));

    // Unplugged while capturing: logged, the session keeps no input, nothing crashes.
    camera->SetDevice("/dev/video2");
    camera->Start();
    camera->flushConfiguration();
    ASSERT_TRUE(camera->IsPlaying());
    session->fail("the camera was disconnected");
    camera->flushConfiguration();
    EXPECT_TRUE(logHas("[Camera Device]Error creating camera input :the camera was disconnected."));
    EXPECT_FALSE(session->hasInput());
    EXPECT_FALSE(deliverFrom(PositionPicture(320, 240), 320, 240));
}

TEST_F(CameraCaptureTest, RecordingPresetFollowsTheRate) {
    struct Case {
        int fps;
        CapturePreset during;
    };
    for (const Case& c :
         {Case{30, CapturePreset::Medium}, Case{25, CapturePreset::Medium}, Case{20, CapturePreset::Low}}) {
        SCOPED_TRACE(c.fps);
        auto camera = startedCamera(320, 240, c.fps);
        std::vector<QImage> recorded;
        camera->setMyVideoHandler([&](const QImage& picture) { recorded.push_back(picture); });
        camera->recMyVideo(true);
        camera->flushConfiguration();
        EXPECT_EQ(camera->sessionPreset(), c.during);
        ASSERT_TRUE(deliverFrom(PositionPicture(320, 240), 320, 240));
        EXPECT_EQ(recorded.size(), 1u);
        // A size change during the recording keeps the preset.
        camera->SetVideoSize(160, 120);
        camera->flushConfiguration();
        EXPECT_EQ(camera->sessionPreset(), c.during);
        camera->recMyVideo(false);
        camera->flushConfiguration();
        EXPECT_EQ(camera->sessionPreset(), CapturePreset::Low);
    }
}

TEST_F(CameraCaptureTest, BackgroundModes) {
    auto camera = makeCamera();
    QImage custom(64, 48, QImage::Format_ARGB32);
    custom.fill(Qt::green);
    camera->setBgMode(CAMERA_BG_MODE_BLUR, QImage());
    EXPECT_TRUE(camera->isNeedPersonSegment());
    EXPECT_FALSE(camera->isBlurCustom());
    camera->setBgMode(CAMERA_BG_MODE_CUSTOM, QImage());  // without a picture: nothing changes
    EXPECT_TRUE(camera->isNeedPersonSegment());
    EXPECT_FALSE(camera->isBlurCustom());
    camera->setBgMode(CAMERA_BG_MODE_CUSTOM, custom);
    EXPECT_TRUE(camera->isNeedPersonSegment());
    EXPECT_TRUE(camera->isBlurCustom());
    camera->setBgMode(7, QImage());
    EXPECT_TRUE(camera->isBlurCustom());
    camera->setBgMode(CAMERA_BG_MODE_NONE, QImage());
    EXPECT_FALSE(camera->isNeedPersonSegment());
    EXPECT_FALSE(camera->isBlurCustom());
}

TEST_F(CameraCaptureTest, WithoutTheModelTheBlurModeSendsThePlainFrameAndSaysWhy) {
    auto camera = startedCamera(
        160, 120, 30,
        std::make_unique<ImageEditer>(std::make_unique<SegmentationModel>("/nonexistent/model.tflite")));
    camera->setBgMode(CAMERA_BG_MODE_BLUR, QImage());
    const auto picture = PositionPicture(320, 240);
    clock.push(30000.0);
    const int reads = clock.readCount();
    ASSERT_TRUE(deliverFrom(picture, 320, 240));
    ASSERT_TRUE(deliverFrom(picture, 320, 240));
    ASSERT_TRUE(clock.waitReads(reads + 2));
    ASSERT_EQ(recorder.count(), 1u);
    const Where corner = Decode(&recorder.frames[0].pixels[0]);  // first in memory: bottom left
    EXPECT_EQ(corner.x, 0);
    EXPECT_EQ(corner.y, 238);
    EXPECT_TRUE(
        logHas("[Video]Failed person segment(The segmentation model could not be read, cannot open "
               "/nonexistent/model.tflite, Install it with scripts/install-deps.sh)"));
}

TEST_F(CameraCaptureTest, TermWaitsForTheCallbackAndQueuedFramesReachNoLaterOne) {
    auto camera = startedCamera(80, 60, 30);
    static std::atomic<bool> inCallback{false};
    static std::atomic<bool> release{false};
    static std::atomic<int> calls{0};
    inCallback = false;
    release = false;
    calls = 0;
    auto slow = [](uint8_t*, int, int, int, void*) {
        ++calls;
        inCallback = true;
        while (!release) std::this_thread::sleep_for(1ms);
        inCallback = false;
    };
    camera->Term();
    ASSERT_TRUE(camera->init(slow, &recorder, 2, "me", 80, 60, 30));
    camera->Start();
    camera->flushConfiguration();
    const auto picture = PositionPicture(80, 60);
    for (double t : {40000.0, 40001.0, 40002.0}) clock.push(t);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(deliverFrom(picture, 80, 60));
    while (!inCallback) std::this_thread::sleep_for(1ms);
    // The next frame's turn stops at the clock until the set-up below is done.
    clock.hold(true);
    std::thread releaser([] {
        std::this_thread::sleep_for(50ms);
        release = true;
    });
    camera->Term();
    EXPECT_FALSE(inCallback) << "Term returned while the callback was running";
    // Set up again at once: the frames still queued for the old callback reach neither.
    const bool setUpAgain = camera->init(&Recorder::Callback, &recorder, 2, "me", 80, 60, 30);
    clock.hold(false);
    releaser.join();
    ASSERT_TRUE(setUpAgain);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(calls, 1) << "the frames queued before Term were dropped";
    EXPECT_EQ(recorder.count(), 0u) << "a frame made for the old callback reached the new one";
}
