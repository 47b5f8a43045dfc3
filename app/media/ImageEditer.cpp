#include "media/ImageEditer.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/PersonSegmentation.h"
#include "platform/StringFormat.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"

namespace {

// Box passes of radius r with the edges held (pixels beyond an edge repeat it),
// on 4-byte pixels. The mean is taken in 16.16 fixed point.
void boxRows(const uint8_t* src, uint8_t* dst, int w, int h, int64_t stride, int r) {
    const int window = 2 * r + 1;
    const uint32_t inv = (1u << 16) / window + 1;
    for (int y = 0; y < h; ++y) {
        const uint8_t* s = src + y * stride;
        uint8_t* d = dst + y * stride;
        uint32_t sum[4] = {0, 0, 0, 0};
        for (int i = -r; i <= r; ++i) {
            const uint8_t* p = s + std::clamp(i, 0, w - 1) * 4;
            for (int c = 0; c < 4; ++c) sum[c] += p[c];
        }
        for (int x = 0; x < w; ++x) {
            for (int c = 0; c < 4; ++c) d[x * 4 + c] = static_cast<uint8_t>((sum[c] * inv) >> 16);
            const uint8_t* in = s + std::min(x + r + 1, w - 1) * 4;
            const uint8_t* out = s + std::max(x - r, 0) * 4;
            for (int c = 0; c < 4; ++c) sum[c] += in[c] - out[c];
        }
    }
}

void boxColumns(const uint8_t* src, uint8_t* dst, int w, int h, int64_t stride, int r) {
    const int window = 2 * r + 1;
    const uint32_t inv = (1u << 16) / window + 1;
    const int n = w * 4;
    std::vector<uint32_t> sum(n, 0);
    for (int i = -r; i <= r; ++i) {
        const uint8_t* row = src + std::clamp(i, 0, h - 1) * stride;
        for (int k = 0; k < n; ++k) sum[k] += row[k];
    }
    for (int y = 0; y < h; ++y) {
        uint8_t* d = dst + y * stride;
        for (int k = 0; k < n; ++k) d[k] = static_cast<uint8_t>((sum[k] * inv) >> 16);
        const uint8_t* in = src + std::min(y + r + 1, h - 1) * stride;
        const uint8_t* out = src + std::max(y - r, 0) * stride;
        for (int k = 0; k < n; ++k) sum[k] += in[k] - out[k];
    }
}

}  // namespace

ImageEditer::ImageEditer() : ImageEditer(PersonSegmentation::create()) {}

ImageEditer::ImageEditer(std::unique_ptr<PersonSegmentation> segmentation)
    : segmentation_(std::move(segmentation)) {}

ImageEditer::~ImageEditer() = default;

QRectF ImageEditer::customCrop(int W, int H, int w, int h) {
    QRectF rect;
    if (W >= H) {
        const double c = static_cast<double>(w) * H / h;
        rect = QRectF(W / 2.0 - c / 2.0, 0, c, H);
    } else {
        const double c = static_cast<double>(W) * h / w;
        rect = QRectF(0, H / 2.0 - c / 2.0, W, c);
    }
    return rect.intersected(QRectF(0, 0, W, H));
}

void ImageEditer::setCustomImg(const QImage& picture, int width, int height) {
    if (picture.isNull() || width <= 0 || height <= 0) return;
    const QRect crop = customCrop(picture.width(), picture.height(), width, height)
                           .toAlignedRect()
                           .intersected(picture.rect());
    QImage fitted = picture.copy(crop)
                        .scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                        .convertToFormat(QImage::Format_ARGB32);
    std::lock_guard lock(mutex_);
    customImg_ = std::move(fitted);
}

QImage ImageEditer::blur(const QImage& picture, float radius) {
    QImage a = picture.convertToFormat(QImage::Format_ARGB32);
    if (a.isNull() || radius <= 0) return a;
    // Three box passes of about the same spread as a Gaussian of that radius
    // (its standard deviation): each box of width 2r + 1 adds ((2r + 1)^2 - 1) / 12.
    const int r =
        std::max(1, static_cast<int>(std::lround((std::sqrt(4.0 * radius * radius + 1.0) - 1.0) / 2.0)));
    QImage b(a.size(), QImage::Format_ARGB32);
    const int w = a.width(), h = a.height();
    const int64_t row = a.bytesPerLine();
    for (int pass = 0; pass < 3; ++pass) {
        boxRows(a.constBits(), b.bits(), w, h, row, r);
        boxColumns(b.constBits(), a.bits(), w, h, row, r);
    }
    return a;
}

QImage ImageEditer::blendWithMask(const QImage& picture, const QImage& background, const QImage& mask) {
    const QImage src = picture.convertToFormat(QImage::Format_ARGB32);
    // A background of another size (a custom picture fitted before a size change) is scaled to fit.
    QImage bg = background.convertToFormat(QImage::Format_ARGB32);
    if (bg.isNull()) {
        bg = QImage(src.size(), QImage::Format_ARGB32);
        bg.fill(Qt::black);
    } else if (bg.size() != src.size()) {
        bg = bg.scaled(src.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    const QImage m = mask.convertToFormat(QImage::Format_Grayscale8)
                         .scaled(src.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage out(src.size(), QImage::Format_ARGB32);
    for (int y = 0; y < src.height(); ++y) {
        const uint8_t* s = src.constScanLine(y);
        const uint8_t* b = bg.constScanLine(y);
        const uint8_t* k = m.constScanLine(y);
        uint8_t* o = out.scanLine(y);
        for (int x = 0; x < src.width(); ++x) {
            const int a = k[x];
            for (int c = 0; c < 4; ++c) {
                const int back = b[x * 4 + c];
                o[x * 4 + c] = static_cast<uint8_t>((s[x * 4 + c] * a + back * (255 - a) + 127) / 255);
            }
        }
    }
    return out;
}

QImage ImageEditer::personSegment(const QImage& picture, bool isUseCustomImg) {
    const QImage custom = customImg();
    if (isUseCustomImg && custom.isNull()) return {};
    if (picture.isNull()) return {};
    // The segmentation runs under a lock of its own, so that fitting a new custom
    // background on the main thread never waits for it.
    std::lock_guard segmentLock(segmentMutex_);
    QImage mask;
    QString description, reason, suggestion;
    if (!segmentation_) {
        description = QStringLiteral("no person segmentation");
    } else if (segmentation_->perform(picture, &mask, &description, &reason, &suggestion) && !mask.isNull()) {
        // The background is cut to the picture's frame before the blend.
        const QImage background = isUseCustomImg ? custom : blur(picture, fBlurInputRadiusVal_);
        QImage blended = blendWithMask(picture, background, mask);
        std::lock_guard lock(mutex_);
        tmpImg_ = blended;
        return blended.copy();
    }
    if (!description.isEmpty())
        LogFileManager::write(StringWithFormat(kLogMsgBgPersonSegmentErr, description, reason, suggestion), 0,
                              false);
    return {};
}

QImage ImageEditer::convertPixcelBufferFromCGImage(const QImage& picture) const {
    QImage last;
    {
        std::lock_guard lock(mutex_);
        last = tmpImg_;
    }
    if (last.isNull() || picture.isNull()) return {};
    if (last.size() == picture.size()) return last.convertToFormat(QImage::Format_ARGB32);
    return last.scaled(picture.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32);
}

QImage ImageEditer::customImg() const {
    std::lock_guard lock(mutex_);
    return customImg_;
}

QImage ImageEditer::tmpImg() const {
    std::lock_guard lock(mutex_);
    return tmpImg_;
}
