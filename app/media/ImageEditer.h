#pragma once

// Replaces the background of an own-camera picture: the person is found by a
// segmentation, and the rest is replaced either by a blurred copy of the
// picture or by a custom picture fitted to the frame size.
//
// Pictures given and returned are 32-bit (QImage::Format_ARGB32, in memory
// blue, green, red, alpha). The object's lock guards the custom background and
// the last blend (the segmentation itself runs outside it); setCustomImg is called from the main thread and the camera's
// configuration queue, personSegment from the camera's capture thread, and
// convertPixcelBufferFromCGImage right after it on the same thread.

#include <QImage>
#include <memory>
#include <mutex>

class PersonSegmentation;

class ImageEditer {
public:
    // The application's segmentation.
    ImageEditer();
    // The given segmentation (null: every segmentation fails).
    explicit ImageEditer(std::unique_ptr<PersonSegmentation> segmentation);
    ~ImageEditer();

    // Fits a custom background to width x height: the centre of the picture with
    // the target's aspect ratio, scaled to cover it exactly. A null picture
    // changes nothing.
    void setCustomImg(const QImage& picture, int width, int height);
    // The picture with its background blurred (or replaced by the custom
    // background); a null image when there is no result (the custom background
    // is asked for but none is set, or the segmentation failed: then the log
    // says why).
    QImage personSegment(const QImage& picture, bool isUseCustomImg);
    // The last blend rendered at the picture's size; null before the first one.
    QImage convertPixcelBufferFromCGImage(const QImage& picture) const;

    QImage customImg() const;
    QImage tmpImg() const;
    float fBlurInputRadiusVal() const { return fBlurInputRadiusVal_; }

    // The custom-background crop of a W x H picture for a w x h frame (x, y,
    // width, height in pixels of the picture, limited to it).
    static QRectF customCrop(int pictureWidth, int pictureHeight, int width, int height);
    // Gaussian-like blur (three box passes with edges held) of a 32-bit picture.
    static QImage blur(const QImage& picture, float radius);
    // picture where the mask is 255, background where it is 0, mixed between;
    // the mask is scaled to the picture's size.
    static QImage blendWithMask(const QImage& picture, const QImage& background, const QImage& mask);

private:
    mutable std::mutex mutex_;  // customImg_ and tmpImg_
    std::mutex segmentMutex_;    // the segmentation (one picture at a time)
    std::unique_ptr<PersonSegmentation> segmentation_;
    QImage customImg_;
    QImage tmpImg_;
    const float fBlurInputRadiusVal_ = 20.0f;
};
