// Tiles rendered offscreen as a user sees them, saved under the build folder
// (ui-screenshots/) and checked for what they show: the picture, the mark, the
// lit meter bands, the name, the option buttons and the speaking frame.

#include <gtest/gtest.h>

#include <QLabel>
#include <QPainter>

#include "VideoTestSupport.h"
#include "tiles/VideoView.h"
#include "platform/Dispatch.h"
#include "ui/PopupSliderButton.h"

namespace {

const QColor kPicture(30, 60, 160);

// A picture with a white square in its middle, so the fit can be seen.
QImage framePicture(int width, int height) {
    QImage picture = solidPicture(width, height, kPicture);
    QPainter painter(&picture);
    painter.fillRect(QRect(width / 2 - height / 8, height / 2 - height / 8, height / 4, height / 4),
                     Qt::white);
    return picture;
}

class VideoScreenshotTest : public ::testing::Test {
protected:
    void build(VideoView& view) {
        view.setDetail(24);
        view.setShowMic(true);
        view.setShowSpeaker(true);
        view.setShowCamera(true);
        view.setShowRecord(true);
        view.setNeedsDisplay();
        view.setUserName(QStringLiteral("Yamada Hanako"));
        view.changeStatusMark(VIDEO_STATUS_MARK_SPECIAL);
        view.changeAudioMeterStatus(VIDEO_METER_STATUS_DEFAULT);
        view.show();
        view.setLayerImage(framePicture(1280, 720));
        view.refreshLayerImage();
        view.changeAudioMeter(57);
        view.mouseEntered();
    }

    QtApplicationFirst app;
    ScopedManualDispatcher dispatcher;
};

TEST_F(VideoScreenshotTest, A320By240TileShowsEveryPart) {
    VideoView view(QRectF(0, 0, 320, 240));
    view.setAudioMeterThreshold(60);  // 57 stays below: no speaking frame
    build(view);
    const QImage shot = view.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_TRUE(shot.save(videoScreenshotPath(QStringLiteral("video-tile-320x240"))));

    // The picture, fitted: 320 x 180 with black bands above and below, the white square in the middle.
    EXPECT_TRUE(nearColor(shot.pixelColor(160, 120), Qt::white));
    EXPECT_TRUE(nearColor(shot.pixelColor(60, 100), kPicture));
    EXPECT_TRUE(nearColor(shot.pixelColor(250, 25), Qt::black));
    // The chair's star at the top left (2, 4, 14 x 14 top-down).
    const QColor star = shot.pixelColor(9, 12);
    EXPECT_GT(star.red(), 200);
    EXPECT_GT(star.green(), 120);
    EXPECT_LT(star.blue(), 90);
    // Meter at (286, 4, 32 x 18): bands 0 to 4 lit red (more opaque upwards) on black, band 9 grey.
    int previousRed = 0;
    for (int band = 0; band < 5; ++band) {
        const QColor lit = shot.pixelColor(286 + int(band * 3.2 + 0.8), 12);
        EXPECT_GT(lit.red(), 90) << band;
        EXPECT_LT(lit.green(), 20) << band;
        EXPECT_GT(lit.red(), previousRed) << band;
        previousRed = lit.red();
    }
    EXPECT_TRUE(nearColor(shot.pixelColor(315, 12), QColor(211, 211, 211), 8));
    // The active speaker icon (green) left of the meter.
    int green = 0;
    for (int x = 266; x < 286; ++x) {
        for (int y = 4; y < 22; ++y) {
            const QColor c = shot.pixelColor(x, y);
            green += (c.green() > 180 && c.red() < 140) ? 1 : 0;
        }
    }
    EXPECT_GT(green, 10);
    // White name text in the name band beside the mark.
    int white = 0;
    for (int x = 18; x < 200; ++x) {
        for (int y = 2; y < 26; ++y) {
            white += nearColor(shot.pixelColor(x, y), Qt::white, 30) ? 1 : 0;
        }
    }
    EXPECT_GT(white, 40);
    // The four round buttons along the bottom, light grey around their images.
    for (int x : {22, 61, 99, 298}) {
        EXPECT_TRUE(nearColor(shot.pixelColor(x, 204), QColor(250, 250, 250), 10)) << x;
        // Outside the circle (its corner) the picture shows.
        EXPECT_TRUE(nearColor(shot.pixelColor(x - 15, 203), kPicture)) << x;
    }
    // No speaking frame: the black band reaches the edge.
    EXPECT_TRUE(nearColor(shot.pixelColor(0, 120), kPicture));
}

TEST_F(VideoScreenshotTest, ASpeakingTileHasARedFrame) {
    VideoView view(QRectF(0, 0, 320, 240));
    view.setAudioMeterThreshold(3);
    build(view);
    ASSERT_TRUE(view.isFrameAccented());
    const QImage shot = view.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_TRUE(shot.save(videoScreenshotPath(QStringLiteral("video-tile-speaking"))));
    for (QPoint edge : {QPoint(0, 120), QPoint(319, 120), QPoint(160, 0), QPoint(160, 239)}) {
        EXPECT_TRUE(nearColor(shot.pixelColor(edge), QColor(230, 0, 0), 30)) << edge.x() << "," << edge.y();
    }
}

TEST_F(VideoScreenshotTest, A100WideTileFitsItsButtonsWithoutGaps) {
    VideoView view(QRectF(0, 0, 100, 75));
    build(view);
    const QImage shot = view.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_TRUE(shot.save(videoScreenshotPath(QStringLiteral("video-tile-100x75"))));
    // Buttons 20 x 20 from the bottom-left corner on, record at the right edge.
    for (int x : {10, 30, 50, 90}) {
        EXPECT_TRUE(nearColor(shot.pixelColor(x, 56), QColor(250, 250, 250), 10)) << x;
    }
    // The 8 x 8 mark at (2, 4).
    const QColor star = shot.pixelColor(6, 8);
    EXPECT_GT(star.red(), 150);
    EXPECT_LT(star.blue(), 120);
}

}  // namespace
