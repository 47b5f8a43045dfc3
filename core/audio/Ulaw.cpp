#include "audio/Ulaw.h"

#include <array>

#include "tessel/TS_Common.h"

namespace {

constexpr int kBias = 0x84;
constexpr int kClip = 32635;

constexpr uint8_t LinearToUlaw(int sample) {
    const int sign = sample < 0 ? 0x80 : 0;
    int magnitude = sample < 0 ? -sample : sample;
    if (magnitude > kClip) magnitude = kClip;
    magnitude += kBias;
    int exponent = 7;
    for (int mask = 0x4000; (magnitude & mask) == 0 && exponent > 0; mask >>= 1) --exponent;
    const int mantissa = (magnitude >> (exponent + 3)) & 0x0F;
    return static_cast<uint8_t>(~(sign | (exponent << 4) | mantissa));
}

constexpr int16_t UlawToLinear(uint8_t code) {
    const int inverted = static_cast<uint8_t>(~code);
    const int exponent = (inverted >> 4) & 0x07;
    const int mantissa = inverted & 0x0F;
    const int magnitude = (((mantissa << 3) + kBias) << exponent) - kBias;
    return static_cast<int16_t>((inverted & 0x80) != 0 ? -magnitude : magnitude);
}

// Indexed by the sample's unsigned 16-bit value shifted right by 3.
constexpr std::array<uint8_t, 8192> kEncodeTable = [] {
    std::array<uint8_t, 8192> table{};
    for (int i = 0; i < 8192; ++i)
        table[i] = LinearToUlaw(static_cast<int16_t>(static_cast<uint16_t>(i << 3)));
    return table;
}();

constexpr std::array<int16_t, 256> kDecodeTable = [] {
    std::array<int16_t, 256> table{};
    for (int i = 0; i < 256; ++i) table[i] = UlawToLinear(static_cast<uint8_t>(i));
    return table;
}();

}  // namespace

bool Ulaw::Encode(const int16_t* pcm, int bytes, uint8_t** out, int* outBytes) {
    const int n = bytes / 2;
    auto* buffer = static_cast<uint8_t*>(__malloc__(n > 0 ? n : 1));
    if (buffer == nullptr) return false;
    for (int i = 0; i < n; ++i) buffer[i] = kEncodeTable[static_cast<uint16_t>(pcm[i]) >> 3];
    *out = buffer;
    *outBytes = n;
    return true;
}

bool Ulaw::Decode(const uint8_t* data, int bytes, int16_t** out, int* outBytes) {
    const int n = bytes > 0 ? bytes : 0;
    auto* buffer = static_cast<int16_t*>(__malloc__(n > 0 ? n * sizeof(int16_t) : 1));
    if (buffer == nullptr) return false;
    for (int i = 0; i < n; ++i) buffer[i] = kDecodeTable[data[i]];
    *out = buffer;
    *outBytes = n * 2;
    return true;
}
