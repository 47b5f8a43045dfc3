#include <gtest/gtest.h>

#include <cmath>

#include "conference/AutoAlignmentLayout.h"

using namespace AutoAlignmentLayout;

namespace {

constexpr double kEps = 0.01;

Params params(int count, double width, double height, double aspect = 4.0 / 3.0) {
    Params p;
    p.count = count;
    p.margin = 3;
    p.interval = 3;
    p.aspect = aspect;
    p.viewSize = QSizeF(width, height);
    return p;
}

}  // namespace

// Grids with margin 3 and gap 3 and 4:3 tiles, computed by hand from the search.
TEST(AutoAlignmentLayout, GridSearchPicksTheLargestTiles) {
    struct Case {
        int count;
        double width, height;
        int rows, columns;
        double itemW, itemH;
        double minW, minH;
    };
    const Case cases[] = {
        // two rows of three beat one row of five (width-limited 316 by 237)
        {5, 960, 540, 2, 3, 316, 237, 252, 129},
        // a tall view counts columns: one column of three
        {3, 400, 600, 3, 1, 261.333, 196, 86, 192},
        // one tile, height-limited
        {1, 800, 400, 1, 1, 525.333, 394, 86, 66},
        // below the minimum: 80 by 60 tiles, the grid overflows the view
        {12, 300, 200, 3, 4, 80, 60, 335, 192},
        // empty: nothing, yet a minimum view size of 2m - g
        {0, 640, 480, 0, 0, 0, 0, 3, 3},
    };
    for (const Case& c : cases) {
        const Grid grid = calcAlignmentSize(params(c.count, c.width, c.height));
        SCOPED_TRACE(testing::Message() << c.count << " tiles in " << c.width << "x" << c.height);
        EXPECT_EQ(grid.rows, c.rows);
        EXPECT_EQ(grid.columns, c.columns);
        EXPECT_NEAR(grid.itemSize.width(), c.itemW, kEps);
        EXPECT_NEAR(grid.itemSize.height(), c.itemH, kEps);
        EXPECT_NEAR(grid.minViewSize.width(), c.minW, kEps);
        EXPECT_NEAR(grid.minViewSize.height(), c.minH, kEps);
    }
}

TEST(AutoAlignmentLayout, FiveTilesInAWideViewArePlacedRowByRowFromTheTop) {
    const Params p = params(5, 960, 540);
    const Grid grid = calcAlignmentSize(p);
    const auto frames = placeTiles(grid, 5, 3, TILE_ALIGN_CENTER, p.viewSize);
    ASSERT_EQ(frames.size(), 5u);
    const double expected[5][2] = {{3, 271.5}, {322, 271.5}, {641, 271.5}, {162.5, 31.5}, {481.5, 31.5}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(frames[i].x(), expected[i][0], kEps) << i;
        EXPECT_NEAR(frames[i].y(), expected[i][1], kEps) << i;
        EXPECT_NEAR(frames[i].width(), 316, kEps);
        EXPECT_NEAR(frames[i].height(), 237, kEps);
    }
}

TEST(AutoAlignmentLayout, AlignmentModesAndOverflow) {
    // A single tile in a row: centred, 3 from the left, or ending 3 from the right.
    const Params p = params(1, 800, 400);
    const Grid grid = calcAlignmentSize(p);
    EXPECT_NEAR(placeTiles(grid, 1, 3, TILE_ALIGN_CENTER, p.viewSize)[0].x(), 137.333, kEps);
    EXPECT_NEAR(placeTiles(grid, 1, 3, TILE_ALIGN_CENTER, p.viewSize)[0].y(), 3, kEps);
    EXPECT_NEAR(placeTiles(grid, 1, 3, TILE_ALIGN_LEFT, p.viewSize)[0].x(), 3, kEps);
    EXPECT_NEAR(placeTiles(grid, 1, 3, TILE_ALIGN_RIGHT, p.viewSize)[0].right(), 797, kEps);
    EXPECT_EQ(placeTiles(grid, 1, 3, 7, p.viewSize)[0].x(), 0);

    // Minimum tiles overflow a small view on both sides.
    const Params small = params(12, 300, 200);
    const auto frames = placeTiles(calcAlignmentSize(small), 12, 3, TILE_ALIGN_CENTER, small.viewSize);
    ASSERT_EQ(frames.size(), 12u);
    EXPECT_NEAR(frames[0].x(), -14.5, kEps);
    EXPECT_NEAR(frames[3].right(), 314.5, kEps);
    EXPECT_NEAR(frames[0].y(), 133, kEps);  // three rows of 60 centred: (200 - 186) / 2 below the top

    // A grid without columns places nothing.
    EXPECT_TRUE(
        placeTiles(calcAlignmentSize(params(0, 640, 480)), 0, 3, TILE_ALIGN_CENTER, {640, 480}).empty());
}

TEST(AutoAlignmentLayout, TiesKeepTheCandidateWithMoreRowsOrColumns) {
    // Three square tiles. Tall 209 by 312: two columns give (209 - 9) / 2 = 100,
    // one column of three is height-limited to (312 - 12) / 3 = 100: the
    // earlier candidate (more columns) stays. Wide 312 by 209 mirrors it with rows.
    Grid grid = calcAlignmentSize(params(3, 209, 312, 1.0));
    EXPECT_EQ(grid.columns, 2);
    EXPECT_EQ(grid.rows, 2);
    EXPECT_DOUBLE_EQ(grid.itemSize.width(), 100);
    grid = calcAlignmentSize(params(3, 312, 209, 1.0));
    EXPECT_EQ(grid.rows, 2);
    EXPECT_EQ(grid.columns, 2);
    EXPECT_DOUBLE_EQ(grid.itemSize.width(), 100);
    // A square view counts as tall: k counts columns (two tiles side by side
    // would be wider here, but one column is the only candidate for k0 = 1).
    grid = calcAlignmentSize(params(2, 300, 300));
    EXPECT_EQ(grid.columns, 1);
    EXPECT_EQ(grid.rows, 2);
}

TEST(AutoAlignmentLayout, ATileWithoutHeightFallsBackToFourByThree) {
    for (double aspect : {0.0, -1.0, double(INFINITY), double(NAN)}) {
        const Grid grid = calcAlignmentSize(params(1, 800, 400, aspect));
        EXPECT_TRUE(std::isfinite(grid.itemSize.width())) << aspect;
        EXPECT_NEAR(grid.itemSize.width(), 525.333, kEps) << aspect;
        EXPECT_NEAR(grid.itemSize.height(), 394, kEps) << aspect;
    }
}

TEST(AutoAlignmentLayout, CustomMinimumTileAndFitFrame) {
    Params p = params(12, 300, 200);
    p.minItemSize = QSizeF(40, 30);
    const Grid grid = calcAlignmentSize(p);
    EXPECT_NEAR(grid.itemSize.width(), 71.25, kEps);  // above the custom minimum: kept
    EXPECT_NEAR(grid.minViewSize.width(), 4 * 40 + 6 + 9, kEps);
    EXPECT_NEAR(grid.minViewSize.height(), 3 * 30 + 6 + 6, kEps);

    const QRectF fit = fitFrame(grid, 3, 3, QRectF(10, 20, 300, 200));
    EXPECT_NEAR(fit.width(), 4 * 71.25 + 6 + 9, kEps);
    EXPECT_NEAR(fit.center().x(), 160, kEps);
    EXPECT_NEAR(fit.center().y(), 120, kEps);
}
