// JPEG coding of rectangles: the byte order of each colour-space code in both
// directions, the bottom-up round trip, and the bounds on both buffers.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "datamanager/JpegCodec.h"

namespace {

constexpr int W = 48, H = 32;

// A uniform picture of one colour, laid out in the code's byte order.
std::vector<uint8_t> Uniform(int code, uint8_t r, uint8_t g, uint8_t b) {
    const int bpp = JpegBytesPerPixel(code);
    const int pitch = code >= 2 ? W * 4 : (W * 3 + 3) / 4 * 4;
    std::vector<uint8_t> pixels(size_t(pitch) * H, 0);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            uint8_t* p = &pixels[size_t(y) * pitch + x * bpp];
            const bool bgr = code == 0 || code == 2;
            p[0] = bgr ? b : r;
            p[1] = g;
            p[2] = bgr ? r : b;
        }
    return pixels;
}

std::vector<uint8_t> Compress(const std::vector<uint8_t>& src, int w, int h, int code, bool bottomUp,
                              int quality = 95) {
    std::vector<uint8_t> jpeg(JpegCompressBound(w, h));
    size_t n = 0;
    EXPECT_TRUE(JpegCompress(src.data(), w, h, code, bottomUp, jpeg.data(), jpeg.size(), &n, quality));
    jpeg.resize(n);
    return jpeg;
}

TEST(JpegCodec, ColourOrdersOfTheFourCodes) {
    const uint8_t r = 220, g = 120, b = 30;
    struct Case {
        int code;
        int bpp;
        uint8_t first, second, third;  // what decompression writes
    } cases[] = {
        {0, 3, r, g, b},  // reads blue, green, red; writes red, green, blue
        {1, 3, b, g, r},
        {2, 4, r, g, b},
        {3, 4, b, g, r},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const std::vector<uint8_t> jpeg = Compress(Uniform(c.code, r, g, b), W, H, c.code, false);
        std::vector<uint8_t> out(size_t(W) * H * c.bpp);
        size_t length = 0;
        int w = 0, h = 0;
        ASSERT_EQ(JpegDecompress(jpeg.data(), jpeg.size(), out.data(), out.size(), &length, &w, &h, c.code, 0,
                                 1, 1),
                  0);
        EXPECT_EQ(length, out.size());
        EXPECT_EQ(w, W);
        EXPECT_EQ(h, H);
        for (size_t i = 0; i < out.size(); i += size_t(c.bpp) * 37) {
            EXPECT_NEAR(out[i], c.first, 4);
            EXPECT_NEAR(out[i + 1], c.second, 4);
            EXPECT_NEAR(out[i + 2], c.third, 4);
            if (c.bpp == 4) {
                EXPECT_EQ(out[i + 3], 255);
            }
        }
    }
}

TEST(JpegCodec, BottomUpCodingAndDecodingGiveTheRowsBack) {
    // Bands of distinct grey levels, 8 rows each, top to bottom.
    std::vector<uint8_t> src(size_t(W) * H * 4, 255);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) std::memset(&src[(size_t(y) * W + x) * 4], 40 + (y / 8) * 50, 3);
    const std::vector<uint8_t> jpeg = Compress(src, W, H, 3, true);
    auto rowLevel = [&](const std::vector<uint8_t>& pic, int y) {
        return int(pic[(size_t(y) * W + W / 2) * 4]);
    };
    struct Case {
        int orientation;
        bool sameOrder;
    } cases[] = {{2, true}, {0, false}};
    for (const Case& c : cases) {
        std::vector<uint8_t> out(src.size());
        ASSERT_EQ(
            JpegDecompress(jpeg.data(), jpeg.size(), out.data(), out.size(), nullptr, 3, c.orientation, 1, 1),
            0);
        for (int y = 0; y < H; y += 3) {
            const int want = rowLevel(src, c.sameOrder ? y : H - 1 - y);
            EXPECT_NEAR(rowLevel(out, y), want, 6) << "orientation " << c.orientation << " row " << y;
        }
    }
}

TEST(JpegCodec, BuffersAreNeverOverrun) {
    std::vector<uint8_t> noise(size_t(W) * H * 4);
    std::mt19937 rng(5);
    for (uint8_t& v : noise) v = uint8_t(rng());
    // The library's own bound holds the worst case; a smaller buffer, even
    // one the JPEG would fit, is refused (the library would write up to its bound).
    const std::vector<uint8_t> jpeg = Compress(noise, W, H, 3, false, 100);
    ASSERT_FALSE(jpeg.empty());
    std::vector<uint8_t> small(JpegCompressBound(W, H) - 1);
    ASSERT_GT(small.size(), jpeg.size());
    size_t n = 0;
    EXPECT_FALSE(JpegCompress(noise.data(), W, H, 3, false, small.data(), small.size(), &n, 100));
    EXPECT_FALSE(JpegCompress(noise.data(), W, H, 3, false, small.data(), small.size(), &n, 101));
    EXPECT_FALSE(JpegCompress(noise.data(), W, H, 3, false, small.data(), small.size(), &n, -1));

    // Decoding: a destination smaller than the picture, a cut stream, garbage.
    std::vector<uint8_t> out(size_t(W) * H * 4);
    EXPECT_EQ(JpegDecompress(jpeg.data(), jpeg.size(), out.data(), out.size() - 1, nullptr, 3, 0, 1, 1), -1);
    EXPECT_EQ(JpegDecompress(jpeg.data(), jpeg.size() / 2, out.data(), out.size(), nullptr, 3, 0, 1, 1), -1);
    const std::vector<uint8_t> garbage(200, 0x5A);
    EXPECT_EQ(JpegDecompress(garbage.data(), garbage.size(), out.data(), out.size(), nullptr, 3, 0, 1, 1),
              -1);
    EXPECT_EQ(JpegDecompress(jpeg.data(), jpeg.size(), out.data(), out.size(), nullptr, 3, 0, 1, 3), -1);
    // Half scale fits a quarter of the bytes.
    int w = 0, h = 0;
    std::vector<uint8_t> half(size_t(W / 2) * (H / 2) * 4);
    EXPECT_EQ(JpegDecompress(jpeg.data(), jpeg.size(), half.data(), half.size(), nullptr, &w, &h, 3, 0, 1, 2),
              0);
    EXPECT_EQ(w, W / 2);
    EXPECT_EQ(h, H / 2);
}

}  // namespace
