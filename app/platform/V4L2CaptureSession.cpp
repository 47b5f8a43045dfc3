#include "platform/V4L2CaptureSession.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kBufferCount = 4;
constexpr int kPollMs = 1000;

QString errnoText(const char* what) {
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what), QString::fromLocal8Bit(strerror(errno)));
}

}  // namespace

std::unique_ptr<CaptureSession> CaptureSession::create() {
    return std::make_unique<V4L2CaptureSession>();
}

V4L2CaptureSession::V4L2CaptureSession() : V4L2CaptureSession(V4L2Device::system()) {}

V4L2CaptureSession::V4L2CaptureSession(std::unique_ptr<V4L2Device> device) : device_(std::move(device)) {}

int V4L2CaptureSession::xioctl(unsigned long request, void* arg) {
    int r;
    do {
        r = device_->ioctl(fd_, request, arg);
    } while (r == -1 && errno == EINTR);
    return r;
}

void V4L2CaptureSession::requeue(uint32_t index) {
    v4l2_buffer buf{};
    buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buf.memory = V4L2_MEMORY_MMAP;
    buf.index = index;
    xioctl(VIDIOC_QBUF, &buf);
}

V4L2CaptureSession::~V4L2CaptureSession() {
    removeInputs();
}

bool V4L2CaptureSession::addInput(const QString& uniqueID, QString* error) {
    std::lock_guard lock(mutex_);
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        closeDevice();
        return false;
    };
    if (fd_ >= 0) return fail(QStringLiteral("the session already has an input"));
    fd_ = device_->open(uniqueID.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return fail(errnoText("open"));
    v4l2_capability cap{};
    if (xioctl(VIDIOC_QUERYCAP, &cap) != 0) return fail(errnoText("VIDIOC_QUERYCAP"));
    const uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    if (!(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & V4L2_CAP_STREAMING))
        return fail(QStringLiteral("the device does not capture video by streaming"));
    QString why;
    if (!applyFormat(&why)) return fail(why);
    return true;
}

bool V4L2CaptureSession::applyFormat(QString* error) {
    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    fmt.fmt.pix.width = preset_ == CapturePreset::Medium ? 1280 : 640;
    fmt.fmt.pix.height = preset_ == CapturePreset::Medium ? 720 : 480;
    fmt.fmt.pix.pixelformat = V4L2_PIX_FMT_BGR24;
    fmt.fmt.pix.field = V4L2_FIELD_NONE;
    if (xioctl(VIDIOC_S_FMT, &fmt) != 0) {
        *error = errnoText("VIDIOC_S_FMT");
        return false;
    }
    // What the driver (through the conversion library) agreed to is what we read.
    const auto& pix = fmt.fmt.pix;
    if (pix.pixelformat != V4L2_PIX_FMT_BGR24 || pix.width == 0 || pix.height == 0 || pix.width > 8192 ||
        pix.height > 8192) {
        *error = QStringLiteral("the camera refused a 24-bit picture format");
        return false;
    }
    width_ = static_cast<int>(pix.width);
    height_ = static_cast<int>(pix.height);
    bytesPerLine_ = std::max<int>(static_cast<int>(pix.bytesperline), width_ * 3);
    sizeImage_ = static_cast<uint32_t>(bytesPerLine_) * static_cast<uint32_t>(height_ - 1) +
                 static_cast<uint32_t>(width_) * 3;
    frame_.assign(static_cast<size_t>(width_) * height_ * 4, 0);
    formatPending_ = false;
    return true;
}

void V4L2CaptureSession::removeInputs() {
    stopRunning();
    std::lock_guard lock(mutex_);
    closeDevice();
}

void V4L2CaptureSession::closeDevice() {
    if (fd_ >= 0) device_->close(fd_);
    fd_ = -1;
    lost_ = false;
    width_ = height_ = bytesPerLine_ = 0;
    sizeImage_ = 0;
}

bool V4L2CaptureSession::hasInput() const {
    std::lock_guard lock(mutex_);
    return fd_ >= 0 && !lost_;
}

void V4L2CaptureSession::setFrameHandler(FrameHandler handler) {
    std::lock_guard lock(mutex_);
    frameHandler_ = std::move(handler);
}

void V4L2CaptureSession::setErrorHandler(ErrorHandler handler) {
    std::lock_guard lock(mutex_);
    errorHandler_ = std::move(handler);
}

void V4L2CaptureSession::beginConfiguration() {
    std::lock_guard lock(mutex_);
    configuring_ = true;
}

void V4L2CaptureSession::commitConfiguration() {
    bool restart = false;
    {
        std::lock_guard lock(mutex_);
        configuring_ = false;
        restart = formatPending_ && fd_ >= 0;
    }
    if (!restart) return;
    // A new size needs the stream stopped and its buffers given back.
    const bool wasRunning = isRunning();
    stopRunning();
    {
        std::lock_guard lock(mutex_);
        QString why;
        if (fd_ >= 0 && !applyFormat(&why)) closeDevice();
    }
    if (wasRunning) startRunning();
}

void V4L2CaptureSession::setPreset(CapturePreset preset) {
    bool commitNow = false;
    {
        std::lock_guard lock(mutex_);
        if (preset_ == preset) return;
        preset_ = preset;
        formatPending_ = true;
        commitNow = !configuring_;
    }
    if (commitNow) commitConfiguration();
}

CapturePreset V4L2CaptureSession::preset() const {
    std::lock_guard lock(mutex_);
    return preset_;
}

bool V4L2CaptureSession::startStreaming(QString* error) {
    v4l2_requestbuffers req{};
    req.count = kBufferCount;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    if (xioctl(VIDIOC_REQBUFS, &req) != 0 || req.count == 0) {
        *error = errnoText("VIDIOC_REQBUFS");
        return false;
    }
    buffers_.assign(req.count, {});
    for (uint32_t i = 0; i < req.count; ++i) {
        v4l2_buffer buf{};
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        buf.index = i;
        if (xioctl(VIDIOC_QUERYBUF, &buf) != 0) {
            *error = errnoText("VIDIOC_QUERYBUF");
            stopStreaming();
            return false;
        }
        void* start = device_->mmap(buf.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, buf.m.offset);
        if (start == MAP_FAILED) {
            *error = errnoText("mmap");
            stopStreaming();
            return false;
        }
        buffers_[i] = {start, buf.length};
        if (xioctl(VIDIOC_QBUF, &buf) != 0) {
            *error = errnoText("VIDIOC_QBUF");
            stopStreaming();
            return false;
        }
    }
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (xioctl(VIDIOC_STREAMON, &type) != 0) {
        *error = errnoText("VIDIOC_STREAMON");
        stopStreaming();
        return false;
    }
    return true;
}

void V4L2CaptureSession::stopStreaming() {
    if (fd_ >= 0) {
        v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        xioctl(VIDIOC_STREAMOFF, &type);
    }
    for (Buffer& b : buffers_)
        if (b.start) device_->munmap(b.start, b.length);
    buffers_.clear();
    if (fd_ >= 0) {
        v4l2_requestbuffers req{};
        req.count = 0;
        req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        req.memory = V4L2_MEMORY_MMAP;
        xioctl(VIDIOC_REQBUFS, &req);
    }
}

void V4L2CaptureSession::startRunning() {
    std::lock_guard lock(mutex_);
    if (fd_ < 0 || thread_.joinable()) return;
    QString why;
    if (!startStreaming(&why)) return;
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        stopStreaming();
        return;
    }
    running_ = true;
    thread_ = std::thread([this] { captureLoop(); });
}

void V4L2CaptureSession::stopRunning() {
    std::thread finishing;
    {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable()) return;
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
        finishing = std::move(thread_);
    }
    finishing.join();
    std::lock_guard lock(mutex_);
    running_ = false;
    stopStreaming();
    ::close(wakeFd_);
    wakeFd_ = -1;
}

bool V4L2CaptureSession::isRunning() const {
    return running_;
}

int V4L2CaptureSession::dequeueNewest() {
    int newest = -1;
    for (;;) {
        v4l2_buffer buf{};
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        if (xioctl(VIDIOC_DQBUF, &buf) != 0) {
            if (errno == EAGAIN) return newest;
            if (newest >= 0) return newest;  // the failure shows again on the next wait
            return errno == EIO ? -1 : -2;   // EIO: one bad frame; anything else: the device is gone
        }
        if (buf.index >= buffers_.size()) return -2;
        // A frame flagged as damaged or shorter than a whole picture is never
        // read; the newest whole frame before it is still shown.
        if ((buf.flags & V4L2_BUF_FLAG_ERROR) || buf.bytesused < sizeImage_ ||
            buffers_[buf.index].length < sizeImage_) {
            requeue(buf.index);
            continue;
        }
        // An older whole frame goes straight back when a newer one is waiting.
        if (newest >= 0) requeue(static_cast<uint32_t>(newest));
        newest = static_cast<int>(buf.index);
    }
}

void V4L2CaptureSession::deliver(int index) {
    const uint8_t* src = static_cast<const uint8_t*>(buffers_[index].start);
    uint8_t* dst = frame_.data();
    for (int y = 0; y < height_; ++y) {
        const uint8_t* s = src + static_cast<size_t>(y) * bytesPerLine_;
        for (int x = 0; x < width_; ++x, s += 3, dst += 4) {
            dst[0] = s[0];
            dst[1] = s[1];
            dst[2] = s[2];
            dst[3] = 255;
        }
    }
    if (frameHandler_) frameHandler_(CaptureFrame{frame_.data(), width_, height_});
}

void V4L2CaptureSession::captureLoop() {
    QString failure;
    while (failure.isEmpty()) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        const int r = ::poll(fds, 2, kPollMs);
        if (r < 0) {
            if (errno == EINTR) continue;
            failure = errnoText("poll");
            break;
        }
        if (fds[1].revents) break;  // stop asked
        if (r == 0) continue;       // no frame within the wait: keep waiting
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            failure = QStringLiteral("the camera was disconnected");
            break;
        }
        const int index = dequeueNewest();
        if (index == -2) {
            failure = errnoText("VIDIOC_DQBUF");
            break;
        }
        if (index < 0) continue;
        deliver(index);
        requeue(static_cast<uint32_t>(index));
    }
    if (!failure.isEmpty()) {
        lost_ = true;
        running_ = false;
        if (errorHandler_) errorHandler_(failure);
    }
}
