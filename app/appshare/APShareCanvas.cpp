#include "appshare/APShareCanvas.h"

#include <cstring>

bool APShareCanvas::isValidScreenSize(QSize size) {
    return size.width() > 0 && size.height() > 0 && size.width() <= kMaxScreenSide &&
           size.height() <= kMaxScreenSide;
}

bool APShareCanvas::start(QSize size) {
    std::lock_guard lock(mutex_);
    bitmap_ = QImage();
    needDisp_ = false;
    if (!isValidScreenSize(size)) {
        started_ = false;
        screenSize_ = QSize();
        return false;
    }
    screenSize_ = size;
    started_ = true;
    return true;
}

void APShareCanvas::stop() {
    std::lock_guard lock(mutex_);
    bitmap_ = QImage();
    started_ = false;
}

void APShareCanvas::restart() {
    std::lock_guard lock(mutex_);
    started_ = screenSize_.isValid() && !screenSize_.isEmpty();
}

bool APShareCanvas::isStarted() const {
    std::lock_guard lock(mutex_);
    return started_;
}

QSize APShareCanvas::screenSize() const {
    std::lock_guard lock(mutex_);
    return screenSize_;
}

bool APShareCanvas::drawBitmap(const std::uint8_t* pixels, std::size_t byteCount,
                               const QRect& bottomLeftRect) {
    if (!pixels || bottomLeftRect.width() <= 0 || bottomLeftRect.height() <= 0) return false;
    const std::size_t width = std::size_t(bottomLeftRect.width());
    const std::size_t height = std::size_t(bottomLeftRect.height());
    if (byteCount / 4 / width != height || byteCount != width * height * 4) return false;

    std::lock_guard lock(mutex_);
    if (!started_) return false;
    const int screenW = screenSize_.width(), screenH = screenSize_.height();
    // Rows in memory run from the top: the rectangle's top row lands on row
    // screenH - (y + height) of the bitmap.
    const long long top = (long long)screenH - ((long long)bottomLeftRect.y() + (long long)height);
    const long long left = bottomLeftRect.x();
    const long long x0 = std::max(0LL, left), x1 = std::min((long long)screenW, left + (long long)width);
    const long long y0 = std::max(0LL, top), y1 = std::min((long long)screenH, top + (long long)height);
    if (x0 >= x1 || y0 >= y1) return false;

    if (bitmap_.isNull()) {
        bitmap_ = QImage(screenW, screenH, QImage::Format_RGB32);
        if (bitmap_.isNull()) return false;  // out of memory
        bitmap_.fill(Qt::black);
    }
    const std::size_t count = std::size_t(x1 - x0);
    for (long long y = y0; y < y1; ++y) {
        const auto* src = reinterpret_cast<const std::uint32_t*>(pixels) + std::size_t(y - top) * width +
                          std::size_t(x0 - left);
        auto* dst = reinterpret_cast<std::uint32_t*>(bitmap_.scanLine(int(y))) + x0;
        // The fourth byte is ignored: the bitmap's pixels are opaque.
        for (std::size_t i = 0; i < count; ++i) dst[i] = src[i] | 0xFF000000u;
    }
    needDisp_ = true;
    return true;
}

void APShareCanvas::resetImage() {
    std::lock_guard lock(mutex_);
    if (bitmap_.isNull()) return;
    bitmap_.fill(Qt::black);
    needDisp_ = true;
}

bool APShareCanvas::takeNeedDisp() {
    std::lock_guard lock(mutex_);
    const bool need = needDisp_;
    needDisp_ = false;
    return need;
}

void APShareCanvas::withImage(const std::function<void(const QImage&)>& use) const {
    std::lock_guard lock(mutex_);
    use(bitmap_);
}
