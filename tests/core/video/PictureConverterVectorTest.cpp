// The vector conversions give the same bytes as the formulas with the 16.16
// tables, at every vector level, for every width (whole blocks and the columns
// after them), format, flip and stride.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "video/PictureConverter.h"

namespace {

using Bytes = std::vector<uint8_t>;
using PC = CPictureConverter;

// Restores the processor's best level when a test ends.
struct LevelGuard {
    ~LevelGuard() { PC::SetVectorLevel(2); }
};

std::vector<int> Levels() {
    std::vector<int> levels{0};
    for (int l = 1; l <= 2; ++l)
        if (PC::SetVectorLevel(l) == l) levels.push_back(l);
    PC::SetVectorLevel(2);
    return levels;
}

// Random bytes with the extremes 0 and 255 made frequent.
Bytes Noise(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& x : b) {
        uint32_t r = rng();
        x = (r & 7) == 0 ? 0 : (r & 7) == 1 ? 255 : static_cast<uint8_t>(r >> 8);
    }
    return b;
}

// The decoder output straight from the tables.
Bytes ReferenceFromYuv(int w, int h, const Bytes& y, const Bytes& u, const Bytes& v, int yStride,
                       int uvStride, bool flip, bool swap, bool alpha) {
    const int bpp = alpha ? 4 : 3;
    Bytes out(static_cast<size_t>(w) * h * bpp);
    for (int row = 0; row < h; ++row)
        for (int c = 0; c < w; ++c) {
            int Y = y[row * yStride + c], U = u[(row / 2) * uvStride + c / 2],
                V = v[(row / 2) * uvStride + c / 2];
            int64_t l = PC::tab_76309[Y];
            uint8_t r = PC::clp[384 + ((l + PC::crv_tab[V]) >> 16)];
            uint8_t g = PC::clp[384 + ((l - PC::cgu_tab[U] - PC::cgv_tab[V]) >> 16)];
            uint8_t b = PC::clp[384 + ((l + PC::cbu_tab[U]) >> 16)];
            uint8_t* o = &out[((flip ? h - 1 - row : row) * w + c) * bpp];
            o[0] = swap ? b : r;
            o[1] = g;
            o[2] = swap ? r : b;
            if (alpha) o[3] = 255;
        }
    return out;
}

// The encoder input straight from the formulas (same size).
void ReferenceToYuv(int w, int h, const Bytes& src, int format, int flip, Bytes& y, Bytes& u, Bytes& v) {
    const int bpp = PC::BytesPerPixel(format), R = (format & 1) ? 2 : 0, B = 2 - R;
    auto px = [&](int c, int l) {
        int sc = (flip & 1) ? w - 1 - c : c, sl = (flip & 2) ? h - 1 - l : l;
        return &src[(static_cast<size_t>(sl) * w + sc) * bpp];
    };
    y.assign(static_cast<size_t>(w) * h, 0);
    u.assign(static_cast<size_t>(w / 2) * (h / 2), 0);
    v.assign(u.size(), 0);
    for (int l = 0; l < h; ++l)
        for (int c = 0; c < w; ++c) {
            const uint8_t* p = px(c, l);
            y[l * w + c] = static_cast<uint8_t>(((66 * p[R] + 129 * p[1] + 25 * p[B]) >> 8) + 16);
        }
    for (int l = 0; l + 1 < h; l += 2)
        for (int c = 0; c + 1 < w; c += 2) {
            int sr = 0, sg = 0, sb = 0;
            for (int k = 0; k < 4; ++k) {
                const uint8_t* p = px(c + (k & 1), l + (k >> 1));
                sr += p[R];
                sg += p[1];
                sb += p[B];
            }
            u[(l / 2) * (w / 2) + c / 2] = static_cast<uint8_t>(((112 * sb - 74 * sg - 38 * sr) >> 10) + 128);
            v[(l / 2) * (w / 2) + c / 2] = static_cast<uint8_t>(((112 * sr - 94 * sg - 18 * sb) >> 10) + 128);
        }
}

TEST(PictureConverterVector, EveryChromaPairDecodesAsTheTablesSay) {
    LevelGuard guard;
    // 512 x 512: each of the 65536 (U, V) pairs serves one 2 x 2 block of random luma.
    const int w = 512, h = 512;
    Bytes y = Noise(static_cast<size_t>(w) * h, 7), u(256 * 256), v(256 * 256);
    for (int i = 0; i < 65536; ++i) {
        u[i] = static_cast<uint8_t>(i & 255);
        v[i] = static_cast<uint8_t>(i >> 8);
    }
    const Bytes want = ReferenceFromYuv(w, h, y, u, v, w, w / 2, false, false, true);
    for (int level : Levels()) {
        ASSERT_EQ(PC::SetVectorLevel(level), level);
        Bytes out(want.size(), 0xAB);
        ASSERT_TRUE(PC::ConvertYUV420ToRGBCuttingMergin(out.data(), w, h, y.data(), u.data(), v.data(), false,
                                                        false, true, w));
        EXPECT_EQ(out, want) << "level " << level;
    }
}

TEST(PictureConverterVector, DecodeWidthsFormatsFlipsAndStrides) {
    LevelGuard guard;
    const int h = 6;
    for (int level : Levels()) {
        ASSERT_EQ(PC::SetVectorLevel(level), level);
        for (int w = 1; w <= 70; ++w) {
            const int yStride = w + 64 - (w % 64), uvStride = yStride / 2;
            Bytes y = Noise(static_cast<size_t>(yStride) * h, w), u = Noise(uvStride * h / 2, 100 + w),
                  v = Noise(uvStride * h / 2, 200 + w);
            for (int mode = 0; mode < 8; ++mode) {
                bool flip = mode & 1, swap = mode & 2, alpha = mode & 4;
                const Bytes want = ReferenceFromYuv(w, h, y, u, v, yStride, uvStride, flip, swap, alpha);
                // One guard byte after the picture: nothing is written past it.
                Bytes out(want.size() + 1, 0xAB);
                ASSERT_TRUE(PC::ConvertYUV420ToRGBCuttingMergin(out.data(), w, h, y.data(), u.data(),
                                                                v.data(), flip, swap, alpha, yStride));
                EXPECT_EQ(out.back(), 0xAB) << "level " << level << " width " << w << " mode " << mode;
                out.pop_back();
                ASSERT_EQ(out, want) << "level " << level << " width " << w << " mode " << mode;
            }
        }
    }
}

TEST(PictureConverterVector, EncodeWidthsFormatsAndFlips) {
    LevelGuard guard;
    struct Size {
        int w, h;
    };
    std::vector<Size> sizes;
    for (int w = 1; w <= 70; ++w) sizes.push_back({w, w % 3 + 3});
    sizes.push_back({640, 480});
    sizes.push_back({1280, 720});
    for (int level : Levels()) {
        ASSERT_EQ(PC::SetVectorLevel(level), level);
        for (const Size& s : sizes)
            for (int format = 0; format < 4; ++format) {
                const Bytes src =
                    Noise(static_cast<size_t>(s.w) * s.h * PC::BytesPerPixel(format), s.w * 4 + format);
                for (int flip = 0; flip < 4; ++flip) {
                    if (s.w > 70 && flip != 0) continue;
                    Bytes wy, wu, wv;
                    ReferenceToYuv(s.w, s.h, src, format, flip, wy, wu, wv);
                    Bytes y(wy.size() + 1, 0xAB), u(wu.size() + 1, 0xAB), v(wv.size() + 1, 0xAB);
                    ASSERT_TRUE(PC::ConvertRGBToYUV420(y.data(), u.data(), v.data(), s.w, s.h, src.data(),
                                                       format, flip));
                    const auto where = ::testing::Message() << "level " << level << " " << s.w << "x" << s.h
                                                            << " format " << format << " flip " << flip;
                    EXPECT_EQ(y.back(), 0xAB) << where;
                    EXPECT_EQ(u.back(), 0xAB) << where;
                    EXPECT_EQ(v.back(), 0xAB) << where;
                    y.pop_back();
                    u.pop_back();
                    v.pop_back();
                    ASSERT_EQ(y, wy) << where;
                    ASSERT_EQ(u, wu) << where;
                    ASSERT_EQ(v, wv) << where;
                }
            }
    }
}

}  // namespace

namespace {

struct Yuv {
    Bytes y, u, v;
    bool operator==(const Yuv& o) const { return y == o.y && u == o.u && v == o.v; }
};

Yuv ResizeAt(int level, const Bytes& src, int sw, int sh, int dw, int dh, int format, int flip) {
    PC::SetVectorLevel(level);
    Yuv out{Bytes(static_cast<size_t>(dw) * dh), Bytes(static_cast<size_t>(dw / 2) * (dh / 2)),
            Bytes(static_cast<size_t>(dw / 2) * (dh / 2))};
    EXPECT_TRUE(PC::ConvertRGBToYUV420Resize(out.y.data(), out.u.data(), out.v.data(), dw, dh, src.data(), sw,
                                             sh, format, flip));
    return out;
}

}  // namespace

// Scaled and cropped encoder input: the sampled pixels go through the vector
// kernel too, with the same result as the plain code.
TEST(PictureConverterVector, ScaledEncodeMatchesThePlainCode) {
    LevelGuard guard;
    struct Case {
        int sw, sh, dw, dh;
    };
    const Case cases[] = {{1280, 720, 640, 480},
                          {640, 480, 320, 240},
                          {640, 480, 176, 144},
                          {320, 240, 1280, 720},
                          {100, 90, 70, 34}};
    const std::vector<int> levels = Levels();
    for (const Case& c : cases)
        for (int format = 0; format < 4; ++format) {
            const Bytes src =
                Noise(static_cast<size_t>(c.sw) * c.sh * PC::BytesPerPixel(format), c.dw + format);
            for (int flip = 0; flip < 4; ++flip) {
                const Yuv plain = ResizeAt(0, src, c.sw, c.sh, c.dw, c.dh, format, flip);
                for (int level : levels)
                    EXPECT_TRUE(ResizeAt(level, src, c.sw, c.sh, c.dw, c.dh, format, flip) == plain)
                        << c.sw << "x" << c.sh << " to " << c.dw << "x" << c.dh << " format " << format
                        << " flip " << flip << " level " << level;
            }
        }
}
