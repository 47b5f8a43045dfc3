// Each operator of our inference against values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "platform/NeuralOperators.h"

namespace {

using Floats = std::vector<float>;
using nn::Shape;

void ExpectNear(const Floats& got, const Floats& want, const char* what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-5) << what << " at " << i;
}

Floats Conv(const Floats& in, Shape is, const Floats& ohwi, Shape fs, const Floats& bias, Shape os,
            nn::ConvParams p) {
    Floats hwio(ohwi.size()), out(os.size(), -99);
    nn::FilterOhwiToHwio(ohwi.data(), fs, hwio.data());
    nn::Conv2D(in.data(), is, hwio.data(), fs, bias.empty() ? nullptr : bias.data(), out.data(), os, p);
    return out;
}

const Floats k1to9 = {1, 2, 3, 4, 5, 6, 7, 8, 9};

}  // namespace

TEST(NeuralOperators, WindowSizesAndPadding) {
    struct Case {
        nn::Padding padding;
        int in, filter, stride, out, before;
    };
    const Case cases[] = {
        {nn::Padding::Same, 256, 3, 2, 128, 0},  // one extra row after, none before
        {nn::Padding::Same, 32, 5, 2, 16, 1},   {nn::Padding::Same, 16, 5, 1, 16, 2},
        {nn::Padding::Valid, 64, 64, 64, 1, 0}, {nn::Padding::Valid, 5, 2, 2, 2, 0},
        {nn::Padding::Same, 3, 3, 2, 2, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(nn::OutputSize(c.padding, c.in, c.filter, c.stride, 1), c.out) << c.in << "/" << c.filter;
        EXPECT_EQ(nn::PaddingBefore(c.padding, c.in, c.filter, c.stride, 1, c.out), c.before) << c.in;
    }
}

TEST(NeuralOperators, Conv2D) {
    nn::ConvParams valid;
    valid.padding = nn::Padding::Valid;
    // A diagonal 2 x 2 filter with bias 0.5 over 1..9.
    ExpectNear(Conv(k1to9, {1, 3, 3, 1}, {1, 0, 0, 1}, {1, 2, 2, 1}, {0.5f}, {1, 2, 2, 1}, valid),
               {6.5f, 8.5f, 12.5f, 14.5f}, "diagonal");
    // Same padding at stride 2: the window hangs one pixel over the top and left; two filters.
    nn::ConvParams same2;
    same2.strideW = same2.strideH = 2;
    Floats ones(9, 1.0f), twos(9, 2.0f), filters = ones;
    filters.insert(filters.end(), twos.begin(), twos.end());
    ExpectNear(Conv(k1to9, {1, 3, 3, 1}, filters, {2, 3, 3, 1}, {}, {1, 2, 2, 2}, same2),
               {12, 24, 16, 32, 24, 48, 28, 56}, "same stride 2");
    // Input channels are summed with their own weights.
    ExpectNear(Conv({2, 3}, {1, 1, 1, 2}, {1, 10, 100, 1000}, {2, 1, 1, 2}, {}, {1, 1, 1, 2}, valid),
               {32, 3200}, "channels");
    // Fused activation.
    nn::ConvParams relu6 = valid;
    relu6.activation = nn::Activation::Relu6;
    ExpectNear(Conv({2, -3}, {1, 1, 1, 2}, {1, 0, 0, 1, 5, 0}, {3, 1, 1, 2}, {}, {1, 1, 1, 3}, relu6),
               {2, 0, 6}, "relu6");
}

TEST(NeuralOperators, DepthwiseConv2D) {
    nn::ConvParams valid;
    valid.padding = nn::Padding::Valid;
    // Two channels, each with its own 2 x 2 filter and bias.
    const Floats in = {1, 10, 2, 20, 3, 30, 4, 40};
    const Floats filter = {1, 1, 1, 0, 1, 0, 1, -1};  // [ky][kx][c]
    Floats out(2, -99);
    nn::DepthwiseConv2D(in.data(), {1, 2, 2, 2}, filter.data(), {1, 2, 2, 2}, Floats{1, 0}.data(), 1,
                        out.data(), {1, 1, 1, 2}, valid);
    ExpectNear(out, {11, -30}, "two channels");
    // Multiplier 2: one input channel feeds two outputs; same padding keeps the size.
    nn::ConvParams same;
    const Floats one = {1, 2, 3, 4};
    const Floats f2 = {0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0};  // 3 x 3 x 2, centre (1, 2)
    Floats out2(8, -99);
    nn::DepthwiseConv2D(one.data(), {1, 2, 2, 1}, f2.data(), {1, 3, 3, 2}, nullptr, 2, out2.data(),
                        {1, 2, 2, 2}, same);
    ExpectNear(out2, {1, 2, 2, 4, 3, 6, 4, 8}, "multiplier");
}

TEST(NeuralOperators, TransposeConv2DBias) {
    const Floats in = {1, 2, 3, 4}, filter = {1, 2, 3, 4};
    // Stride 2, same padding: every input pixel becomes its own 2 x 2 block.
    Floats out(16, -99);
    nn::TransposeConv2DBias(in.data(), {1, 2, 2, 1}, filter.data(), {1, 2, 2, 1}, Floats{0.5f}.data(),
                            out.data(), {1, 4, 4, 1}, nn::Padding::Same, 2, 2);
    ExpectNear(
        out,
        {1.5f, 2.5f, 2.5f, 4.5f, 3.5f, 4.5f, 6.5f, 8.5f, 3.5f, 6.5f, 4.5f, 8.5f, 9.5f, 12.5f, 12.5f, 16.5f},
        "blocks");
    // Stride 1, valid: the patches overlap and add up.
    Floats out3(9, -99);
    nn::TransposeConv2DBias(in.data(), {1, 2, 2, 1}, filter.data(), {1, 2, 2, 1}, Floats{0}.data(),
                            out3.data(), {1, 3, 3, 1}, nn::Padding::Valid, 1, 1);
    ExpectNear(out3, {1, 4, 4, 6, 20, 16, 9, 24, 16}, "overlap");
    // Input channels are summed per output channel.
    Floats out1(1, -99);
    nn::TransposeConv2DBias(Floats{1, 2}.data(), {1, 1, 1, 2}, Floats{3, 4}.data(), {1, 1, 1, 2},
                            Floats{-1}.data(), out1.data(), {1, 1, 1, 1}, nn::Padding::Valid, 1, 1);
    ExpectNear(out1, {10}, "channels");
}

TEST(NeuralOperators, AveragePool2D) {
    Floats out(4, -99);
    nn::AveragePool2D(k1to9.data(), {1, 3, 3, 1}, out.data(), {1, 2, 2, 1}, nn::Padding::Valid, 1, 1, 2, 2,
                      nn::Activation::None);
    ExpectNear(out, {3, 4, 6, 7}, "valid");
    // Windows over the edge average only what lies inside.
    nn::AveragePool2D(k1to9.data(), {1, 3, 3, 1}, out.data(), {1, 2, 2, 1}, nn::Padding::Same, 2, 2, 2, 2,
                      nn::Activation::None);
    ExpectNear(out, {3, 4.5f, 7.5f, 9}, "same");
    // The whole picture per channel.
    Floats two = {1, -10, 3, -30}, g(2, -99);
    nn::AveragePool2D(two.data(), {1, 1, 2, 2}, g.data(), {1, 1, 1, 2}, nn::Padding::Valid, 2, 2, 2, 1,
                      nn::Activation::Relu);
    ExpectNear(g, {2, 0}, "global with relu");
}

TEST(NeuralOperators, AddAndMulBroadcast) {
    Floats out(3, -99);
    nn::Add(Floats{1, 2, 3}.data(), {1, 1, 1, 3}, Floats{10, 20, -30}.data(), {1, 1, 1, 3}, out.data(),
            {1, 1, 1, 3}, nn::Activation::None);
    ExpectNear(out, {11, 22, -27}, "add");
    nn::Add(Floats{1, 2, 3}.data(), {1, 1, 1, 3}, Floats{10, 20, -30}.data(), {1, 1, 1, 3}, out.data(),
            {1, 1, 1, 3}, nn::Activation::Relu);
    ExpectNear(out, {11, 22, 0}, "add relu");
    // A per-channel factor over a 2 x 2 picture of two channels (squeeze-and-excite).
    Floats pic = {1, 2, 3, 4, 5, 6, 7, 8}, scaled(8, -99);
    nn::Mul(pic.data(), {1, 2, 2, 2}, Floats{10, 100}.data(), {1, 1, 1, 2}, scaled.data(), {1, 2, 2, 2},
            nn::Activation::None);
    ExpectNear(scaled, {10, 200, 30, 400, 50, 600, 70, 800}, "mul per channel");
    nn::Add(Floats{1}.data(), {1, 1, 1, 1}, pic.data(), {1, 2, 2, 2}, scaled.data(), {1, 2, 2, 2},
            nn::Activation::None);
    ExpectNear(scaled, {2, 3, 4, 5, 6, 7, 8, 9}, "scalar first");
    EXPECT_TRUE(nn::Broadcasts({1, 2, 2, 2}, {1, 1, 1, 2}, {1, 2, 2, 2}));
    EXPECT_FALSE(nn::Broadcasts({1, 2, 2, 2}, {1, 1, 1, 3}, {1, 2, 2, 2}));
    EXPECT_FALSE(nn::Broadcasts({1, 2, 2, 2}, {1, 2, 2, 2}, {1, 1, 2, 2}));
}

TEST(NeuralOperators, Activations) {
    const Floats x = {-4, -3, -1, 0, 1, 3, 4};
    Floats out(x.size());
    nn::Relu(x.data(), out.data(), x.size());
    ExpectNear(out, {0, 0, 0, 0, 1, 3, 4}, "relu");
    nn::HardSwish(x.data(), out.data(), x.size());
    ExpectNear(out, {0, 0, -1.0f / 3, 0, 4.0f / 6, 3, 4}, "hard swish");
    const Floats y = {0, std::log(3.0f), -std::log(3.0f), 100, -100};
    Floats s(y.size());
    nn::Logistic(y.data(), s.data(), y.size());
    ExpectNear(s, {0.5f, 0.75f, 0.25f, 1, 0}, "logistic");
}

TEST(NeuralOperators, ResizeBilinear) {
    const Floats in = {0, 10, 20, 30};
    Floats out(16, -99);
    nn::ResizeBilinear(in.data(), {1, 2, 2, 1}, out.data(), {1, 4, 4, 1}, false, true);
    ExpectNear(out, {0, 2.5f, 7.5f, 10, 5, 7.5f, 12.5f, 15, 15, 17.5f, 22.5f, 25, 20, 22.5f, 27.5f, 30},
               "half-pixel centres");
    Floats row(4, -99);
    nn::ResizeBilinear(Floats{0, 10}.data(), {1, 1, 2, 1}, row.data(), {1, 1, 4, 1}, false, false);
    ExpectNear(row, {0, 5, 10, 10}, "corners of pixels");
    Floats aligned(3, -99);
    nn::ResizeBilinear(Floats{0, 10}.data(), {1, 1, 2, 1}, aligned.data(), {1, 1, 3, 1}, true, false);
    ExpectNear(aligned, {0, 5, 10}, "aligned corners");
    // Channels are interpolated each on its own.
    Floats two(4, -99);
    nn::ResizeBilinear(Floats{0, 100, 10, 200}.data(), {1, 1, 2, 2}, two.data(), {1, 1, 2, 2}, false, true);
    ExpectNear(two, {0, 100, 10, 200}, "same size");
}

TEST(NeuralOperators, HalfPrecisionValues) {
    struct Case {
        uint16_t half;
        float value;
    };
    const Case cases[] = {
        {0x3C00, 1.0f},
        {0xC000, -2.0f},
        {0x7BFF, 65504.0f},
        {0x3555, 0.333251953125f},
        {0x0400, std::ldexp(1.0f, -14)},
        {0x0001, std::ldexp(1.0f, -24)},
        {0x03FF, 1023 * std::ldexp(1.0f, -24)},
        {0x0000, 0.0f},
        {0x7C00, std::numeric_limits<float>::infinity()},
    };
    for (const Case& c : cases) EXPECT_EQ(nn::HalfToFloat(c.half), c.value) << std::hex << c.half;
    EXPECT_TRUE(std::signbit(nn::HalfToFloat(0x8000)));
    EXPECT_TRUE(std::isnan(nn::HalfToFloat(0x7E00)));
    const uint16_t halves[] = {0x3C00, 0xBC00, 0x4200};
    Floats out(3);
    nn::Dequantize(halves, out.data(), 3);
    ExpectNear(out, {1, -1, 3}, "dequantize");
}
