// The comparison picture (CLBitmap) and the rectangle mask (CLRectMask).
#include <gtest/gtest.h>

#include <vector>

#include "datamanager/LBitmap.h"
#include "datamanager/LRectMask.h"

namespace {

TEST(LBitmap, ClearedCopiedAndBoundsChecked) {
    CLBitmap b(4, 3, 3);
    ASSERT_EQ(b.getLength(), 48);
    for (int i = 0; i < b.getLength(); ++i) EXPECT_EQ(b.getImage()[i], i % 4 == 3 ? 255 : 0);
    CLBitmap rgb(4, 3, 1);
    for (int i = 0; i < rgb.getLength(); ++i) EXPECT_EQ(rgb.getImage()[i], 0);
    EXPECT_EQ(rgb.getLength(), 36);

    // A 3 x 2 source at (2, 2) is cut to the 2 x 1 that fits.
    const std::vector<uint8_t> src(3 * 2 * 4, 7);
    EXPECT_TRUE(b.setImage(2, 2, src.data(), 3, 2, 3));
    std::vector<uint8_t> row(16);
    ASSERT_TRUE(b.getImage(0, 2, 4, 3, row.data(), int(row.size()), 3));
    EXPECT_EQ(row, (std::vector<uint8_t>{0, 0, 0, 255, 0, 0, 0, 255, 7, 7, 7, 7, 7, 7, 7, 7}));

    struct Case {
        int l, t, r, b, length, code;
        bool ok;
    } cases[] = {
        {0, 0, 4, 3, 48, 3, true},   {1, 1, 1, 2, 0, 3, true},  // empty rectangle
        {-1, 0, 2, 2, 48, 3, false}, {2, 0, 1, 2, 48, 3, false}, {0, 0, 5, 1, 48, 3, false},
        {0, 0, 4, 4, 64, 3, false},  {0, 0, 4, 3, 47, 3, false}, {0, 0, 1, 1, 4, 2, false},
    };
    std::vector<uint8_t> dst(64);
    for (const Case& c : cases)
        EXPECT_EQ(b.getImage(c.l, c.t, c.r, c.b, dst.data(), c.length, c.code), c.ok)
            << c.l << "," << c.t << "," << c.r << "," << c.b;
    EXPECT_FALSE(b.setImage(-1, 0, src.data(), 3, 2, 3));
    EXPECT_FALSE(b.setImage(5, 0, src.data(), 3, 2, 3));
    EXPECT_FALSE(b.setImage(0, 0, src.data(), 3, 2, 2));
    EXPECT_FALSE(b.setImage(0, 0, nullptr, 3, 2, 3));

    // Sizes whose bytes do not fit 31 bits give an empty bitmap.
    CLBitmap huge(65535, 65535, 3);
    EXPECT_EQ(huge.getImage(), nullptr);
    EXPECT_EQ(huge.getWidth(), 0);
    EXPECT_EQ(huge.getColorSpace(), 2);
    b.init();
    EXPECT_EQ(b.getImage(), nullptr);
    EXPECT_FALSE(b.getImage(0, 0, 0, 0, dst.data(), 64, 2));
}

TEST(LRectMask, MarkedRectanglesMergeIntoAreas) {
    struct Case {
        const char* name;
        std::vector<stLRect> marks;
        std::vector<stLRect> areas;
    } cases[] = {
        {"nothing", {}, {}},
        {"one", {{2, 3, 6, 5}}, {{2, 3, 6, 5}}},
        {"overlapping", {{0, 0, 10, 10}, {5, 5, 15, 15}}, {{0, 0, 10, 5}, {0, 5, 15, 10}, {5, 10, 15, 15}}},
        {"side by side", {{0, 0, 4, 2}, {6, 0, 8, 2}}, {{0, 0, 4, 2}, {6, 0, 8, 2}}},
        {"touching", {{0, 0, 4, 2}, {4, 0, 8, 2}}, {{0, 0, 8, 2}}},
        {"stacked with equal sides", {{0, 0, 8, 3}, {0, 3, 8, 6}}, {{0, 0, 8, 6}}},
        {"outside is ignored", {{0, 0, 17, 2}, {-1, 0, 2, 2}, {3, 2, 2, 4}, {1, 1, 2, 2}}, {{1, 1, 2, 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CLRectMask mask(16, 16);
        for (const stLRect& r : c.marks) mask.setRectOn(r.left, r.top, r.right, r.bottom);
        EXPECT_EQ(mask.getMaskedArea(), c.areas);
    }
    CLRectMask mask(16, 16);
    mask.setRectOn(1, 1, 3, 3);
    EXPECT_EQ(mask.getMask(1, 1), 1);
    EXPECT_EQ(mask.getMask(3, 3), 0);
    EXPECT_EQ(mask.getMask(16, 0), 255);
    mask.clear();
    EXPECT_EQ(mask.getMask(1, 1), 0);
    EXPECT_TRUE(mask.getMaskedArea().empty());
    mask.init();
    EXPECT_EQ(mask.getMask(0, 0), 255);
    EXPECT_EQ(mask.getBox(), (stLRect{32767, 32767, -32767, -32767}));
}

}  // namespace
