#include "platform/NeuralNetwork.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>

namespace {

// ---- the flatbuffer layout ------------------------------------------------------------
//
// A table starts with a signed 32-bit distance back to its field table (vtable):
// 16-bit vtable length, 16-bit table length, then one 16-bit offset per field
// (0: absent). Offsets to tables, vectors and strings are unsigned 32-bit and
// relative to where they are stored; a vector is a 32-bit count and its elements.
// Every read below is checked against the file's length.

class Flat {
public:
    explicit Flat(const std::vector<uint8_t>& b) : b_(b) {}

    bool ok() const { return ok_; }

    template <class T>
    T read(size_t pos) {
        T v{};
        if (pos > b_.size() || b_.size() - pos < sizeof(T)) {
            ok_ = false;
            return v;
        }
        std::memcpy(&v, b_.data() + pos, sizeof(T));
        return v;
    }

    // Position of a field of the table at `table`, or nothing when absent.
    std::optional<size_t> field(size_t table, int id) {
        const int32_t back = read<int32_t>(table);
        const int64_t vt = static_cast<int64_t>(table) - back;
        if (!ok_ || vt < 0 || static_cast<size_t>(vt) >= b_.size()) return fail();
        const uint16_t vlen = read<uint16_t>(static_cast<size_t>(vt));
        if (4 + 2 * id + 2 > vlen) return std::nullopt;
        const uint16_t off = read<uint16_t>(static_cast<size_t>(vt) + 4 + 2 * id);
        if (!ok_ || off == 0) return std::nullopt;
        return table + off;
    }

    size_t deref(size_t pos) {
        const uint32_t rel = read<uint32_t>(pos);
        if (!ok_ || rel > b_.size() - pos) {
            ok_ = false;
            return 0;
        }
        return pos + rel;
    }

    template <class T>
    T scalar(size_t table, int id, T def) {
        auto f = field(table, id);
        return f ? read<T>(*f) : def;
    }

    // Start and count of a vector field whose elements are `elem` bytes each.
    std::optional<std::pair<size_t, uint32_t>> vector(size_t table, int id, size_t elem) {
        auto f = field(table, id);
        if (!f) return std::nullopt;
        const size_t v = deref(*f);
        const uint32_t n = read<uint32_t>(v);
        if (!ok_ || (b_.size() - v - 4) / elem < n) return fail2();
        return std::make_pair(v + 4, n);
    }

    std::vector<size_t> tables(size_t table, int id) {
        std::vector<size_t> out;
        auto v = vector(table, id, 4);
        if (!v) return out;
        for (uint32_t i = 0; i < v->second && ok_; ++i) out.push_back(deref(v->first + 4 * i));
        return out;
    }

    std::vector<int32_t> ints(size_t table, int id) {
        std::vector<int32_t> out;
        auto v = vector(table, id, 4);
        if (!v) return out;
        for (uint32_t i = 0; i < v->second; ++i) out.push_back(read<int32_t>(v->first + 4 * i));
        return out;
    }

    std::string string(size_t table, int id) {
        auto v = vector(table, id, 1);
        if (!v) return {};
        return std::string(reinterpret_cast<const char*>(b_.data() + v->first), v->second);
    }

    std::optional<size_t> tableField(size_t table, int id) {
        auto f = field(table, id);
        if (!f) return std::nullopt;
        return deref(*f);
    }

private:
    std::nullopt_t fail() {
        ok_ = false;
        return std::nullopt;
    }
    std::nullopt_t fail2() { return fail(); }

    const std::vector<uint8_t>& b_;
    bool ok_ = true;
};

// Operator codes and tensor types of the model format.
enum Builtin {
    kAdd = 0,
    kAveragePool2D = 1,
    kConv2D = 3,
    kDepthwiseConv2D = 4,
    kDequantize = 6,
    kLogistic = 14,
    kMul = 18,
    kRelu = 19,
    kResizeBilinear = 23,
    kCustom = 32,
    kHardSwish = 117,
    kTransposeConvBias = 1000,  // our number for the custom operator
};
enum TensorType { kFloat32 = 0, kFloat16 = 1, kInt32 = 2 };

nn::Padding PaddingOf(int8_t code) {
    return code == 1 ? nn::Padding::Valid : nn::Padding::Same;
}

bool ActivationOf(int8_t code, nn::Activation* a) {
    switch (code) {
        case 0:
            *a = nn::Activation::None;
            return true;
        case 1:
            *a = nn::Activation::Relu;
            return true;
        case 2:
            *a = nn::Activation::ReluN1To1;
            return true;
        case 3:
            *a = nn::Activation::Relu6;
            return true;
        case 4:
            *a = nn::Activation::Tanh;
            return true;
        default:
            return false;
    }
}

}  // namespace

struct NeuralNetwork::Impl {
    struct Tensor {
        std::string name;
        nn::Shape shape;
        int rank = 0;
        int type = kFloat32;
        bool constant = false;
        std::vector<float> data;       // float values (constants and activations)
        std::vector<int32_t> ints;     // int32 constants
        std::vector<uint16_t> halves;  // half-precision constants before load-time dequantisation
    };
    struct Op {
        int code = 0;
        std::vector<int> in, out;
        nn::ConvParams conv;
        int multiplier = 1;
        int filterW = 1, filterH = 1;
        bool alignCorners = false, halfPixel = false;
        std::vector<float> prepared;  // a convolution filter in the order the kernel reads
    };

    std::vector<uint8_t> bytes;
    std::vector<Tensor> tensors;
    std::vector<int> inputs, outputs;
    std::vector<Op> ops;      // the ones run at invoke
    size_t stored = 0;        // floats, integers and halves held for the model
    uint64_t operations = 0;  // multiply-adds (or element steps) of one invoke

    bool fail(std::string* error, const std::string& why) {
        if (error) *error = why;
        return false;
    }

    bool parse(std::string* error);
    bool prepare(Op& op, std::string* error);
};

namespace {

// Bounds on what a model may make us allocate and compute (the segmentation
// model needs a few million floats in all and 66 million multiply-adds an
// invoke).
constexpr size_t kMaxTensorElements = size_t{1} << 24;
constexpr size_t kMaxActivationElements = size_t{1} << 25;
constexpr size_t kMaxStoredElements = size_t{1} << 26;
constexpr uint64_t kMaxOperations = uint64_t{1} << 32;
// No dimension, stride, dilation or window extent above this: every index
// and window position of the operators then stays far inside an int.
constexpr int kMaxExtent = 1 << 16;

bool ShapeOf(const std::vector<int32_t>& dims, nn::Shape* s, int* rank) {
    if (dims.size() > 4) return false;
    int v[4] = {1, 1, 1, 1};
    const size_t off = 4 - dims.size();
    // The element count is checked as it grows: four dimensions of 65536
    // would wrap a 64-bit product to zero.
    size_t count = 1;
    for (size_t i = 0; i < dims.size(); ++i) {
        if (dims[i] <= 0 || dims[i] > kMaxExtent) return false;
        count *= static_cast<size_t>(dims[i]);
        if (count > kMaxTensorElements) return false;
        v[off + i] = dims[i];
    }
    *s = {v[0], v[1], v[2], v[3]};
    *rank = static_cast<int>(dims.size());
    return true;
}

// The extent a filter of `filter` taps covers at `dilation`, when it and the
// step are ones we can run.
bool WindowFits(int filter, int stride, int dilation) {
    if (filter <= 0 || filter > kMaxExtent || stride <= 0 || stride > kMaxExtent || dilation <= 0 ||
        dilation > kMaxExtent)
        return false;
    return (int64_t{filter} - 1) * dilation + 1 <= kMaxExtent;
}

bool AllFinite(const std::vector<float>& values) {
    for (float v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

}  // namespace

bool NeuralNetwork::Impl::parse(std::string* error) {
    if (bytes.size() < 8 || std::memcmp(bytes.data() + 4, "TFL3", 4) != 0)
        return fail(error, "not a TensorFlow Lite model");
    Flat f(bytes);
    const size_t root = f.deref(0);

    struct Code {
        int builtin;
        std::string custom;
    };
    std::vector<Code> codes;
    for (size_t oc : f.tables(root, 1)) {
        const int deprecated = f.scalar<int8_t>(oc, 0, 0);
        const int builtin = f.scalar<int32_t>(oc, 3, 0);
        codes.push_back({std::max(deprecated, builtin), f.string(oc, 1)});
    }
    const std::vector<size_t> buffers = f.tables(root, 4);
    const std::vector<size_t> subgraphs = f.tables(root, 2);
    if (!f.ok()) return fail(error, "the model file is damaged");
    if (subgraphs.size() != 1) return fail(error, "the model must have one subgraph");
    const size_t sg = subgraphs[0];

    size_t activations = 0;
    for (size_t t : f.tables(sg, 0)) {
        Tensor tensor;
        tensor.name = f.string(t, 3);
        if (!ShapeOf(f.ints(t, 0), &tensor.shape, &tensor.rank))
            return fail(error, "tensor " + tensor.name + " has a shape we cannot run");
        tensor.type = f.scalar<int8_t>(t, 1, 0);
        const uint32_t buffer = f.scalar<uint32_t>(t, 2, 0);
        if (buffer >= buffers.size() && buffer != 0)
            return fail(error, "tensor " + tensor.name + " has no buffer");
        std::optional<std::pair<size_t, uint32_t>> data;
        if (buffer != 0) data = f.vector(buffers[buffer], 0, 1);
        if (!f.ok()) return fail(error, "the model file is damaged");
        const size_t count = tensor.shape.size();
        if (data && data->second > 0) {
            tensor.constant = true;
            const uint8_t* p = bytes.data() + data->first;
            const size_t elem = tensor.type == kFloat16 ? 2 : 4;
            if (tensor.type != kFloat32 && tensor.type != kFloat16 && tensor.type != kInt32)
                return fail(error, "tensor " + tensor.name + " has a type we cannot run");
            if (data->second != count * elem)
                return fail(error, "tensor " + tensor.name + " has the wrong size");
            // One buffer may back many tensors: each copy counts.
            stored += count;
            if (stored > kMaxStoredElements) return fail(error, "the model needs too much memory");
            if (tensor.type == kFloat32) {
                tensor.data.resize(count);
                std::memcpy(tensor.data.data(), p, count * 4);
                if (!AllFinite(tensor.data))
                    return fail(error, "tensor " + tensor.name + " holds a value that is not a number");
            } else if (tensor.type == kFloat16) {
                tensor.halves.resize(count);
                std::memcpy(tensor.halves.data(), p, count * 2);
            } else {
                tensor.ints.resize(count);
                std::memcpy(tensor.ints.data(), p, count * 4);
            }
        } else if (tensor.type != kFloat32) {
            return fail(error, "tensor " + tensor.name + " must hold 32-bit floats");
        } else {
            activations += count;
            if (activations > kMaxActivationElements) return fail(error, "the model needs too much memory");
            tensor.data.assign(count, 0.0f);
        }
        tensors.push_back(std::move(tensor));
    }
    auto validIndex = [this](int i) { return i >= 0 && static_cast<size_t>(i) < tensors.size(); };
    inputs = f.ints(sg, 1);
    outputs = f.ints(sg, 2);
    for (int i : inputs)
        if (!validIndex(i) || tensors[i].constant)
            return fail(error, "a model input is not a tensor we can fill");
    for (int i : outputs)
        if (!validIndex(i) || tensors[i].type != kFloat32 || tensors[i].data.empty())
            return fail(error, "a model output is not a float tensor");

    for (size_t o : f.tables(sg, 3)) {
        Op op;
        const uint32_t codeIndex = f.scalar<uint32_t>(o, 0, 0);
        if (codeIndex >= codes.size()) return fail(error, "an operator has no code");
        op.code = codes[codeIndex].builtin;
        if (op.code == kCustom) {
            if (codes[codeIndex].custom != "Convolution2DTransposeBias")
                return fail(error, "custom operator " + codes[codeIndex].custom + " is not supported");
            op.code = kTransposeConvBias;
            // Options: padding (1 same, 2 valid), stride width, stride height as 32-bit integers.
            auto opts = f.vector(o, 5, 1);
            if (!opts || opts->second < 12) return fail(error, "the transposed convolution has no options");
            int32_t v[3];
            std::memcpy(v, bytes.data() + opts->first, 12);
            if (v[0] != 1 && v[0] != 2)
                return fail(error, "the transposed convolution has an unknown padding");
            op.conv.padding = v[0] == 2 ? nn::Padding::Valid : nn::Padding::Same;
            op.conv.strideW = v[1];
            op.conv.strideH = v[2];
        }
        for (int i : f.ints(o, 1)) op.in.push_back(i);
        for (int i : f.ints(o, 2)) op.out.push_back(i);
        for (int i : op.in)
            if (!validIndex(i)) return fail(error, "an operator reads a missing tensor");
        if (op.out.size() != 1 || !validIndex(op.out[0]) || tensors[op.out[0]].constant)
            return fail(error, "an operator must write one tensor");
        const std::optional<size_t> opt = f.tableField(o, 4);
        auto optScalar = [&](int id, auto def) { return opt ? f.scalar<decltype(def)>(*opt, id, def) : def; };
        // Padding and strides lead the options of every window operator.
        auto readWindow = [&] {
            op.conv.padding = PaddingOf(optScalar(0, int8_t{0}));
            op.conv.strideW = optScalar(1, int32_t{1});
            op.conv.strideH = optScalar(2, int32_t{1});
        };
        nn::Activation act = nn::Activation::None;
        switch (op.code) {
            case kConv2D:
                readWindow();
                if (!ActivationOf(optScalar(3, int8_t{0}), &act)) return fail(error, "unknown activation");
                op.conv.dilationW = optScalar(4, int32_t{1});
                op.conv.dilationH = optScalar(5, int32_t{1});
                break;
            case kDepthwiseConv2D:
                readWindow();
                op.multiplier = optScalar(3, int32_t{1});
                if (!ActivationOf(optScalar(4, int8_t{0}), &act)) return fail(error, "unknown activation");
                op.conv.dilationW = optScalar(5, int32_t{1});
                op.conv.dilationH = optScalar(6, int32_t{1});
                break;
            case kAveragePool2D:
                readWindow();
                op.filterW = optScalar(3, int32_t{1});
                op.filterH = optScalar(4, int32_t{1});
                if (!ActivationOf(optScalar(5, int8_t{0}), &act)) return fail(error, "unknown activation");
                break;
            case kAdd:
            case kMul:
                if (!ActivationOf(optScalar(0, int8_t{0}), &act)) return fail(error, "unknown activation");
                break;
            case kResizeBilinear:
                op.alignCorners = optScalar(2, uint8_t{0}) != 0;
                op.halfPixel = optScalar(3, uint8_t{0}) != 0;
                break;
            case kDequantize:
            case kLogistic:
            case kRelu:
            case kHardSwish:
            case kTransposeConvBias:
                break;
            default:
                return fail(error, "operator " + std::to_string(op.code) + " is not supported");
        }
        op.conv.activation = act;
        if (!f.ok()) return fail(error, "the model file is damaged");
        if (!prepare(op, error)) return false;
        if (stored > kMaxStoredElements) return fail(error, "the model needs too much memory");
        if (operations > kMaxOperations) return fail(error, "the model needs too much computing");
        if (op.code != kDequantize) ops.push_back(std::move(op));
    }
    if (!f.ok()) return fail(error, "the model file is damaged");
    return true;
}

// Checks an operator's tensors against what it computes; runs load-time work
// (dequantisation of constants, filter reordering).
bool NeuralNetwork::Impl::prepare(Op& op, std::string* error) {
    auto need = [&](size_t n) { return op.in.size() == n; };
    auto isFloat = [&](int i) {
        return tensors[i].type == kFloat32 && (!tensors[i].constant || !tensors[i].data.empty());
    };
    Tensor& out = tensors[op.out[0]];
    const std::string where = " (operator writing " + out.name + ")";
    // Every input is read as floats but the size of a resize (its second
    // input, checked below); the same tensor may stand in both places.
    if (op.code != kDequantize)
        for (size_t k = 0; k < op.in.size(); ++k)
            if (!isFloat(op.in[k]) && !(op.code == kResizeBilinear && k == 1))
                return fail(error, "an input is not a float tensor" + where);
    auto sameShape = [&](int i) { return tensors[i].shape == out.shape; };
    // The window of a convolution or pooling of `fh` x `fw` taps.
    auto windowFits = [&](int fh, int fw) {
        return WindowFits(fh, op.conv.strideH, op.conv.dilationH) &&
               WindowFits(fw, op.conv.strideW, op.conv.dilationW);
    };
    switch (op.code) {
        case kDequantize: {
            if (!need(1)) return fail(error, "DEQUANTIZE needs one input" + where);
            Tensor& in = tensors[op.in[0]];
            if (!in.constant || in.type != kFloat16 || !(in.shape == out.shape))
                return fail(error, "DEQUANTIZE only turns half-precision constants into floats" + where);
            out.data.resize(out.shape.size());
            nn::Dequantize(in.halves.data(), out.data.data(), out.data.size());
            if (!AllFinite(out.data))
                return fail(error, "tensor " + in.name + " holds a value that is not a number");
            out.constant = true;
            return true;
        }
        case kConv2D:
        case kDepthwiseConv2D: {
            if (!need(3) && !need(2))
                return fail(error, "a convolution needs input, filter and bias" + where);
            const Tensor& in = tensors[op.in[0]];
            const Tensor& filter = tensors[op.in[1]];
            if (!filter.constant) return fail(error, "the convolution is not constant" + where);
            const nn::Shape fs = filter.shape;
            if (!windowFits(fs.h, fs.w))
                return fail(error, "the convolution's window or steps cannot be run" + where);
            const int oc = op.code == kConv2D ? fs.n : fs.c;
            if (op.code == kConv2D && fs.c != in.shape.c)
                return fail(error, "filter and input channels differ" + where);
            if (op.code == kDepthwiseConv2D && (fs.n != 1 || op.multiplier <= 0 || op.multiplier > fs.c ||
                                                int64_t{in.shape.c} * op.multiplier != fs.c))
                return fail(error, "depthwise filter and input channels differ" + where);
            if (op.in.size() == 3 &&
                (!tensors[op.in[2]].constant || tensors[op.in[2]].shape.size() != static_cast<size_t>(oc)))
                return fail(error, "the bias does not fit" + where);
            const nn::Shape want{
                in.shape.n,
                nn::OutputSize(op.conv.padding, in.shape.h, fs.h, op.conv.strideH, op.conv.dilationH),
                nn::OutputSize(op.conv.padding, in.shape.w, fs.w, op.conv.strideW, op.conv.dilationW), oc};
            if (!(want == out.shape)) return fail(error, "the output shape does not follow" + where);
            operations += uint64_t{out.shape.size()} * fs.h * fs.w * (op.code == kConv2D ? fs.c : 1);
            if (op.code == kConv2D) {
                stored += filter.data.size();
                if (stored > kMaxStoredElements) return fail(error, "the model needs too much memory");
                op.prepared.resize(filter.data.size());
                nn::FilterOhwiToHwio(filter.data.data(), fs, op.prepared.data());
            }
            return true;
        }
        case kTransposeConvBias: {
            if (!need(3))
                return fail(error, "the transposed convolution needs input, filter and bias" + where);
            const Tensor& in = tensors[op.in[0]];
            const Tensor& filter = tensors[op.in[1]];
            if (!filter.constant || !tensors[op.in[2]].constant ||
                !windowFits(filter.shape.h, filter.shape.w) || filter.shape.c != in.shape.c ||
                tensors[op.in[2]].shape.size() != static_cast<size_t>(filter.shape.n))
                return fail(error, "the transposed convolution's filter does not fit" + where);
            // The convolution it reverses maps the output back onto the input.
            const nn::Shape& os = out.shape;
            if (os.n != in.shape.n || os.c != filter.shape.n ||
                nn::OutputSize(op.conv.padding, os.h, filter.shape.h, op.conv.strideH, 1) != in.shape.h ||
                nn::OutputSize(op.conv.padding, os.w, filter.shape.w, op.conv.strideW, 1) != in.shape.w)
                return fail(error, "the output shape does not follow" + where);
            operations += uint64_t{in.shape.size()} * filter.shape.h * filter.shape.w * filter.shape.n;
            return true;
        }
        case kAveragePool2D: {
            if (!need(1) || !windowFits(op.filterH, op.filterW))
                return fail(error, "the pooling is malformed" + where);
            const nn::Shape is = tensors[op.in[0]].shape;
            const nn::Shape want{is.n, nn::OutputSize(op.conv.padding, is.h, op.filterH, op.conv.strideH, 1),
                                 nn::OutputSize(op.conv.padding, is.w, op.filterW, op.conv.strideW, 1), is.c};
            if (!(want == out.shape)) return fail(error, "the output shape does not follow" + where);
            operations += uint64_t{out.shape.size()} * op.filterH * op.filterW;
            return true;
        }
        case kAdd:
        case kMul:
            if (!need(2) || !nn::Broadcasts(tensors[op.in[0]].shape, tensors[op.in[1]].shape, out.shape))
                return fail(error, "the operands do not broadcast" + where);
            operations += out.shape.size();
            return true;
        case kRelu:
        case kHardSwish:
        case kLogistic:
            if (!need(1) || !sameShape(op.in[0]))
                return fail(error, "input and output shapes differ" + where);
            operations += out.shape.size();
            return true;
        case kResizeBilinear: {
            if (!need(2)) return fail(error, "RESIZE_BILINEAR needs a size" + where);
            const Tensor& in = tensors[op.in[0]];
            const Tensor& size = tensors[op.in[1]];
            if (size.type != kInt32 || !size.constant || size.ints.size() != 2 ||
                size.ints[0] != out.shape.h || size.ints[1] != out.shape.w || in.shape.n != out.shape.n ||
                in.shape.c != out.shape.c)
                return fail(error, "the resize size does not fit" + where);
            operations += uint64_t{out.shape.size()} * 4;
            return true;
        }
        default:
            return fail(error, "operator not supported" + where);
    }
}

NeuralNetwork::NeuralNetwork() = default;
NeuralNetwork::~NeuralNetwork() = default;

bool NeuralNetwork::load(const std::string& path, std::string* error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (error) *error = "cannot open " + path;
        return false;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return loadFromMemory(std::move(bytes), error);
}

bool NeuralNetwork::loadFromMemory(std::vector<uint8_t> bytes, std::string* error) {
    auto impl = std::make_unique<Impl>();
    impl->bytes = std::move(bytes);
    if (!impl->parse(error)) return false;
    impl->bytes.clear();
    impl->bytes.shrink_to_fit();
    impl_ = std::move(impl);
    return true;
}

int NeuralNetwork::inputCount() const {
    return impl_ ? static_cast<int>(impl_->inputs.size()) : 0;
}
int NeuralNetwork::outputCount() const {
    return impl_ ? static_cast<int>(impl_->outputs.size()) : 0;
}

namespace {
std::vector<int> Dims(nn::Shape s, int rank) {
    const int all[4] = {s.n, s.h, s.w, s.c};
    return std::vector<int>(all + 4 - rank, all + 4);
}
}  // namespace

std::vector<int> NeuralNetwork::inputShape(int index) const {
    if (index < 0 || index >= inputCount()) return {};
    const auto& t = impl_->tensors[impl_->inputs[index]];
    return Dims(t.shape, t.rank);
}

std::vector<int> NeuralNetwork::outputShape(int index) const {
    if (index < 0 || index >= outputCount()) return {};
    const auto& t = impl_->tensors[impl_->outputs[index]];
    return Dims(t.shape, t.rank);
}

float* NeuralNetwork::input(int index) {
    if (index < 0 || index >= inputCount()) return nullptr;
    return impl_->tensors[impl_->inputs[index]].data.data();
}

const float* NeuralNetwork::output(int index) const {
    if (index < 0 || index >= outputCount()) return nullptr;
    return impl_->tensors[impl_->outputs[index]].data.data();
}

int NeuralNetwork::runCount() const {
    return impl_ ? static_cast<int>(impl_->ops.size()) : 0;
}

uint64_t NeuralNetwork::operationCount() const {
    return impl_ ? impl_->operations : 0;
}

bool NeuralNetwork::invoke(std::string* error) {
    if (!impl_) {
        if (error) *error = "no model";
        return false;
    }
    auto& T = impl_->tensors;
    for (Impl::Op& op : impl_->ops) {
        Impl::Tensor& out = T[op.out[0]];
        const Impl::Tensor& a = T[op.in[0]];
        float* o = out.data.data();
        switch (op.code) {
            case kConv2D: {
                nn::Shape hwio = T[op.in[1]].shape;
                nn::Conv2D(a.data.data(), a.shape, op.prepared.data(), hwio,
                           op.in.size() > 2 ? T[op.in[2]].data.data() : nullptr, o, out.shape, op.conv);
                break;
            }
            case kDepthwiseConv2D:
                nn::DepthwiseConv2D(a.data.data(), a.shape, T[op.in[1]].data.data(), T[op.in[1]].shape,
                                    op.in.size() > 2 ? T[op.in[2]].data.data() : nullptr, op.multiplier, o,
                                    out.shape, op.conv);
                break;
            case kTransposeConvBias:
                nn::TransposeConv2DBias(a.data.data(), a.shape, T[op.in[1]].data.data(), T[op.in[1]].shape,
                                        T[op.in[2]].data.data(), o, out.shape, op.conv.padding,
                                        op.conv.strideW, op.conv.strideH);
                break;
            case kAveragePool2D:
                nn::AveragePool2D(a.data.data(), a.shape, o, out.shape, op.conv.padding, op.conv.strideW,
                                  op.conv.strideH, op.filterW, op.filterH, op.conv.activation);
                break;
            case kAdd:
                nn::Add(a.data.data(), a.shape, T[op.in[1]].data.data(), T[op.in[1]].shape, o, out.shape,
                        op.conv.activation);
                break;
            case kMul:
                nn::Mul(a.data.data(), a.shape, T[op.in[1]].data.data(), T[op.in[1]].shape, o, out.shape,
                        op.conv.activation);
                break;
            case kRelu:
                nn::Relu(a.data.data(), o, out.data.size());
                break;
            case kHardSwish:
                nn::HardSwish(a.data.data(), o, out.data.size());
                break;
            case kLogistic:
                nn::Logistic(a.data.data(), o, out.data.size());
                break;
            case kResizeBilinear:
                nn::ResizeBilinear(a.data.data(), a.shape, o, out.shape, op.alignCorners, op.halfPixel);
                break;
            default:
                if (error) *error = "operator not supported";
                return false;
        }
    }
    return true;
}
