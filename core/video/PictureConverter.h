// Pixel conversion between packed RGB(A) pictures and YUV 4:2:0 (planar and
// semi-planar), with nearest-neighbour scaling, centre crops, flips and zoom.
//
// Pixel format codes (the "red" channel is the one weighted 66 in the luma):
//   0: 3 bytes red, green, blue        1: 3 bytes blue, green, red
//   2: 4 bytes red, green, blue, alpha 3: 4 bytes blue, green, red, alpha
// A written alpha byte is always 255; a read one is ignored.
// Packed rows are stored top to bottom without padding.
#pragma once

#include <array>
#include <cstdint>

class CPictureConverter {
public:
    // Flip codes of the encoder input conversion.
    enum { FLIP_NONE = 0, FLIP_MIRROR = 1, FLIP_VERTICAL = 2, FLIP_BOTH = 3 };

    // 16.16 fixed-point BT.601 studio-range tables and the 0..255 clamp table.
    static const std::array<int64_t, 256> tab_76309;
    static const std::array<int64_t, 256> crv_tab;
    static const std::array<int64_t, 256> cbu_tab;
    static const std::array<int64_t, 256> cgu_tab;
    static const std::array<int64_t, 256> cgv_tab;
    static const std::array<uint8_t, 1024> clp;

    // The tables are built at compile time; kept as the decoder's start-up hook.
    static void InitConvertTable();

    // Decoded planar YUV 4:2:0 to 3-byte (4 with withAlpha) pixels. Luma rows are
    // read at `stride`, chroma rows at stride / 2; only `width` columns are used.
    static bool ConvertYUV420ToRGBCuttingMergin(uint8_t* out, int width, int height, const uint8_t* y,
                                                const uint8_t* u, const uint8_t* v, bool flipVertical,
                                                bool swapRedBlue, bool withAlpha, int stride);
    // Same, with the chroma stride given on its own (frames whose chroma rows are
    // not exactly half as long as the luma rows).
    static bool ConvertYUV420ToRGBCuttingMergin(uint8_t* out, int width, int height, const uint8_t* y,
                                                const uint8_t* u, const uint8_t* v, bool flipVertical,
                                                bool swapRedBlue, bool withAlpha, int yStride, int uvStride);
    // Same, the stride being the width, raised by 16 when width % 32 == 16.
    static bool ConvertYUV420ToRGB(uint8_t* out, int width, int height, const uint8_t* y, const uint8_t* u,
                                   const uint8_t* v, bool flipVertical, bool swapRedBlue, bool withAlpha);

    // Packed pixels to planar YUV 4:2:0 at the same size (luma stride = width,
    // chroma stride = width / 2). An odd last column or row gets luma only.
    static bool ConvertRGBToYUV420(uint8_t* y, uint8_t* u, uint8_t* v, int width, int height,
                                   const uint8_t* src, int pixelFormat, int flip);
    // Same with an aspect-preserving centre crop and nearest-neighbour scaling.
    static bool ConvertRGBToYUV420Resize(uint8_t* y, uint8_t* u, uint8_t* v, int dstWidth, int dstHeight,
                                         const uint8_t* src, int srcWidth, int srcHeight, int pixelFormat,
                                         int flip);

    // Centre crop to the destination's aspect, nearest-neighbour scaling, format
    // change, optional vertical flip and left-right mirror.
    static void ResizeBitmapRatioInvert(const uint8_t* src, int srcWidth, int srcHeight, int srcFormat,
                                        uint8_t* dst, int dstWidth, int dstHeight, int dstFormat,
                                        bool flipVertical, bool mirror);
    // The same for 3-byte pixels without flip or format change.
    static void ResizeBitmapRatio(const uint8_t* src, int srcWidth, int srcHeight, uint8_t* dst, int dstWidth,
                                  int dstHeight);

    // Copies rows of 3-byte pixels in reverse order.
    static void InvertBitmap(const uint8_t* src, uint8_t* dst, int width, int height);
    // Scaled vertical flip between two formats.
    static void InvertBitmap(const uint8_t* src, int srcWidth, int srcHeight, int srcFormat, uint8_t* dst,
                             int dstWidth, int dstHeight, int dstFormat);
    // Scaled left-right mirror between two formats.
    static void InvertBitmapH(const uint8_t* src, int srcWidth, int srcHeight, int srcFormat, uint8_t* dst,
                              int dstWidth, int dstHeight, int dstFormat);

    // Nearest-neighbour resize of 4-byte pixels; the zoom form (zoom > 1) samples
    // the centred 1 / zoom part of the source.
    static void ResizeRGBA(const uint8_t* src, int srcWidth, int srcHeight, uint8_t* dst, int dstWidth,
                           int dstHeight);
    static void ResizeRGBA_Zoom(const uint8_t* src, int srcWidth, int srcHeight, uint8_t* dst, int dstWidth,
                                int dstHeight, float zoom);

    // Semi-planar YUV 4:2:0: a luma plane of srcWidth x srcHeight followed by one
    // interleaved chroma plane of V, U pairs (rows of srcWidth rounded up to even
    // bytes). Output in dstFormat. zoom > 1 selects the zoom form; equal or swapped
    // sizes the unscaled form with `rotation` quarter turns clockwise (0..3); any
    // other size the aspect-preserving crop and scale.
    static bool ConvertYUV420spToRGB(uint8_t* out, int dstWidth, int dstHeight, int dstFormat,
                                     const uint8_t* yuv, int srcWidth, int srcHeight, int rotation,
                                     float zoom);
    // Output is width x height for rotation 0 and 2, height x width for 1 and 3.
    static bool ConvertYUV420spToRGB_noResize(uint8_t* out, int dstFormat, const uint8_t* yuv, int width,
                                              int height, int rotation);
    static bool ConvertYUV420spToRGB_Resize(uint8_t* out, int dstWidth, int dstHeight, int dstFormat,
                                            const uint8_t* yuv, int srcWidth, int srcHeight);
    static bool ConvertYUV420spToRGB_Zoom(uint8_t* out, int dstWidth, int dstHeight, int dstFormat,
                                          const uint8_t* yuv, int srcWidth, int srcHeight, float zoom);

    // Vector units the conversions use: 0 none, 1 SSSE3, 2 AVX2. The best the
    // processor offers is used unless lowered here; answers the level now in use.
    // Every level gives the same bytes.
    static int SetVectorLevel(int wanted);

    static int BytesPerPixel(int format) { return (format == 2 || format == 3) ? 4 : 3; }
};
