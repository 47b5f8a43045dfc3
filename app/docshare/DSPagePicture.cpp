#include "docshare/DSPagePicture.h"

#include <gif_lib.h>

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr int kLevels = 6;
constexpr int kTransparentIndex = kLevels * kLevels * kLevels;  // 216

int levelOf(int value) {
    return std::clamp((value * (kLevels - 1) + 127) / 255, 0, kLevels - 1);
}

int valueOf(int level) {
    return level * 255 / (kLevels - 1);
}

int writeToBuffer(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<QByteArray*>(gif->UserData);
    out->append(reinterpret_cast<const char*>(data), length);
    return length;
}

}  // namespace

QString DSPagePicture::extension(int format) {
    switch (format) {
        case JPEG:
            return QStringLiteral("jpg");
        case GIF:
            return QStringLiteral("gif");
        case TIFF:
            return QStringLiteral("tiff");
        case PNG:
            return QStringLiteral("png");
        case BMP:
            return QStringLiteral("bmp");
        default:
            return QString();
    }
}

QImage DSPagePicture::combine(const QImage& page, const QImage& strokes) {
    QImage out = page.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (out.isNull() || strokes.isNull() || strokes.width() == 0 || strokes.height() == 0) return out;
    const QSize fitted = strokes.size().scaled(out.size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((out.width() - fitted.width()) / 2, (out.height() - fitted.height()) / 2),
                       fitted);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, strokes);
    return out;
}

std::optional<QByteArray> DSPagePicture::encode(const QImage& image, int format) {
    if (image.isNull()) return std::nullopt;
    if (format == GIF) return encodeGif(image);
    const char* name = format == JPEG   ? "jpeg"
                       : format == TIFF ? "tiff"
                       : format == PNG  ? "png"
                       : format == BMP  ? "bmp"
                                        : nullptr;
    if (!name) return std::nullopt;
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, name);
    // JPEG at its best quality; JPEG and BMP carry no transparency, so the page is flattened on white.
    QImage source = image;
    if (format == JPEG || format == BMP) {
        source = QImage(image.size(), QImage::Format_RGB32);
        source.fill(Qt::white);
        QPainter painter(&source);
        painter.drawImage(0, 0, image);
    }
    if (format == JPEG) writer.setQuality(100);
    if (!writer.write(source)) return std::nullopt;
    return data;
}

std::optional<QByteArray> DSPagePicture::encodeGif(const QImage& image) {
    if (image.isNull() || image.width() > 65535 || image.height() > 65535) return std::nullopt;
    const QImage src = image.convertToFormat(QImage::Format_ARGB32);
    const int w = src.width(), h = src.height();

    // Floyd-Steinberg over the colour cube, error carried per channel in two rows.
    std::vector<GifByteType> indices(size_t(w) * size_t(h));
    std::vector<std::array<int, 3>> current(size_t(w) + 2), next(size_t(w) + 2);
    bool anyTransparent = false;
    for (int y = 0; y < h; ++y) {
        std::fill(next.begin(), next.end(), std::array<int, 3>{0, 0, 0});
        const QRgb* row = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb px = row[x];
            if (qAlpha(px) < 128) {
                indices[size_t(y) * size_t(w) + size_t(x)] = GifByteType(kTransparentIndex);
                anyTransparent = true;
                continue;
            }
            const int want[3] = {qRed(px) + current[size_t(x) + 1][0] / 16,
                                 qGreen(px) + current[size_t(x) + 1][1] / 16,
                                 qBlue(px) + current[size_t(x) + 1][2] / 16};
            int level[3];
            for (int c = 0; c < 3; ++c) {
                level[c] = levelOf(std::clamp(want[c], 0, 255));
                const int err = want[c] - valueOf(level[c]);
                current[size_t(x) + 2][c] += err * 7;
                next[size_t(x)][c] += err * 3;
                next[size_t(x) + 1][c] += err * 5;
                next[size_t(x) + 2][c] += err * 1;
            }
            indices[size_t(y) * size_t(w) + size_t(x)] =
                GifByteType((level[0] * kLevels + level[1]) * kLevels + level[2]);
        }
        std::swap(current, next);
    }

    GifColorType colours[256] = {};
    for (int r = 0; r < kLevels; ++r)
        for (int g = 0; g < kLevels; ++g)
            for (int b = 0; b < kLevels; ++b) {
                GifColorType& c = colours[(r * kLevels + g) * kLevels + b];
                c.Red = GifByteType(valueOf(r));
                c.Green = GifByteType(valueOf(g));
                c.Blue = GifByteType(valueOf(b));
            }
    ColorMapObject* map = GifMakeMapObject(256, colours);
    if (!map) return std::nullopt;

    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, writeToBuffer, &error);
    if (!gif) {
        GifFreeMapObject(map);
        return std::nullopt;
    }
    bool ok = EGifPutScreenDesc(gif, w, h, 8, 0, map) == GIF_OK;
    if (ok && anyTransparent) {
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
        gcb.UserInputFlag = false;
        gcb.DelayTime = 0;
        gcb.TransparentColor = kTransparentIndex;
        GifByteType ext[4];
        const size_t len = EGifGCBToExtension(&gcb, ext);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(len), ext) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < h; ++y) ok = EGifPutLine(gif, &indices[size_t(y) * size_t(w)], w) == GIF_OK;
    if (EGifCloseFile(gif, &error) != GIF_OK) ok = false;
    GifFreeMapObject(map);
    if (!ok) return std::nullopt;
    return out;
}

bool DSPagePicture::writeAtomically(const QString& path, const QByteArray& data, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        if (error) *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}
