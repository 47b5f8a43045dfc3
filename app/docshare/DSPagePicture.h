// The picture of a shared page as it is saved or printed: the page with the
// whiteboard strokes over it, encoded in one of five formats and written
// atomically.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

class DSPagePicture {
public:
    // Formats in the order of the format menu (1 to 5).
    enum Format { JPEG = 1, GIF = 2, TIFF = 3, PNG = 4, BMP = 5 };

    // "jpg", "gif", "tiff", "png", "bmp"; empty outside 1 to 5.
    static QString extension(int format);
    // The page with the strokes over it, the strokes scaled to fit the page
    // without distortion and centred. A null strokes picture leaves the page.
    static QImage combine(const QImage& page, const QImage& strokes);
    // The encoded picture; nothing when the format is unknown or the encoder failed.
    static std::optional<QByteArray> encode(const QImage& image, int format);
    // GIF: a 6x6x6 colour cube with Floyd-Steinberg dithering; pixels that are
    // mostly transparent take a transparent entry of their own.
    static std::optional<QByteArray> encodeGif(const QImage& image);
    // Writes the data under a temporary name and renames it into place; false
    // (and no file at the path) when that fails. `error` receives the reason.
    static bool writeAtomically(const QString& path, const QByteArray& data, QString* error = nullptr);
};
