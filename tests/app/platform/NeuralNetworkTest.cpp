// The model reader on small models written here: one of every operator, run
// through the reader and checked against values worked out by hand, and
// crafted or damaged ones that must be refused at load. With
// QUORIX_MODEL_SEEDS naming a folder, the small models are written there too
// (the seeds of the model reader's fuzz target, fuzz/corpus/app_neural_network).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "ModelWriter.h"
#include "platform/NeuralNetwork.h"
#include "platform/SegmentationModel.h"

using namespace modelwriter;

namespace {

using Floats = std::vector<float>;

struct Small {
    const char* name;
    Model model;
    Floats input;   // the first input's values
    Floats output;  // the first output's values
};

// A model of one operator on one input tensor.
std::vector<Small> SmallModels() {
    std::vector<Small> all;
    {
        // A 2 x 2 diagonal filter with bias over 1..9, stride 1, valid padding.
        Model m;
        const int in = m.tensor({1, 3, 3, 1});
        const int filter = m.constant({1, 2, 2, 1}, {1, 0, 0, 1});
        const int bias = m.constant({1}, {0.5f});
        const int out = m.tensor({1, 2, 2, 1});
        m.op(kConv2D, {in, filter, bias}, {out}, ConvOptions(1, 1, 1));
        m.inputs = {in};
        m.outputs = {out};
        all.push_back({"conv", m, {1, 2, 3, 4, 5, 6, 7, 8, 9}, {6.5f, 8.5f, 12.5f, 14.5f}});
    }
    {
        // Same padding at stride 2: the window hangs over the top and left.
        Model m;
        const int in = m.tensor({1, 3, 3, 1});
        const int filter = m.constant({1, 3, 3, 1}, Floats(9, 1.0f));
        const int out = m.tensor({1, 2, 2, 1});
        m.op(kConv2D, {in, filter}, {out}, ConvOptions(0, 2, 2));
        m.inputs = {in};
        m.outputs = {out};
        all.push_back({"conv_same_stride2", m, {1, 2, 3, 4, 5, 6, 7, 8, 9}, {12, 16, 24, 28}});
    }
    {
        // A half-precision filter made float at load (1.0 and 2.0), then a 1 x 1 convolution.
        Model m;
        const int in = m.tensor({1, 1, 2, 1});
        const int half = m.tensor({1, 1, 1, 1}, kFloat16, {0x00, 0x40});
        const int filter = m.tensor({1, 1, 1, 1});
        const int out = m.tensor({1, 1, 2, 1});
        m.op(kDequantize, {half}, {filter});
        m.op(kConv2D, {in, filter}, {out}, ConvOptions(1, 1, 1));
        m.inputs = {in};
        m.outputs = {out};
        all.push_back({"dequantize", m, {3, -1}, {6, -2}});
    }
    {
        // Two channels, each with its own 2 x 2 filter.
        Model m;
        const int in = m.tensor({1, 2, 2, 2});
        const int filter = m.constant({1, 2, 2, 2}, {1, 1, 1, 0, 1, 0, 1, -1});
        const int bias = m.constant({2}, {1, 0});
        const int out = m.tensor({1, 1, 1, 2});
        m.op(kDepthwiseConv2D, {in, filter, bias}, {out}, DepthwiseOptions(1, 1, 1, 1));
        m.inputs = {in};
        m.outputs = {out};
        all.push_back({"depthwise", m, {1, 10, 2, 20, 3, 30, 4, 40}, {11, -30}});
    }
    {
        // One input pixel spread over a 2 x 2 patch at stride 2, plus the bias.
        Model m;
        const int in = m.tensor({1, 1, 1, 1});
        const int filter = m.constant({1, 2, 2, 1}, {1, 2, 3, 4});
        const int bias = m.constant({1}, {10});
        const int out = m.tensor({1, 2, 2, 1});
        Model::Operator& op = m.op(kCustom, {in, filter, bias}, {out});
        op.custom = "Convolution2DTransposeBias";
        op.customOptions = IntBytes({1, 2, 2});  // same padding, strides 2
        m.inputs = {in};
        m.outputs = {out};
        all.push_back({"transpose_conv", m, {2}, {12, 14, 16, 18}});
    }
    {
        Model m;
        const int in = m.tensor({1, 2, 2, 1});
        const int out = m.tensor({1, 1, 1, 1});
        m.op(kAveragePool2D, {in}, {out}, PoolOptions(1, 2, 2, 2, 2));
        m.inputs = {in};
        m.outputs = {out};
        all.push_back({"average_pool", m, {1, 2, 3, 6}, {3}});
    }
    {
        // A per-channel constant added, then multiplied.
        Model m;
        const int in = m.tensor({1, 1, 2, 2});
        const int c = m.constant({1, 1, 1, 2}, {10, 20});
        const int sum = m.tensor({1, 1, 2, 2});
        const int out = m.tensor({1, 1, 2, 2});
        m.op(kAdd, {in, c}, {sum});
        m.op(kMul, {sum, c}, {out});
        m.inputs = {in};
        m.outputs = {out};
        all.push_back({"add_mul", m, {1, 2, 3, 4}, {110, 440, 130, 480}});
    }
    for (auto [name, code] :
         {std::pair{"relu", int(kRelu)}, {"hard_swish", int(kHardSwish)}, {"logistic", int(kLogistic)}}) {
        Model m;
        const int in = m.tensor({1, 1, 1, 3});
        const int out = m.tensor({1, 1, 1, 3});
        m.op(code, {in}, {out});
        m.inputs = {in};
        m.outputs = {out};
        const Floats x = {-4, 0, 1};
        Floats y;
        for (float v : x)
            y.push_back(code == kRelu        ? std::max(v, 0.0f)
                        : code == kHardSwish ? v * std::min(std::max(v + 3, 0.0f), 6.0f) / 6
                                             : 1 / (1 + std::exp(-v)));
        all.push_back({name, m, x, y});
    }
    {
        // 1 x 2 to 1 x 4 with half-pixel centres.
        Model m;
        const int in = m.tensor({1, 1, 2, 1});
        const int size = m.tensor({2}, kInt32, IntBytes({1, 4}));
        const int out = m.tensor({1, 1, 4, 1});
        m.op(kResizeBilinear, {in, size}, {out}, Table{}.i8(2, 0).i8(3, 1));
        m.inputs = {in};
        m.outputs = {out};
        all.push_back({"resize", m, {0, 4}, {0, 1, 3, 4}});
    }
    return all;
}

bool Load(const Model& m, std::string* error, NeuralNetwork* network) {
    return network->loadFromMemory(m.bytes(), error);
}

// An Add of two one-element constants into an output of `out`'s shape.
Model BroadcastInto(std::vector<int32_t> out) {
    Model m;
    const int a = m.constant({1}, {1});
    const int o = m.tensor(std::move(out));
    m.op(kAdd, {a, a}, {o});
    m.outputs = {o};
    return m;
}

// One convolution of a [1, h, w, 1] input by a constant [1, kh, kw, 1] filter.
Model OneConv(int h, int w, int kh, int kw, int outH, int outW, const Table& options) {
    Model m;
    const int in = m.tensor({1, h, w, 1});
    const int filter = m.constant({1, kh, kw, 1}, Floats(size_t(kh) * kw, 1.0f));
    const int out = m.tensor({1, outH, outW, 1});
    m.op(kConv2D, {in, filter}, {out}, options);
    m.inputs = {in};
    m.outputs = {out};
    return m;
}

}  // namespace

TEST(NeuralNetwork, EveryOperatorRunsFromAModelFile) {
    const char* seeds = std::getenv("QUORIX_MODEL_SEEDS");
    for (const Small& s : SmallModels()) {
        SCOPED_TRACE(s.name);
        NeuralNetwork network;
        std::string error;
        ASSERT_TRUE(Load(s.model, &error, &network)) << error;
        std::copy(s.input.begin(), s.input.end(), network.input(0));
        ASSERT_TRUE(network.invoke(&error)) << error;
        const float* out = network.output(0);
        for (size_t i = 0; i < s.output.size(); ++i) EXPECT_NEAR(out[i], s.output[i], 1e-4) << i;
        if (seeds != nullptr) {
            QFile file(QDir(seeds).filePath(QStringLiteral("op_") + s.name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            const std::vector<uint8_t> bytes = s.model.bytes();
            file.write(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
        }
    }
}

// Models that would make the reader allocate nothing for a tensor, read
// integers as floats, overflow an int in a window or take unbounded memory:
// each is refused at load with its reason.
TEST(NeuralNetwork, CraftedModelsAreRefusedAtLoad) {
    struct Case {
        const char* what;
        Model model;
        const char* reason;
    };
    std::vector<Case> cases;
    // 65536 to the fourth wraps a 64-bit element count to zero: no storage.
    cases.push_back({"dimensions whose product wraps", BroadcastInto({65536, 65536, 65536, 65536}), "shape"});
    {
        // The integer size of a resize handed in as the picture too.
        Model m;
        const int size = m.tensor({2}, kInt32, IntBytes({1, 1}));
        const int out = m.tensor({1, 1, 1, 2});
        m.op(kResizeBilinear, {size, size}, {out});
        m.outputs = {out};
        cases.push_back({"integers read as floats", m, "float"});
    }
    {
        // The only output holds integers: the caller would read floats from nothing.
        Model m;
        const int in = m.tensor({1, 1, 1, 1});
        const int ints = m.tensor({1, 1, 1, 1}, kInt32, IntBytes({7}));
        m.inputs = {in};
        m.outputs = {ints};
        cases.push_back({"integers as the output", m, "output"});
    }
    // Strides and dilations whose window arithmetic leaves an int.
    cases.push_back(
        {"stride near the int limit", OneConv(2, 2, 1, 1, 1, 1, ConvOptions(0, INT_MAX, INT_MAX)), "window"});
    cases.push_back({"dilation near the int limit",
                     OneConv(4, 4, 3, 3, 4, 4, ConvOptions(0, 1, 1, 1 << 30, 1 << 30)), "window"});
    cases.push_back({"negative stride", OneConv(2, 2, 1, 1, 2, 2, ConvOptions(0, -1, 1)), "window"});
    {
        // 65536 input channels times a multiplier of 65536 leave an int.
        Model m;
        const int in = m.tensor({1, 1, 1, 65536});
        const int filter = m.constant({1, 1, 1, 1}, {1});
        const int out = m.tensor({1, 1, 1, 1});
        m.op(kDepthwiseConv2D, {in, filter}, {out}, DepthwiseOptions(1, 1, 1, 65536));
        m.inputs = {in};
        m.outputs = {out};
        cases.push_back({"depthwise multiplier overflowing", m, "channels"});
    }
    {
        Model m;
        const int in = m.tensor({1, 2, 2, 1});
        const int out = m.tensor({1, 2, 2, 1});
        m.op(kAveragePool2D, {in}, {out}, PoolOptions(0, 1, 1, INT_MAX, INT_MAX));
        m.inputs = {in};
        m.outputs = {out};
        cases.push_back({"pooling window near the int limit", m, "pooling"});
    }
    {
        Model m;
        const int in = m.tensor({1, 1, 1, 1});
        const int filter = m.tensor({1, 2, 2, 1}, kFloat32, FloatBytes({1, 2, 3, 4}));
        const int bias = m.constant({1}, {0});
        const int out = m.tensor({1, 2, 2, 1});
        Model::Operator& op = m.op(kCustom, {in, filter, bias}, {out});
        op.custom = "Convolution2DTransposeBias";
        op.customOptions = IntBytes({1, INT_MAX, INT_MAX});
        m.inputs = {in};
        m.outputs = {out};
        cases.push_back({"transposed stride near the int limit", m, "filter"});
    }
    // Values that are no numbers, in floats and in half precision.
    {
        Model m = OneConv(1, 1, 1, 1, 1, 1, ConvOptions(1, 1, 1));
        m.tensors[1].data = FloatBytes({std::numeric_limits<float>::quiet_NaN()});
        cases.push_back({"a weight that is not a number", m, "not a number"});
    }
    {
        Model m;
        const int in = m.tensor({1, 1, 1, 1});
        const int half = m.tensor({1, 1, 1, 1}, kFloat16, {0x00, 0x7C});  // infinity
        const int filter = m.tensor({1, 1, 1, 1});
        const int out = m.tensor({1, 1, 1, 1});
        m.op(kDequantize, {half}, {filter});
        m.op(kConv2D, {in, filter}, {out}, ConvOptions(1, 1, 1));
        m.inputs = {in};
        m.outputs = {out};
        cases.push_back({"an infinite half-precision weight", m, "not a number"});
    }
    {
        // One 4 MB buffer behind 70 tensors: 280 MB of copies.
        Model m;
        const int first = m.tensor({16, 65536}, kFloat32, FloatBytes(Floats(1 << 20, 0.5f)));
        for (int i = 0; i < 70; ++i) m.tensors[size_t(m.tensor({16, 65536}))].sharesBufferOf = first;
        const int in = m.tensor({1});
        m.inputs = {in};
        m.outputs = {in};
        cases.push_back({"one buffer behind many tensors", m, "memory"});
    }
    {
        // Four convolutions of 2^31 multiply-adds each, between two activations in turn
        // (the segmentation model needs 2^26 in all).
        Model m;
        const int in = m.tensor({1, 256, 256, 64});
        const int filter = m.constant({64, 3, 3, 64}, Floats(64 * 9 * 64, 0.01f));
        const int turn[2] = {m.tensor({1, 256, 256, 64}), m.tensor({1, 256, 256, 64})};
        m.op(kConv2D, {in, filter}, {turn[0]}, ConvOptions(0, 1, 1));
        for (int i = 1; i < 4; ++i)
            m.op(kConv2D, {turn[(i + 1) % 2], filter}, {turn[i % 2]}, ConvOptions(0, 1, 1));
        m.inputs = {in};
        m.outputs = {turn[1]};
        cases.push_back({"too much computing", m, "computing"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NeuralNetwork network;
        std::string error;
        EXPECT_FALSE(Load(c.model, &error, &network));
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_EQ(network.input(0), nullptr);
        EXPECT_EQ(network.output(0), nullptr);
    }
}

// Weights that overflow to infinities of both signs make the output no number:
// the picture gets no mask (and the byte of a NaN is never taken).
TEST(NeuralNetwork, SegmentationOfAnOutputThatIsNoNumberFails) {
    Model m;
    const int in = m.tensor({1, 2, 2, 3});
    const int up = m.constant({1, 1, 1, 3}, Floats(3, 3e38f));
    const int down = m.constant({1, 1, 1, 3}, Floats(3, -3e38f));
    const int plus = m.tensor({1, 2, 2, 1});
    const int minus = m.tensor({1, 2, 2, 1});
    const int out = m.tensor({1, 2, 2, 1});
    m.op(kConv2D, {in, up}, {plus}, ConvOptions(1, 1, 1));
    m.op(kConv2D, {in, down}, {minus}, ConvOptions(1, 1, 1));
    m.op(kAdd, {plus, minus}, {out});
    m.inputs = {in};
    m.outputs = {out};
    const QString path = QStringLiteral(QUORIX_TEST_BINARY_DIR "/overflowing.tflite");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const std::vector<uint8_t> bytes = m.bytes();
        file.write(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    }
    SegmentationModel model(path);
    QImage white(8, 8, QImage::Format_ARGB32);
    white.fill(Qt::white);
    QImage mask;
    QString description, reason, suggestion;
    EXPECT_FALSE(model.perform(white, &mask, &description, &reason, &suggestion));
    EXPECT_TRUE(mask.isNull());
    EXPECT_EQ(reason, QStringLiteral("its output is not a number"));
    // A dark picture stays finite (every product is zero): it gets its mask.
    QImage black(8, 8, QImage::Format_ARGB32);
    black.fill(Qt::black);
    EXPECT_TRUE(model.perform(black, &mask, &description, &reason, &suggestion)) << reason.toStdString();
    EXPECT_EQ(mask.size(), QSize(2, 2));
    QFile::remove(path);
}
