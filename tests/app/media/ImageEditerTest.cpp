#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>

#include "fixtures/app/CameraTestSupport.h"
#include "fixtures/app/AppTestSupport.h"
#include "media/ImageEditer.h"
#include "platform/SegmentationModel.h"

namespace {

// A segmentation that answers a fixed mask (or fails).
class FixedSegmentation final : public PersonSegmentation {
public:
    explicit FixedSegmentation(QImage mask) : mask_(std::move(mask)) {}
    bool perform(const QImage&, QImage* mask, QString* description, QString*, QString*) override {
        ++calls;
        if (mask_.isNull()) {
            *description = QStringLiteral("no result");
            return false;
        }
        *mask = mask_;
        return true;
    }
    int calls = 0;

private:
    QImage mask_;
};

// Left half person (255), right half background (0), at a size of its own.
QImage HalfMask() {
    QImage m(64, 64, QImage::Format_Grayscale8);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) m.scanLine(y)[x] = x < 32 ? 255 : 0;
    return m;
}

// Vertical stripes of black and white, 2 pixels wide.
QImage Stripes(int w, int h) {
    QImage p(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.setPixel(x, y, (x / 2) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    return p;
}

// A picture of the given size: a frame of `outside` around a centred rect of `inside`.
QImage Framed(int w, int h, QRect inner, QColor outside, QColor inside) {
    QImage p(w, h, QImage::Format_ARGB32);
    p.fill(outside);
    QPainter(&p).fillRect(inner, inside);
    return p;
}

bool Close(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

double Spread(const QImage& p, QRect r) {
    double sum = 0, sq = 0;
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const double v = qGray(p.pixel(x, y));
            sum += v;
            sq += v * v;
            ++n;
        }
    const double mean = sum / n;
    return std::sqrt(sq / n - mean * mean);
}

}  // namespace

TEST(ImageEditerTest, CustomBackgroundFitsTheCentreOfThePicture) {
    struct Case {
        int W, H, w, h;
        QRectF crop;
    };
    const Case cases[] = {
        {1920, 1080, 320, 240, {240, 0, 1440, 1080}},
        {600, 800, 320, 240, {0, 175, 600, 450}},
        {640, 480, 320, 240, {0, 0, 640, 480}},
        {640, 480, 1280, 720, {0, 0, 640, 480}},  // wider than the picture: limited to it
        {480, 640, 80, 60, {0, 140, 480, 360}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ImageEditer::customCrop(c.W, c.H, c.w, c.h), c.crop)
            << c.W << "x" << c.H << " for " << c.w << "x" << c.h;
        // The fitted picture shows exactly the crop: a green crop inside a red frame becomes all green.
        if (c.crop.size() == QSizeF(c.W, c.H)) continue;
        ImageEditer editer(nullptr);
        editer.setCustomImg(Framed(c.W, c.H, c.crop.toRect(), Qt::red, Qt::green), c.w, c.h);
        const QImage fitted = editer.customImg();
        ASSERT_EQ(fitted.size(), QSize(c.w, c.h));
        for (QPoint p : {QPoint(0, 0), QPoint(c.w - 1, c.h - 1), QPoint(c.w / 2, 0), QPoint(0, c.h / 2)})
            EXPECT_EQ(fitted.pixel(p), qRgb(0, 255, 0)) << p.x() << "," << p.y();
    }
    ImageEditer editer(nullptr);
    editer.setCustomImg(QImage(), 320, 240);
    EXPECT_TRUE(editer.customImg().isNull());
}

TEST(ImageEditerTest, TheMaskKeepsThePersonAndReplacesOrBlursTheRest) {
    ensureQtApplication();
    auto segmentation = std::make_unique<FixedSegmentation>(HalfMask());
    ImageEditer editer(std::move(segmentation));
    const QImage picture = Stripes(160, 120);

    // Custom background asked for before one is set: nothing.
    EXPECT_TRUE(editer.personSegment(picture, true).isNull());
    EXPECT_TRUE(editer.convertPixcelBufferFromCGImage(picture).isNull());

    QImage custom(40, 30, QImage::Format_ARGB32);
    custom.fill(qRgb(10, 200, 30));
    editer.setCustomImg(custom, 160, 120);
    const QImage replaced = editer.personSegment(picture, true);
    ASSERT_EQ(replaced.size(), picture.size());
    EXPECT_EQ(replaced.pixel(10, 60), picture.pixel(10, 60));
    EXPECT_EQ(replaced.pixel(11, 60), picture.pixel(11, 60));
    EXPECT_EQ(replaced.pixel(150, 60), qRgb(10, 200, 30));
    EXPECT_EQ(editer.convertPixcelBufferFromCGImage(replaced), replaced);

    const QImage blurred = editer.personSegment(picture, false);
    ASSERT_EQ(blurred.size(), picture.size());
    EXPECT_EQ(Spread(blurred, QRect(4, 10, 40, 100)),
              Spread(picture, QRect(4, 10, 40, 100)));  // person: as it was
    // Background stripes blurred to grey (away from the picture's edge, which is held).
    EXPECT_LT(Spread(blurred, QRect(100, 10, 30, 100)), 5.0);
    EXPECT_NEAR(qGray(blurred.pixel(115, 60)), 128, 8);
    EXPECT_FLOAT_EQ(editer.fBlurInputRadiusVal(), 20.0f);
}

TEST(ImageEditerTest, BlurSpreadsLikeAGaussianAndKeepsFlatAreas) {
    QImage dot(121, 1, QImage::Format_ARGB32);
    dot.fill(qRgba(0, 0, 0, 255));
    const QImage flat = ImageEditer::blur(dot, 20.0f);
    for (int x = 0; x < 121; x += 10) EXPECT_EQ(flat.pixel(x, 0), qRgba(0, 0, 0, 255));
    // A step from black to white.
    QImage bar(241, 1, QImage::Format_ARGB32);
    bar.fill(qRgba(0, 0, 0, 255));
    for (int x = 120; x < 241; ++x) bar.setPixel(x, 0, qRgba(255, 255, 255, 255));
    const QImage edge = ImageEditer::blur(bar, 20.0f);
    // A Gaussian of deviation 20 over a step: half way at the step, about 16% one deviation before it.
    EXPECT_NEAR(qRed(edge.pixel(120, 0)), 128, 12);
    EXPECT_NEAR(qRed(edge.pixel(100, 0)), 0.16 * 255, 15);
    EXPECT_NEAR(qRed(edge.pixel(140, 0)), 0.84 * 255, 15);
    EXPECT_EQ(qRed(edge.pixel(0, 0)), 0);
    EXPECT_EQ(qRed(edge.pixel(240, 0)), 255);
}

TEST(ImageEditerTest, BlendScalesABackgroundOfAnotherSize) {
    const QImage picture = Stripes(64, 48);
    QImage small(16, 12, QImage::Format_ARGB32);
    small.fill(qRgb(0, 0, 255));
    const QImage out = ImageEditer::blendWithMask(picture, small, HalfMask());
    ASSERT_EQ(out.size(), picture.size());
    EXPECT_EQ(out.pixel(60, 40), qRgb(0, 0, 255));
    EXPECT_EQ(out.pixel(2, 2), picture.pixel(2, 2));
    EXPECT_EQ(ImageEditer::blendWithMask(picture, QImage(), HalfMask()).pixel(60, 40), qRgb(0, 0, 0));
}

TEST(ImageEditerTest, FailedSegmentationAnswersNothing) {
    ImageEditer editer(std::make_unique<FixedSegmentation>(QImage()));
    EXPECT_TRUE(editer.personSegment(Stripes(32, 32), false).isNull());
    EXPECT_TRUE(editer.tmpImg().isNull());
}

TEST(ImageEditerTest, PhotographWithTheModel) {
    ensureQtApplication();
    if (!haveFile(cachedModelPath())) GTEST_SKIP() << "no model (scripts/install-deps.sh fetches it)";
    if (!haveFile(cachedPhotoPath()))
        GTEST_SKIP() << "no test photograph (scripts/install-deps.sh fetches it)";
    const QImage photo = QImage(cachedPhotoPath()).convertToFormat(QImage::Format_ARGB32).scaled(320, 320);
    ImageEditer editer(std::make_unique<SegmentationModel>(cachedModelPath()));
    QImage custom(320, 320, QImage::Format_ARGB32);
    custom.fill(qRgb(0, 255, 0));
    editer.setCustomImg(custom, 320, 320);

    const QImage replaced = editer.personSegment(photo, true);
    const QImage blurred = editer.personSegment(photo, false);
    ASSERT_FALSE(replaced.isNull());
    ASSERT_FALSE(blurred.isNull());
    replaced.save(QStringLiteral(QUORIX_TEST_BINARY_DIR "/background-replaced.png"));
    blurred.save(QStringLiteral(QUORIX_TEST_BINARY_DIR "/background-blurred.png"));
    // The face keeps its own pixels; the backdrop beside the head becomes the custom green.
    const QPoint face(145, 80), backdrop(210, 30);
    EXPECT_TRUE(Close(replaced.pixel(face), photo.pixel(face), 3));
    EXPECT_TRUE(Close(replaced.pixel(backdrop), qRgb(0, 255, 0), 12));
    // The flag's stripes on the left are background: blurred, they lose their contrast.
    const QRect flag(2, 40, 25, 80);
    EXPECT_LT(Spread(blurred, flag), Spread(photo, flag) / 3);
    EXPECT_TRUE(Close(blurred.pixel(face), photo.pixel(face), 3));
}
