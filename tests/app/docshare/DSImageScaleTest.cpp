// The page pictures' arithmetic: zoom steps, fitting, scaled sizes and the
// texts of the page and zoom fields.
#include <gtest/gtest.h>

#include "docshare/DSImageScale.h"

TEST(DSImageScale, ZoomStepsStayOnWholeStepsWithinTheBounds) {
    struct Row {
        int from, in, out;
    };
    const Row rows[] = {{105, 110, 90}, {100, 110, 90},    {15, 20, 10},       {995, 1000, 980},
                        {10, 20, 10},   {1000, 1000, 990}, {5000, 1000, 4990}, {19, 20, 10}};
    for (const Row& r : rows) {
        EXPECT_EQ(DSImageScale::zoomIn(r.from, 10, 1000), r.in) << r.from;
        EXPECT_EQ(DSImageScale::zoomOut(r.from, 10, 10), r.out) << r.from;
    }
}

TEST(DSImageScale, FittingCutsTheRatioToWholePercent) {
    struct Row {
        QSizeF area, picture;
        long mode;
        double ratio;
    };
    const Row rows[] = {
        {{800, 600}, {1000, 500}, 1, 0.76},  // (800 - 35) / 1000 = 0.765
        {{800, 600}, {1000, 500}, 2, 0.76},  // a wide page stays fitted to the width
        {{800, 600}, {1000, 3000}, 1, 0.76},
        {{800, 600}, {1000, 3000}, 2, 0.19},  // too tall: (600 - 15) / 3000 = 0.195
        {{800, 600}, {0, 100}, 1, 0.0},
        {{20, 600}, {100, 100}, 1, 0.0},  // no room at all
    };
    for (const Row& r : rows) {
        EXPECT_NEAR(DSImageScale::fitRatio(r.area, 15, 15, r.picture, r.mode), r.ratio, 1e-9)
            << r.picture.width() << "x" << r.picture.height() << " mode " << r.mode;
    }
    EXPECT_EQ(DSImageScale::scaledSize({1000, 500}, 0.76), QSizeF(760, 380));
    EXPECT_EQ(DSImageScale::scaledSizeForPercent({333, 101}, 150), QSizeF(499, 151));
    EXPECT_EQ(DSImageScale::scaledSizeForPercent({2000, 2000}, 9999), QSizeF(199980, 199980));
}

TEST(DSImageScale, FieldTextsAndTheirNumbers) {
    struct Row {
        const char* text;
        int number;
        bool zoom, page;
    };
    const Row rows[] = {
        {"120%", 120, true, false},    {"120", 120, true, true}, {"１２０％", 120, false, false},
        {"１２０%", 120, true, false}, {"", 0, true, true},      {"%", 0, false, false},
        {"12a", 12, false, false},     {"1%%", 1, false, false}, {"99999999999", 0, true, true},
    };
    for (const Row& r : rows) {
        const QString text = QString::fromUtf8(r.text);
        EXPECT_EQ(DSImageScale::getNumberString(text), r.number) << r.text;
        EXPECT_EQ(DSImageScale::isZoomText(text), r.zoom) << r.text;
        EXPECT_EQ(DSImageScale::isPageText(text), r.page) << r.text;
    }
}
