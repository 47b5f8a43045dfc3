#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "video/PictureConverter.h"

namespace {

using Bytes = std::vector<uint8_t>;
using PC = CPictureConverter;

// Luma the encoder input gives a grey pixel of value g.
int GreyLuma(int g) {
    return ((220 * g) >> 8) + 16;
}

// A packed picture of 3-byte grey pixels whose value is picked per (column, row).
template <class F>
Bytes GreyPicture(int width, int height, F grey) {
    Bytes p(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int k = 0; k < 3; ++k) p[(y * width + x) * 3 + k] = static_cast<uint8_t>(grey(x, y));
    return p;
}

struct Planes {
    Bytes y, u, v;
    Planes(int w, int h, uint8_t fill = 0xEE)
        : y(static_cast<size_t>(w) * h, fill),
          u(static_cast<size_t>(w / 2) * (h / 2) + 4, fill),
          v(static_cast<size_t>(w / 2) * (h / 2) + 4, fill) {}
};

// --- decoded YUV 4:2:0 to RGB -------------------------------------------------------------

TEST(PictureConverterYuvToRgb, StudioRangeValuesAndClamping) {
    struct Case {
        uint8_t y, u, v;
        std::array<uint8_t, 3> rgb;
    };
    const Case cases[] = {
        {16, 128, 128, {0, 0, 0}},         // black
        {235, 128, 128, {254, 254, 254}},  // 76309 * 219 >> 16 = 254
        {81, 90, 240, {254, 0, 0}},        // green and blue come out at -1 and clamp to 0
        {128, 64, 192, {232, 103, 1}},    {200, 30, 100, {169, 255, 16}},  // green clamps at the top
    };
    for (const Case& c : cases) {
        uint8_t out[4] = {};
        ASSERT_TRUE(PC::ConvertYUV420ToRGBCuttingMergin(out, 1, 1, &c.y, &c.u, &c.v, false, false, true, 1));
        EXPECT_EQ(out[0], c.rgb[0]) << int(c.y) << "," << int(c.u) << "," << int(c.v);
        EXPECT_EQ(out[1], c.rgb[1]);
        EXPECT_EQ(out[2], c.rgb[2]);
        EXPECT_EQ(out[3], 255);
    }
}

// 3 x 3 picture with stride 8: chroma is shared by 2 x 2 blocks, the odd last
// column and row use the block they fall in, and bytes beyond width are skipped.
struct OddPicture {
    static constexpr int kStride = 8;
    Bytes y = Bytes(kStride * 3, 0), u = Bytes(kStride / 2 * 2, 128), v = Bytes(kStride / 2 * 2, 128);
    OddPicture() {
        const uint8_t luma[3][3] = {{16, 235, 16}, {235, 16, 235}, {16, 16, 235}};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) y[r * kStride + c] = luma[r][c];
        for (int r = 0; r < 3; ++r) y[r * kStride + 3] = 99;  // padding, never read as a pixel
        // Chroma block (1, 1) (last column, last row) is pure red.
        y[2 * kStride + 2] = 81;
        u[kStride / 2 + 1] = 90;
        v[kStride / 2 + 1] = 240;
    }
};

TEST(PictureConverterYuvToRgb, OddSizeStrideFlipSwapAndAlpha) {
    OddPicture p;
    struct Case {
        bool flip, swap, alpha;
    };
    for (Case c : {Case{false, false, false}, Case{true, false, true}, Case{false, true, true},
                   Case{true, true, false}}) {
        int bpp = c.alpha ? 4 : 3;
        Bytes out(3 * 3 * bpp + 8, 0xAB);
        ASSERT_TRUE(PC::ConvertYUV420ToRGBCuttingMergin(out.data(), 3, 3, p.y.data(), p.u.data(), p.v.data(),
                                                        c.flip, c.swap, c.alpha, OddPicture::kStride));
        auto px = [&](int col, int row) { return &out[((c.flip ? 2 - row : row) * 3 + col) * bpp]; };
        const uint8_t grey[3][3] = {{0, 254, 0}, {254, 0, 254}, {0, 0, 0}};
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col) {
                if (row == 2 && col == 2) continue;
                EXPECT_EQ(px(col, row)[0], grey[row][col]) << col << "," << row;
                EXPECT_EQ(px(col, row)[1], grey[row][col]);
                if (c.alpha) {
                    EXPECT_EQ(px(col, row)[3], 255);
                }
            }
        const uint8_t* red = px(2, 2);
        EXPECT_EQ(red[c.swap ? 2 : 0], 254);
        EXPECT_EQ(red[1], 0);
        EXPECT_EQ(red[c.swap ? 0 : 2], 0);
        for (size_t i = 3 * 3 * bpp; i < out.size(); ++i) ASSERT_EQ(out[i], 0xAB) << "wrote past the picture";
    }
}

TEST(PictureConverterYuvToRgb, SeparateChromaStride) {
    // Luma rows of 64 bytes, chroma rows of 48 (not half the luma stride).
    Bytes y(64 * 4, 235), u(48 * 2, 128), v(48 * 2, 128);
    u[48] = 90;  // block row 1, column 0: red
    v[48] = 240;
    y[2 * 64] = 81;
    Bytes out(2 * 4 * 3);
    ASSERT_TRUE(PC::ConvertYUV420ToRGBCuttingMergin(out.data(), 2, 4, y.data(), u.data(), v.data(), false,
                                                    false, false, 64, 48));
    EXPECT_EQ(out[4 * 3 + 0], 254);
    EXPECT_EQ(out[4 * 3 + 1], 0);
    EXPECT_EQ(out[0], 254);
    EXPECT_EQ(out[1], 254);
}

TEST(PictureConverterYuvToRgb, PlainFormUsesPaddedStride) {
    // Width 48 leaves 16 after division by 32, so rows are 64 bytes apart; width 32 has no padding.
    for (int width : {48, 32}) {
        int stride = width % 32 == 16 ? width + 16 : width;
        Bytes y(static_cast<size_t>(stride) * 2, 16), u(stride / 2, 128), v(stride / 2, 128);
        for (int c = 0; c < width; ++c) y[stride + c] = 235;  // second row white
        Bytes out(static_cast<size_t>(width) * 2 * 3);
        ASSERT_TRUE(
            PC::ConvertYUV420ToRGB(out.data(), width, 2, y.data(), u.data(), v.data(), false, false, false));
        EXPECT_EQ(out[0], 0) << width;
        EXPECT_EQ(out[width * 3], 254) << width;
        EXPECT_EQ(out[(2 * width - 1) * 3], 254) << width;
    }
}

TEST(PictureConverterYuvToRgb, NullBufferWritesNothing) {
    uint8_t plane[4] = {16, 16, 16, 16}, out[16];
    std::fill(std::begin(out), std::end(out), 7);
    EXPECT_FALSE(
        PC::ConvertYUV420ToRGBCuttingMergin(out, 2, 2, plane, nullptr, plane, false, false, true, 2));
    EXPECT_FALSE(
        PC::ConvertYUV420ToRGBCuttingMergin(nullptr, 2, 2, plane, plane, plane, false, false, true, 2));
    for (uint8_t b : out) EXPECT_EQ(b, 7);
}

// --- RGB to YUV 4:2:0 ------------------------------------------------------------------------

TEST(PictureConverterRgbToYuv, BlockValuesInEveryFormat) {
    struct Case {
        std::array<uint8_t, 3> rgb;
        uint8_t y, u, v;
    };
    const Case cases[] = {
        {{255, 0, 0}, 81, 90, 239},  // the red reference block
        {{255, 255, 255}, 235, 128, 128},
        {{0, 0, 0}, 16, 128, 128},
        {{0, 0, 255}, 40, 239, 110},
    };
    for (int format = 0; format < 4; ++format) {
        int bpp = PC::BytesPerPixel(format);
        for (const Case& c : cases) {
            Bytes src(4 * bpp, 17);  // alpha bytes hold 17: they must be ignored
            for (int i = 0; i < 4; ++i) {
                uint8_t* p = &src[i * bpp];
                p[format & 1 ? 2 : 0] = c.rgb[0];
                p[1] = c.rgb[1];
                p[format & 1 ? 0 : 2] = c.rgb[2];
            }
            Planes out(2, 2);
            ASSERT_TRUE(PC::ConvertRGBToYUV420(out.y.data(), out.u.data(), out.v.data(), 2, 2, src.data(),
                                               format, 0));
            for (int i = 0; i < 4; ++i) EXPECT_EQ(out.y[i], c.y) << "format " << format;
            EXPECT_EQ(out.u[0], c.u) << "format " << format;
            EXPECT_EQ(out.v[0], c.v) << "format " << format;
        }
    }
}

TEST(PictureConverterRgbToYuv, ChromaOfMixedBlockRoundsDown) {
    // One red pixel and three black: U = floor(-38 * 255 / 1024) + 128 = -10 + 128.
    Bytes src(12, 0);
    src[0] = 255;
    Planes out(2, 2);
    ASSERT_TRUE(PC::ConvertRGBToYUV420(out.y.data(), out.u.data(), out.v.data(), 2, 2, src.data(), 0, 0));
    EXPECT_EQ(out.y[0], 81);
    EXPECT_EQ(out.y[1], 16);
    EXPECT_EQ(out.u[0], 118);
    EXPECT_EQ(out.v[0], 155);
}

TEST(PictureConverterRgbToYuv, FlipCodes) {
    const int w = 4, h = 4;
    Bytes src = GreyPicture(w, h, [](int x, int y) { return 10 * (y * w + x); });
    for (int flip = 0; flip < 4; ++flip) {
        Planes out(w, h);
        ASSERT_TRUE(
            PC::ConvertRGBToYUV420(out.y.data(), out.u.data(), out.v.data(), w, h, src.data(), 0, flip));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int sx = flip & 1 ? w - 1 - x : x;
                int sy = flip & 2 ? h - 1 - y : y;
                EXPECT_EQ(out.y[y * w + x], GreyLuma(10 * (sy * w + sx)))
                    << "flip " << flip << " at " << x << "," << y;
            }
    }
}

TEST(PictureConverterRgbToYuv, OddSizeWritesLumaOnlyAtTheEdge) {
    const int w = 3, h = 3;
    Bytes src = GreyPicture(w, h, [](int x, int y) { return 20 * (y * w + x); });
    Planes out(w, h);
    ASSERT_TRUE(PC::ConvertRGBToYUV420(out.y.data(), out.u.data(), out.v.data(), w, h, src.data(), 0, 3));
    for (int i = 0; i < w * h; ++i) EXPECT_EQ(out.y[i], GreyLuma(20 * (w * h - 1 - i)));
    EXPECT_EQ(out.u[0], 128);
    EXPECT_EQ(out.v[0], 128);
    for (size_t i = 1; i < out.u.size(); ++i)
        EXPECT_EQ(out.u[i], 0xEE) << "chroma written beyond (w/2)*(h/2)";
}

TEST(PictureConverterRgbToYuv, ResizeSamplingCropAndFlips) {
    // Each case: source size, destination size, flip, expected source columns and rows.
    struct Case {
        int sw, sh, dw, dh, flip;
        std::vector<int> cols, rows;
    };
    const Case cases[] = {
        {8, 4, 4, 2, 0, {0, 2, 4, 6}, {0, 2}},         // same aspect, s = 0.5: every second pixel
        {10, 4, 4, 4, 0, {3, 4, 5, 6}, {0, 1, 2, 3}},  // wider: 3 columns cut on each side
        {10, 4, 4, 4, 1, {6, 5, 4, 3}, {0, 1, 2, 3}},
        {20, 8, 4, 4, 0, {6, 8, 10, 12}, {0, 2, 4, 6}},  // crop and s = 0.5
        // Backwards runs start at crop + floor(dst / s) - 1 and step by floor(i / s).
        {20, 8, 4, 4, 3, {13, 11, 9, 7}, {7, 5, 3, 1}},
        {4, 10, 4, 4, 2, {0, 1, 2, 3}, {6, 5, 4, 3}},  // taller: rows cut top and bottom
    };
    for (const Case& c : cases) {
        Bytes src = GreyPicture(c.sw, c.sh, [&](int x, int y) { return x * 11 + y * 3; });
        Planes out(c.dw, c.dh);
        ASSERT_TRUE(PC::ConvertRGBToYUV420Resize(out.y.data(), out.u.data(), out.v.data(), c.dw, c.dh,
                                                 src.data(), c.sw, c.sh, 0, c.flip));
        for (int l = 0; l < c.dh; ++l)
            for (int k = 0; k < c.dw; ++k)
                EXPECT_EQ(out.y[l * c.dw + k], GreyLuma(c.cols[k] * 11 + c.rows[l] * 3))
                    << c.sw << "x" << c.sh << " flip " << c.flip << " at " << k << "," << l;
    }
}

TEST(PictureConverterRgbToYuv, CameraSizesToEncoderSizes) {
    // 1280 x 720 to 640 x 480 cuts 160 columns on each side: the left edge is
    // column 160, the right edge column 1118.
    Bytes src = GreyPicture(1280, 720, [](int x, int) { return x == 160 || x >= 1118 ? 255 : 0; });
    Planes out(640, 480);
    ASSERT_TRUE(PC::ConvertRGBToYUV420Resize(out.y.data(), out.u.data(), out.v.data(), 640, 480, src.data(),
                                             1280, 720, 0, 0));
    EXPECT_EQ(out.y[0], 235);
    EXPECT_EQ(out.y[1], 16);
    EXPECT_EQ(out.y[639], 235);
    EXPECT_EQ(out.y[479 * 640], 235);

    // 640 x 480 to 320 x 240: no crop, every second pixel.
    Bytes src2 = GreyPicture(640, 480, [](int x, int y) { return (x % 2 == 0 && y % 2 == 0) ? 255 : 0; });
    Planes out2(320, 240);
    ASSERT_TRUE(PC::ConvertRGBToYUV420Resize(out2.y.data(), out2.u.data(), out2.v.data(), 320, 240,
                                             src2.data(), 640, 480, 0, 0));
    for (uint8_t y : out2.y) ASSERT_EQ(y, 235);
}

TEST(PictureConverterRgbToYuv, NullBuffersAndBadFormatRefused) {
    Bytes src(12, 0);
    Planes out(2, 2);
    EXPECT_FALSE(
        PC::ConvertRGBToYUV420Resize(out.y.data(), nullptr, out.v.data(), 2, 2, src.data(), 2, 2, 0, 0));
    EXPECT_FALSE(
        PC::ConvertRGBToYUV420Resize(out.y.data(), out.u.data(), out.v.data(), 2, 2, nullptr, 4, 4, 0, 0));
    EXPECT_FALSE(PC::ConvertRGBToYUV420(out.y.data(), out.u.data(), out.v.data(), 2, 2, src.data(), 4, 0));
    for (uint8_t b : out.y) EXPECT_EQ(b, 0xEE);
}

TEST(PictureConverterRgbToYuv, RoundTripStaysClose) {
    std::mt19937 rng(7);
    const int w = 16, h = 16;
    Bytes src(w * h * 3);
    // Smooth colours (one per 2 x 2 block), so chroma subsampling loses nothing.
    for (int by = 0; by < h; by += 2)
        for (int bx = 0; bx < w; bx += 2) {
            uint8_t rgb[3] = {uint8_t(rng() % 200 + 28), uint8_t(rng() % 200 + 28),
                              uint8_t(rng() % 200 + 28)};
            for (int y = by; y < by + 2; ++y)
                for (int x = bx; x < bx + 2; ++x)
                    for (int k = 0; k < 3; ++k) src[(y * w + x) * 3 + k] = rgb[k];
        }
    Planes yuv(w, h);
    ASSERT_TRUE(PC::ConvertRGBToYUV420(yuv.y.data(), yuv.u.data(), yuv.v.data(), w, h, src.data(), 0, 0));
    Bytes back(w * h * 3);
    ASSERT_TRUE(PC::ConvertYUV420ToRGBCuttingMergin(back.data(), w, h, yuv.y.data(), yuv.u.data(),
                                                    yuv.v.data(), false, false, false, w));
    for (size_t i = 0; i < src.size(); ++i) ASSERT_NEAR(back[i], src[i], 4) << i;
}

// --- packed resizing, flips and format changes -----------------------------------------------

// A 3-byte-per-pixel test picture in `format` whose pixel (x, y) has red x * 16 + y,
// green 100 and blue 200 (alpha 7 for 4-byte formats).
Bytes Tagged(int w, int h, int format) {
    int bpp = PC::BytesPerPixel(format);
    Bytes p(static_cast<size_t>(w) * h * bpp);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* q = &p[(y * w + x) * bpp];
            q[format & 1 ? 2 : 0] = static_cast<uint8_t>(x * 16 + y);
            q[1] = 100;
            q[format & 1 ? 0 : 2] = 200;
            if (bpp == 4) q[3] = 7;
        }
    return p;
}

// Checks that dst (dw x dh, format) pixel (c, l) is source pixel (cols[c], rows[l]) of Tagged.
void ExpectTagged(const Bytes& dst, int dw, int dh, int format, const std::vector<int>& cols,
                  const std::vector<int>& rows) {
    int bpp = PC::BytesPerPixel(format);
    for (int l = 0; l < dh; ++l)
        for (int c = 0; c < dw; ++c) {
            const uint8_t* q = &dst[(l * dw + c) * bpp];
            EXPECT_EQ(q[format & 1 ? 2 : 0], cols[c] * 16 + rows[l]) << "pixel " << c << "," << l;
            EXPECT_EQ(q[1], 100);
            EXPECT_EQ(q[format & 1 ? 0 : 2], 200);
            if (bpp == 4) {
                EXPECT_EQ(q[3], 255);
            }
        }
}

TEST(PictureConverterResize, RatioInvertCropsFlipsAndConvertsFormats) {
    struct Case {
        int sw, sh, sf, dw, dh, df;
        bool flip, mirror;
        std::vector<int> cols, rows;
    };
    const Case cases[] = {
        {5, 3, 0, 3, 3, 0, false, false, {1, 2, 3}, {0, 1, 2}},        // odd width, cropped left and right
        {4, 4, 2, 2, 2, 0, false, false, {0, 2}, {0, 2}},              // camera form: RGBA to RGB keeps order
        {4, 4, 3, 2, 2, 0, false, false, {0, 2}, {0, 2}},              // BGRA to RGB exchanges bytes 0 and 2
        {4, 4, 0, 4, 4, 3, false, false, {0, 1, 2, 3}, {0, 1, 2, 3}},  // RGB to BGRA adds alpha 255
        {4, 6, 1, 4, 2, 1, false, false, {0, 1, 2, 3}, {2, 3}},  // cropped top and bottom to rows 2 and 3
        {3, 3, 2, 3, 3, 0, true, false, {0, 1, 2}, {2, 1, 0}},
        {3, 3, 2, 3, 3, 2, false, true, {2, 1, 0}, {0, 1, 2}},
        {6, 3, 0, 3, 3, 1, true, true, {3, 2, 1}, {2, 1, 0}},
    };
    for (const Case& c : cases) {
        Bytes src = Tagged(c.sw, c.sh, c.sf);
        Bytes dst(static_cast<size_t>(c.dw) * c.dh * PC::BytesPerPixel(c.df) + 4, 0x5A);
        PC::ResizeBitmapRatioInvert(src.data(), c.sw, c.sh, c.sf, dst.data(), c.dw, c.dh, c.df, c.flip,
                                    c.mirror);
        SCOPED_TRACE(testing::Message()
                     << c.sw << "x" << c.sh << "/" << c.sf << " -> " << c.dw << "x" << c.dh << "/" << c.df);
        ExpectTagged(dst, c.dw, c.dh, c.df, c.cols, c.rows);
        for (size_t i = dst.size() - 4; i < dst.size(); ++i) EXPECT_EQ(dst[i], 0x5A);
    }
}

TEST(PictureConverterResize, OtherPackedForms) {
    {  // rows of 3-byte pixels in reverse order
        Bytes src = Tagged(3, 2, 0), dst(src.size());
        PC::InvertBitmap(src.data(), dst.data(), 3, 2);
        ExpectTagged(dst, 3, 2, 0, {0, 1, 2}, {1, 0});
    }
    {  // scaled vertical flip between formats
        Bytes src = Tagged(4, 4, 0), dst(2 * 2 * 4);
        PC::InvertBitmap(src.data(), 4, 4, 0, dst.data(), 2, 2, 3);
        ExpectTagged(dst, 2, 2, 3, {0, 2}, {2, 0});
    }
    {  // scaled mirror
        Bytes src = Tagged(4, 2, 3), dst(2 * 2 * 3);
        PC::InvertBitmapH(src.data(), 4, 2, 3, dst.data(), 2, 2, 0);
        ExpectTagged(dst, 2, 2, 0, {2, 0}, {0, 1});
    }
    {  // aspect crop for 3-byte pixels
        Bytes src = Tagged(8, 2, 0), dst(2 * 2 * 3);
        PC::ResizeBitmapRatio(src.data(), 8, 2, dst.data(), 2, 2);
        ExpectTagged(dst, 2, 2, 0, {3, 4}, {0, 1});
    }
    {  // RGBA nearest neighbour, and the centred zoom
        Bytes src = Tagged(8, 8, 2), dst(4 * 4 * 4);
        PC::ResizeRGBA(src.data(), 8, 8, dst.data(), 4, 4);
        ExpectTagged(dst, 4, 4, 2, {0, 2, 4, 6}, {0, 2, 4, 6});
        PC::ResizeRGBA_Zoom(src.data(), 8, 8, dst.data(), 4, 4, 2.0f);
        ExpectTagged(dst, 4, 4, 2, {2, 3, 4, 5}, {2, 3, 4, 5});
        PC::ResizeRGBA_Zoom(src.data(), 8, 8, dst.data(), 4, 4, 1.0f);  // no zoom at 1
        ExpectTagged(dst, 4, 4, 2, {0, 2, 4, 6}, {0, 2, 4, 6});
    }
}

// --- semi-planar YUV 4:2:0 (V, U pairs) ------------------------------------------------------

TEST(PictureConverterSemiPlanar, PixelFormula) {
    struct Case {
        uint8_t y, u, v;
        std::array<uint8_t, 3> rgb;
    };
    const Case cases[] = {
        {16, 128, 128, {0, 0, 0}},
        {235, 128, 128, {254, 254, 254}},
        {255, 128, 128, {255, 255, 255}},
        {81, 90, 240, {254, 0, 0}},
        {128, 64, 192, {232, 103, 1}},
        {10, 128, 200, {107, 0, 0}},  // Y below 16 is not lifted before the chroma terms
    };
    for (const Case& c : cases) {
        for (int format : {0, 3}) {
            uint8_t yuv[4 + 2] = {c.y, c.y, c.y, c.y, c.v, c.u};
            uint8_t out[2 * 2 * 4];
            ASSERT_TRUE(PC::ConvertYUV420spToRGB(out, 2, 2, format, yuv, 2, 2, 0, 1.0f));
            int r = format & 1 ? 2 : 0;
            EXPECT_EQ(out[r], c.rgb[0]) << int(c.y) << "," << int(c.u) << "," << int(c.v);
            EXPECT_EQ(out[1], c.rgb[1]);
            EXPECT_EQ(out[2 - r], c.rgb[2]);
            if (format == 3) {
                EXPECT_EQ(out[3], 255);
            }
        }
    }
}

// Grey semi-planar picture whose luma at (x, y) is 16 + 10 * (y * w + x).
Bytes GreySp(int w, int h) {
    Bytes p(static_cast<size_t>(w) * h + static_cast<size_t>((w + 1) & ~1) * ((h + 1) / 2), 128);
    for (int i = 0; i < w * h; ++i) p[i] = static_cast<uint8_t>(16 + 10 * i);
    return p;
}

// Source luma index of each output pixel of a grey 3-byte output.
std::vector<int> SourceIndices(const Bytes& out, int n) {
    std::vector<int> idx;
    for (int i = 0; i < n; ++i) idx.push_back((out[i * 3] * 1024 + 1023) / 1192 / 10);
    return idx;
}

TEST(PictureConverterSemiPlanar, RotationsResizeAndZoom) {
    const int w = 3, h = 2;  // odd width: chroma rows are 4 bytes
    Bytes yuv = GreySp(w, h);
    struct Case {
        int dw, dh, rotation;
        float zoom;
        std::vector<int> src;  // source luma index of each output pixel, row by row
    };
    const Case cases[] = {
        {3, 2, 0, 1.0f, {0, 1, 2, 3, 4, 5}},
        {2, 3, 1, 1.0f, {3, 0, 4, 1, 5, 2}},  // quarter turn clockwise
        {3, 2, 2, 1.0f, {5, 4, 3, 2, 1, 0}},
        {2, 3, 3, 1.0f, {2, 5, 1, 4, 0, 3}},
        {2, 2, 0, 1.0f, {0, 1, 3, 4}},  // other size: crop to the square, then scale
        {1, 1, 0, 2.0f, {1}},           // zoom 2 samples the centred part
    };
    for (const Case& c : cases) {
        Bytes out(static_cast<size_t>(c.dw) * c.dh * 3);
        ASSERT_TRUE(
            PC::ConvertYUV420spToRGB(out.data(), c.dw, c.dh, 0, yuv.data(), w, h, c.rotation, c.zoom));
        EXPECT_EQ(SourceIndices(out, c.dw * c.dh), c.src) << "rotation " << c.rotation << " zoom " << c.zoom;
    }
    Bytes out(18);
    EXPECT_FALSE(PC::ConvertYUV420spToRGB(out.data(), 3, 2, 0, yuv.data(), w, h, 1, 1.0f))
        << "a quarter turn cannot keep the size";
    EXPECT_FALSE(PC::ConvertYUV420spToRGB(out.data(), 3, 2, 0, nullptr, w, h, 0, 1.0f));
}

}  // namespace
