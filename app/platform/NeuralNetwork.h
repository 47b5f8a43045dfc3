#pragma once

// A small inference for TensorFlow Lite models of 32-bit floats: reads the
// model file (its flatbuffer layout, every offset checked against the file),
// turns half-precision weights into floats once at load, and runs the
// operators the person-segmentation model uses: CONV_2D, DEPTHWISE_CONV_2D,
// ADD, MUL, RELU, HARD_SWISH, LOGISTIC, AVERAGE_POOL_2D, RESIZE_BILINEAR,
// DEQUANTIZE and the custom "Convolution2DTransposeBias". A model with any
// other operator, type or shape it cannot follow is refused at load, and so is
// one that holds values that are not numbers, or would need more memory or
// computing than a model of its kind.
//
// Plain C++ (no Qt). One invoke at a time per object.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/NeuralOperators.h"

class NeuralNetwork {
public:
    NeuralNetwork();
    ~NeuralNetwork();

    bool load(const std::string& path, std::string* error);
    bool loadFromMemory(std::vector<uint8_t> bytes, std::string* error);

    int inputCount() const;
    int outputCount() const;
    std::vector<int> inputShape(int index) const;
    std::vector<int> outputShape(int index) const;
    // Float storage of an input or output (shape as above, NHWC).
    float* input(int index);
    const float* output(int index) const;

    bool invoke(std::string* error);

    // The number of operators the model runs (the load-time DEQUANTIZE ones excluded).
    int runCount() const;
    // The multiply-adds (or element steps) one invoke takes, counted at load.
    uint64_t operationCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
