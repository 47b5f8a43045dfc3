// The viewer's screen bitmap and the small conversions around it.

#include <gtest/gtest.h>

#include "APShareTestSupport.h"
#include "appshare/APShareCanvas.h"
#include "appshare/APShareModel.h"

using namespace apshare_test;

namespace {

QImage copyOf(const APShareCanvas& canvas) {
    QImage copy;
    canvas.withImage([&](const QImage& image) { copy = image.copy(); });
    return copy;
}

// Draws a rectangle given, as the wire gives it, in top-left pixels.
bool drawTopLeft(APShareCanvas& canvas, const QRect& rect, const QByteArray& pixels) {
    const QRectF flipped = APShareModel::ConvertToAPRect(QSizeF(canvas.screenSize()), QRectF(rect));
    return canvas.drawBitmap(reinterpret_cast<const std::uint8_t*>(pixels.constData()),
                             std::size_t(pixels.size()), flipped.toRect());
}

}  // namespace

TEST(APShareModelTest, FlipsAndMouseCodes) {
    // Both directions are the same flip, and flipping twice gives the rectangle back.
    const QSizeF screen(1920, 1080);
    const QRectF wire(100, 50, 300, 200);
    EXPECT_EQ(APShareModel::ConvertToAPRect(screen, wire), QRectF(100, 830, 300, 200));
    EXPECT_EQ(APShareModel::ConvertToImgaeRect(screen, APShareModel::ConvertToAPRect(screen, wire)), wire);

    const std::pair<int, int> codes[] = {{APShareMouseLeftDown, 513},  {APShareMouseLeftUp, 514},
                                         {APShareMouseRightDown, 516}, {APShareMouseRightUp, 517},
                                         {APShareMouseOtherDown, 519}, {APShareMouseOtherUp, 520},
                                         {APShareMouseMoved, 512},     {APShareMouseLeftDragged, 512}};
    for (auto [type, code] : codes)
        EXPECT_EQ(APShareModel::ConvertToMouseEventTypeProtcol(type), code) << type;
}

TEST(APShareModelTest, SharedCoordinatesStayOnTheScreen) {
    // Points left of or beyond the picture are kept at its edge rather than
    // wrapping round at 16 bits (-1.5 would be 65535, 70000.2 would be 4464).
    struct Case {
        double value, side;
        int expected;
    } cases[] = {{-0.7, 1920, 0},
                 {-1.5, 1920, 0},
                 {70000.2, 1920, 1919},
                 {1919.9, 1920, 1919},
                 {1920.0, 1920, 1919},
                 {800.6, 1920, 800},
                 {0, 1, 0},
                 {5, 0, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(APShareModel::SharedCoordinate(c.value, c.side), c.expected) << c.value << " on " << c.side;
}

TEST(APShareCanvasTest, FirstRectangleMakesABlackScreenAndLandsUpright) {
    APShareCanvas canvas;
    ASSERT_TRUE(canvas.start(QSize(1920, 1080)));
    EXPECT_TRUE(copyOf(canvas).isNull());  // no bitmap until a rectangle arrives

    // Red on top, blue below, at (100, 50) of the sharer's screen.
    ASSERT_TRUE(drawTopLeft(canvas, QRect(100, 50, 40, 20), splitPixels(40, 20, Qt::red, Qt::blue)));
    const QImage image = copyOf(canvas);
    ASSERT_EQ(image.size(), QSize(1920, 1080));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(1919, 1079), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(100, 50), QColor(Qt::red));  // first byte blue: red stays red
    EXPECT_EQ(image.pixelColor(139, 59), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(100, 60), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(139, 69), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(140, 50), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(100, 70), QColor(Qt::black));
    EXPECT_TRUE(canvas.takeNeedDisp());
    EXPECT_FALSE(canvas.takeNeedDisp());
}

TEST(APShareCanvasTest, BadRectanglesAreDroppedAndEdgesClipped) {
    APShareCanvas canvas;
    ASSERT_TRUE(canvas.start(QSize(64, 32)));
    const QByteArray exact = solidPixels(8, 4, Qt::green);
    struct Case {
        const char* name;
        QRect rect;
        qsizetype bytes;
    } dropped[] = {
        {"a byte short", QRect(0, 0, 8, 4), exact.size() - 1},
        {"a pixel too many", QRect(0, 0, 8, 4), exact.size() + 4},
        {"no bytes", QRect(0, 0, 8, 4), 0},
        {"empty rectangle", QRect(0, 0, 0, 4), 0},
        {"wholly right of the screen", QRect(64, 0, 8, 4), exact.size()},
        {"wholly below the screen", QRect(0, 40, 8, 4), exact.size()},
    };
    for (const Case& c : dropped) {
        QByteArray bytes = solidPixels(8, 4, Qt::green);
        bytes.resize(c.bytes);
        bytes.reserve(exact.size() + 4);
        EXPECT_FALSE(drawTopLeft(canvas, c.rect, bytes)) << c.name;
    }
    EXPECT_TRUE(copyOf(canvas).isNull()) << "nothing was painted";

    // Partly off the bottom-right corner: the part on the screen is painted.
    ASSERT_TRUE(drawTopLeft(canvas, QRect(60, 30, 8, 4), exact));
    const QImage image = copyOf(canvas);
    EXPECT_EQ(image.pixelColor(60, 30), QColor(Qt::green));
    EXPECT_EQ(image.pixelColor(63, 31), QColor(Qt::green));
    EXPECT_EQ(image.pixelColor(59, 30), QColor(Qt::black));
    // Partly off the top-left corner.
    ASSERT_TRUE(drawTopLeft(canvas, QRect(-4, -2, 8, 4), solidPixels(8, 4, Qt::red)));
    const QImage second = copyOf(canvas);
    EXPECT_EQ(second.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(second.pixelColor(3, 1), QColor(Qt::red));
    EXPECT_EQ(second.pixelColor(4, 2), QColor(Qt::black));
}

TEST(APShareCanvasTest, ScreenSizesBeyondTheLimitAreRefused) {
    const std::pair<QSize, bool> cases[] = {{QSize(65535, 65535), false}, {QSize(16385, 100), false},
                                            {QSize(100, 16385), false},   {QSize(0, 1080), false},
                                            {QSize(16384, 16384), true},  {QSize(1, 1), true}};
    for (auto [size, ok] : cases) {
        APShareCanvas canvas;
        EXPECT_EQ(canvas.start(size), ok) << size.width() << "x" << size.height();
        EXPECT_EQ(canvas.isStarted(), ok);
    }
    APShareCanvas refused;
    refused.start(QSize(65535, 65535));
    EXPECT_FALSE(drawTopLeft(refused, QRect(0, 0, 2, 2), solidPixels(2, 2, Qt::red)));
}

TEST(APShareCanvasTest, StopDropsRectanglesAndRestartBeginsBlack) {
    APShareCanvas canvas;
    ASSERT_TRUE(canvas.start(QSize(32, 32)));
    ASSERT_TRUE(drawTopLeft(canvas, QRect(0, 0, 32, 32), solidPixels(32, 32, Qt::white)));
    canvas.stop();
    EXPECT_FALSE(drawTopLeft(canvas, QRect(0, 0, 4, 4), solidPixels(4, 4, Qt::red)));
    EXPECT_TRUE(copyOf(canvas).isNull());

    canvas.restart();
    ASSERT_TRUE(drawTopLeft(canvas, QRect(0, 0, 4, 4), solidPixels(4, 4, Qt::red)));
    const QImage image = copyOf(canvas);
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(10, 10), QColor(Qt::black)) << "the old picture is gone";
}
