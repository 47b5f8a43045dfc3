// The person-segmentation model file (read from the user's cache or the file
// an environment variable names) loaded by our inference; a model it accepts
// is run on a picture when it is small enough to run quickly, and every
// output value is read.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "platform/NeuralNetwork.h"

namespace {

// Models above this many multiply-adds are only loaded (the real one takes
// 66 million an invoke).
constexpr uint64_t kRunBelow = uint64_t{1} << 22;

size_t Elements(const std::vector<int>& shape) {
    size_t n = 1;
    for (int d : shape) n *= size_t(d);
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    NeuralNetwork network;
    std::string error;
    if (!network.loadFromMemory(std::vector<uint8_t>(data, data + size), &error)) {
        quorix::fuzz::Touch(error.c_str());
        return 0;
    }
    if (network.operationCount() > kRunBelow) return 0;
    for (int i = 0; i < network.inputCount(); ++i) {
        float* in = network.input(i);
        const size_t n = Elements(network.inputShape(i));
        for (size_t k = 0; k < n; ++k) in[k] = float(k % 7) / 3.0f - 1.0f;
    }
    if (!network.invoke(&error)) return 0;
    for (int i = 0; i < network.outputCount(); ++i) {
        const float* out = network.output(i);
        const size_t n = Elements(network.outputShape(i));
        size_t finite = 0;
        for (size_t k = 0; k < n; ++k) finite += std::isfinite(out[k]) ? 1 : 0;
        quorix::fuzz::Count(finite);
    }
    return 0;
}
