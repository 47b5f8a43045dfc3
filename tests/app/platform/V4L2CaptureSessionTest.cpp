// The Video4Linux session: refusals everywhere, damaged and short frames from
// a scripted driver, and frames from a real camera where the machine has one.
#include <gtest/gtest.h>
#include <linux/videodev2.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/CaptureDevice.h"
#include "platform/V4L2CaptureSession.h"
#include "platform/V4L2Device.h"

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

namespace {

// A driver of 4 x 2 pictures in rows of 12 bytes (24 bytes a picture) with
// three buffers. The test scripts what the next dequeues return; the device's
// descriptor is an eventfd that becomes readable while frames are scripted.
class ScriptedDriver final : public V4L2Device {
public:
    struct Frame {
        uint8_t value = 0;  // every byte of the picture
        uint32_t bytesused = 24;
        bool flaggedError = false;
        int error = 0;  // a failing dequeue: its errno
    };
    static constexpr uint32_t kBuffers = 3;

    struct Shared {
        std::mutex mutex;
        std::condition_variable changed;
        std::deque<Frame> script;
        bool idle = true;  // the script ran out and the session was told so
        uint32_t bufferLength = 24;
    };

    explicit ScriptedDriver(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {
        storage_.assign(kBuffers, std::vector<uint8_t>(64, 0));
    }

    int open(const char*, int) override {
        fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        return fd_;
    }
    int close(int fd) override { return ::close(fd); }
    void* mmap(size_t length, int, int, int, int64_t offset) override {
        const size_t index = size_t(offset) / 64;
        if (index >= kBuffers || length > 64) return MAP_FAILED;
        return storage_[index].data();
    }
    int munmap(void*, size_t) override { return 0; }

    int ioctl(int, unsigned long request, void* arg) override {
        std::lock_guard lock(shared_->mutex);
        switch (request) {
            case VIDIOC_QUERYCAP: {
                auto* cap = static_cast<v4l2_capability*>(arg);
                cap->capabilities = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
                return 0;
            }
            case VIDIOC_S_FMT: {
                auto& pix = static_cast<v4l2_format*>(arg)->fmt.pix;
                pix.width = 4;
                pix.height = 2;
                pix.bytesperline = 12;
                pix.pixelformat = V4L2_PIX_FMT_BGR24;
                return 0;
            }
            case VIDIOC_REQBUFS:
                static_cast<v4l2_requestbuffers*>(arg)->count =
                    static_cast<v4l2_requestbuffers*>(arg)->count ? kBuffers : 0;
                free_.clear();
                return 0;
            case VIDIOC_QUERYBUF: {
                auto* buf = static_cast<v4l2_buffer*>(arg);
                buf->length = shared_->bufferLength;
                buf->m.offset = buf->index * 64;
                return 0;
            }
            case VIDIOC_QBUF:
                free_.push_back(static_cast<v4l2_buffer*>(arg)->index);
                return 0;
            case VIDIOC_STREAMON:
            case VIDIOC_STREAMOFF:
                return 0;
            case VIDIOC_DQBUF:
                return dequeue(static_cast<v4l2_buffer*>(arg));
        }
        errno = ENOTTY;
        return -1;
    }

    // Makes the device readable after frames were scripted.
    static void signal(int fd) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(fd, &one, sizeof one);
    }
    int fd() const { return fd_; }

private:
    int dequeue(v4l2_buffer* buf) {
        if (shared_->script.empty() || free_.empty()) {
            uint64_t drained;
            [[maybe_unused]] ssize_t n = ::read(fd_, &drained, sizeof drained);
            shared_->idle = shared_->script.empty();
            shared_->changed.notify_all();
            errno = EAGAIN;
            return -1;
        }
        const Frame f = shared_->script.front();
        shared_->script.pop_front();
        shared_->changed.notify_all();
        if (f.error != 0) {
            errno = f.error;
            return -1;
        }
        buf->index = free_.front();
        free_.pop_front();
        std::fill(storage_[buf->index].begin(), storage_[buf->index].end(), f.value);
        buf->bytesused = f.bytesused;
        buf->flags = f.flaggedError ? V4L2_BUF_FLAG_ERROR : 0;
        return 0;
    }

    std::shared_ptr<Shared> shared_;
    std::vector<std::vector<uint8_t>> storage_;
    std::deque<uint32_t> free_;
    int fd_ = -1;
};

class ScriptedCapture {
public:
    ScriptedCapture() {
        auto driver = std::make_unique<ScriptedDriver>(shared);
        driver_ = driver.get();
        session = std::make_unique<V4L2CaptureSession>(std::move(driver));
    }
    ~ScriptedCapture() { session.reset(); }

    bool start() {
        QString error;
        if (!session->addInput("/dev/scripted", &error)) return false;
        session->setFrameHandler([this](const CaptureFrame& f) {
            std::lock_guard lock(mutex);
            bool whole = f.width == 4 && f.height == 2;
            for (int i = 0; whole && i < 8; ++i)
                whole = f.pixels[i * 4] == f.pixels[0] && f.pixels[i * 4 + 3] == 255;
            delivered.push_back(whole ? f.pixels[0] : -1);
            arrived.notify_all();
        });
        session->setErrorHandler([this](const QString& why) {
            std::lock_guard lock(mutex);
            failure = why;
            arrived.notify_all();
        });
        session->startRunning();
        return session->isRunning();
    }

    // Hands a batch of frames to the driver at once and returns what the
    // session delivered from it: a marker frame follows the batch, and what
    // arrived before the marker is the batch's outcome.
    std::vector<int> deliver(const std::vector<ScriptedDriver::Frame>& batch) {
        {
            std::lock_guard lock(mutex);
            delivered.clear();
        }
        run(batch);
        run({{kMarker}});
        std::unique_lock lock(mutex);
        arrived.wait_for(lock, std::chrono::seconds(60),
                         [&] { return !delivered.empty() && delivered.back() == kMarker; });
        if (delivered.empty() || delivered.back() != kMarker) return {-99};
        return std::vector<int>(delivered.begin(), delivered.end() - 1);
    }

    // Scripts frames and makes the device readable.
    void post(const std::vector<ScriptedDriver::Frame>& batch) {
        std::lock_guard lock(shared->mutex);
        for (const auto& f : batch) shared->script.push_back(f);
        shared->idle = false;
        ScriptedDriver::signal(driver_->fd());
    }
    // Scripts frames and waits until the session took them all and found no
    // more (so that later frames are not read in the same go).
    void run(const std::vector<ScriptedDriver::Frame>& batch) {
        post(batch);
        std::unique_lock lock(shared->mutex);
        shared->changed.wait_for(lock, std::chrono::seconds(60), [&] { return shared->idle; });
    }

    static constexpr int kMarker = 200;
    std::shared_ptr<ScriptedDriver::Shared> shared = std::make_shared<ScriptedDriver::Shared>();
    std::unique_ptr<V4L2CaptureSession> session;
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<int> delivered;
    QString failure;

private:
    ScriptedDriver* driver_ = nullptr;
};

}  // namespace

TEST(V4L2CaptureSessionTest, DamagedAndShortFramesAreSkippedAndTheNewestWholeOneIsShown) {
    using F = ScriptedDriver::Frame;
    const F damaged{.value = 5, .flaggedError = true};
    const F shortFrame{.value = 6, .bytesused = 23};
    const F ioError{.error = EIO};
    struct Case {
        const char* name;
        std::vector<F> batch;
        std::vector<int> shown;
    };
    const Case cases[] = {
        {"a whole frame", {F{.value = 1}}, {1}},
        {"a frame flagged damaged", {damaged}, {}},
        {"a frame one byte short", {shortFrame}, {}},
        {"one failed read", {ioError}, {}},
        {"two whole frames: the newer", {F{.value = 2}, F{.value = 3}}, {3}},
        {"damaged, then whole", {damaged, F{.value = 4}}, {4}},
        {"whole, then damaged", {F{.value = 7}, damaged}, {7}},
        {"whole, then short", {F{.value = 8}, shortFrame}, {8}},
    };
    ScriptedCapture capture;
    ASSERT_TRUE(capture.start());
    for (const Case& c : cases) EXPECT_EQ(capture.deliver(c.batch), c.shown) << c.name;
    EXPECT_TRUE(capture.session->isRunning());
    EXPECT_TRUE(capture.failure.isEmpty());
}

TEST(V4L2CaptureSessionTest, BuffersSmallerThanAPictureAreNeverRead) {
    ScriptedCapture capture;
    capture.shared->bufferLength = 16;  // the driver maps less than the 24 bytes of a picture
    ASSERT_TRUE(capture.start());
    capture.run({{.value = 1}, {.value = 2}});
    // A device failure ends the session with the reason; nothing was shown.
    capture.post({{.error = ENODEV}});
    std::unique_lock lock(capture.mutex);
    ASSERT_TRUE(
        capture.arrived.wait_for(lock, std::chrono::seconds(60), [&] { return !capture.failure.isEmpty(); }));
    EXPECT_TRUE(capture.delivered.empty());
    EXPECT_TRUE(capture.failure.startsWith("VIDIOC_DQBUF")) << capture.failure.toStdString();
}
