// 8-bit mu-law companding of 16-bit PCM.
#pragma once

#include <cstdint>

class Ulaw {
public:
    // *out receives a __malloc__ buffer (bytes / 2 bytes) the caller frees with __free__.
    static bool Encode(const int16_t* pcm, int bytes, uint8_t** out, int* outBytes);
    // *out receives a __malloc__ buffer (2 x bytes bytes) the caller frees with __free__.
    static bool Decode(const uint8_t* data, int bytes, int16_t** out, int* outBytes);
};
