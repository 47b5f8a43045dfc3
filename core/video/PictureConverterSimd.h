// Vector kernels of the picture conversions (x86 SSSE3 and AVX2, picked at run
// time). Each kernel converts whole 16-pixel blocks from the start of a row and
// answers how many columns it did; the caller converts the rest with the scalar
// code. Results are bit-identical to the scalar conversions.
#pragma once

#include <cstdint>

namespace picture_simd {

// Vector units a kernel set can use, in increasing order.
enum Level { kScalar = 0, kSsse3 = 1, kAvx2 = 2 };

// Two rows of packed pixels to two luma rows and one row each of U and V.
using ToYuvRowPair = int (*)(const uint8_t* s0, const uint8_t* s1, uint8_t* y0, uint8_t* y1, uint8_t* u,
                             uint8_t* v, int width);
// Two rows of planar 4:2:0 and their shared chroma rows to packed pixels; a
// last odd row passes itself twice (out1 == out0).
using FromYuvRowPair = int (*)(uint8_t* out0, uint8_t* out1, const uint8_t* y0, const uint8_t* y1,
                               const uint8_t* u, const uint8_t* v, int width);

struct Kernels {
    ToYuvRowPair toYuv[4] = {};         // by pixel format code 0..3
    FromYuvRowPair fromYuv[2][2] = {};  // [4-byte output][swap red and blue]
};

// The best level the processor offers.
Level Supported();
// The level in use: the supported one unless lowered by SetLevel.
Level Current();
// Uses at most `wanted` (never more than the processor offers); answers the level now in use.
Level SetLevel(Level wanted);
// The kernels of the level in use (all null at kScalar).
const Kernels& Active();

}  // namespace picture_simd
