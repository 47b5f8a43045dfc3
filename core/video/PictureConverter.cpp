#include "video/PictureConverter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "video/PictureConverterSimd.h"

namespace {

template <int64_t Factor, int Offset>
constexpr std::array<int64_t, 256> MakeTable() {
    std::array<int64_t, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = Factor * (i - Offset);
    return t;
}

constexpr std::array<uint8_t, 1024> MakeClamp() {
    std::array<uint8_t, 1024> t{};
    for (int i = 0; i < 1024; ++i) t[i] = static_cast<uint8_t>(i < 384 ? 0 : (i < 640 ? i - 384 : 255));
    return t;
}

}  // namespace

const std::array<int64_t, 256> CPictureConverter::tab_76309 = MakeTable<76309, 16>();
const std::array<int64_t, 256> CPictureConverter::crv_tab = MakeTable<104597, 128>();
const std::array<int64_t, 256> CPictureConverter::cbu_tab = MakeTable<132201, 128>();
const std::array<int64_t, 256> CPictureConverter::cgu_tab = MakeTable<25675, 128>();
const std::array<int64_t, 256> CPictureConverter::cgv_tab = MakeTable<53279, 128>();
const std::array<uint8_t, 1024> CPictureConverter::clp = MakeClamp();

namespace {

const auto& kClamp = CPictureConverter::clp;

bool ValidFormat(int format) {
    return format >= 0 && format <= 3;
}
// Byte offset of the channel weighted as red (the other of bytes 0 and 2 is blue).
int RedOffset(int format) {
    return (format & 1) ? 2 : 0;
}

// Source index for every destination index along one axis: origin + i * extent / count,
// optionally in reverse order, clamped into 0..limit-1.
std::vector<int> Axis(int origin, int extent, int count, bool reverse, int limit) {
    std::vector<int> idx(count);
    for (int i = 0; i < count; ++i) {
        int v = origin + static_cast<int>(static_cast<int64_t>(i) * extent / count);
        idx[reverse ? count - 1 - i : i] = std::clamp(v, 0, limit - 1);
    }
    return idx;
}

struct Region {
    int x, y, width, height;
};

// Centre crop of the source to the destination's aspect ratio (double precision).
Region RatioCrop(int srcWidth, int srcHeight, int dstWidth, int dstHeight) {
    double dstRatio = static_cast<double>(dstWidth) / dstHeight;
    if (static_cast<double>(srcWidth) / srcHeight >= dstRatio) {
        int w = std::clamp(static_cast<int>(dstRatio * srcHeight), 1, srcWidth);
        return {(srcWidth - w) / 2, 0, w, srcHeight};
    }
    int h = std::clamp(static_cast<int>(srcWidth / dstRatio), 1, srcHeight);
    return {0, (srcHeight - h) / 2, srcWidth, h};
}

// The centred 1 / zoom part of the source (the whole source for zoom <= 1).
Region ZoomRegion(int srcWidth, int srcHeight, float zoom) {
    if (!(zoom > 1.0f)) return {0, 0, srcWidth, srcHeight};
    int w = std::max(1, static_cast<int>(srcWidth / zoom));
    int h = std::max(1, static_cast<int>(srcHeight / zoom));
    return {(srcWidth - w) / 2, (srcHeight - h) / 2, w, h};
}

bool SizesValid(int w1, int h1, int w2, int h2) {
    return w1 > 0 && h1 > 0 && w2 > 0 && h2 > 0;
}

// Packed-to-packed copy: destination pixel (c, l) takes source pixel (cols[c], rows[l]).
template <int SrcBpp, int DstBpp, bool Swap>
void RemapPacked(const uint8_t* src, int srcWidth, uint8_t* dst, int dstWidth, const std::vector<int>& cols,
                 const std::vector<int>& rows) {
    uint8_t* d = dst;
    for (int row : rows) {
        const uint8_t* s = src + static_cast<int64_t>(row) * srcWidth * SrcBpp;
        for (int c = 0; c < dstWidth; ++c) {
            const uint8_t* p = s + cols[c] * SrcBpp;
            d[0] = p[Swap ? 2 : 0];
            d[1] = p[1];
            d[2] = p[Swap ? 0 : 2];
            if constexpr (DstBpp == 4) d[3] = 255;
            d += DstBpp;
        }
    }
}

template <int SrcBpp, int DstBpp>
void RemapPacked(bool swap, const uint8_t* src, int srcWidth, uint8_t* dst, int dstWidth,
                 const std::vector<int>& cols, const std::vector<int>& rows) {
    if (swap)
        RemapPacked<SrcBpp, DstBpp, true>(src, srcWidth, dst, dstWidth, cols, rows);
    else
        RemapPacked<SrcBpp, DstBpp, false>(src, srcWidth, dst, dstWidth, cols, rows);
}

void Remap(const uint8_t* src, int srcWidth, int srcFormat, uint8_t* dst, int dstWidth, int dstFormat,
           const std::vector<int>& cols, const std::vector<int>& rows) {
    bool swap = (srcFormat & 1) != (dstFormat & 1);
    int sb = CPictureConverter::BytesPerPixel(srcFormat);
    int db = CPictureConverter::BytesPerPixel(dstFormat);
    if (sb == 3 && db == 3) RemapPacked<3, 3>(swap, src, srcWidth, dst, dstWidth, cols, rows);
    if (sb == 3 && db == 4) RemapPacked<3, 4>(swap, src, srcWidth, dst, dstWidth, cols, rows);
    if (sb == 4 && db == 3) RemapPacked<4, 3>(swap, src, srcWidth, dst, dstWidth, cols, rows);
    if (sb == 4 && db == 4) RemapPacked<4, 4>(swap, src, srcWidth, dst, dstWidth, cols, rows);
}

// Packed pixels to planar 4:2:0: output pixel (c, l) samples source pixel (cols[c], rows[l]).
// Luma for every pixel; chroma for each complete 2 x 2 block of output pixels.
template <int Bpp, int R, bool Identity>
void ToYuv420(uint8_t* yp, uint8_t* up, uint8_t* vp, int width, int height, const uint8_t* src, int srcWidth,
              const std::vector<int>& cols, const std::vector<int>& rows) {
    // The vector kernel converts whole blocks from the start of each row pair and
    // leaves the rest to the loop below. Sampled columns (scaling, mirror) are
    // first gathered into two straight rows for it.
    const picture_simd::ToYuvRowPair kernel =
        picture_simd::Active().toYuv[(Bpp == 4 ? 2 : 0) + (R == 2 ? 1 : 0)];
    const int gathered = Identity || !kernel ? 0 : width & ~15;
    std::vector<uint8_t> straight(static_cast<size_t>(gathered) * Bpp * 2);
    auto gather = [&](const uint8_t* row, uint8_t* out) {
        for (int c = 0; c < gathered; ++c) std::memcpy(out + c * Bpp, row + cols[c] * Bpp, Bpp);
    };
    constexpr int B = 2 - R;
    const int64_t srcRow = static_cast<int64_t>(srcWidth) * Bpp;
    const int cw = width / 2;
    // Identity columns (no mirror, no scaling) are read straight, which lets the
    // compiler vectorise the row.
    auto col = [&cols](int c) { return Identity ? c : cols[c]; };
    auto luma = [](const uint8_t* p) {
        return static_cast<uint8_t>(((66 * p[R] + 129 * p[1] + 25 * p[B]) >> 8) + 16);
    };
    int l = 0;
    for (; l + 1 < height; l += 2) {
        const uint8_t* s0 = src + rows[l] * srcRow;
        const uint8_t* s1 = src + rows[l + 1] * srcRow;
        uint8_t* y0 = yp + static_cast<int64_t>(l) * width;
        uint8_t* y1 = y0 + width;
        uint8_t* u = up + static_cast<int64_t>(l / 2) * cw;
        uint8_t* v = vp + static_cast<int64_t>(l / 2) * cw;
        int c = 0;
        if (Identity && kernel) {
            c = kernel(s0, s1, y0, y1, u, v, width);
        } else if (gathered > 0) {
            uint8_t* g0 = straight.data();
            uint8_t* g1 = g0 + static_cast<size_t>(gathered) * Bpp;
            gather(s0, g0);
            gather(s1, g1);
            c = kernel(g0, g1, y0, y1, u, v, gathered);
        }
        for (; c + 1 < width; c += 2) {
            const uint8_t* a = s0 + col(c) * Bpp;
            const uint8_t* b = s0 + col(c + 1) * Bpp;
            const uint8_t* d = s1 + col(c) * Bpp;
            const uint8_t* e = s1 + col(c + 1) * Bpp;
            y0[c] = luma(a);
            y0[c + 1] = luma(b);
            y1[c] = luma(d);
            y1[c + 1] = luma(e);
            int sr = a[R] + b[R] + d[R] + e[R];
            int sg = a[1] + b[1] + d[1] + e[1];
            int sb = a[B] + b[B] + d[B] + e[B];
            u[c / 2] = static_cast<uint8_t>(((112 * sb - 74 * sg - 38 * sr) >> 10) + 128);
            v[c / 2] = static_cast<uint8_t>(((112 * sr - 94 * sg - 18 * sb) >> 10) + 128);
        }
        if (c < width) {
            y0[c] = luma(s0 + col(c) * Bpp);
            y1[c] = luma(s1 + col(c) * Bpp);
        }
    }
    if (l < height) {
        const uint8_t* s0 = src + rows[l] * srcRow;
        uint8_t* y0 = yp + static_cast<int64_t>(l) * width;
        for (int c = 0; c < width; ++c) y0[c] = luma(s0 + col(c) * Bpp);
    }
}

void ToYuv420(uint8_t* y, uint8_t* u, uint8_t* v, int width, int height, const uint8_t* src, int srcWidth,
              int format, const std::vector<int>& cols, const std::vector<int>& rows) {
    bool identity = true;
    for (int c = 0; c < width && identity; ++c) identity = cols[c] == c;
    if (identity) {
        switch (format) {
            case 0:
                ToYuv420<3, 0, true>(y, u, v, width, height, src, srcWidth, cols, rows);
                break;
            case 1:
                ToYuv420<3, 2, true>(y, u, v, width, height, src, srcWidth, cols, rows);
                break;
            case 2:
                ToYuv420<4, 0, true>(y, u, v, width, height, src, srcWidth, cols, rows);
                break;
            default:
                ToYuv420<4, 2, true>(y, u, v, width, height, src, srcWidth, cols, rows);
                break;
        }
        return;
    }
    switch (format) {
        case 0:
            ToYuv420<3, 0, false>(y, u, v, width, height, src, srcWidth, cols, rows);
            break;
        case 1:
            ToYuv420<3, 2, false>(y, u, v, width, height, src, srcWidth, cols, rows);
            break;
        case 2:
            ToYuv420<4, 0, false>(y, u, v, width, height, src, srcWidth, cols, rows);
            break;
        default:
            ToYuv420<4, 2, false>(y, u, v, width, height, src, srcWidth, cols, rows);
            break;
    }
}

// 32-bit copies of the 16.16 tables: every sum of the conversion stays well
// inside 32 bits (at most about 3.5e7 in magnitude), so results are identical.
template <int64_t Factor, int Offset>
constexpr std::array<int32_t, 256> MakeTable32() {
    std::array<int32_t, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<int32_t>(MakeTable<Factor, Offset>()[i]);
    return t;
}

constexpr auto kLuma32 = MakeTable32<76309, 16>();
constexpr auto kCrv32 = MakeTable32<104597, 128>();
constexpr auto kCbu32 = MakeTable32<132201, 128>();
constexpr auto kCgu32 = MakeTable32<25675, 128>();
constexpr auto kCgv32 = MakeTable32<53279, 128>();
static_assert(kLuma32[255] + kCbu32[255] < (1 << 30) && kLuma32[0] - kCgu32[255] - kCgv32[255] > -(1 << 30));

template <int Bpp, bool Swap>
inline void PutRgb(uint8_t* o, int32_t y, int32_t rv, int32_t guv, int32_t bu) {
    const uint8_t* clp = kClamp.data() + 384;
    uint8_t r = clp[(y + rv) >> 16];
    uint8_t g = clp[(y - guv) >> 16];
    uint8_t b = clp[(y + bu) >> 16];
    o[0] = Swap ? b : r;
    o[1] = g;
    o[2] = Swap ? r : b;
    if constexpr (Bpp == 4) o[3] = 255;
}

template <int Bpp, bool Swap>
void FromYuv420(uint8_t* out, int width, int height, const uint8_t* yp, const uint8_t* up, const uint8_t* vp,
                bool flipVertical, int64_t yStride, int64_t uvStride) {
    const int64_t outRow = static_cast<int64_t>(width) * Bpp;
    const picture_simd::FromYuvRowPair kernel = picture_simd::Active().fromYuv[Bpp == 4][Swap];
    // Rows go in pairs that share a chroma row; a last odd row is its own pair.
    for (int row = 0; row < height; row += 2) {
        const int rows = std::min(2, height - row);
        const uint8_t* ur = up + (row / 2) * uvStride;
        const uint8_t* vr = vp + (row / 2) * uvStride;
        const uint8_t* yr[2];
        uint8_t* orow[2];
        for (int k = 0; k < 2; ++k) {
            const int r = row + std::min(k, rows - 1);
            yr[k] = yp + r * yStride;
            orow[k] = out + (flipVertical ? height - 1 - r : r) * outRow;
        }
        const int done = kernel ? kernel(orow[0], orow[1], yr[0], yr[1], ur, vr, width) : 0;
        for (int k = 0; k < rows; ++k) {
            uint8_t* o = orow[k] + static_cast<int64_t>(done) * Bpp;
            for (int c = done; c < width; c += 2) {
                // One U and one V sample serve both pixels of the pair.
                const int U = ur[c >> 1], V = vr[c >> 1];
                const int32_t rv = kCrv32[V], guv = kCgu32[U] + kCgv32[V], bu = kCbu32[U];
                PutRgb<Bpp, Swap>(o, kLuma32[yr[k][c]], rv, guv, bu);
                o += Bpp;
                if (c + 1 < width) {
                    PutRgb<Bpp, Swap>(o, kLuma32[yr[k][c + 1]], rv, guv, bu);
                    o += Bpp;
                }
            }
        }
    }
}

// Semi-planar (V, U interleaved) pixel: 1192 x (Y - 16) plus the chroma terms,
// clamped to 0..262143 and shifted right by 10.
inline uint8_t SpClamp(int x) {
    return static_cast<uint8_t>(std::clamp(x, 0, 262143) >> 10);
}

// Destination pixel (ox, oy) takes source pixel (xs[ox], ys[oy]), or with
// `transpose` (xs[oy], ys[ox]).
void RemapSp(uint8_t* out, int dstWidth, int dstHeight, int dstFormat, const uint8_t* yuv, int srcWidth,
             int srcHeight, const std::vector<int>& xs, const std::vector<int>& ys, bool transpose) {
    const uint8_t* vu = yuv + static_cast<int64_t>(srcWidth) * srcHeight;
    const int64_t vuRow = (srcWidth + 1) & ~1;
    const int bpp = CPictureConverter::BytesPerPixel(dstFormat);
    const int r = RedOffset(dstFormat);
    uint8_t* o = out;
    for (int oy = 0; oy < dstHeight; ++oy) {
        for (int ox = 0; ox < dstWidth; ++ox) {
            int sx = transpose ? xs[oy] : xs[ox];
            int sy = transpose ? ys[ox] : ys[oy];
            int Y = yuv[static_cast<int64_t>(sy) * srcWidth + sx];
            const uint8_t* c = vu + (sy / 2) * vuRow + (sx & ~1);
            int v = c[0] - 128;
            int u = c[1] - 128;
            int y = 1192 * (Y - 16);
            o[r] = SpClamp(y + 1634 * v);
            o[1] = SpClamp(y - 833 * v - 400 * u);
            o[2 - r] = SpClamp(y + 2066 * u);
            if (bpp == 4) o[3] = 255;
            o += bpp;
        }
    }
}

// Whole-picture scaling between two formats, optionally flipped or mirrored.
void ScaleWhole(const uint8_t* src, int srcWidth, int srcHeight, int srcFormat, uint8_t* dst, int dstWidth,
                int dstHeight, int dstFormat, Region region, bool flipVertical, bool mirror) {
    if (!src || !dst || !ValidFormat(srcFormat) || !ValidFormat(dstFormat)) return;
    if (!SizesValid(srcWidth, srcHeight, dstWidth, dstHeight)) return;
    auto cols = Axis(region.x, region.width, dstWidth, mirror, srcWidth);
    auto rows = Axis(region.y, region.height, dstHeight, flipVertical, srcHeight);
    Remap(src, srcWidth, srcFormat, dst, dstWidth, dstFormat, cols, rows);
}

}  // namespace

int CPictureConverter::SetVectorLevel(int wanted) {
    return picture_simd::SetLevel(static_cast<picture_simd::Level>(std::clamp(wanted, 0, 2)));
}

void CPictureConverter::InitConvertTable() {
    // The lookup tables are constant-initialised above; nothing is left to build
    // at run time, so a converter used before any decoder exists is correct too.
}

bool CPictureConverter::ConvertYUV420ToRGBCuttingMergin(uint8_t* out, int width, int height, const uint8_t* y,
                                                        const uint8_t* u, const uint8_t* v, bool flipVertical,
                                                        bool swapRedBlue, bool withAlpha, int stride) {
    return ConvertYUV420ToRGBCuttingMergin(out, width, height, y, u, v, flipVertical, swapRedBlue, withAlpha,
                                           stride, stride / 2);
}

bool CPictureConverter::ConvertYUV420ToRGBCuttingMergin(uint8_t* out, int width, int height, const uint8_t* y,
                                                        const uint8_t* u, const uint8_t* v, bool flipVertical,
                                                        bool swapRedBlue, bool withAlpha, int yStride,
                                                        int uvStride) {
    if (!out || !y || !u || !v) return false;
    if (width <= 0 || height <= 0) return true;
    if (withAlpha) {
        if (swapRedBlue)
            FromYuv420<4, true>(out, width, height, y, u, v, flipVertical, yStride, uvStride);
        else
            FromYuv420<4, false>(out, width, height, y, u, v, flipVertical, yStride, uvStride);
    } else {
        if (swapRedBlue)
            FromYuv420<3, true>(out, width, height, y, u, v, flipVertical, yStride, uvStride);
        else
            FromYuv420<3, false>(out, width, height, y, u, v, flipVertical, yStride, uvStride);
    }
    return true;
}

bool CPictureConverter::ConvertYUV420ToRGB(uint8_t* out, int width, int height, const uint8_t* y,
                                           const uint8_t* u, const uint8_t* v, bool flipVertical,
                                           bool swapRedBlue, bool withAlpha) {
    int stride = width % 32 == 16 ? width + 16 : width;
    return ConvertYUV420ToRGBCuttingMergin(out, width, height, y, u, v, flipVertical, swapRedBlue, withAlpha,
                                           stride);
}

bool CPictureConverter::ConvertRGBToYUV420(uint8_t* y, uint8_t* u, uint8_t* v, int width, int height,
                                           const uint8_t* src, int pixelFormat, int flip) {
    if (!y || !u || !v || !src || !ValidFormat(pixelFormat)) return false;
    if (width <= 0 || height <= 0) return true;
    auto cols = Axis(0, width, width, flip & FLIP_MIRROR, width);
    auto rows = Axis(0, height, height, flip & FLIP_VERTICAL, height);
    ToYuv420(y, u, v, width, height, src, width, pixelFormat, cols, rows);
    return true;
}

bool CPictureConverter::ConvertRGBToYUV420Resize(uint8_t* y, uint8_t* u, uint8_t* v, int dstWidth,
                                                 int dstHeight, const uint8_t* src, int srcWidth,
                                                 int srcHeight, int pixelFormat, int flip) {
    if (!y || !u || !v || !src || !ValidFormat(pixelFormat)) return false;
    if (dstWidth == srcWidth && dstHeight == srcHeight)
        return ConvertRGBToYUV420(y, u, v, dstWidth, dstHeight, src, pixelFormat, flip);
    if (!SizesValid(srcWidth, srcHeight, dstWidth, dstHeight)) return true;

    // Single precision with truncation, as the encoder input has always been scaled.
    float s;
    int cropX = 0, cropY = 0;
    if (static_cast<int64_t>(srcWidth) * dstHeight == static_cast<int64_t>(srcHeight) * dstWidth) {
        s = static_cast<float>(dstWidth) / static_cast<float>(srcWidth);
    } else {
        float r = static_cast<float>(dstWidth) / static_cast<float>(dstHeight);
        if (static_cast<float>(srcWidth) / static_cast<float>(srcHeight) > r) {
            cropX =
                static_cast<int>((static_cast<float>(srcWidth) - r * static_cast<float>(srcHeight)) * 0.5f);
            s = static_cast<float>(dstWidth) / static_cast<float>(srcWidth - 2 * cropX);
        } else {
            cropY =
                static_cast<int>((static_cast<float>(srcHeight) - static_cast<float>(srcWidth) / r) * 0.5f);
            s = static_cast<float>(dstHeight) / static_cast<float>(srcHeight - 2 * cropY);
        }
    }
    auto axis = [s](int crop, int count, bool backwards, int limit) {
        std::vector<int> idx(count);
        int start = crop + static_cast<int>(static_cast<float>(count) / s) - 1;
        for (int i = 0; i < count; ++i) {
            int k = backwards ? start - static_cast<int>(static_cast<float>(i) / s)
                              : static_cast<int>(static_cast<float>(i) / s + static_cast<float>(crop));
            idx[i] = std::clamp(k, 0, limit - 1);
        }
        return idx;
    };
    auto cols = axis(cropX, dstWidth, flip & FLIP_MIRROR, srcWidth);
    auto rows = axis(cropY, dstHeight, flip & FLIP_VERTICAL, srcHeight);
    ToYuv420(y, u, v, dstWidth, dstHeight, src, srcWidth, pixelFormat, cols, rows);
    return true;
}

void CPictureConverter::ResizeBitmapRatioInvert(const uint8_t* src, int srcWidth, int srcHeight,
                                                int srcFormat, uint8_t* dst, int dstWidth, int dstHeight,
                                                int dstFormat, bool flipVertical, bool mirror) {
    if (!SizesValid(srcWidth, srcHeight, dstWidth, dstHeight)) return;
    ScaleWhole(src, srcWidth, srcHeight, srcFormat, dst, dstWidth, dstHeight, dstFormat,
               RatioCrop(srcWidth, srcHeight, dstWidth, dstHeight), flipVertical, mirror);
}

void CPictureConverter::ResizeBitmapRatio(const uint8_t* src, int srcWidth, int srcHeight, uint8_t* dst,
                                          int dstWidth, int dstHeight) {
    ResizeBitmapRatioInvert(src, srcWidth, srcHeight, 0, dst, dstWidth, dstHeight, 0, false, false);
}

void CPictureConverter::InvertBitmap(const uint8_t* src, uint8_t* dst, int width, int height) {
    InvertBitmap(src, width, height, 0, dst, width, height, 0);
}

void CPictureConverter::InvertBitmap(const uint8_t* src, int srcWidth, int srcHeight, int srcFormat,
                                     uint8_t* dst, int dstWidth, int dstHeight, int dstFormat) {
    ScaleWhole(src, srcWidth, srcHeight, srcFormat, dst, dstWidth, dstHeight, dstFormat,
               {0, 0, srcWidth, srcHeight}, true, false);
}

void CPictureConverter::InvertBitmapH(const uint8_t* src, int srcWidth, int srcHeight, int srcFormat,
                                      uint8_t* dst, int dstWidth, int dstHeight, int dstFormat) {
    ScaleWhole(src, srcWidth, srcHeight, srcFormat, dst, dstWidth, dstHeight, dstFormat,
               {0, 0, srcWidth, srcHeight}, false, true);
}

void CPictureConverter::ResizeRGBA(const uint8_t* src, int srcWidth, int srcHeight, uint8_t* dst,
                                   int dstWidth, int dstHeight) {
    ResizeRGBA_Zoom(src, srcWidth, srcHeight, dst, dstWidth, dstHeight, 1.0f);
}

void CPictureConverter::ResizeRGBA_Zoom(const uint8_t* src, int srcWidth, int srcHeight, uint8_t* dst,
                                        int dstWidth, int dstHeight, float zoom) {
    ScaleWhole(src, srcWidth, srcHeight, 2, dst, dstWidth, dstHeight, 2,
               ZoomRegion(srcWidth, srcHeight, zoom), false, false);
}

bool CPictureConverter::ConvertYUV420spToRGB(uint8_t* out, int dstWidth, int dstHeight, int dstFormat,
                                             const uint8_t* yuv, int srcWidth, int srcHeight, int rotation,
                                             float zoom) {
    if (zoom > 1.0f)
        return ConvertYUV420spToRGB_Zoom(out, dstWidth, dstHeight, dstFormat, yuv, srcWidth, srcHeight, zoom);
    if ((dstWidth == srcWidth && dstHeight == srcHeight) ||
        (dstWidth == srcHeight && dstHeight == srcWidth)) {
        bool turned = rotation & 1;
        if ((turned ? srcHeight : srcWidth) != dstWidth) return false;
        return ConvertYUV420spToRGB_noResize(out, dstFormat, yuv, srcWidth, srcHeight, rotation);
    }
    return ConvertYUV420spToRGB_Resize(out, dstWidth, dstHeight, dstFormat, yuv, srcWidth, srcHeight);
}

bool CPictureConverter::ConvertYUV420spToRGB_noResize(uint8_t* out, int dstFormat, const uint8_t* yuv,
                                                      int width, int height, int rotation) {
    if (!out || !yuv || !ValidFormat(dstFormat) || rotation < 0 || rotation > 3) return false;
    if (width <= 0 || height <= 0) return true;
    // Quarter turns clockwise: xs maps to source columns, ys to source rows.
    bool turned = rotation & 1;
    bool backX = rotation == 2 || rotation == 3;
    bool backY = rotation == 1 || rotation == 2;
    auto xs = Axis(0, width, width, backX, width);
    auto ys = Axis(0, height, height, backY, height);
    int dstWidth = turned ? height : width;
    int dstHeight = turned ? width : height;
    RemapSp(out, dstWidth, dstHeight, dstFormat, yuv, width, height, xs, ys, turned);
    return true;
}

bool CPictureConverter::ConvertYUV420spToRGB_Resize(uint8_t* out, int dstWidth, int dstHeight, int dstFormat,
                                                    const uint8_t* yuv, int srcWidth, int srcHeight) {
    if (!out || !yuv || !ValidFormat(dstFormat)) return false;
    if (!SizesValid(srcWidth, srcHeight, dstWidth, dstHeight)) return true;
    Region crop = RatioCrop(srcWidth, srcHeight, dstWidth, dstHeight);
    auto xs = Axis(crop.x, crop.width, dstWidth, false, srcWidth);
    auto ys = Axis(crop.y, crop.height, dstHeight, false, srcHeight);
    RemapSp(out, dstWidth, dstHeight, dstFormat, yuv, srcWidth, srcHeight, xs, ys, false);
    return true;
}

bool CPictureConverter::ConvertYUV420spToRGB_Zoom(uint8_t* out, int dstWidth, int dstHeight, int dstFormat,
                                                  const uint8_t* yuv, int srcWidth, int srcHeight,
                                                  float zoom) {
    if (!out || !yuv || !ValidFormat(dstFormat)) return false;
    if (!SizesValid(srcWidth, srcHeight, dstWidth, dstHeight)) return true;
    Region z = ZoomRegion(srcWidth, srcHeight, zoom);
    auto xs = Axis(z.x, z.width, dstWidth, false, srcWidth);
    auto ys = Axis(z.y, z.height, dstHeight, false, srcHeight);
    RemapSp(out, dstWidth, dstHeight, dstFormat, yuv, srcWidth, srcHeight, xs, ys, false);
    return true;
}
