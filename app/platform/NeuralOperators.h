#pragma once

// The operators of our inference, on 32-bit float tensors in NHWC order (batch,
// height, width, channels). Callers check shapes first (NeuralNetwork does at
// load); the functions trust them.
//
// Padding follows the usual rule: SAME gives ceil(in / stride) outputs and
// splits the needed padding with the smaller half before; VALID pads nothing.

#include <cstddef>
#include <cstdint>

namespace nn {

struct Shape {
    int n = 1, h = 1, w = 1, c = 1;
    size_t size() const { return static_cast<size_t>(n) * h * w * c; }
    bool operator==(const Shape& o) const { return n == o.n && h == o.h && w == o.w && c == o.c; }
};

enum class Padding { Same, Valid };
enum class Activation { None, Relu, ReluN1To1, Relu6, Tanh };

// Output size of a window operator along one axis.
int OutputSize(Padding padding, int in, int filter, int stride, int dilation);
// Padding before the first element along one axis.
int PaddingBefore(Padding padding, int in, int filter, int stride, int dilation, int out);

struct ConvParams {
    Padding padding = Padding::Same;
    int strideW = 1, strideH = 1;
    int dilationW = 1, dilationH = 1;
    Activation activation = Activation::None;
};

// filter: [kh][kw][in channels][out channels] (fs.h, fs.w, fs.c = in, fs.n = out).
// bias: out channels values or null.
void Conv2D(const float* in, Shape is, const float* filter, Shape fs, const float* bias, float* out, Shape os,
            const ConvParams& p);
// The model's filter order [out][kh][kw][in] turned into the order Conv2D reads.
void FilterOhwiToHwio(const float* ohwi, Shape fs, float* hwio);

// filter: [1][kh][kw][in channels x multiplier]; output channel k reads input
// channel k / multiplier.
void DepthwiseConv2D(const float* in, Shape is, const float* filter, Shape fs, const float* bias,
                     int multiplier, float* out, Shape os, const ConvParams& p);

// Transposed convolution with bias: every input pixel spreads filter x value
// over a kh x kw patch of the output at stride steps. filter: [out][kh][kw][in].
void TransposeConv2DBias(const float* in, Shape is, const float* filter, Shape fs, const float* bias,
                         float* out, Shape os, Padding padding, int strideW, int strideH);

// Mean of the window's elements inside the input.
void AveragePool2D(const float* in, Shape is, float* out, Shape os, Padding padding, int strideW, int strideH,
                   int filterW, int filterH, Activation activation);

// Element-wise with broadcasting: an operand dimension of 1 repeats along the output's.
void Add(const float* a, Shape as, const float* b, Shape bs, float* out, Shape os, Activation activation);
void Mul(const float* a, Shape as, const float* b, Shape bs, float* out, Shape os, Activation activation);
// True when a and b broadcast to out.
bool Broadcasts(Shape a, Shape b, Shape out);

void Relu(const float* in, float* out, size_t count);
// x * min(max(x + 3, 0), 6) / 6
void HardSwish(const float* in, float* out, size_t count);
// 1 / (1 + e^-x)
void Logistic(const float* in, float* out, size_t count);

// Bilinear scaling of height and width; with half-pixel centres output pixel i
// samples input position (i + 0.5) x scale - 0.5.
void ResizeBilinear(const float* in, Shape is, float* out, Shape os, bool alignCorners,
                    bool halfPixelCenters);

// IEEE half precision to single.
float HalfToFloat(uint16_t half);
void Dequantize(const uint16_t* in, float* out, size_t count);

}  // namespace nn
