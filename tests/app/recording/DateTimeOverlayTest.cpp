// The date and time boxes: sizes by frame width and size choice, corners,
// and what lands in the pixels of a 1280 x 720 frame.

#include <gtest/gtest.h>

#include <QImage>

#include "fixtures/app/AppTestSupport.h"
#include "recording/DateTimeOverlay.h"

namespace {

struct LayoutCase {
    double width;
    int size;
    double font, box, margin;
};

TEST(DateTimeOverlayTest, FontAndBoxFollowWidthAndSize) {
    const LayoutCase cases[] = {
        {176, 0, 6, 40, 1},  {176, 2, 6, 40, 1},   {177, 1, 12, 80, 5},  {320, 2, 15, 100, 5},
        {321, 0, 12, 80, 5}, {800, 2, 20, 120, 5}, {801, 0, 15, 100, 5}, {1280, 2, 22, 140, 5},
        {1280, 3, 0, 0, 5},  {1280, -1, 0, 0, 5},
    };
    for (const auto& c : cases) {
        const auto l = DateTimeOverlay::layout(c.width, 720, c.size, 0);
        SCOPED_TRACE(testing::Message() << c.width << " size " << c.size);
        EXPECT_EQ(l.fontSize, c.font);
        EXPECT_EQ(l.boxWidth, c.box);
        EXPECT_EQ(l.boxHeight, c.box / 4);
        EXPECT_EQ(l.margin, c.margin);
    }
}

TEST(DateTimeOverlayTest, CornersPlaceDateAboveTime) {
    struct Case {
        int corner;
        QRectF date, time;
    };
    const Case cases[] = {
        {0, {1175, 690, 100, 25}, {1175, 665, 100, 25}}, {1, {5, 690, 100, 25}, {5, 665, 100, 25}},
        {2, {1175, 30, 100, 25}, {1175, 5, 100, 25}},    {3, {5, 30, 100, 25}, {5, 5, 100, 25}},
        {7, {0, 0, 100, 25}, {0, 0, 100, 25}},
    };
    for (const auto& c : cases) {
        const auto l = DateTimeOverlay::layout(1280, 720, 0, c.corner);
        EXPECT_EQ(l.dateBox, c.date) << c.corner;
        EXPECT_EQ(l.timeBox, c.time) << c.corner;
    }
}

// Bottom-right on 1280 x 720: the boxes fill (1175..1275) x (5..55) counted
// from the bottom, i.e. image rows 665..714; nothing outside is touched.
TEST(DateTimeOverlayTest, BoxesLandInTheFramePixels) {
    ensureQtApplication();
    QImage frame(1280, 720, QImage::Format_RGB32);
    frame.fill(Qt::green);
    DateTimeOverlay::compose(frame, QDateTime(QDate(2026, 12, 11), QTime(10, 20, 30)), Qt::white, Qt::red, 0,
                             2);
    frame.save(QStringLiteral("overlay-1280x720.png"));
    const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0);
    // Box corners (inside) are the box colour.
    for (auto [x, y] : {std::pair{1175, 714}, {1274, 714}, {1175, 665}, {1274, 665}, {1176, 690}})
        EXPECT_EQ(frame.pixel(x, y), red) << x << "," << y;
    // Just outside the boxes the frame is untouched.
    for (auto [x, y] : {std::pair{1174, 700}, {1275, 700}, {1200, 715}, {1200, 664}, {10, 10}, {640, 360}})
        EXPECT_EQ(frame.pixel(x, y), green) << x << "," << y;
    // Both boxes carry text: some pixels differ from the box colour.
    auto textPixels = [&frame, red](int top) {
        int n = 0;
        for (int y = top; y < top + 25; ++y)
            for (int x = 1175; x < 1275; ++x) n += frame.pixel(x, y) != red;
        return n;
    };
    EXPECT_GT(textPixels(665), 20);  // date
    EXPECT_GT(textPixels(690), 20);  // time
}

}  // namespace
