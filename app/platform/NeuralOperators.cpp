#include "platform/NeuralOperators.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace nn {

namespace {

inline float Activate(float x, Activation a) {
    switch (a) {
        case Activation::Relu:
            return std::max(x, 0.0f);
        case Activation::ReluN1To1:
            return std::clamp(x, -1.0f, 1.0f);
        case Activation::Relu6:
            return std::clamp(x, 0.0f, 6.0f);
        case Activation::Tanh:
            return std::tanh(x);
        default:
            return x;
    }
}

void ActivateAll(float* p, size_t count, Activation a) {
    if (a == Activation::None) return;
    for (size_t i = 0; i < count; ++i) p[i] = Activate(p[i], a);
}

inline size_t Index(Shape s, int n, int y, int x, int c) {
    return ((static_cast<size_t>(n) * s.h + y) * s.w + x) * s.c + c;
}

}  // namespace

int OutputSize(Padding padding, int in, int filter, int stride, int dilation) {
    const int effective = (filter - 1) * dilation + 1;
    if (stride <= 0) return 0;
    return padding == Padding::Same ? (in + stride - 1) / stride : (in - effective + stride) / stride;
}

int PaddingBefore(Padding padding, int in, int filter, int stride, int dilation, int out) {
    if (padding == Padding::Valid) return 0;
    const int effective = (filter - 1) * dilation + 1;
    const int total = (out - 1) * stride + effective - in;
    return total > 0 ? total / 2 : 0;
}

void FilterOhwiToHwio(const float* ohwi, Shape fs, float* hwio) {
    // fs: n = out, h, w, c = in
    for (int o = 0; o < fs.n; ++o)
        for (int y = 0; y < fs.h; ++y)
            for (int x = 0; x < fs.w; ++x)
                for (int i = 0; i < fs.c; ++i)
                    hwio[((static_cast<size_t>(y) * fs.w + x) * fs.c + i) * fs.n + o] =
                        ohwi[Index(fs, o, y, x, i)];
}

namespace {

// Runs `tap(acc, src, ky, kx)` for every filter tap inside the input of every
// output pixel, acc holding that pixel's channels (started at the bias), then
// applies the activation.
template <class Tap>
void ForEachWindow(const float* in, Shape is, int KH, int KW, const float* bias, float* out, Shape os,
                   const ConvParams& p, Tap tap) {
    const int OC = os.c;
    const int padT = PaddingBefore(p.padding, is.h, KH, p.strideH, p.dilationH, os.h);
    const int padL = PaddingBefore(p.padding, is.w, KW, p.strideW, p.dilationW, os.w);
    for (int n = 0; n < os.n; ++n)
        for (int oy = 0; oy < os.h; ++oy)
            for (int ox = 0; ox < os.w; ++ox) {
                float* acc = out + Index(os, n, oy, ox, 0);
                for (int oc = 0; oc < OC; ++oc) acc[oc] = bias ? bias[oc] : 0.0f;
                for (int ky = 0; ky < KH; ++ky) {
                    const int iy = oy * p.strideH - padT + ky * p.dilationH;
                    if (iy < 0 || iy >= is.h) continue;
                    for (int kx = 0; kx < KW; ++kx) {
                        const int ix = ox * p.strideW - padL + kx * p.dilationW;
                        if (ix < 0 || ix >= is.w) continue;
                        tap(acc, in + Index(is, n, iy, ix, 0), ky, kx);
                    }
                }
                ActivateAll(acc, OC, p.activation);
            }
}

}  // namespace

void Conv2D(const float* in, Shape is, const float* filter, Shape fs, const float* bias, float* out, Shape os,
            const ConvParams& p) {
    const int OC = fs.n, IC = fs.c, KW = fs.w;
    ForEachWindow(in, is, fs.h, KW, bias, out, os, p, [&](float* acc, const float* src, int ky, int kx) {
        const float* w = filter + (static_cast<size_t>(ky) * KW + kx) * IC * OC;
        for (int ic = 0; ic < IC; ++ic) {
            const float v = src[ic];
            const float* wr = w + static_cast<size_t>(ic) * OC;
            for (int oc = 0; oc < OC; ++oc) acc[oc] += v * wr[oc];
        }
    });
}

void DepthwiseConv2D(const float* in, Shape is, const float* filter, Shape fs, const float* bias,
                     int multiplier, float* out, Shape os, const ConvParams& p) {
    const int OC = os.c, KW = fs.w;
    ForEachWindow(in, is, fs.h, KW, bias, out, os, p, [&](float* acc, const float* src, int ky, int kx) {
        const float* w = filter + (static_cast<size_t>(ky) * KW + kx) * OC;
        if (multiplier == 1) {
            for (int oc = 0; oc < OC; ++oc) acc[oc] += src[oc] * w[oc];
        } else {
            for (int oc = 0; oc < OC; ++oc) acc[oc] += src[oc / multiplier] * w[oc];
        }
    });
}

void TransposeConv2DBias(const float* in, Shape is, const float* filter, Shape fs, const float* bias,
                         float* out, Shape os, Padding padding, int strideW, int strideH) {
    const int OC = fs.n, KH = fs.h, KW = fs.w, IC = fs.c;
    // The padding of the convolution this one reverses (output and input swapped).
    const int padT = PaddingBefore(padding, os.h, KH, strideH, 1, is.h);
    const int padL = PaddingBefore(padding, os.w, KW, strideW, 1, is.w);
    std::fill(out, out + os.size(), 0.0f);
    for (int n = 0; n < is.n; ++n)
        for (int iy = 0; iy < is.h; ++iy)
            for (int ix = 0; ix < is.w; ++ix) {
                const float* src = in + Index(is, n, iy, ix, 0);
                for (int ky = 0; ky < KH; ++ky) {
                    const int oy = iy * strideH - padT + ky;
                    if (oy < 0 || oy >= os.h) continue;
                    for (int kx = 0; kx < KW; ++kx) {
                        const int ox = ix * strideW - padL + kx;
                        if (ox < 0 || ox >= os.w) continue;
                        float* dst = out + Index(os, n, oy, ox, 0);
                        for (int oc = 0; oc < OC; ++oc) {
                            const float* w = filter + Index(fs, oc, ky, kx, 0);
                            float sum = 0.0f;
                            for (int ic = 0; ic < IC; ++ic) sum += src[ic] * w[ic];
                            dst[oc] += sum;
                        }
                    }
                }
            }
    if (bias)
        for (size_t i = 0; i < os.size(); i += OC)
            for (int oc = 0; oc < OC; ++oc) out[i + oc] += bias[oc];
}

void AveragePool2D(const float* in, Shape is, float* out, Shape os, Padding padding, int strideW, int strideH,
                   int filterW, int filterH, Activation activation) {
    const int padT = PaddingBefore(padding, is.h, filterH, strideH, 1, os.h);
    const int padL = PaddingBefore(padding, is.w, filterW, strideW, 1, os.w);
    std::vector<float> sum(os.c);
    for (int n = 0; n < os.n; ++n)
        for (int oy = 0; oy < os.h; ++oy)
            for (int ox = 0; ox < os.w; ++ox) {
                const int y0 = oy * strideH - padT, x0 = ox * strideW - padL;
                const int ys = std::max(0, y0), ye = std::min(is.h, y0 + filterH);
                const int xs = std::max(0, x0), xe = std::min(is.w, x0 + filterW);
                std::fill(sum.begin(), sum.end(), 0.0f);
                int count = 0;
                for (int y = ys; y < ye; ++y)
                    for (int x = xs; x < xe; ++x, ++count) {
                        const float* src = in + Index(is, n, y, x, 0);
                        for (int c = 0; c < os.c; ++c) sum[c] += src[c];
                    }
                float* dst = out + Index(os, n, oy, ox, 0);
                for (int c = 0; c < os.c; ++c) dst[c] = Activate(count ? sum[c] / count : 0.0f, activation);
            }
}

bool Broadcasts(Shape a, Shape b, Shape o) {
    auto fits = [](int x, int y, int out) { return (x == out || x == 1) && (y == out || y == 1); };
    return fits(a.n, b.n, o.n) && fits(a.h, b.h, o.h) && fits(a.w, b.w, o.w) && fits(a.c, b.c, o.c);
}

namespace {

template <class Op>
void Elementwise(const float* a, Shape as, const float* b, Shape bs, float* out, Shape os, Activation act,
                 Op op) {
    if (as == os && bs == os) {
        for (size_t i = 0; i < os.size(); ++i) out[i] = Activate(op(a[i], b[i]), act);
        return;
    }
    for (int n = 0; n < os.n; ++n)
        for (int y = 0; y < os.h; ++y)
            for (int x = 0; x < os.w; ++x) {
                const float* pa = a + Index(as, as.n == 1 ? 0 : n, as.h == 1 ? 0 : y, as.w == 1 ? 0 : x, 0);
                const float* pb = b + Index(bs, bs.n == 1 ? 0 : n, bs.h == 1 ? 0 : y, bs.w == 1 ? 0 : x, 0);
                float* po = out + Index(os, n, y, x, 0);
                const int sa = as.c == 1 ? 0 : 1, sb = bs.c == 1 ? 0 : 1;
                for (int c = 0; c < os.c; ++c) po[c] = Activate(op(pa[c * sa], pb[c * sb]), act);
            }
}

}  // namespace

void Add(const float* a, Shape as, const float* b, Shape bs, float* out, Shape os, Activation activation) {
    Elementwise(a, as, b, bs, out, os, activation, [](float x, float y) { return x + y; });
}

void Mul(const float* a, Shape as, const float* b, Shape bs, float* out, Shape os, Activation activation) {
    Elementwise(a, as, b, bs, out, os, activation, [](float x, float y) { return x * y; });
}

void Relu(const float* in, float* out, size_t count) {
    for (size_t i = 0; i < count; ++i) out[i] = std::max(in[i], 0.0f);
}

void HardSwish(const float* in, float* out, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const float x = in[i];
        out[i] = x * std::min(std::max(x + 3.0f, 0.0f), 6.0f) / 6.0f;
    }
}

void Logistic(const float* in, float* out, size_t count) {
    for (size_t i = 0; i < count; ++i) out[i] = 1.0f / (1.0f + std::exp(-in[i]));
}

void ResizeBilinear(const float* in, Shape is, float* out, Shape os, bool alignCorners,
                    bool halfPixelCenters) {
    auto scaleOf = [alignCorners](int inSize, int outSize) {
        return alignCorners && outSize > 1 ? static_cast<float>(inSize - 1) / (outSize - 1)
                                           : static_cast<float>(inSize) / outSize;
    };
    const float sy = scaleOf(is.h, os.h), sx = scaleOf(is.w, os.w);
    struct Tap {
        int lo, hi;
        float frac;
    };
    auto taps = [halfPixelCenters](int count, int inSize, float scale) {
        std::vector<Tap> t(count);
        for (int i = 0; i < count; ++i) {
            const float v = halfPixelCenters ? (i + 0.5f) * scale - 0.5f : i * scale;
            const int lo = std::max(static_cast<int>(std::floor(v)), 0);
            const int hi = std::min(static_cast<int>(std::ceil(v)), inSize - 1);
            t[i] = {std::min(lo, inSize - 1), hi, v - lo};
        }
        return t;
    };
    const std::vector<Tap> ty = taps(os.h, is.h, sy), tx = taps(os.w, is.w, sx);
    for (int n = 0; n < os.n; ++n)
        for (int y = 0; y < os.h; ++y)
            for (int x = 0; x < os.w; ++x) {
                const Tap& a = ty[y];
                const Tap& b = tx[x];
                const float* p00 = in + Index(is, n, a.lo, b.lo, 0);
                const float* p01 = in + Index(is, n, a.lo, b.hi, 0);
                const float* p10 = in + Index(is, n, a.hi, b.lo, 0);
                const float* p11 = in + Index(is, n, a.hi, b.hi, 0);
                float* o = out + Index(os, n, y, x, 0);
                for (int c = 0; c < os.c; ++c)
                    o[c] = p00[c] * (1 - a.frac) * (1 - b.frac) + p10[c] * a.frac * (1 - b.frac) +
                           p01[c] * (1 - a.frac) * b.frac + p11[c] * a.frac * b.frac;
            }
}

float HalfToFloat(uint16_t h) {
    const uint32_t sign = static_cast<uint32_t>(h & 0x8000) << 16;
    const int exponent = (h >> 10) & 0x1F;
    uint32_t mantissa = h & 0x3FF;
    uint32_t bits;
    if (exponent == 0) {
        if (mantissa == 0) {
            bits = sign;  // zero
        } else {
            // Subnormal: normalise.
            int e = -1;
            do {
                ++e;
                mantissa <<= 1;
            } while (!(mantissa & 0x400));
            bits = sign | static_cast<uint32_t>(127 - 15 - e) << 23 | (mantissa & 0x3FF) << 13;
        }
    } else if (exponent == 0x1F) {
        bits = sign | 0x7F800000u | mantissa << 13;  // infinity or NaN
    } else {
        bits = sign | static_cast<uint32_t>(exponent - 15 + 127) << 23 | mantissa << 13;
    }
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

void Dequantize(const uint16_t* in, float* out, size_t count) {
    for (size_t i = 0; i < count; ++i) out[i] = HalfToFloat(in[i]);
}

}  // namespace nn
