#include "platform/ScreenRecorder.h"

#include <unistd.h>

#include <QRegion>
#include <chrono>
#include <climits>
#include <cstring>

#include "platform/WindowManager.h"
#include "platform/X11Connection.h"
#include "platform/X11ScreenInput.h"

namespace {

std::mutex g_sharedMutex;
std::shared_ptr<ScreenRecorder> g_shared;
ScreenRecorder::InputFactory g_factory;

int roundUp16(int width) {
    return (width + 15) & ~15;
}

// Copies the parts `region` (pixels) of the picture into `out` (rows
// `outBytesPerRow` apart, at least the picture's height), each row read with
// the picture's own row pitch.
void copyRegion(const ScreenImage& image, const QRegion& region, uint8_t* out, int outBytesPerRow) {
    const QRect frame(0, 0, image.width, image.height);
    for (const QRect& r : region) {
        const QRect c = r.intersected(frame);
        if (c.isEmpty()) continue;
        const std::size_t bytes = std::size_t(c.width()) * 4;
        for (int y = c.top(); y <= c.bottom(); ++y)
            std::memcpy(out + std::size_t(y) * outBytesPerRow + std::size_t(c.left()) * 4,
                        image.pixels + std::size_t(y) * image.bytesPerRow + std::size_t(c.left()) * 4, bytes);
    }
}

QRegion scaled(const QRegion& region, float scale) {
    if (scale == 1.0f) return region;
    QRegion out;
    for (const QRect& r : region) {
        const QRectF f(r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale);
        out += f.toAlignedRect();
    }
    return out;
}

}  // namespace

ScreenRecorder::ScreenRecorder(std::unique_ptr<ScreenInput> input, bool ownClock) : input_(std::move(input)) {
    QString error;
    if (input_ && input_->open(&error)) {
        points_ = input_->pointRect();
        status_ = Stopped;
    }
    if (ownClock && status_ == Stopped) clock_ = std::thread([this] { clockLoop(); });
}

ScreenRecorder::~ScreenRecorder() {
    {
        std::lock_guard lock(clockMutex_);
        clockQuit_ = true;
    }
    clockWake_.notify_all();
    if (clock_.joinable()) {
        if (clock_.get_id() == std::this_thread::get_id())
            clock_.detach();
        else
            clock_.join();
    }
}

std::shared_ptr<ScreenRecorder> ScreenRecorder::sharedInstance() {
    std::lock_guard lock(g_sharedMutex);
    if (!g_shared) {
        std::unique_ptr<ScreenInput> input = g_factory ? g_factory() : std::make_unique<X11ScreenInput>();
        g_shared = std::make_shared<ScreenRecorder>(std::move(input));
    }
    return g_shared;
}

void ScreenRecorder::terminate() {
    std::shared_ptr<ScreenRecorder> released;
    {
        std::lock_guard lock(g_sharedMutex);
        if (g_shared && !g_shared->anyConsumer()) released = std::move(g_shared);
    }
    // Released outside the class lock (the clock thread is joined).
}

void ScreenRecorder::setInputFactory(InputFactory factory) {
    std::lock_guard lock(g_sharedMutex);
    g_factory = std::move(factory);
}

bool ScreenRecorder::isCaptureAvailable() {
    return X11Connection::displayAvailable();
}

bool ScreenRecorder::anyConsumer() const {
    return modeAPDesktop_ || modeAPApp_ || modeRecordingDesktop_ || modeRecordingApp_;
}

ScreenRecorderDelegate* ScreenRecorder::delegate() const {
    std::lock_guard lock(mutex_);
    return delegate_;
}

void ScreenRecorder::setDelegate(ScreenRecorderDelegate* delegate) {
    std::lock_guard lock(mutex_);
    delegate_ = delegate;
}

ScreenRecorderRecordingDelegate* ScreenRecorder::recordingDelegate() const {
    std::lock_guard lock(mutex_);
    return recordingDelegate_;
}

void ScreenRecorder::setRecordingDelegate(ScreenRecorderRecordingDelegate* delegate) {
    std::lock_guard lock(mutex_);
    recordingDelegate_ = delegate;
}

int ScreenRecorder::startConsumer(std::atomic<bool>& flag, bool application) {
    std::lock_guard lock(mutex_);
    if (status_ == NotSetUp) return kErrorNotSetUp;
    flag = true;
    if (status_ != Running) {
        if (application) {
            zeroRectCounter_ = 0;
            appRectNull_ = true;
        }
        status_ = Running;
        {
            std::lock_guard clock(clockMutex_);
            clockRunning_ = true;
        }
        clockWake_.notify_all();
    }
    return 0;
}

int ScreenRecorder::startModeAPDesktop() {
    return startConsumer(modeAPDesktop_, false);
}

int ScreenRecorder::startModeAPApp(std::int64_t pid) {
    if (status_ == NotSetUp) return kErrorNotSetUp;
    applicationPid_ = pid;
    return startConsumer(modeAPApp_, true);
}

int ScreenRecorder::startModeRecordingDesktop() {
    return startConsumer(modeRecordingDesktop_, false);
}

int ScreenRecorder::startModeRecordingApp() {
    return startConsumer(modeRecordingApp_, true);
}

void ScreenRecorder::stopModeAPDesktop() {
    modeAPDesktop_ = false;
    stopRecording();
}

void ScreenRecorder::stopModeAPApp() {
    modeAPApp_ = false;
    stopRecording();
}

void ScreenRecorder::stopModeRecordingDesktop() {
    modeRecordingDesktop_ = false;
    stopRecording();
}

void ScreenRecorder::stopModeRecordingApp() {
    modeRecordingApp_ = false;
    stopRecording();
}

void ScreenRecorder::stopRecording() {
    std::lock_guard lock(mutex_);
    if (anyConsumer() || status_ != Running) return;
    {
        std::lock_guard clock(clockMutex_);
        clockRunning_ = false;
    }
    clockWake_.notify_all();
    applicationPid_ = -1;
    zeroRectCounter_ = 0;
    appRectNull_ = true;
    status_ = Stopped;
}

void ScreenRecorder::clockLoop() {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::microseconds(1000000 / std::max(1, input_->framesPerSecond()));
    std::unique_lock lock(clockMutex_);
    auto next = Clock::now();
    while (!clockQuit_) {
        if (!clockRunning_) {
            clockWake_.wait(lock, [&] { return clockQuit_ || clockRunning_; });
            next = Clock::now();
            continue;
        }
        if (clockWake_.wait_until(lock, next, [&] { return clockQuit_ || !clockRunning_; })) continue;
        lock.unlock();
        frameArrived();
        lock.lock();
        // Pictures that fell due while this one was worked on are skipped.
        const auto now = Clock::now();
        next += period;
        if (next < now) next = now + period;
    }
}

void ScreenRecorder::frameArrived() {
    std::lock_guard lock(mutex_);
    if (status_ != Running) return;
    counter_ = counter_ == INT32_MAX ? 0 : counter_ + 1;
    if (counter_ % 2 != 0) return;
    ScreenImage image;
    if (!input_->grab(&image) || image.pixels == nullptr || image.width <= 0 || image.height <= 0 ||
        image.bytesPerRow < image.width * 4)
        return;
    const int w = image.width, h = image.height;
    const float scale = points_.width() > 0 ? float(w) / float(points_.width()) : 1.0f;

    if (modeAPDesktop_ && delegate_) {
        const uint8_t* packed = image.pixels;
        if (image.bytesPerRow != w * 4) {
            // The receiver takes rows of the frame's width.
            packed_.resize(std::size_t(w) * h * 4);
            for (int y = 0; y < h; ++y)
                std::memcpy(packed_.data() + std::size_t(y) * w * 4,
                            image.pixels + std::size_t(y) * image.bytesPerRow, std::size_t(w) * 4);
            packed = packed_.data();
        }
        delegate_->onCaptureBitmap(packed, QSize(w, h),
                                   QRectF(0, 0, points_.width() * scale, points_.height() * scale));
    }
    if (modeRecordingDesktop_ && recordingDelegate_)
        recordingDelegate_->onScreen(image.pixels, w, h, image.bytesPerRow);
    if (modeAPApp_) processApplication(image, scale, applicationPid_, true);
    if (modeRecordingApp_) processApplication(image, scale, ::getpid(), false);
    if (zeroRectCounter_ >= kNoWindowFrames && delegate_) delegate_->onError(kErrorNoWindow);
}

void ScreenRecorder::drawVisible(const ScreenImage& image, float scale, std::int64_t pid, uint8_t* out,
                                 int outBytesPerRow) {
    QRegion visible;
    if (WindowManager::getWindowRect(pid, &visible).isEmpty()) return;
    copyRegion(image, scaled(visible, scale), out, outBytesPerRow);
}

void ScreenRecorder::processApplication(const ScreenImage& image, float scale, std::int64_t pid,
                                        bool sharing) {
    const int w = image.width, h = image.height;
    const int w16 = roundUp16(w);
    QRegion visible;
    const QRectF r = WindowManager::getWindowRect(pid, &visible);
    if (r.isEmpty()) {
        ++zeroRectCounter_;
        return;
    }
    zeroRectCounter_ = 0;
    if (sharing) {
        const QRectF s(r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale);
        if (!appRectNull_ && appRect_ != s && delegate_) delegate_->onChangeAppRect(s);
        appRect_ = s;
        appRectNull_ = false;
    }
    // The frame has the whole screen's size, its width rounded up to a multiple
    // of 16 pixels; rows are packed at that width, and every row of the picture
    // is read with the picture's own pitch.
    if (sharing) {
        appFrame_.assign(std::size_t(w16) * h * 4, 0);
        copyRegion(image, scaled(visible, scale), appFrame_.data(), w16 * 4);
        if (delegate_)
            delegate_->onCaptureBitmap(appFrame_.data(), QSize(w16, h),
                                       QRectF(0, 0, w16, points_.height() * scale));
        return;
    }
    if (!recordingDelegate_) return;
    QImage frame(w16, h, QImage::Format_ARGB32);
    if (frame.isNull()) return;
    frame.fill(Qt::transparent);
    copyRegion(image, scaled(visible, scale), frame.bits(), int(frame.bytesPerLine()));
    // A recording of this application also shows the application being shared.
    const std::int64_t shared = applicationPid_;
    if (modeAPApp_ && shared != ::getpid())
        drawVisible(image, scale, shared, frame.bits(), int(frame.bytesPerLine()));
    recordingDelegate_->onScreenApp(frame);
}
